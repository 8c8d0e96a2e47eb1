#include "support/ImageCompare.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace testsupport {

bool LoadPng(const std::string& path, RgbImage& image, std::string* error) {
    int w = 0, h = 0, n = 0;
    stbi_uc* px = stbi_load(path.c_str(), &w, &h, &n, 3);
    if (!px) {
        if (error)
            *error = path + ": " + (stbi_failure_reason() ? stbi_failure_reason() : "unreadable");
        return false;
    }
    image.width = w;
    image.height = h;
    image.rgb.assign(px, px + static_cast<size_t>(w) * h * 3);
    stbi_image_free(px);
    return true;
}

bool SavePng(const std::string& path, const RgbImage& image) {
    return stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(),
                          image.width * 3) != 0;
}

std::string ImageDifference::str() const {
    if (!sameSize) return "the pictures differ in size";
    char text[160];
    std::snprintf(text, sizeof text,
                  "max difference %d, mean difference %.3f per channel, %.3f %% of pixels "
                  "beyond the threshold",
                  maxDifference, meanDifference, outlierShare * 100.0);
    return text;
}

ImageDifference CompareImages(const RgbImage& a, const RgbImage& b, int outlierThreshold) {
    ImageDifference d;
    d.sameSize = a.width == b.width && a.height == b.height && a.rgb.size() == b.rgb.size();
    if (!d.sameSize || a.rgb.empty()) return d;
    uint64_t sum = 0, outliers = 0;
    const size_t pixels = a.rgb.size() / 3;
    for (size_t p = 0; p < pixels; ++p) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            const int diff = std::abs(a.rgb[3 * p + c] - b.rgb[3 * p + c]);
            sum += static_cast<uint64_t>(diff);
            worst = std::max(worst, diff);
        }
        d.maxDifference = std::max(d.maxDifference, worst);
        if (worst > outlierThreshold) ++outliers;
    }
    d.meanDifference = static_cast<double>(sum) / static_cast<double>(a.rgb.size());
    d.outlierShare = static_cast<double>(outliers) / static_cast<double>(pixels);
    return d;
}

RgbImage DifferenceImage(const RgbImage& a, const RgbImage& b) {
    RgbImage d;
    d.width = std::min(a.width, b.width);
    d.height = std::min(a.height, b.height);
    d.rgb.assign(static_cast<size_t>(d.width) * d.height * 3, 0);
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int va = a.rgb[(static_cast<size_t>(y) * a.width + x) * 3 + c];
                const int vb = b.rgb[(static_cast<size_t>(y) * b.width + x) * 3 + c];
                d.rgb[(static_cast<size_t>(y) * d.width + x) * 3 + c] =
                    static_cast<uint8_t>(std::min(255, 8 * std::abs(va - vb)));
            }
    return d;
}

::testing::AssertionResult MatchesReferenceFile(const std::string& actualPath,
                                                const std::string& referencePath,
                                                const DifferenceTolerance& tolerance) {
    const char* update = std::getenv("RUNEPLAY_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(referencePath).parent_path(), ec);
        std::filesystem::copy_file(actualPath, referencePath,
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (ec)
            return ::testing::AssertionFailure()
                   << "cannot update " << referencePath << ": " << ec.message();
        std::printf("updated reference %s\n", referencePath.c_str());
        return ::testing::AssertionSuccess();
    }
    RgbImage actual, reference;
    std::string error;
    if (!LoadPng(actualPath, actual, &error)) return ::testing::AssertionFailure() << error;
    if (!LoadPng(referencePath, reference, &error))
        return ::testing::AssertionFailure()
               << error << " (run with RUNEPLAY_UPDATE_REFERENCES=1 to write the references)";
    const ImageDifference d = CompareImages(actual, reference, tolerance.outlierThreshold);
    if (d.sameSize && d.meanDifference <= tolerance.meanDifference &&
        d.outlierShare <= tolerance.outlierShare)
        return ::testing::AssertionSuccess() << d.str();
    // Kept beside the test program: the rendered picture's own folder may be temporary.
    const std::string stem = std::filesystem::path(referencePath).stem().string();
    const std::string keptPath =
        (std::filesystem::current_path() / (stem + ".actual.png")).string();
    const std::string diffPath = (std::filesystem::current_path() / (stem + ".diff.png")).string();
    std::error_code ec;
    std::filesystem::copy_file(actualPath, keptPath,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (d.sameSize) SavePng(diffPath, DifferenceImage(actual, reference));
    return ::testing::AssertionFailure()
           << actualPath << " does not match " << referencePath << ": " << d.str()
           << " (allowed: mean " << tolerance.meanDifference << ", "
           << tolerance.outlierShare * 100.0 << " % beyond " << tolerance.outlierThreshold
           << "); kept as " << keptPath << ", differences amplified in " << diffPath
           << "; after an intended change run with RUNEPLAY_UPDATE_REFERENCES=1";
}

}  // namespace testsupport
