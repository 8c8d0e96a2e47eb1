#include "timing/SceneTimer.h"

#include "platform/Clock.h"

namespace timing {

void SceneTimer::Start() {
    if (running) return;
    elapsed = 0.0f;
    startTime = platform::timeGetTime();
    nowTime = platform::timeGetTime();
    running = 1;
}

void SceneTimer::Reset() {
    elapsed = 0.0f;
    running = 0;
    startTime = platform::timeGetTime();
    nowTime = 0;
}

void SceneTimer::Update() {
    nowTime = platform::timeGetTime();
    elapsed = TicksBetween(startTime, nowTime);
}

}  // namespace timing
