// Everything a run of the show changes, as one value: the timeline's position, cuts and
// timers, the glow strength, the frame clock, and what the effects keep from frame to frame
// (flash and credit timers, the ring glide, the picture screen's loop and clip timer, the
// water scene's lighting, both scenes' particles) with the random generator the particles
// draw from. What is loaded once (textures, scenes, programs, device objects) lives apart and
// never changes after loading, so copying this value is a snapshot of a run and assigning one
// back restores it.
#pragma once

#include <cstdint>

#include "effects/overlays/Credits.h"
#include "effects/overlays/Flashes.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/scenes/WaterScene.h"
#include "scene/Random.h"
#include "timeline/FrameClock.h"
#include "timeline/Schedule.h"
#include "timing/SceneTimer.h"

namespace timeline {

struct ShowState {
    uint32_t position = 0;  // read at the start of the frame
    int32_t shotIndex = 0;  // picture cuts completed (0..7)
    float speedFactor = 0.7f;
    int32_t cutPending[kCutCount] = {1, 1, 1, 1, 1, 1, 1};

    // Segment timers (segment D's is the picture screen scene's clip timer, in `screen`).
    timing::SceneTimer timerA, timerB, timerC, timerE, timerF, timerG, timerH, timerI, timerJ;
    timing::SceneTimer peopleFadeOut;  // segment E
    timing::SceneTimer strengthRamp;   // segment G
    timing::SceneTimer fadeTimer;      // segment H
    timing::SceneTimer cutTimers[kCutCount];

    // The glow's strength as the segments set it (the pixel constant of its blur).
    float strength = 0.0f;
    FrameClock frameClock;

    effects::FlashTimers flashTimers;
    effects::CreditTimers creditTimers;
    timing::SceneTimer ringGlideTimer;
    effects::ScreenSceneState screen;  // screenCounter and the clip timer (timer D)
    effects::WaterSceneState water;
    scene::RandomGenerator random;
};

}  // namespace timeline
