// JPEG decoding through libjpeg-turbo into rows the caller places.
//
// libjpeg reports fatal errors by calling a handler that must not return; ours jumps back to
// the decoder, which releases everything the library allocated, so a damaged file never ends
// the process or leaks. Truncated or corrupt entropy data is refused rather than padded with
// grey, progressive files are limited in their number of scans, and the library's working
// memory is capped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace imaging {

enum class JpegPixels {
    Bgr24,   // blue, green, red
    Bgra32,  // blue, green, red, 0xFF
};

// Destination of the decoded rows.
class JpegSink {
  public:
    virtual ~JpegSink() = default;
    // Called once, when the size is known (already checked against kMaxPictureSide). Returns
    // false, with a reason, to refuse the picture (for instance when memory runs out).
    virtual bool begin(uint32_t width, uint32_t height, std::string& error) = 0;
    // Where picture row y (0 = top) goes: width * 3 or width * 4 bytes.
    virtual uint8_t* row(uint32_t y) = 0;
};

struct JpegInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;  // 1 grey, 3 colour, 4 CMYK / YCCK
    bool progressive = false;
};

bool DecodeJpegRows(const uint8_t* data, size_t size, JpegPixels layout, JpegSink& sink,
                    std::string& error, JpegInfo* info = nullptr);

}  // namespace imaging
