// Comparing picture files with reference PNG files: the largest and mean difference per
// colour channel and the share of pixels that differ noticeably; on failure a diff picture
// (differences amplified eight times) and a copy of the rendered picture are written to the
// current folder. (For pictures read back from a device, see ReferenceImages.h.)
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // rows from the top
};

bool LoadPng(const std::string& path, RgbImage& image, std::string* error);
bool SavePng(const std::string& path, const RgbImage& image);

struct ImageDifference {
    bool sameSize = false;
    int maxDifference = 0;      // over every channel of every pixel
    double meanDifference = 0;  // per channel
    double outlierShare = 0;    // pixels with a channel differing by more than the threshold
    std::string str() const;
};

ImageDifference CompareImages(const RgbImage& a, const RgbImage& b, int outlierThreshold);
RgbImage DifferenceImage(const RgbImage& a, const RgbImage& b);

struct DifferenceTolerance {
    double meanDifference = 1.0;  // per channel, 0..255
    int outlierThreshold = 32;    // a channel difference counted as an outlier
    double outlierShare = 0.002;  // share of pixels allowed to be outliers
};

// Compares the picture file `actualPath` with `referencePath`. With
// RUNEPLAY_UPDATE_REFERENCES=1 in the environment the rendered picture becomes the reference
// instead (and the check passes). On failure writes <reference name>.actual.png and
// <reference name>.diff.png into the current folder.
::testing::AssertionResult MatchesReferenceFile(const std::string& actualPath,
                                                const std::string& referencePath,
                                                const DifferenceTolerance& tolerance = {});

}  // namespace testsupport
