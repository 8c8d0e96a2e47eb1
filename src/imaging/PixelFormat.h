// Conversion of whole rows between 32-bit BGRA pictures and the texture formats the texture
// creator writes. Loops run over a row with the format chosen once, outside the loop.
#pragma once

#include <cstdint>

#include "gfx/d3d8types.h"

namespace imaging {

// A8R8G8B8, X8R8G8B8, R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, X4R4G4B4, R3G3B2,
// A8R3G3B2, A8, L8, A8L8 and A4L4.
bool IsConvertibleFormat(D3DFORMAT format);

// BGRA pixels to `format`. Channels a format lacks are dropped; "X" bits are written as ones.
// Luminance is 0.2125 R + 0.7154 G + 0.0721 B.
void PackRow(D3DFORMAT format, const uint8_t* bgra, uint8_t* dst, uint32_t width);

// `format` to BGRA. Missing colour channels read as 0 (A8: black) or as the luminance (L8),
// a missing alpha as 0xFF; narrow channels are widened by bit replication.
void UnpackRow(D3DFORMAT format, const uint8_t* src, uint8_t* bgra, uint32_t width);

}  // namespace imaging
