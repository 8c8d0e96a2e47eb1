// BMP files and packed device-independent bitmaps.

#include <bit>
#include <cstring>

#include "imaging/ByteReader.h"
#include "imaging/Decoders.h"

namespace imaging {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;
constexpr size_t kFileHeaderSize = 14;

bool IsInfoHeaderSize(uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (m != 0) {
            shift = static_cast<uint32_t>(std::countr_zero(m));
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t v) const {
        if (max == 0) return 0;
        uint64_t value = (v & mask) >> shift;
        return static_cast<uint8_t>((value * 255 + max / 2) / max);
    }
};

struct BitmapLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bits = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool explicitMasks = false;
    uint32_t palette[256] = {};  // BGRA, alpha 255
    uint32_t paletteCount = 0;
    uint64_t paletteEnd = 0;  // offset just after the palette (where a packed DIB's pixels start)
};

bool Fail(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

// Reads the bitmap-info header at `offset` with its masks and palette.
bool ParseInfo(const uint8_t* data, size_t size, size_t offset, BitmapLayout& b,
               std::string& error) {
    if (size < offset + 4) return Fail(error, "file too short for a bitmap header");
    const uint8_t* h = data + offset;
    const uint32_t headerSize = ReadU32(h);
    if (!IsInfoHeaderSize(headerSize))
        return Fail(error, "unsupported bitmap header size " + std::to_string(headerSize));
    if (size - offset < headerSize)
        return Fail(error, "bitmap header truncated (" + std::to_string(size - offset) + " of " +
                               std::to_string(headerSize) + " bytes)");

    int64_t width, height;
    uint32_t planes, clrUsed = 0;
    size_t paletteEntry = 4;
    if (headerSize == 12) {
        width = ReadU16(h + 4);
        height = static_cast<int16_t>(ReadU16(h + 6));
        planes = ReadU16(h + 8);
        b.bits = ReadU16(h + 10);
        paletteEntry = 3;
    } else {
        width = ReadI32(h + 4);
        height = ReadI32(h + 8);
        planes = ReadU16(h + 12);
        b.bits = ReadU16(h + 14);
        b.compression = ReadU32(h + 16);
        clrUsed = ReadU32(h + 32);
    }
    if (width <= 0 || height == 0)
        return Fail(error,
                    "bad bitmap size " + std::to_string(width) + " x " + std::to_string(height));
    b.topDown = height < 0;
    if (height < 0) height = -height;
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        return Fail(error, "bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                               " is larger than " + std::to_string(kMaxPictureSide) + " on a side");
    b.width = static_cast<uint32_t>(width);
    b.height = static_cast<uint32_t>(height);
    if (planes != 1) return Fail(error, "bitmap has " + std::to_string(planes) + " planes");

    switch (b.compression) {
        case kBiRgb:
            if (b.bits != 1 && b.bits != 4 && b.bits != 8 && b.bits != 16 && b.bits != 24 &&
                b.bits != 32)
                return Fail(error,
                            "unsupported bitmap depth of " + std::to_string(b.bits) + " bits");
            break;
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (b.bits != 16 && b.bits != 32)
                return Fail(error,
                            "bit-field bitmap of " + std::to_string(b.bits) + " bits per pixel");
            break;
        case kBiRle8:
        case kBiRle4:
            return Fail(error, "run-length encoded bitmaps are not supported");
        default:
            return Fail(error, "unsupported bitmap compression " + std::to_string(b.compression));
    }

    uint64_t cursor = offset + headerSize;
    if (b.compression != kBiRgb) {
        b.explicitMasks = true;
        if (headerSize >= 52) {
            for (int i = 0; i < 3; ++i) b.masks[i] = ReadU32(h + 40 + 4 * i);
            if (headerSize >= 56) b.masks[3] = ReadU32(h + 52);
        } else {
            const int count = b.compression == kBiAlphaBitfields ? 4 : 3;
            if (size < cursor + 4 * count) return Fail(error, "bitmap colour masks truncated");
            for (int i = 0; i < count; ++i) b.masks[i] = ReadU32(data + cursor + 4 * i);
            cursor += 4 * count;
        }
        if ((b.masks[0] | b.masks[1] | b.masks[2]) == 0)
            return Fail(error, "bitmap colour masks are all zero");
    } else if (b.bits == 16) {
        b.masks[0] = 0x7C00;
        b.masks[1] = 0x03E0;
        b.masks[2] = 0x001F;
    }

    if (b.bits <= 8) {
        const uint32_t maxColours = 1u << b.bits;
        b.paletteCount = clrUsed ? clrUsed : maxColours;
        if (b.paletteCount > maxColours)
            return Fail(error, "palette of " + std::to_string(clrUsed) + " colours for a " +
                                   std::to_string(b.bits) + "-bit bitmap");
        if (size < cursor + static_cast<uint64_t>(b.paletteCount) * paletteEntry)
            return Fail(error, "bitmap palette truncated");
        for (uint32_t i = 0; i < b.paletteCount; ++i) {
            const uint8_t* e = data + cursor + i * paletteEntry;
            b.palette[i] = static_cast<uint32_t>(e[0]) | static_cast<uint32_t>(e[1]) << 8 |
                           static_cast<uint32_t>(e[2]) << 16 | 0xFF000000u;
        }
        cursor += static_cast<uint64_t>(b.paletteCount) * paletteEntry;
    } else {
        // A packed DIB may still carry a (meaningless) colour table before its pixels.
        cursor += static_cast<uint64_t>(clrUsed) * paletteEntry;
    }
    b.paletteEnd = cursor;
    return true;
}

bool IndexOutOfRange(std::string& error, uint32_t index, uint32_t count) {
    return Fail(error, "palette index " + std::to_string(index) + " out of range (" +
                           std::to_string(count) + " colours)");
}

bool ConvertRow(const BitmapLayout& b, const uint8_t* src, uint8_t* dst, std::string& error) {
    const uint32_t w = b.width;
    switch (b.bits) {
        case 1:
        case 4:
        case 8: {
            const uint32_t perByte = 8 / b.bits;
            const uint32_t valueMask = (1u << b.bits) - 1;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t shift = 8 - b.bits * (x % perByte + 1);
                const uint32_t index = (src[x / perByte] >> shift) & valueMask;
                if (index >= b.paletteCount) return IndexOutOfRange(error, index, b.paletteCount);
                std::memcpy(dst + 4 * x, &b.palette[index], 4);
            }
            return true;
        }
        case 24: {
            // Four pixels from three little-endian words at a time; the JPEG loader's bitmaps
            // all take this path.
            uint32_t x = 0;
            for (; x + 4 <= w; x += 4, src += 12, dst += 16) {
                const uint32_t w0 = ReadU32(src), w1 = ReadU32(src + 4), w2 = ReadU32(src + 8);
                const uint32_t p[4] = {w0 | 0xFF000000u, (w0 >> 24) | (w1 << 8) | 0xFF000000u,
                                       (w1 >> 16) | (w2 << 16) | 0xFF000000u,
                                       (w2 >> 8) | 0xFF000000u};
                std::memcpy(dst, p, 16);
            }
            for (; x < w; ++x, src += 3, dst += 4) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
                dst[3] = 0xFF;
            }
            return true;
        }
        case 32:
            if (!b.explicitMasks) {
                std::memcpy(dst, src, static_cast<size_t>(w) * 4);
                return true;
            }
            [[fallthrough]];
        case 16: {
            const Channel r(b.masks[0]), g(b.masks[1]), bl(b.masks[2]), a(b.masks[3]);
            const bool hasAlphaMask = b.masks[3] != 0;
            for (uint32_t x = 0; x < w; ++x, dst += 4) {
                uint32_t v;
                if (b.bits == 16) {
                    v = ReadU16(src + 2 * x);
                } else {
                    v = ReadU32(src + 4 * x);
                }
                dst[0] = bl(v);
                dst[1] = g(v);
                dst[2] = r(v);
                dst[3] = hasAlphaMask ? a(v) : 0xFF;
            }
            return true;
        }
        default:
            return Fail(error, "unsupported bitmap depth");
    }
}

