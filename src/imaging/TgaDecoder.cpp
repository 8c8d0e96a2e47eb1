// Truevision TGA files.

#include <algorithm>
#include <cstring>

#include "imaging/ByteReader.h"
#include "imaging/Decoders.h"
#include "imaging/TgaHeader.h"

namespace imaging {
namespace {

constexpr size_t kHeaderSize = 18;

bool Fail(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

// 15/16-bit A1R5G5B5 to BGRA.
uint32_t From16(uint32_t v, bool useAlpha) {
    const uint32_t b = Expand5(v & 31), g = Expand5((v >> 5) & 31), r = Expand5((v >> 10) & 31);
    const uint32_t a = useAlpha ? ((v & 0x8000) ? 0xFF : 0) : 0xFF;
    return b | g << 8 | r << 16 | a << 24;
}

// Turns one stored pixel value into BGRA, checking colour-map indices.
class PixelReader {
  public:
    PixelReader(const TgaHeader& h, const uint32_t* colourMap) : h_(h), map_(colourMap) {}

    bool read(const uint8_t* p, uint32_t& out, std::string& error) const {
        switch (h_.baseType()) {
            case 1: {
                const uint32_t raw = h_.pixelDepth == 8 ? p[0] : ReadU16(p);
                if (raw < h_.mapFirst || raw - h_.mapFirst >= h_.mapLength)
                    return Fail(error, "colour-map index " + std::to_string(raw) +
                                           " out of range (" + std::to_string(h_.mapFirst) +
                                           " to " + std::to_string(h_.mapFirst + h_.mapLength - 1) +
                                           ")");
                out = map_[raw - h_.mapFirst];
                return true;
            }
            case 3:
                out = p[0] * 0x010101u | static_cast<uint32_t>(h_.pixelDepth == 16 ? p[1] : 0xFF)
                                             << 24;
                return true;
            default:
                switch (h_.pixelDepth) {
                    case 15:
                    case 16:
                        out = From16(ReadU16(p), h_.pixelDepth == 16 && h_.alphaBits() > 0);
                        return true;
                    case 24:
                        out = p[0] | p[1] << 8 | p[2] << 16 | 0xFF000000u;
                        return true;
                    default:
                        out = ReadU32(p);
                        return true;
                }
        }
    }

  private:
    const TgaHeader& h_;
    const uint32_t* map_;
};

}  // namespace

bool DecodeTga(const uint8_t* data, size_t size, Picture& out, std::string& error) {
    out = Picture{};
    TgaHeader h;
    if (!data || !ParseTgaHeader(data, size, h, error)) return false;
    if (h.width > kMaxPictureSide || h.height > kMaxPictureSide)
        return Fail(error, "TGA of " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                               " is larger than " + std::to_string(kMaxPictureSide) + " on a side");

    uint64_t cursor = kHeaderSize + h.idLength;
    if (size < cursor) return Fail(error, "TGA image ID truncated");
    std::vector<uint32_t> colourMap;
    if (h.colourMapType == 1) {
        const uint32_t entryBytes = (h.mapEntrySize + 7) / 8;
        const uint64_t mapBytes = static_cast<uint64_t>(h.mapLength) * entryBytes;
        if (size < cursor + mapBytes) return Fail(error, "TGA colour map truncated");
        if (h.baseType() == 1) {
            colourMap.resize(h.mapLength);
            for (uint32_t i = 0; i < h.mapLength; ++i) {
                const uint8_t* e = data + cursor + static_cast<size_t>(i) * entryBytes;
                switch (h.mapEntrySize) {
                    case 15:
                    case 16:
                        colourMap[i] =
                            From16(ReadU16(e), h.mapEntrySize == 16 && h.alphaBits() > 0);
                        break;
                    case 24:
                        colourMap[i] = e[0] | e[1] << 8 | e[2] << 16 | 0xFF000000u;
                        break;
                    default:
                        colourMap[i] = ReadU32(e);
                        break;
                }
            }
        }
        cursor += mapBytes;
    }

    const uint32_t bpp = (h.pixelDepth + 7) / 8;
    const uint64_t total = static_cast<uint64_t>(h.width) * h.height;
    const uint64_t available = size - cursor;
    // Checked before allocating: raw pixels must all be there, and run-length data needs at
    // least one packet (header byte and one pixel) per 128 pixels.
    const uint64_t minimum = h.isRle() ? (total + 127) / 128 * (1 + bpp) : total * bpp;
    if (available < minimum)
        return Fail(error, std::string("TGA ") + (h.isRle() ? "run-length data" : "pixels") +
                               " truncated: at least " + std::to_string(minimum) +
                               " bytes needed, " + std::to_string(available) + " present");

    Picture picture;
    if (!AllocatePicture(picture, h.width, h.height, error)) return false;
    const PixelReader reader(h, colourMap.data());
    // Pixels go into the picture in file order; the origin is fixed afterwards.
    uint8_t* dst = picture.pixels.data();
    const uint8_t* src = data + cursor;
    const uint8_t* const end = data + size;

    if (!h.isRle()) {
        if (h.baseType() == 2 && h.pixelDepth == 32) {
            std::memcpy(dst, src, total * 4);
        } else {
            for (uint64_t i = 0; i < total; ++i, src += bpp, dst += 4) {
                uint32_t v;
                if (!reader.read(src, v, error)) return false;
                std::memcpy(dst, &v, 4);
            }
        }
    } else {
        uint64_t done = 0;
        while (done < total) {
            if (src >= end) return Fail(error, "TGA run-length data truncated");
            const uint32_t packet = *src++;
            const uint32_t count = (packet & 0x7F) + 1;
            if (count > total - done)
                return Fail(error, "TGA run-length packet runs past the end of the picture");
            if (packet & 0x80) {
                if (static_cast<size_t>(end - src) < bpp)
                    return Fail(error, "TGA run-length data truncated");
                uint32_t v;
                if (!reader.read(src, v, error)) return false;
                src += bpp;
                for (uint32_t i = 0; i < count; ++i, dst += 4) std::memcpy(dst, &v, 4);
            } else {
                if (static_cast<uint64_t>(end - src) < static_cast<uint64_t>(count) * bpp)
                    return Fail(error, "TGA run-length data truncated");
                for (uint32_t i = 0; i < count; ++i, src += bpp, dst += 4) {
                    uint32_t v;
                    if (!reader.read(src, v, error)) return false;
                    std::memcpy(dst, &v, 4);
                }
            }
            done += count;
        }
    }

    if (!h.topDown()) {
        for (uint32_t y = 0; y < h.height / 2; ++y)
            std::swap_ranges(picture.row(y), picture.row(y) + picture.pitch(),
                             picture.row(h.height - 1 - y));
    }
    if (h.rightToLeft()) {
        for (uint32_t y = 0; y < h.height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(picture.row(y));
            std::reverse(row, row + h.width);
        }
    }

    bool alpha = false;
    if (h.baseType() == 2 && h.pixelDepth == 32) {
        // Writers that declare no alpha bits often leave the fourth byte zero: opaque then.
        bool anyAlpha = false;
        for (size_t i = 3; i < picture.pixels.size() && !anyAlpha; i += 4)
            anyAlpha = picture.pixels[i] != 0;
        if (anyAlpha || h.alphaBits() > 0) {
            alpha = true;
        } else {
            for (size_t i = 3; i < picture.pixels.size(); i += 4) picture.pixels[i] = 0xFF;
        }
    } else if (h.baseType() == 2 && h.pixelDepth == 16) {
        alpha = h.alphaBits() > 0;
    } else if (h.baseType() == 3) {
        alpha = h.pixelDepth == 16;
    } else if (h.baseType() == 1) {
        alpha = h.mapEntrySize == 32 || (h.mapEntrySize == 16 && h.alphaBits() > 0);
    }
    picture.hasAlpha = alpha;
    switch (h.baseType()) {
        case 1:
            picture.sourceFormat = D3DFMT_P8;
            break;
        case 3:
            picture.sourceFormat = h.pixelDepth == 16 ? D3DFMT_A8L8 : D3DFMT_L8;
            break;
        default:
            picture.sourceFormat = h.pixelDepth == 32 ? (alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8)
                                   : h.pixelDepth == 24 ? D3DFMT_R8G8B8
                                   : alpha              ? D3DFMT_A1R5G5B5
                                                        : D3DFMT_X1R5G5B5;
            break;
    }
    picture.fileFormat = FileFormat::Tga;
    out = std::move(picture);
    return true;
}

}  // namespace imaging
