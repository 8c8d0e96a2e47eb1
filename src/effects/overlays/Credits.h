// The credits: during the ring scene segment eight name pictures appear one after another,
// each arriving as a horizontal smear of twenty faint copies that contracts onto its place,
// holds, and fades away. Each credit is keyed to its own soundtrack position and timed by its
// own timer; the segment has set additive blending (ONE, ONE) before.
#pragma once

#include <cstdint>

#include "effects/overlays/PictureSprite.h"
#include "timeline/SceneTimer.h"

namespace effects {

struct CreditPlace {
    uint32_t startsAfter;  // soundtrack position
    int x, y;              // for an 800-pixel-wide screen
};

inline constexpr CreditPlace kCreditPlaces[kCreditCount] = {
    {26163200, 100, 100}, {26828800, 200, 200}, {27528960, 400, 300}, {28204544, 300, 400},
    {28851200, 260, 360}, {29562112, 260, 360}, {30238464, 360, 260}, {30909184, 160, 260}};

extern timeline::SceneTimer creditTimers[kCreditCount];

// Copies per credit; at alpha 0.05 each they sum to full strength once they coincide.
constexpr int kSmearCopies = 20;

// Spread (pixels) and strength of a credit e ticks after it began: 100 pixels narrowing to 0
// at 80 ticks; full strength until 100 ticks, then fading to nothing at 130.
float CreditSpread(float elapsed);
float CreditFade(float elapsed);
constexpr float kCreditEnd = 130.0f;

// Every credit whose position has passed, in order (called once per frame of the segment).
void DrawCredits(uint32_t position);

// The sprite twenty times at (sin(i)·spread + x)·ScreenScale, y·ScreenScale for i = 0..19
// (radians), each at `alpha`.
void DrawSmeared(PictureSprite& sprite, int x, int y, float spread, float alpha);

}  // namespace effects