D3DFORMAT SourceFormatOf(const BitmapLayout& b, bool alpha) {
    if (b.bits <= 8) return D3DFMT_P8;
    if (b.bits == 24) return D3DFMT_R8G8B8;
    if (b.bits == 32) return alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (b.masks[1] == 0x07E0) return D3DFMT_R5G6B5;
    return alpha ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
}

bool DecodePixels(const uint8_t* data, size_t size, uint64_t pixelOffset, const BitmapLayout& b,
                  Picture& out, std::string& error) {
    const uint64_t rowBits = static_cast<uint64_t>(b.width) * b.bits;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    const uint64_t rowBytes = (rowBits + 7) / 8;
    // The last row's padding may be missing; everything before it must be there.
    const uint64_t need = stride * (b.height - 1) + rowBytes;
    if (pixelOffset > size || size - pixelOffset < need)
        return Fail(error, "bitmap pixels truncated: " + std::to_string(need) + " bytes needed, " +
                               std::to_string(pixelOffset > size ? 0 : size - pixelOffset) +
                               " present");

    Picture picture;
    if (!AllocatePicture(picture, b.width, b.height, error)) return false;
    const uint8_t* pixels = data + pixelOffset;
    for (uint32_t r = 0; r < b.height; ++r) {
        const uint32_t y = b.topDown ? r : b.height - 1 - r;
        if (!ConvertRow(b, pixels + r * stride, picture.row(y), error)) return false;
    }

    bool alpha = b.explicitMasks && b.masks[3] != 0;
    if (b.bits == 32 && !b.explicitMasks) {
        // The fourth byte of a plain 32-bit bitmap is reserved; writers that use it for alpha
        // are honoured unless it is zero everywhere, which means it was never written.
        bool anyAlpha = false;
        for (size_t i = 3; i < picture.pixels.size() && !anyAlpha; i += 4)
            anyAlpha = picture.pixels[i] != 0;
        if (anyAlpha) {
            alpha = true;
        } else {
            for (size_t i = 3; i < picture.pixels.size(); i += 4) picture.pixels[i] = 0xFF;
        }
    }
    picture.hasAlpha = alpha;
    picture.sourceFormat = SourceFormatOf(b, alpha);
    out = std::move(picture);
    return true;
}

}  // namespace

bool DecodeDib(const uint8_t* data, size_t size, Picture& out, std::string& error) {
    out = Picture{};
    BitmapLayout b;
    if (!data || !ParseInfo(data, size, 0, b, error)) return false;
    if (!DecodePixels(data, size, b.paletteEnd, b, out, error)) return false;
    out.fileFormat = FileFormat::Dib;
    return true;
}

bool DecodeBmp(const uint8_t* data, size_t size, Picture& out, std::string& error) {
    out = Picture{};
    if (!data || size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M')
        return Fail(error, "not a BMP file (no \"BM\" header)");
    BitmapLayout b;
    if (!ParseInfo(data, size, kFileHeaderSize, b, error)) return false;
    uint64_t pixelOffset = ReadU32(data + 10);
    // Some writers leave the offset at zero; the pixels then follow the palette.
    if (pixelOffset == 0) pixelOffset = b.paletteEnd;
    if (!DecodePixels(data, size, pixelOffset, b, out, error)) return false;
    out.fileFormat = FileFormat::Bmp;
    return true;
}

}  // namespace imaging
