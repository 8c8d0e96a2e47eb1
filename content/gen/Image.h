// Pictures as the generator makes them, and the file formats it writes them in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace content {

// 8-bit RGBA, rows top to bottom, no padding.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
    uint8_t* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

// Baseline JPEG (libjpeg-turbo), 4:2:0 unless `fullChroma`; alpha is dropped.
std::vector<uint8_t> EncodeJpeg(const Image& img, int quality, bool fullChroma = false);
// Uncompressed TGA, 32-bit with alpha or 24-bit without, bottom-up origin.
std::vector<uint8_t> EncodeTga(const Image& img, bool withAlpha);
// Uncompressed BMP, 24-bit, bottom-up.
std::vector<uint8_t> EncodeBmp24(const Image& img);

}  // namespace content
