// The frame clock: ticks since the soundtrack started and the averaged frame rate.
#pragma once

#include <cstdint>

namespace timeline {

// Counts from the start of the soundtrack and keeps an averaged frame rate for the counter.
// The odd starting values of frameCount, prevFrameCount and prevTime only shape the first
// averaged rate; they are kept because the counter shows it.
struct FrameClock {
    uint32_t startTime = 0;
    float elapsedTicks = 0.0f;
    int32_t frameCount = 20;
    int32_t prevFrameCount = 10;
    uint32_t prevTime = 100;
    float rateSum = 0.0f;
    float rateSamples = 0.0f;
    float framesPerSecond = 0.0f;

    // Called as the very last step of loading.
    void Start();
    // Called once at the very end of every frame, after it is presented.
    void Tick();
};

}  // namespace timeline
