// The credits: during the ring scene segment eight name pictures appear one after another,
// each arriving as a horizontal smear of twenty faint copies that contracts onto its place,
// holds, and fades away. Each credit is keyed to its own soundtrack position and timed by its
// own timer; the segment has set additive blending (ONE, ONE) before.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "effects/overlays/PictureSprite.h"
#include "timing/SceneTimer.h"

namespace effects {

// Where and when a credit appears (the schedule holds the eight).
struct CreditPlace {
    uint32_t startsAfter;  // soundtrack position
    int x, y;              // for an 800-pixel-wide screen
};

// One timer per credit, started on the credit's first frame: part of what a run changes.
using CreditTimers = std::array<timing::SceneTimer, kCreditCount>;

// Copies per credit; at alpha 0.05 each they sum to full strength once they coincide.
constexpr int kSmearCopies = 20;

// Spread (pixels) and strength of a credit e ticks after it began: 100 pixels narrowing to 0
// at 80 ticks; full strength until 100 ticks, then fading to nothing at 130.
float CreditSpread(float elapsed);
float CreditFade(float elapsed);
constexpr float kCreditEnd = 130.0f;

// Every credit k whose place's position has passed, in order, with credit sprite k (called
// once per frame of the segment).
void DrawCredits(CreditTimers& timers, uint32_t position, std::span<const CreditPlace> places);

// The sprite twenty times at (sin(i)·spread + x)·ScreenScale, y·ScreenScale for i = 0..19
// (radians), each at `alpha`.
void DrawSmeared(PictureSprite& sprite, int x, int y, float spread, float alpha);

}  // namespace effects
