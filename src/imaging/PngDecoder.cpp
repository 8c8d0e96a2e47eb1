// PNG files through stb_image (Debian's libstb carries the implementation).

#include <stb/stb_image.h>

#include <climits>
#include <cstring>
#include <memory>

#include "imaging/ByteReader.h"
#include "imaging/Decoders.h"

namespace imaging {
namespace {

bool Fail(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

struct StbFree {
    void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, Picture& out, std::string& error) {
    out = Picture{};
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!data || size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return Fail(error, "not a PNG file (bad signature)");
    // The size is checked here, before the library allocates anything for it.
    if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return Fail(error, "PNG header chunk missing or truncated");
    const uint32_t width = ReadU32BE(data + 16), height = ReadU32BE(data + 20);
    if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return Fail(error, "PNG of " + std::to_string(width) + " x " + std::to_string(height) +
                               " is empty or larger than " + std::to_string(kMaxPictureSide) +
                               " on a side");
    if (size > static_cast<size_t>(INT_MAX)) return Fail(error, "PNG file too large");
    // The library sizes its buffers from chunk lengths before it reads the chunks, so a
    // length running past the end of the file is refused here.
    for (size_t at = 8;;) {
        if (size - at < 12) return Fail(error, "PNG truncated (no IEND chunk)");
        const uint32_t length = ReadU32BE(data + at);
        if (length > size - at - 12)
            return Fail(error, "PNG chunk of " + std::to_string(length) +
                                   " bytes runs past the end of the file");
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) break;
        at += 12 + size_t{length};
    }

    int w = 0, h = 0, channels = 0;
    stbi_set_flip_vertically_on_load_thread(0);
    std::unique_ptr<stbi_uc, StbFree> rgba(
        stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &channels, 4));
    if (!rgba) {
        // The library's reasons may quote raw chunk-type bytes from the file.
        std::string reason = stbi_failure_reason() ? stbi_failure_reason() : "decoder failed";
        for (char& c : reason)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                c = '?';
        return Fail(error, "damaged PNG: " + reason);
    }
    if (static_cast<uint32_t>(w) != width || static_cast<uint32_t>(h) != height)
        return Fail(error, "PNG decoder disagrees with the header about the size");

    Picture picture;
    if (!AllocatePicture(picture, width, height, error)) return false;
    const uint8_t* src = rgba.get();
    uint8_t* dst = picture.pixels.data();
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; ++i, src += 4, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = src[3];
    }
    // Grey+alpha and RGBA files carry alpha; a tRNS chunk may add it to the others.
    bool alpha = channels == 2 || channels == 4;
    if (!alpha) {
        for (size_t i = 3; i < picture.pixels.size() && !alpha; i += 4)
            alpha = picture.pixels[i] != 0xFF;
    }
    picture.hasAlpha = alpha;
    picture.sourceFormat = channels <= 2 ? (alpha ? D3DFMT_A8L8 : D3DFMT_L8)
                                         : (alpha ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8);
    picture.fileFormat = FileFormat::Png;
    out = std::move(picture);
    return true;
}

}  // namespace imaging
