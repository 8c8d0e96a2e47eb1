#include "support/ImageCompare.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace testsupport {

bool WritePng(const std::string& path, const Picture& picture) {
    if (picture.argb.size() != static_cast<size_t>(picture.width) * picture.height) return false;
    std::vector<uint8_t> rgb;
    rgb.reserve(picture.argb.size() * 3);
    for (uint32_t v : picture.argb) {
        rgb.push_back(static_cast<uint8_t>(v >> 16));
        rgb.push_back(static_cast<uint8_t>(v >> 8));
        rgb.push_back(static_cast<uint8_t>(v));
    }
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    return stbi_write_png(path.c_str(), static_cast<int>(picture.width),
                          static_cast<int>(picture.height), 3, rgb.data(),
                          static_cast<int>(picture.width) * 3) != 0;
}

bool ReadPng(const std::string& path, Picture& picture) {
    int w = 0, h = 0, channels = 0;
    stbi_uc* data = stbi_load(path.c_str(), &w, &h, &channels, 3);
    if (!data) return false;
    picture.width = static_cast<uint32_t>(w);
    picture.height = static_cast<uint32_t>(h);
    picture.argb.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (size_t i = 0; i < picture.argb.size(); ++i)
        picture.argb[i] = 0xFF000000u | (uint32_t{data[3 * i]} << 16) |
                          (uint32_t{data[3 * i + 1]} << 8) | data[3 * i + 2];
    stbi_image_free(data);
    return true;
}

ImageDifference Compare(const Picture& a, const Picture& b, int outlierThreshold) {
    ImageDifference d;
    if (a.width != b.width || a.height != b.height || a.argb.size() != b.argb.size() ||
        a.argb.empty()) {
        d.mean = 255;
        d.largest = 255;
        d.outliers = 1;
        return d;
    }
    double sum = 0;
    size_t outliers = 0;
    for (size_t i = 0; i < a.argb.size(); ++i) {
        int worst = 0;
        for (int shift : {16, 8, 0}) {
            const int diff = std::abs(static_cast<int>((a.argb[i] >> shift) & 0xFF) -
                                      static_cast<int>((b.argb[i] >> shift) & 0xFF));
            sum += diff;
            worst = std::max(worst, diff);
        }
        d.largest = std::max(d.largest, worst);
        if (worst > outlierThreshold) ++outliers;
    }
    d.mean = sum / (3.0 * static_cast<double>(a.argb.size()));
    d.outliers = static_cast<double>(outliers) / static_cast<double>(a.argb.size());
    return d;
}

::testing::AssertionResult MatchesReference(const Picture& picture,
                                            const std::string& referencePath,
                                            const ImageTolerance& tolerance) {
    const char* update = std::getenv("RUNEPLAY_UPDATE_REFERENCES");
    if (update && *update && std::string(update) != "0") {
        if (!WritePng(referencePath, picture))
            return ::testing::AssertionFailure() << "cannot write " << referencePath;
        return ::testing::AssertionSuccess() << "rewrote " << referencePath;
    }
    const std::string failed =
        "failed-stills/" + std::filesystem::path(referencePath).filename().string();
    Picture reference;
    if (!ReadPng(referencePath, reference)) {
        WritePng(failed, picture);
        return ::testing::AssertionFailure()
               << "no reference picture " << referencePath << " (got " << failed
               << "; RUNEPLAY_UPDATE_REFERENCES=1 writes it)";
    }
    const ImageDifference d = Compare(picture, reference, tolerance.outlierThreshold);
    std::ostringstream what;
    what << referencePath << ": mean difference " << d.mean << " (at most "
         << tolerance.meanTolerance << "), " << d.outliers * 100.0 << "% of pixels beyond "
         << tolerance.outlierThreshold << " (at most " << tolerance.outlierFraction * 100.0
         << "%), largest " << d.largest;
    if (d.mean <= tolerance.meanTolerance && d.outliers <= tolerance.outlierFraction)
        return ::testing::AssertionSuccess() << what.str();
    WritePng(failed, picture);
    return ::testing::AssertionFailure() << what.str() << "; got " << failed;
}

}  // namespace testsupport
