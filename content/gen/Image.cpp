// File encoders for generated pictures. Output depends only on the pixels and the arguments,
// so the pack comes out byte for byte the same on every build.
#include "content/gen/Image.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace content {

namespace {

// Largest side every format here can describe (JPEG's limit is the tightest).
constexpr int kMaxSide = 65500;

void CheckImage(const Image& img, const char* what) {
    if (img.width <= 0 || img.height <= 0 || img.width > kMaxSide || img.height > kMaxSide)
        throw std::invalid_argument(std::string(what) + ": bad picture size " +
                                    std::to_string(img.width) + "x" + std::to_string(img.height));
    if (img.rgba.size() != static_cast<size_t>(img.width) * img.height * 4)
        throw std::invalid_argument(std::string(what) + ": pixel buffer does not match " +
                                    std::to_string(img.width) + "x" + std::to_string(img.height));
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// encoder, which turns the message into an exception outside any libjpeg frame.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // Kept here rather than in locals: only memory reached through a pointer is sure to
    // survive the longjmp.
    unsigned char* buffer;
    unsigned long size;
};

void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}  // warnings and trace output are not wanted

}  // namespace

std::vector<uint8_t> EncodeJpeg(const Image& img, int quality, bool fullChroma) {
    CheckImage(img, "EncodeJpeg");
    if (quality < 1 || quality > 100)
        throw std::invalid_argument("EncodeJpeg: quality must be 1..100, got " +
                                    std::to_string(quality));

    jpeg_compress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    err.mgr.emit_message = OnJpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(err.buffer);
        throw std::runtime_error(std::string("EncodeJpeg: ") + err.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &err.buffer, &err.size);
    cinfo.image_width = static_cast<JDIMENSION>(img.width);
    cinfo.image_height = static_cast<JDIMENSION>(img.height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_RGBA;  // the fourth byte is skipped
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // The integer DCT is exact in every libjpeg-turbo build (SIMD or not): same bytes everywhere.
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    if (fullChroma) {
        for (int c = 0; c < cinfo.num_components; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.at(0, static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(err.buffer, err.buffer + err.size);
    jpeg_destroy_compress(&cinfo);
    std::free(err.buffer);
    return out;
}

std::vector<uint8_t> EncodeTga(const Image& img, bool withAlpha) {
    CheckImage(img, "EncodeTga");
    const int bytes = withAlpha ? 4 : 3;
    std::vector<uint8_t> out;
    out.reserve(18 + static_cast<size_t>(img.width) * img.height * bytes);
    out.push_back(0);                              // no image id
    out.push_back(0);                              // no colour map
    out.push_back(2);                              // uncompressed true colour
    for (int i = 0; i < 5; ++i) out.push_back(0);  // colour map specification
    PutU16(out, 0);                                // x origin
    PutU16(out, 0);                                // y origin
    PutU16(out, static_cast<uint32_t>(img.width));
    PutU16(out, static_cast<uint32_t>(img.height));
    out.push_back(static_cast<uint8_t>(bytes * 8));
    out.push_back(withAlpha ? 8 : 0);  // alpha bits; origin bits 0 = bottom-left
    for (int y = img.height - 1; y >= 0; --y) {
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (withAlpha) out.push_back(p[3]);
        }
    }
    return out;
}

std::vector<uint8_t> EncodeBmp24(const Image& img) {
    CheckImage(img, "EncodeBmp24");
    const uint32_t rowBytes = (static_cast<uint32_t>(img.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(img.height);
    std::vector<uint8_t> out;
    out.reserve(54 + imageBytes);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, 54 + imageBytes);  // file size
    PutU32(out, 0);                // reserved
    PutU32(out, 54);               // pixel data offset
    PutU32(out, 40);               // info header size
    PutU32(out, static_cast<uint32_t>(img.width));
    PutU32(out, static_cast<uint32_t>(img.height));  // positive: bottom-up rows
    PutU16(out, 1);                                  // planes
    PutU16(out, 24);                                 // bits per pixel
    PutU32(out, 0);                                  // BI_RGB
    PutU32(out, imageBytes);
    PutU32(out, 2835);  // 72 dpi, as most writers put it
    PutU32(out, 2835);
    PutU32(out, 0);  // colours used
    PutU32(out, 0);  // colours important
    for (int y = img.height - 1; y >= 0; --y) {
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(img.width) * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return out;
}

}  // namespace content
