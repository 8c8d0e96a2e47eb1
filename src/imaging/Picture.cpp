#include "imaging/Picture.h"

#include <new>

namespace imaging {

const char* FileFormatName(FileFormat format) {
    switch (format) {
        case FileFormat::Bmp:
            return "BMP";
        case FileFormat::Jpeg:
            return "JPEG";
        case FileFormat::Tga:
            return "TGA";
        case FileFormat::Png:
            return "PNG";
        case FileFormat::Dib:
            return "DIB";
        case FileFormat::Unknown:
            break;
    }
    return "unknown";
}

uint32_t Picture::pixel(uint32_t x, uint32_t y) const {
    const uint8_t* p = row(y) + static_cast<size_t>(x) * 4;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool AllocatePicture(Picture& picture, uint32_t width, uint32_t height, std::string& error) {
    if (width == 0 || height == 0) {
        error = "picture has no pixels (" + std::to_string(width) + " x " + std::to_string(height) +
                ")";
        return false;
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide) {
        error = "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                " is larger than " + std::to_string(kMaxPictureSide) + " on a side";
        return false;
    }
    picture.width = width;
    picture.height = height;
    try {
        picture.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    } catch (const std::bad_alloc&) {
        picture.pixels.clear();
        error = "out of memory for a picture of " + std::to_string(width) + " x " +
                std::to_string(height);
        return false;
    }
    return true;
}

}  // namespace imaging
