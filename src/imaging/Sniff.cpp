// Format recognition by content, and the TGA header checks it shares with the decoder.

#include <cstring>

#include "imaging/ByteReader.h"
#include "imaging/Decoders.h"
#include "imaging/TgaHeader.h"

namespace imaging {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool LooksLikeDib(const uint8_t* data, size_t size) {
    if (size < 16) return false;
    const uint32_t headerSize = ReadU32(data);
    if (headerSize == 12) return ReadU16(data + 8) == 1;
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return false;
    return ReadU16(data + 12) == 1;
}

bool Fail(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

}  // namespace

bool ParseTgaHeader(const uint8_t* data, size_t size, TgaHeader& h, std::string& error) {
    if (size < 18) return Fail(error, "file too short for a TGA header");
    h.idLength = data[0];
    h.colourMapType = data[1];
    h.imageType = data[2];
    h.mapFirst = ReadU16(data + 3);
    h.mapLength = ReadU16(data + 5);
    h.mapEntrySize = data[7];
    h.width = ReadU16(data + 12);
    h.height = ReadU16(data + 14);
    h.pixelDepth = data[16];
    h.descriptor = data[17];

    if (h.colourMapType > 1)
        return Fail(error, "bad TGA colour-map type " + std::to_string(h.colourMapType));
    const uint32_t type = h.imageType;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        return Fail(error, "unsupported TGA image type " + std::to_string(type));
    if (h.colourMapType == 1 && h.mapEntrySize != 15 && h.mapEntrySize != 16 &&
        h.mapEntrySize != 24 && h.mapEntrySize != 32)
        return Fail(error, "bad TGA colour-map entry size " + std::to_string(h.mapEntrySize));
    switch (h.baseType()) {
        case 1:
            if (h.colourMapType != 1) return Fail(error, "colour-mapped TGA without a colour map");
            if (h.pixelDepth != 8 && h.pixelDepth != 16)
                return Fail(error, "colour-mapped TGA with " + std::to_string(h.pixelDepth) +
                                       "-bit indices");
            if (h.mapLength == 0) return Fail(error, "colour-mapped TGA with an empty colour map");
            break;
        case 2:
            if (h.pixelDepth != 15 && h.pixelDepth != 16 && h.pixelDepth != 24 &&
                h.pixelDepth != 32)
                return Fail(error, "true-colour TGA of " + std::to_string(h.pixelDepth) +
                                       " bits per pixel");
            break;
        default:
            if (h.pixelDepth != 8 && h.pixelDepth != 16)
                return Fail(
                    error, "grey-scale TGA of " + std::to_string(h.pixelDepth) + " bits per pixel");
            break;
    }
    if (h.width == 0 || h.height == 0)
        return Fail(error, "TGA has no pixels (" + std::to_string(h.width) + " x " +
                               std::to_string(h.height) + ")");
    return true;
}

FileFormat SniffFormat(const uint8_t* data, size_t size) {
    if (!data) return FileFormat::Unknown;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return FileFormat::Bmp;
    if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return FileFormat::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return FileFormat::Jpeg;
    if (LooksLikeDib(data, size)) return FileFormat::Dib;
    TgaHeader h;
    std::string ignored;
    if (ParseTgaHeader(data, size, h, ignored)) return FileFormat::Tga;
    return FileFormat::Unknown;
}

bool DecodeImage(const uint8_t* data, size_t size, Picture& out, std::string& error) {
    out = Picture{};
    if (!data || size == 0) return Fail(error, "empty image file");
    switch (SniffFormat(data, size)) {
        case FileFormat::Bmp:
            return DecodeBmp(data, size, out, error);
        case FileFormat::Png:
            return DecodePng(data, size, out, error);
        case FileFormat::Jpeg:
            return DecodeJpegImage(data, size, out, error);
        case FileFormat::Dib:
            return DecodeDib(data, size, out, error);
        case FileFormat::Tga:
            return DecodeTga(data, size, out, error);
        case FileFormat::Unknown:
            break;
    }
    return Fail(error, "unrecognised image format (not BMP, DIB, TGA, JPEG or PNG)");
}

}  // namespace imaging
