// The glow: the frame every segment drew into the frame target is copied to the back buffer
// pixel for pixel, shrunk into a 256 x 256 target, blurred in five ping-pong passes through
// the screen effect quad (mode 1, the strength in c0) and added on top of the sharp frame.
// The timeline runs it every frame between the segments and the direct overlays.
#pragma once

#include "effects/objects/RenderTarget.h"

namespace effects {

// Ends `frame` (back to the back buffer) and draws the glow with `strength` through the
// picture quad and the glow's screen effect quad, blurring in `targetA` and `targetB`
// (256 x 256 each).
void DrawGlow(RenderTarget& frame, RenderTarget& targetA, RenderTarget& targetB, float strength);

}  // namespace effects
