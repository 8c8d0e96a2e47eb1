// Comparing rendered pictures with committed reference PNGs.
//
// A picture matches when its mean absolute channel difference and the share of pixels that
// differ by more than a channel tolerance stay within the given bounds: rasterisers differ a
// little at edges and in filtering, never in the picture as a whole.
//
// Setting RUNEPLAY_UPDATE_REFERENCES=1 in the environment writes the rendered pictures as the
// new references instead (the comparison then passes and says so). On a mismatch the
// rendered picture is written beside the test program as <name>.actual.png for inspection.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct ImageTolerance {
    int channel = 24;            // a pixel differs when any channel is off by more than this
    double maxDifferent = 0.02;  // share of pixels allowed to differ
    double maxMeanError = 3.0;   // mean absolute difference over all channels, 0..255
};

// `argb` holds width × height 0xAARRGGBB values, rows from the top; alpha is ignored.
::testing::AssertionResult MatchesReference(const std::string& referencePath,
                                            const std::vector<uint32_t>& argb, int width,
                                            int height, const ImageTolerance& tolerance = {});

// Reads a PNG as 0xFFRRGGBB values; false when it cannot be read.
bool ReadPng(const std::string& path, std::vector<uint32_t>& argb, int& width, int& height);
bool WritePng(const std::string& path, const std::vector<uint32_t>& argb, int width, int height);

}  // namespace testsupport
