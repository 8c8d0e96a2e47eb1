// Writes a starting corpus for fuzz_images: one small file per picture format and variant the
// decoders read. Usage: make_images_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/ImageFiles.h"

using namespace testimg;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const Argb a = MakeArgb(13, 9, [](uint32_t x, uint32_t y) {
        return (y < 3 ? 0xFF000000u : 0x80000000u) | (x * 19) << 16 | (y * 28) << 8 | (x ^ y) * 7;
    });
    const Argb indices = MakeArgb(13, 9, [](uint32_t x, uint32_t y) { return (x + y) % 4; });
    const std::vector<uint32_t> palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    const std::vector<std::pair<std::string, Bytes>> seeds = {
        {"bmp24.bmp", MakeBmp(a)},
        {"bmp32_topdown.bmp", MakeBmp(a, {.bits = 32, .topDown = true})},
        {"bmp16_v5.bmp", MakeBmp(a, {.bits = 16, .headerSize = 124})},
        {"bmp8.bmp", MakeBmp(indices, {.bits = 8}, palette)},
        {"dib24.dib", MakeBmp(a, {.bits = 24, .fileHeader = false})},
        {"tga24.tga", MakeTga(a)},
        {"tga32_rle_top.tga", MakeTga(a, {.bits = 32, .rle = true, .topDown = true})},
        {"tga24_rle_rtl.tga", MakeTga(a, {.rle = true, .rightToLeft = true})},
        {"tga_mapped_rle.tga", Bytes{0, 1, 9, 0, 0, 2, 0, 24, 0, 0,    0, 0, 2, 0, 2,
                                     0, 8, 0, 1, 2, 3, 4, 5,  6, 0x81, 0, 1, 1, 1}},
        {"png_rgba.png", MakePng(a, 4)},
        {"png_grey.png", MakePng(a, 1)},
        {"jpeg.jpg", MakeJpeg(a, {.quality = 75})},
        {"jpeg_progressive.jpg", MakeJpeg(a, {.quality = 75, .progressive = true})},
        {"jpeg_grey.jpg", MakeJpeg(a, {.kind = JpegKind::Grey, .quality = 75})},
        {"jpeg_cmyk.jpg", MakeJpeg(a, {.kind = JpegKind::AdobeCmyk, .quality = 75})},
    };
    for (const auto& [name, bytes] : seeds) {
        const std::string path = std::string(argv[1]) + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
