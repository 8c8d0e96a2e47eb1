// Small independent readers for the content tests: JPEG through libjpeg, and strict readers
// of the uncompressed TGA and BMP layouts the generator writes, so the encoders are checked
// against the file formats rather than against themselves.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "content/gen/Image.h"

namespace content_test {

struct Decoded {
    bool ok = false;
    std::string error;
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> rgba;  // top-down, alpha 255 where the file has none
    const uint8_t* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

inline uint32_t U16(const std::vector<uint8_t>& b, size_t o) { return b[o] | (b[o + 1] << 8); }
inline uint32_t U32(const std::vector<uint8_t>& b, size_t o) {
    return U16(b, o) | (U16(b, o + 2) << 16);
}

struct JpegTestError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

inline void OnJpegTestError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegTestError*>(cinfo->err)->jump, 1);
}

inline Decoded DecodeJpeg(const std::vector<uint8_t>& bytes) {
    Decoded d;
    jpeg_decompress_struct cinfo{};
    JpegTestError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegTestError;  // a broken stream fails the test instead of exiting
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        Decoded bad;
        bad.error = "libjpeg rejected the stream";
        return bad;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        d.error = "no JPEG header";
        return d;
    }
    d.channels = cinfo.num_components;
    cinfo.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.rgba.resize(static_cast<size_t>(d.width) * d.height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &d.rgba[static_cast<size_t>(cinfo.output_scanline) * d.width * 4];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    d.ok = true;
    return d;
}

// Uncompressed true-colour TGA (type 2), 24 or 32 bits, either origin.
inline Decoded ReadTga(const std::vector<uint8_t>& b) {
    Decoded d;
    if (b.size() < 18) return d.error = "short header", d;
    const int idLength = b[0], mapType = b[1], type = b[2], bpp = b[16], desc = b[17];
    if (mapType != 0 || type != 2) return d.error = "not uncompressed true colour", d;
    if (bpp != 24 && bpp != 32) return d.error = "bad depth", d;
    if ((desc & 0x0F) != (bpp == 32 ? 8 : 0)) return d.error = "alpha bits do not match depth", d;
    d.width = static_cast<int>(U16(b, 12));
    d.height = static_cast<int>(U16(b, 14));
    d.channels = bpp / 8;
    const size_t start = 18 + idLength;
    if (b.size() < start + static_cast<size_t>(d.width) * d.height * d.channels)
        return d.error = "short data", d;
    const bool topDown = (desc & 0x20) != 0;
    d.rgba.resize(static_cast<size_t>(d.width) * d.height * 4);
    for (int row = 0; row < d.height; ++row) {
        const int y = topDown ? row : d.height - 1 - row;
        for (int x = 0; x < d.width; ++x) {
            const uint8_t* s = &b[start + (static_cast<size_t>(row) * d.width + x) * d.channels];
            uint8_t* p = &d.rgba[(static_cast<size_t>(y) * d.width + x) * 4];
            p[0] = s[2];
            p[1] = s[1];
            p[2] = s[0];
            p[3] = d.channels == 4 ? s[3] : 255;
        }
    }
    d.ok = true;
    return d;
}

// 24-bit BI_RGB BMP with a 40-byte info header; checks every header field and the row padding.
inline Decoded ReadBmp24(const std::vector<uint8_t>& b) {
    Decoded d;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return d.error = "no BM header", d;
    const int32_t w = static_cast<int32_t>(U32(b, 18)), h = static_cast<int32_t>(U32(b, 22));
    if (U32(b, 14) != 40) return d.error = "info header is not 40 bytes", d;
    if (U16(b, 26) != 1 || U16(b, 28) != 24 || U32(b, 30) != 0)
        return d.error = "not 24-bit BI_RGB", d;
    if (w <= 0 || h <= 0) return d.error = "size not positive (rows must be bottom-up)", d;
    const size_t rowBytes = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    const size_t offset = U32(b, 10);
    if (U32(b, 2) != b.size()) return d.error = "file size field wrong", d;
    if (offset != 54 || b.size() != offset + rowBytes * h)
        return d.error = "pixel data size wrong", d;
    if (U32(b, 34) != rowBytes * h) return d.error = "image size field wrong", d;
    d.width = w;
    d.height = h;
    d.channels = 3;
    d.rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int row = 0; row < h; ++row) {
        const size_t rs = offset + row * rowBytes;
        for (size_t pad = static_cast<size_t>(w) * 3; pad < rowBytes; ++pad)
            if (b[rs + pad] != 0) return d.error = "padding byte not zero", d;
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &d.rgba[(static_cast<size_t>(h - 1 - row) * w + x) * 4];
            p[0] = b[rs + x * 3 + 2];
            p[1] = b[rs + x * 3 + 1];
            p[2] = b[rs + x * 3];
            p[3] = 255;
        }
    }
    d.ok = true;
    return d;
}

}  // namespace content_test
