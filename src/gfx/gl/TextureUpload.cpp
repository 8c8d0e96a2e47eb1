#include "gfx/gl/TextureUpload.h"

#include <algorithm>
#include <cstring>

namespace gfx::gl {

namespace {

float Signed(uint8_t b) { return std::max(-1.0f, static_cast<int8_t>(b) / 127.0f); }
float Unsigned(uint8_t b) { return b / 255.0f; }

void Swizzle(GlFormat& f, GLint r, GLint g, GLint b, GLint a) {
    f.swizzle[0] = r;
    f.swizzle[1] = g;
    f.swizzle[2] = b;
    f.swizzle[3] = a;
}

}  // namespace

bool DescribeFormat(D3DFORMAT format, GlFormat& f) {
    f = GlFormat{};
    switch (format) {
        case D3DFMT_A8R8G8B8:
            f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
            return true;
        case D3DFMT_X8R8G8B8:
            f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
            Swizzle(f, GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
            return true;
        case D3DFMT_R5G6B5:
            f = {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
            return true;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            f = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
            if (format == D3DFMT_X1R5G5B5) Swizzle(f, GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
            return true;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            f = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
            if (format == D3DFMT_X4R4G4B4) Swizzle(f, GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
            return true;
        case D3DFMT_L8:
            f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
            Swizzle(f, GL_RED, GL_RED, GL_RED, GL_ONE);
            return true;
        case D3DFMT_A8:
            f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
            Swizzle(f, GL_ZERO, GL_ZERO, GL_ZERO, GL_RED);
            return true;
        case D3DFMT_A8L8:
            f = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE};
            Swizzle(f, GL_RED, GL_RED, GL_RED, GL_GREEN);
            return true;
        case D3DFMT_X8L8V8U8:
        case D3DFMT_V8U8:
        case D3DFMT_Q8W8V8U8:
            f = {GL_RGBA16F, GL_RGBA, GL_FLOAT};
            f.signedToFloat = true;
            return true;
        default:
            return false;
    }
}

void DecodeSignedTexel(D3DFORMAT format, const uint8_t* t, float rgba[4]) {
    switch (format) {
        case D3DFMT_X8L8V8U8:
            rgba[0] = Signed(t[0]);
            rgba[1] = Signed(t[1]);
            rgba[2] = Unsigned(t[2]);
            rgba[3] = 1.0f;
            break;
        case D3DFMT_V8U8:
            rgba[0] = Signed(t[0]);
            rgba[1] = Signed(t[1]);
            rgba[2] = 1.0f;
            rgba[3] = 1.0f;
            break;
        case D3DFMT_Q8W8V8U8:
            for (int i = 0; i < 4; ++i) rgba[i] = Signed(t[i]);
            break;
        default:
            rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.0f;
            break;
    }
}

const void* LevelPixels(const Surface& level, const GlFormat& f, std::vector<uint8_t>& scratch) {
    const size_t texels = static_cast<size_t>(level.width()) * level.height();
    const size_t outBytes = f.signedToFloat ? texels * 4 * sizeof(float)
                                            : static_cast<size_t>(level.pitch()) * level.height();
    const std::vector<uint8_t>& bits = level.bits();
    if (bits.empty()) {
        scratch.assign(outBytes, 0);
        return scratch.data();
    }
    if (!f.signedToFloat) return bits.data();
    scratch.resize(outBytes);
    const UINT bpp = FormatBytesPerPixel(level.format());
    float* out = reinterpret_cast<float*>(scratch.data());
    for (UINT y = 0; y < level.height(); ++y) {
        const uint8_t* row = bits.data() + static_cast<size_t>(y) * level.pitch();
        for (UINT x = 0; x < level.width(); ++x, out += 4)
            DecodeSignedTexel(level.format(), row + x * bpp, out);
    }
    return scratch.data();
}

}  // namespace gfx::gl
