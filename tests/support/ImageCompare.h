// Rendered pictures against committed reference PNGs.
//
// A picture matches its reference when the mean absolute difference over all colour channels
// is at most `meanTolerance` and at most `outlierFraction` of the pixels differ by more than
// `outlierThreshold` in any channel: small enough to catch a wrong texture, light or camera,
// loose enough for a different rasteriser build's filtering and rounding. Alpha is ignored
// (render targets of formats without alpha read back as opaque).
//
// Regenerating references: run the test program with RUNEPLAY_UPDATE_REFERENCES=1 in the
// environment; every compared picture is then written over its reference and the comparison
// passes. A failing comparison writes the picture it got beside the reference's name under
// "<working directory>/failed-stills/" for inspection.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> argb;  // rows from the top
};

bool WritePng(const std::string& path, const Picture& picture);
// False when the file is missing or not a PNG.
bool ReadPng(const std::string& path, Picture& picture);

struct ImageTolerance {
    double meanTolerance = 1.5;
    int outlierThreshold = 24;
    double outlierFraction = 0.005;
};

struct ImageDifference {
    double mean = 0;
    int largest = 0;
    double outliers = 0;  // fraction of pixels beyond the outlier threshold
};

ImageDifference Compare(const Picture& a, const Picture& b, int outlierThreshold);

// Compares with the reference PNG `referencePath` (or rewrites it, see above).
::testing::AssertionResult MatchesReference(const Picture& picture,
                                            const std::string& referencePath,
                                            const ImageTolerance& tolerance = {});

}  // namespace testsupport
