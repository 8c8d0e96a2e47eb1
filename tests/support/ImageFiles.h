// Builders of small image files for the picture tests: BMP, packed DIB, TGA (raw and RLE),
// PNG (stb_image_write) and JPEG (libjpeg-turbo), from pixels given top row first as
// 0xAARRGGBB values.
#pragma once

#include <stb/stb_image_write.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

namespace testimg {

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(Bytes& b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}
inline void SetU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A picture given as ARGB values, row 0 at the top.
struct Argb {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> px;
    uint32_t at(uint32_t x, uint32_t y) const { return px[y * width + x]; }
};

inline Argb MakeArgb(uint32_t w, uint32_t h, const std::function<uint32_t(uint32_t, uint32_t)>& f) {
    Argb a;
    a.width = w;
    a.height = h;
    a.px.resize(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) a.px[y * w + x] = f(x, y);
    return a;
}

struct BmpOptions {
    uint32_t bits = 24;  // 8 (palette from `palette`), 16 (5-6-5 bit fields), 24, 32
    bool topDown = false;
    uint32_t headerSize = 40;
    bool fileHeader = true;  // false: a packed DIB
};

// BMP or packed DIB. For 8-bit files the picture's values are indices into `palette` (ARGB).
inline Bytes MakeBmp(const Argb& a, const BmpOptions& o = {},
                     const std::vector<uint32_t>& palette = {}) {
    Bytes info;
    const bool bitfields = o.bits == 16;
    PutU32(info, o.headerSize);
    PutU32(info, a.width);
    PutU32(info, o.topDown ? static_cast<uint32_t>(-static_cast<int32_t>(a.height)) : a.height);
    PutU16(info, 1);
    PutU16(info, o.bits);
    PutU32(info, bitfields ? 3 : 0);
    const uint32_t stride = (a.width * o.bits + 31) / 32 * 4;
    PutU32(info, stride * a.height);
    PutU32(info, 2835);
    PutU32(info, 2835);
    PutU32(info, o.bits == 8 ? static_cast<uint32_t>(palette.size()) : 0);
    PutU32(info, 0);
    while (info.size() < o.headerSize) info.push_back(0);
    if (bitfields) {
        if (o.headerSize >= 52) {
            SetU32(info, 40, 0xF800);
            SetU32(info, 44, 0x07E0);
            SetU32(info, 48, 0x001F);
        } else {
            PutU32(info, 0xF800);
            PutU32(info, 0x07E0);
            PutU32(info, 0x001F);
        }
    }
    for (uint32_t c : palette) PutU32(info, c & 0x00FFFFFF);

    Bytes pixels;
    for (uint32_t r = 0; r < a.height; ++r) {
        const uint32_t y = o.topDown ? r : a.height - 1 - r;
        const size_t start = pixels.size();
        for (uint32_t x = 0; x < a.width; ++x) {
            const uint32_t v = a.at(x, y);
            switch (o.bits) {
                case 8:
                    pixels.push_back(static_cast<uint8_t>(v));
                    break;
                case 16: {
                    const uint32_t r5 = ((v >> 16) & 0xFF) >> 3, g6 = ((v >> 8) & 0xFF) >> 2,
                                   b5 = (v & 0xFF) >> 3;
                    PutU16(pixels, r5 << 11 | g6 << 5 | b5);
                    break;
                }
                case 24:
                    pixels.push_back(static_cast<uint8_t>(v));
                    pixels.push_back(static_cast<uint8_t>(v >> 8));
                    pixels.push_back(static_cast<uint8_t>(v >> 16));
                    break;
                default:
                    PutU32(pixels, v);
                    break;
            }
        }
        while (pixels.size() - start < stride) pixels.push_back(0);
    }

    Bytes out;
    if (o.fileHeader) {
        out.push_back('B');
        out.push_back('M');
        PutU32(out, static_cast<uint32_t>(14 + info.size() + pixels.size()));
        PutU32(out, 0);
        PutU32(out, static_cast<uint32_t>(14 + info.size()));
    }
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

struct TgaOptions {
    uint32_t bits = 24;  // 24 or 32
    bool rle = false;
    bool topDown = false;
    bool rightToLeft = false;
};

inline Bytes MakeTga(const Argb& a, const TgaOptions& o = {}) {
    Bytes out = {0, 0, static_cast<uint8_t>(o.rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU16(out, a.width);
    PutU16(out, a.height);
    out.push_back(static_cast<uint8_t>(o.bits));
    out.push_back(static_cast<uint8_t>((o.bits == 32 ? 8 : 0) | (o.rightToLeft ? 0x10 : 0) |
                                       (o.topDown ? 0x20 : 0)));
    std::vector<uint32_t> order;  // pixels in file order
    for (uint32_t r = 0; r < a.height; ++r) {
        const uint32_t y = o.topDown ? r : a.height - 1 - r;
        for (uint32_t i = 0; i < a.width; ++i)
            order.push_back(a.at(o.rightToLeft ? a.width - 1 - i : i, y));
    }
    auto put = [&](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v >> 16));
        if (o.bits == 32) out.push_back(static_cast<uint8_t>(v >> 24));
    };
    if (!o.rle) {
        for (uint32_t v : order) put(v);
        return out;
    }
    // Runs of equal pixels as run packets, everything else as raw packets (up to 128 each).
    size_t i = 0;
    while (i < order.size()) {
        size_t run = 1;
        while (i + run < order.size() && run < 128 && order[i + run] == order[i]) ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            put(order[i]);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < order.size() && raw < 128 &&
               (i + raw + 1 >= order.size() || order[i + raw] != order[i + raw + 1]))
            ++raw;
        out.push_back(static_cast<uint8_t>(raw - 1));
        for (size_t k = 0; k < raw; ++k) put(order[i + k]);
        i += raw;
    }
    return out;
}

inline Bytes MakePng(const Argb& a, int channels = 4) {
    std::vector<uint8_t> raw;
    for (uint32_t v : a.px) {
        const uint8_t r = static_cast<uint8_t>(v >> 16), g = static_cast<uint8_t>(v >> 8),
                      b = static_cast<uint8_t>(v), al = static_cast<uint8_t>(v >> 24);
        if (channels == 1) {
            raw.push_back(g);
        } else {
            raw.push_back(r);
            raw.push_back(g);
            raw.push_back(b);
            if (channels == 4) raw.push_back(al);
        }
    }
    Bytes out;
    stbi_write_png_to_func(
        [](void* ctx, void* data, int size) {
            auto* o = static_cast<Bytes*>(ctx);
            o->insert(o->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        },
        &out, static_cast<int>(a.width), static_cast<int>(a.height), channels, raw.data(),
        static_cast<int>(a.width) * channels);
    return out;
}

enum class JpegKind { Colour, Grey, AdobeCmyk, PlainCmyk };

struct JpegOptions {
    JpegKind kind = JpegKind::Colour;
    int quality = 100;
    bool progressive = false;
};

// For the CMYK kinds the picture's colours are written as inks the decoder turns back into
// the same colours (inverted inks under an Adobe marker, plain inks without one).
inline Bytes MakeJpeg(const Argb& a, const JpegOptions& o = {}) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = a.width;
    c.image_height = a.height;
    const bool cmyk = o.kind == JpegKind::AdobeCmyk || o.kind == JpegKind::PlainCmyk;
    c.input_components = o.kind == JpegKind::Grey ? 1 : cmyk ? 4 : 3;
    c.in_color_space = o.kind == JpegKind::Grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    if (cmyk) {
        jpeg_set_colorspace(&c, JCS_CMYK);
        c.write_Adobe_marker = o.kind == JpegKind::AdobeCmyk;
    }
    jpeg_set_quality(&c, o.quality, TRUE);
    // Full-resolution chroma keeps small test pictures close to their source.
    for (int i = 0; i < c.num_components; ++i) {
        c.comp_info[i].h_samp_factor = 1;
        c.comp_info[i].v_samp_factor = 1;
    }
    if (o.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t{a.width} * c.input_components);
    for (uint32_t y = 0; y < a.height; ++y) {
        for (uint32_t x = 0; x < a.width; ++x) {
            const uint32_t v = a.at(x, y);
            const uint8_t r = static_cast<uint8_t>(v >> 16), g = static_cast<uint8_t>(v >> 8),
                          b = static_cast<uint8_t>(v);
            uint8_t* p = row.data() + size_t{x} * c.input_components;
            switch (o.kind) {
                case JpegKind::Grey:
                    p[0] = g;
                    break;
                case JpegKind::Colour:
                    p[0] = r;
                    p[1] = g;
                    p[2] = b;
                    break;
                case JpegKind::AdobeCmyk:
                    p[0] = r;
                    p[1] = g;
                    p[2] = b;
                    p[3] = 255;
                    break;
                case JpegKind::PlainCmyk:
                    p[0] = static_cast<uint8_t>(255 - r);
                    p[1] = static_cast<uint8_t>(255 - g);
                    p[2] = static_cast<uint8_t>(255 - b);
                    p[3] = 0;
                    break;
            }
        }
        JSAMPROW rp = row.data();
        jpeg_write_scanlines(&c, &rp, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

// Offset of the first start-of-frame marker's height field (width follows), or 0.
inline size_t JpegSizeField(const Bytes& j) {
    for (size_t i = 2; i + 9 < j.size(); ++i)
        if (j[i] == 0xFF && (j[i + 1] == 0xC0 || j[i + 1] == 0xC1 || j[i + 1] == 0xC2))
            return i + 5;
    return 0;
}

}  // namespace testimg
