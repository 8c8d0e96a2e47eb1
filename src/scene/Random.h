// The one pseudo-random sequence of the process: the runtime library's classic linear
// congruential generator, which the particle emitters draw from. Nothing reseeds it, so a
// run of the presentation places its particles the same way every time.
#pragma once

#include <cstdint>

namespace scene {

// The next number, 0 to 32767: state = state × 214013 + 2531011 (mod 2³²), then bits 16-30.
int RandomNumber();

// A draw as a signed fraction (r − 16384) / 16384, from −1 to just below 1.
inline float RandomFraction(int r) { return static_cast<float>(r - 16384) * 0.00006103515625f; }
inline float NextRandomFraction() { return RandomFraction(RandomNumber()); }

// The generator's state, 1 at start. Tools and tests that must repeat a run exactly (reference
// pictures) set it back to 1 before they prepare a scene.
uint32_t RandomState();
void SetRandomState(uint32_t state);

}  // namespace scene
