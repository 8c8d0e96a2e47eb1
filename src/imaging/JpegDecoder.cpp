#include "imaging/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "imaging/Decoders.h"
#include "imaging/Picture.h"

namespace imaging {
namespace {

// Progressive files can hold any number of scans, each a full pass over the coefficients;
// real encoders write about a dozen.
constexpr int kMaxProgressiveScans = 500;
// Working memory libjpeg may use (coefficient buffers of progressive files, mostly).
constexpr long kMaxLibraryMemory = 1024L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct ProgressLimit {
    jpeg_progress_mgr pub;
};

[[noreturn]] void OnErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings that mean the picture would come out with missing or garbage blocks.
bool IsDamageWarning(int code) {
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
           code == JWRN_MUST_RESYNC || code == JWRN_ARITH_BAD_CODE;
}

void OnEmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        if (IsDamageWarning(cinfo->err->msg_code)) OnErrorExit(cinfo);
        ++cinfo->err->num_warnings;
    }
}

void OnOutputMessage(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->progressive_mode && d->input_scan_number > kMaxProgressiveScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "progressive JPEG with more than %d scans",
                      kMaxProgressiveScans);
        std::longjmp(err->jump, 1);
    }
}

inline uint8_t Mul255(uint32_t a, uint32_t b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// CMYK (as libjpeg hands it over) to blue-green-red(-alpha). Files with an Adobe marker store
// the inks inverted, which is how Photoshop writes them.
void CmykRow(const uint8_t* src, uint8_t* dst, uint32_t width, bool inverted, int step) {
    for (uint32_t x = 0; x < width; ++x, src += 4, dst += step) {
        uint32_t c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        dst[0] = Mul255(y, k);
        dst[1] = Mul255(m, k);
        dst[2] = Mul255(c, k);
        if (step == 4) dst[3] = 0xFF;
    }
}

// Everything between setjmp and the jump back is plain data or libjpeg's own pool, so the
// jump skips no destructor; the sink is only called from this frame.
bool DecodeWithLibrary(const uint8_t* data, size_t size, JpegPixels layout, JpegSink& sink,
                       char* message, size_t messageSize, JpegInfo& info) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ProgressLimit progress;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&err, 0, sizeof err);
    std::memset(&progress, 0, sizeof progress);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnErrorExit;
    err.pub.emit_message = OnEmitMessage;
    err.pub.output_message = OnOutputMessage;
    progress.pub.progress_monitor = OnProgress;

    if (setjmp(err.jump)) {
        std::snprintf(message, messageSize, "damaged JPEG: %s", err.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress.pub;
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    info.width = cinfo.image_width;
    info.height = cinfo.image_height;
    info.components = cinfo.num_components;
    info.progressive = cinfo.progressive_mode != 0;
    if (cinfo.image_width > kMaxPictureSide || cinfo.image_height > kMaxPictureSide) {
        std::snprintf(message, messageSize, "JPEG of %u x %u is larger than %u on a side",
                      cinfo.image_width, cinfo.image_height, kMaxPictureSide);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    const bool bgra = layout == JpegPixels::Bgra32;
    bool cmyk = false;
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            cinfo.out_color_space = bgra ? JCS_EXT_BGRA : JCS_EXT_BGR;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo.out_color_space = JCS_CMYK;
            cmyk = true;
            break;
        default:
            std::snprintf(message, messageSize,
                          "unsupported JPEG colour space (%d components, colour space %d)",
                          cinfo.num_components, static_cast<int>(cinfo.jpeg_color_space));
            jpeg_destroy_decompress(&cinfo);
            return false;
    }

    {
        std::string sinkError;
        bool accepted = false;
        try {
            accepted = sink.begin(cinfo.image_width, cinfo.image_height, sinkError);
        } catch (const std::bad_alloc&) {
            sinkError = "out of memory";
        }
        if (!accepted) {
            std::snprintf(message, messageSize, "%s", sinkError.c_str());
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
    }

    jpeg_start_decompress(&cinfo);
    JSAMPARRAY cmykRows = nullptr;
    if (cmyk)
        cmykRows = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              cinfo.output_width * 4, 1);
    const bool invertedInks = cinfo.saw_Adobe_marker != 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION y = cinfo.output_scanline;
        JDIMENSION got;
        if (cmyk) {
            got = jpeg_read_scanlines(&cinfo, cmykRows, 1);
            if (got == 1)
                CmykRow(cmykRows[0], sink.row(y), cinfo.output_width, invertedInks, bgra ? 4 : 3);
        } else {
            JSAMPROW rows[8];
            const JDIMENSION want = cinfo.output_height - y < 8 ? cinfo.output_height - y : 8;
            for (JDIMENSION i = 0; i < want; ++i) rows[i] = sink.row(y + i);
            got = jpeg_read_scanlines(&cinfo, rows, want);
        }
        if (got == 0) {
            // A memory source never suspends; no progress means the stream is unusable.
            std::snprintf(message, messageSize, "damaged JPEG: decoding stopped at row %u", y);
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

class PictureSink : public JpegSink {
  public:
    explicit PictureSink(Picture& picture) : picture_(picture) {}
    bool begin(uint32_t width, uint32_t height, std::string& error) override {
        return AllocatePicture(picture_, width, height, error);
    }
    uint8_t* row(uint32_t y) override { return picture_.row(y); }

  private:
    Picture& picture_;
};

}  // namespace

bool DecodeJpegRows(const uint8_t* data, size_t size, JpegPixels layout, JpegSink& sink,
                    std::string& error, JpegInfo* info) {
    JpegInfo local;
    JpegInfo& out = info ? *info : local;
    out = JpegInfo{};
    if (!data || size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) {
        error = "not a JPEG file (no start-of-image marker)";
        return false;
    }
    char message[JMSG_LENGTH_MAX + 64] = {};
    if (!DecodeWithLibrary(data, size, layout, sink, message, sizeof message, out)) {
        error = message;
        return false;
    }
    return true;
}

bool DecodeJpegImage(const uint8_t* data, size_t size, Picture& out, std::string& error) {
    out = Picture{};
    Picture picture;
    PictureSink sink(picture);
    JpegInfo info;
    if (!DecodeJpegRows(data, size, JpegPixels::Bgra32, sink, error, &info)) return false;
    picture.hasAlpha = false;
    picture.sourceFormat = info.components == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    picture.fileFormat = FileFormat::Jpeg;
    out = std::move(picture);
    return true;
}

}  // namespace imaging
