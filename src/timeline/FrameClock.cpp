#include "timeline/FrameClock.h"

#include "platform/Clock.h"
#include "timing/SceneTimer.h"

namespace timeline {

void FrameClock::Start() { startTime = platform::timeGetTime(); }

void FrameClock::Tick() {
    frameCount += 1;
    const uint32_t t = platform::timeGetTime();
    // A zero interval gives an infinite rate, which enters the average like any other.
    const double rate = static_cast<double>(frameCount - prevFrameCount) * 1000.0 /
                        static_cast<double>(t - prevTime);
    prevTime = t;
    prevFrameCount = frameCount;
    rateSum += static_cast<float>(rate);
    rateSamples += 1.0f;
    if (rateSamples == 2.0f) {
        framesPerSecond = rateSum / rateSamples;
        rateSum = 0.0f;
        rateSamples = 0.0f;
    }
    elapsedTicks = timing::TicksBetween(startTime, platform::timeGetTime());
}

}  // namespace timeline
