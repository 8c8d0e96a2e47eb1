// Image file decoders: each turns a complete file held in memory into a Picture.
//
// Every decoder checks the file against its own size before reading and refuses damaged or
// hostile data (truncation, absurd or overflowing dimensions, bad palette indices, runs past
// the end) with a one-line reason in `error`; `out` is then left empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/Picture.h"

namespace imaging {

// Recognises a file by its content: "BM" for BMP, the PNG signature, FF D8 FF for JPEG, a
// plausible bitmap-info header for a packed DIB, then a plausible TGA header (TGA has no
// magic number). Unknown when nothing fits.
FileFormat SniffFormat(const uint8_t* data, size_t size);

// Sniffs the format and calls the matching decoder.
bool DecodeImage(const uint8_t* data, size_t size, Picture& out, std::string& error);

// A packed device-independent bitmap: bitmap-info header (12, 40, 52, 56, 108 or 124 bytes),
// optional colour masks and palette, then the pixels. 1/4/8-bit palettised, 16-bit, 24-bit and
// 32-bit, BI_RGB or BI_BITFIELDS, bottom-up (positive height) or top-down.
bool DecodeDib(const uint8_t* data, size_t size, Picture& out, std::string& error);

// A BMP file: the 14-byte "BM" file header followed by a DIB whose pixels start at the offset
// the file header gives.
bool DecodeBmp(const uint8_t* data, size_t size, Picture& out, std::string& error);

// Truevision TGA: colour-mapped (8-bit indices), true-colour (15/16/24/32-bit) and grey-scale
// (8-bit), uncompressed or run-length encoded, with the origin at the bottom or the top.
bool DecodeTga(const uint8_t* data, size_t size, Picture& out, std::string& error);

// PNG, through stb_image.
bool DecodePng(const uint8_t* data, size_t size, Picture& out, std::string& error);

// JPEG (baseline and progressive; grey, YCbCr, RGB, CMYK and YCCK) through libjpeg-turbo.
bool DecodeJpegImage(const uint8_t* data, size_t size, Picture& out, std::string& error);

}  // namespace imaging
