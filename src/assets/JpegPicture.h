// JPEG pictures decoded into the packed device-independent bitmap the texture creator reads:
// a 40-byte header (size 40, width, positive height, 1 plane, 24 bits, the rest 0), then rows
// of blue-green-red pixels stored bottom-up (the last picture row first), each row padded
// with zero bytes to a multiple of 4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace assets {

constexpr uint32_t kDibHeaderSize = 40;

// Pad bytes after a row of `width` pixels: ((width * 3 + 3) & ~3) - width * 3, 0 to 3.
constexpr uint32_t DibRowPad(uint32_t width) { return ((width * 3 + 3) & ~3u) - width * 3; }

// (width * 3 + pad) * height.
constexpr uint64_t DibImageBytes(uint32_t width, uint32_t height) {
    return (static_cast<uint64_t>(width) * 3 + DibRowPad(width)) * height;
}

// Decodes a JPEG held in memory (grey-scale, YCbCr, RGB, CMYK or YCCK; baseline or
// progressive) into the bitmap above, 40 + image bytes long. False, with a one-line reason
// in `error` and `picture` empty, for anything that cannot be decoded.
bool DecodeJpegToDib(const uint8_t* data, size_t size, std::vector<uint8_t>& picture,
                     std::string& error);

}  // namespace assets
