#include "support/ReferenceImages.h"

#include <stb/stb_image.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/Capture.h"

namespace testsupport {

bool ReadPng(const std::string& path, std::vector<uint32_t>& argb, int& width, int& height) {
    int channels = 0;
    stbi_uc* rgb = stbi_load(path.c_str(), &width, &height, &channels, 3);
    if (!rgb) return false;
    argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t i = 0; i < argb.size(); ++i)
        argb[i] = 0xFF000000u | uint32_t{rgb[3 * i]} << 16 | uint32_t{rgb[3 * i + 1]} << 8 |
                  uint32_t{rgb[3 * i + 2]};
    stbi_image_free(rgb);
    return true;
}

bool WritePng(const std::string& path, const std::vector<uint32_t>& argb, int width, int height) {
    std::string error;
    return app::WritePng(path, static_cast<uint32_t>(width), static_cast<uint32_t>(height), argb,
                         &error, 8);
}

::testing::AssertionResult MatchesReference(const std::string& referencePath,
                                            const std::vector<uint32_t>& argb, int width,
                                            int height, const ImageTolerance& tolerance) {
    const char* update = std::getenv("RUNEPLAY_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        std::filesystem::create_directories(std::filesystem::path(referencePath).parent_path());
        if (!WritePng(referencePath, argb, width, height))
            return ::testing::AssertionFailure() << "cannot write " << referencePath;
        return ::testing::AssertionSuccess() << "reference " << referencePath << " written";
    }
    std::vector<uint32_t> expected;
    int w = 0, h = 0;
    if (!ReadPng(referencePath, expected, w, h))
        return ::testing::AssertionFailure()
               << "no reference picture " << referencePath
               << " (RUNEPLAY_UPDATE_REFERENCES=1 writes it from this run)";
    const std::string actualPath =
        std::filesystem::path(referencePath).stem().string() + ".actual.png";
    if (w != width || h != height || argb.size() != expected.size()) {
        WritePng(actualPath, argb, width, height);
        return ::testing::AssertionFailure()
               << "size " << width << "x" << height << ", reference " << w << "x" << h;
    }
    size_t different = 0;
    double total = 0;
    for (size_t i = 0; i < argb.size(); ++i) {
        int worst = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = static_cast<int>((argb[i] >> shift) & 0xFF);
            const int b = static_cast<int>((expected[i] >> shift) & 0xFF);
            const int d = a > b ? a - b : b - a;
            total += d;
            if (d > worst) worst = d;
        }
        if (worst > tolerance.channel) ++different;
    }
    const double share = static_cast<double>(different) / static_cast<double>(argb.size());
    const double mean = total / (3.0 * static_cast<double>(argb.size()));
    std::ostringstream account;
    account << referencePath << ": " << different << " pixels (" << share * 100.0
            << " %) differ by more than " << tolerance.channel << ", mean difference " << mean;
    if (share > tolerance.maxDifferent || mean > tolerance.maxMeanError) {
        WritePng(actualPath, argb, width, height);
        return ::testing::AssertionFailure() << account.str() << "; rendered picture written to "
                                             << std::filesystem::absolute(actualPath).string();
    }
    return ::testing::AssertionSuccess() << account.str();
}

}  // namespace testsupport
