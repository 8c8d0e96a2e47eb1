// The pseudo-random sequence the particle emitters draw from: the runtime library's classic
// linear congruential generator, kept as a value. Preparation draws the spawn points from the
// generator the load routine passes; a run goes on from where loading left it, with the
// generator held in the show's state, so a run places its particles the same way every time
// and a restored state repeats them.
#pragma once

#include <cstdint>

namespace scene {

// A draw as a signed fraction (r − 16384) / 16384, from −1 to just below 1.
inline float RandomFraction(int r) { return static_cast<float>(r - 16384) * 0.00006103515625f; }

struct RandomGenerator {
    uint32_t state = 1;

    // The next number, 0 to 32767: state = state × 214013 + 2531011 (mod 2³²), then bits 16-30.
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
    float NextFraction() { return RandomFraction(Next()); }
};

}  // namespace scene
