#include "imaging/PixelFormat.h"

#include <cstring>

namespace imaging {
namespace {

// 8-bit value to `bits` bits, rounded.
template <uint32_t bits>
inline uint32_t Q(uint32_t v) {
    constexpr uint32_t max = (1u << bits) - 1;
    return (v * max + 127) / 255;
}

// `bits`-bit value to 8 bits, rounded (exact inverse of Q).
template <uint32_t bits>
inline uint8_t E(uint32_t v) {
    constexpr uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

inline uint32_t Luminance(const uint8_t* p) {
    return (13933u * p[2] + 46871u * p[1] + 4732u * p[0] + 32768u) >> 16;
}

inline void Store16(uint8_t* d, uint32_t v) {
    d[0] = static_cast<uint8_t>(v);
    d[1] = static_cast<uint8_t>(v >> 8);
}

inline uint32_t Load16(const uint8_t* s) { return static_cast<uint32_t>(s[0] | (s[1] << 8)); }

inline void Put(uint8_t* d, uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    d[0] = static_cast<uint8_t>(b);
    d[1] = static_cast<uint8_t>(g);
    d[2] = static_cast<uint8_t>(r);
    d[3] = static_cast<uint8_t>(a);
}

}  // namespace

bool IsConvertibleFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R8G8B8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_R3G3B2:
        case D3DFMT_A8R3G3B2:
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_A8L8:
        case D3DFMT_A4L4:
            return true;
        default:
            return false;
    }
}

void PackRow(D3DFORMAT format, const uint8_t* s, uint8_t* d, uint32_t width) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
            std::memcpy(d, s, static_cast<size_t>(width) * 4);
            break;
        case D3DFMT_X8R8G8B8:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 4) Put(d, s[0], s[1], s[2], 0xFF);
            break;
        case D3DFMT_R8G8B8:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
            break;
        case D3DFMT_R5G6B5:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 2)
                Store16(d, Q<5>(s[2]) << 11 | Q<6>(s[1]) << 5 | Q<5>(s[0]));
            break;
        case D3DFMT_X1R5G5B5:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 2)
                Store16(d, 0x8000u | Q<5>(s[2]) << 10 | Q<5>(s[1]) << 5 | Q<5>(s[0]));
            break;
        case D3DFMT_A1R5G5B5:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 2)
                Store16(d, (s[3] >= 128 ? 0x8000u : 0u) | Q<5>(s[2]) << 10 | Q<5>(s[1]) << 5 |
                               Q<5>(s[0]));
            break;
        case D3DFMT_A4R4G4B4:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 2)
                Store16(d, Q<4>(s[3]) << 12 | Q<4>(s[2]) << 8 | Q<4>(s[1]) << 4 | Q<4>(s[0]));
            break;
        case D3DFMT_X4R4G4B4:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 2)
                Store16(d, 0xF000u | Q<4>(s[2]) << 8 | Q<4>(s[1]) << 4 | Q<4>(s[0]));
            break;
        case D3DFMT_R3G3B2:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 1)
                d[0] = static_cast<uint8_t>(Q<3>(s[2]) << 5 | Q<3>(s[1]) << 2 | Q<2>(s[0]));
            break;
        case D3DFMT_A8R3G3B2:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 2)
                Store16(d, static_cast<uint32_t>(s[3]) << 8 | Q<3>(s[2]) << 5 | Q<3>(s[1]) << 2 |
                               Q<2>(s[0]));
            break;
        case D3DFMT_A8:
            for (uint32_t x = 0; x < width; ++x, s += 4) d[x] = s[3];
            break;
        case D3DFMT_L8:
            for (uint32_t x = 0; x < width; ++x, s += 4) d[x] = static_cast<uint8_t>(Luminance(s));
            break;
        case D3DFMT_A8L8:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 2) {
                d[0] = static_cast<uint8_t>(Luminance(s));
                d[1] = s[3];
            }
            break;
        case D3DFMT_A4L4:
            for (uint32_t x = 0; x < width; ++x, s += 4)
                d[x] = static_cast<uint8_t>(Q<4>(s[3]) << 4 | Q<4>(Luminance(s)));
            break;
        default:
            break;
    }
}

void UnpackRow(D3DFORMAT format, const uint8_t* s, uint8_t* d, uint32_t width) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
            std::memcpy(d, s, static_cast<size_t>(width) * 4);
            break;
        case D3DFMT_X8R8G8B8:
            for (uint32_t x = 0; x < width; ++x, s += 4, d += 4) Put(d, s[0], s[1], s[2], 0xFF);
            break;
        case D3DFMT_R8G8B8:
            for (uint32_t x = 0; x < width; ++x, s += 3, d += 4) Put(d, s[0], s[1], s[2], 0xFF);
            break;
        case D3DFMT_R5G6B5:
            for (uint32_t x = 0; x < width; ++x, s += 2, d += 4) {
                const uint32_t v = Load16(s);
                Put(d, E<5>(v & 31), E<6>((v >> 5) & 63), E<5>(v >> 11), 0xFF);
            }
            break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            const bool alpha = format == D3DFMT_A1R5G5B5;
            for (uint32_t x = 0; x < width; ++x, s += 2, d += 4) {
                const uint32_t v = Load16(s);
                Put(d, E<5>(v & 31), E<5>((v >> 5) & 31), E<5>((v >> 10) & 31),
                    alpha ? ((v & 0x8000) ? 0xFF : 0) : 0xFF);
            }
            break;
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            const bool alpha = format == D3DFMT_A4R4G4B4;
            for (uint32_t x = 0; x < width; ++x, s += 2, d += 4) {
                const uint32_t v = Load16(s);
                Put(d, E<4>(v & 15), E<4>((v >> 4) & 15), E<4>((v >> 8) & 15),
                    alpha ? E<4>(v >> 12) : 0xFF);
            }
            break;
        }
        case D3DFMT_R3G3B2:
            for (uint32_t x = 0; x < width; ++x, s += 1, d += 4)
                Put(d, E<2>(s[0] & 3), E<3>((s[0] >> 2) & 7), E<3>(s[0] >> 5), 0xFF);
            break;
        case D3DFMT_A8R3G3B2:
            for (uint32_t x = 0; x < width; ++x, s += 2, d += 4)
                Put(d, E<2>(s[0] & 3), E<3>((s[0] >> 2) & 7), E<3>(s[0] >> 5), s[1]);
            break;
        case D3DFMT_A8:
            for (uint32_t x = 0; x < width; ++x, d += 4) Put(d, 0, 0, 0, s[x]);
            break;
        case D3DFMT_L8:
            for (uint32_t x = 0; x < width; ++x, d += 4) Put(d, s[x], s[x], s[x], 0xFF);
            break;
        case D3DFMT_A8L8:
            for (uint32_t x = 0; x < width; ++x, s += 2, d += 4) Put(d, s[0], s[0], s[0], s[1]);
            break;
        case D3DFMT_A4L4:
            for (uint32_t x = 0; x < width; ++x, d += 4) {
                const uint8_t l = E<4>(s[x] & 15);
                Put(d, l, l, l, E<4>(s[x] >> 4));
            }
            break;
        default:
            break;
    }
}

}  // namespace imaging
