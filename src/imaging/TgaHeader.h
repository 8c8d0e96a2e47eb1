// The 18-byte TGA header, shared by the decoder and the format sniffer (TGA has no magic
// number, so a file is taken for TGA only when its header is consistent).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace imaging {

struct TgaHeader {
    uint32_t idLength = 0;
    uint32_t colourMapType = 0;
    uint32_t imageType = 0;
    uint32_t mapFirst = 0;
    uint32_t mapLength = 0;
    uint32_t mapEntrySize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelDepth = 0;
    uint32_t descriptor = 0;

    uint32_t baseType() const { return imageType & 7; }  // 1 mapped, 2 true colour, 3 grey
    bool isRle() const { return imageType >= 9; }
    uint32_t alphaBits() const { return descriptor & 15; }
    bool rightToLeft() const { return (descriptor & 0x10) != 0; }
    bool topDown() const { return (descriptor & 0x20) != 0; }
};

// Reads and checks the header; false with a reason when it cannot describe a TGA picture.
bool ParseTgaHeader(const uint8_t* data, size_t size, TgaHeader& h, std::string& error);

}  // namespace imaging
