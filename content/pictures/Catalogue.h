// Every picture the pack holds: entry name, file format, size and the function that paints it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "content/gen/Image.h"

namespace content::pictures {

enum class FileKind { Jpeg, Tga24, Tga32, Bmp24 };

struct PictureEntry {
    std::string name;  // pack entry name, or file name beside the pack when `loose`
    FileKind kind = FileKind::Jpeg;
    int width = 0, height = 0;
    bool loose = false;
    int quality = 90;         // JPEG only
    bool fullChroma = false;  // JPEG only: no chroma subsampling (lettering, fine lines)
    std::function<Image()> make;
};

// In the order the entries go into the pack.
const std::vector<PictureEntry>& Catalogue();

// The file bytes of a painted picture in its entry's format.
std::vector<uint8_t> EncodePicture(const PictureEntry& entry, const Image& img);

// Paints and encodes every picture, several at a time; the result is in catalogue order and
// does not depend on how the work was shared out. Throws if a painter returns the wrong size.
struct EncodedPicture {
    const PictureEntry* entry;
    Image image;
    std::vector<uint8_t> bytes;
    double seconds;
};
std::vector<EncodedPicture> ProduceAll(int threads);

}  // namespace content::pictures
