#include "assets/JpegPicture.h"

#include <cstring>
#include <new>

#include "imaging/JpegDecoder.h"

namespace assets {
namespace {

void PutU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, v);
    PutU16(p + 2, v >> 16);
}

// Lays the bitmap out once the size is known and hands libjpeg its rows bottom-up.
class DibSink : public imaging::JpegSink {
  public:
    explicit DibSink(std::vector<uint8_t>& out) : out_(out) {}

    bool begin(uint32_t width, uint32_t height, std::string& error) override {
        height_ = height;
        stride_ = static_cast<size_t>(width) * 3 + DibRowPad(width);
        try {
            // Zero-filled, so the pad bytes are zero.
            out_.assign(kDibHeaderSize + DibImageBytes(width, height), 0);
        } catch (const std::bad_alloc&) {
            error = "out of memory for a " + std::to_string(width) + " x " +
                    std::to_string(height) + " picture";
            return false;
        }
        uint8_t* h = out_.data();
        PutU32(h + 0, kDibHeaderSize);
        PutU32(h + 4, width);
        PutU32(h + 8, height);
        PutU16(h + 12, 1);
        PutU16(h + 14, 24);
        return true;
    }

    uint8_t* row(uint32_t y) override {
        return out_.data() + kDibHeaderSize + (height_ - 1 - y) * stride_;
    }

  private:
    std::vector<uint8_t>& out_;
    uint32_t height_ = 0;
    size_t stride_ = 0;
};

}  // namespace

bool DecodeJpegToDib(const uint8_t* data, size_t size, std::vector<uint8_t>& picture,
                     std::string& error) {
    picture.clear();
    DibSink sink(picture);
    if (!imaging::DecodeJpegRows(data, size, imaging::JpegPixels::Bgr24, sink, error)) {
        picture.clear();
        picture.shrink_to_fit();
        return false;
    }
    return true;
}

}  // namespace assets
