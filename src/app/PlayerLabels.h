// What the player writes about the show: a position as minutes, seconds and milliseconds,
// the segments of the schedule in force there, and the A/V offset notice.
#pragma once

#include <cstdint>
#include <string>

#include "audio/Mp3Decoder.h"
#include "timeline/Schedule.h"

namespace app {

struct SegmentLabel {
    char letter;
    timeline::SegmentWindow window;
    const char* what;
    // 0 for the segments drawn into the frame target, 1 for the direct overlays (I, J) that
    // lie over them.
    int lane;
};

// Segments A to J in schedule order.
constexpr int kSegmentLabelCount = 10;
extern const SegmentLabel kSegmentLabels[kSegmentLabelCount];

// "m:ss.fff" of the whole sample frames in `bytes` (minutes as many as it takes).
std::string FormatPosition(uint64_t bytes, const audio::TrackFormat& format);

// The letters of the segments whose windows hold `position`, in schedule order and separated
// by spaces ("C D"); "none" where no segment draws.
std::string SegmentsAt(uint64_t position);

// "A/V offset +30 ms", with the latency taken off as well where there is one
// ("A/V offset -20 ms (and 45 ms output latency)").
std::string AvOffsetText(int offsetMs, int latencyMs);

}  // namespace app
