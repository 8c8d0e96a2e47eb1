// Resampling of 32-bit BGRA pixel blocks: the mip filter and the size change of the texture
// creator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

struct PixelBlock {
    const uint8_t* data;
    uint32_t width;
    uint32_t height;
    size_t pitch;  // bytes from one row to the next
};

struct MutablePixelBlock {
    uint8_t* data;
    uint32_t width;
    uint32_t height;
    size_t pitch;
};

enum class ResampleFilter {
    Point,  // nearest source pixel to the centre of each destination pixel
    Box,    // area-weighted average of the source pixels each destination pixel covers
};

// Any size to any size, all four channels. The box filter treats each destination pixel as
// covering an exact fraction of the source, so halving an odd side weighs the shared middle
// pixel by half; halving an even side is the plain 2 x 2 average, rounded to nearest.
void Resample(const PixelBlock& src, const MutablePixelBlock& dst, ResampleFilter filter);

// The next mip level: destination max(1, w / 2) x max(1, h / 2). Takes the fast 2 x 2 (or
// 2 x 1) path when the halving is exact and falls back to Resample otherwise.
void HalveBox(const PixelBlock& src, const MutablePixelBlock& dst);

}  // namespace imaging
