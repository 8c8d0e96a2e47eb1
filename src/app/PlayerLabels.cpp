#include "app/PlayerLabels.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace app {

const SegmentLabel kSegmentLabels[kSegmentLabelCount] = {
    {'A', timeline::kSegmentA, "title sprite", 0},
    {'B', timeline::kSegmentB, "water scene, shots", 0},
    {'C', timeline::kSegmentC, "water backwards, metal", 0},
    {'D', timeline::kSegmentD, "picture screen scene", 0},
    {'E', timeline::kSegmentE, "ring scene, credits", 0},
    {'F', timeline::kSegmentF, "cube grid in fog", 0},
    {'G', timeline::kSegmentG, "rotating mesh", 0},
    {'H', timeline::kSegmentH, "end mesh, fade", 0},
    {'I', timeline::kSegmentI, "people fading in", 1},
    {'J', timeline::kSegmentJ, "end screen", 1},
};

std::string FormatPosition(uint64_t bytes, const audio::TrackFormat& format) {
    uint64_t ms = 0;
    if (format.rate > 0 && format.bytesPerFrame() > 0)
        ms = bytes / format.bytesPerFrame() * 1000 / static_cast<uint64_t>(format.rate);
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%02llu.%03llu",
                  static_cast<unsigned long long>(ms / 60000),
                  static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

std::string SegmentsAt(uint64_t position) {
    // The timeline reads positions as 32-bit values, held at the largest.
    const uint32_t held =
        static_cast<uint32_t>(std::min<uint64_t>(position, std::numeric_limits<uint32_t>::max()));
    std::string letters;
    for (const SegmentLabel& s : kSegmentLabels) {
        if (!s.window.contains(held)) continue;
        if (!letters.empty()) letters += ' ';
        letters += s.letter;
    }
    return letters.empty() ? "none" : letters;
}

std::string AvOffsetText(int offsetMs, int latencyMs) {
    char text[96];
    if (latencyMs != 0)
        std::snprintf(text, sizeof text, "A/V offset %+d ms (and %d ms output latency)", offsetMs,
                      latencyMs);
    else
        std::snprintf(text, sizeof text, "A/V offset %+d ms", offsetMs);
    return text;
}

}  // namespace app
