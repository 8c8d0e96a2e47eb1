// The common in-memory picture every decoder produces and the texture creator consumes.
//
// Pixels are 32-bit blue, green, red, alpha bytes (the memory order of D3DFMT_A8R8G8B8 on a
// little-endian machine), rows packed top to bottom: row 0 is the top of the picture.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/d3d8types.h"

namespace imaging {

// Pixels are moved as 32-bit 0xAARRGGBB words in several places.
static_assert(std::endian::native == std::endian::little, "little-endian hosts only");

// Largest side a picture may have; anything larger is refused before memory is allocated.
constexpr uint32_t kMaxPictureSide = 16384;

// The image file formats the decoders recognise (values of D3DXIMAGE_FILEFORMAT).
enum class FileFormat : uint32_t {
    Bmp = 0,
    Jpeg = 1,
    Tga = 2,
    Png = 3,
    Dib = 6,
    Unknown = 0xFFFFFFFFu,
};

const char* FileFormatName(FileFormat format);

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // width * 4 bytes per row, height rows

    // The closest device format of the source pixels (D3DFMT_R8G8B8 for 24-bit files,
    // D3DFMT_A8R8G8B8 when the file carries alpha, D3DFMT_P8 for palettised ones ...).
    D3DFORMAT sourceFormat = D3DFMT_UNKNOWN;
    FileFormat fileFormat = FileFormat::Unknown;
    // True when some pixel may be less than fully opaque.
    bool hasAlpha = false;

    size_t pitch() const { return static_cast<size_t>(width) * 4; }
    uint8_t* row(uint32_t y) { return pixels.data() + y * pitch(); }
    const uint8_t* row(uint32_t y) const { return pixels.data() + y * pitch(); }
    uint32_t pixel(uint32_t x, uint32_t y) const;  // 0xAARRGGBB
};

// Checks the size against kMaxPictureSide and allocates zeroed pixels. False with a message
// in `error` for an empty or oversized picture or when memory runs out.
bool AllocatePicture(Picture& picture, uint32_t width, uint32_t height, std::string& error);

}  // namespace imaging
