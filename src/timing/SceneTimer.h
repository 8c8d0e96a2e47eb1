// Stopwatches in ticks of 1/60 second on the platform's millisecond clock.
#pragma once

#include <bit>
#include <cstdint>

namespace timing {

// Milliseconds to ticks: the single-precision 0.06, applied to the unsigned 32-bit difference
// converted to float, so a clock wrap between two readings still gives a small positive time.
inline constexpr float kTicksPerMillisecond = 0.06f;
static_assert(std::bit_cast<uint32_t>(kTicksPerMillisecond) == 0x3D75C28Fu);

inline float TicksBetween(uint32_t from, uint32_t to) {
    return static_cast<float>(to - from) * kTicksPerMillisecond;
}

// A segment's stopwatch. Start only has an effect on a stopped timer, so a segment calling it
// every frame counts from its first frame; Update moves `elapsed` to now; Reset stops it.
class SceneTimer {
  public:
    virtual ~SceneTimer() = default;

    void Start();
    void Reset();
    void Update();

    int32_t running = 0;
    uint32_t startTime = 0;
    uint32_t nowTime = 0;
    float elapsed = 0.0f;
};

}  // namespace timing
