// The texture stage cascade of the fixed-function pipeline as a GLSL pixel stage.
//
// Semantics chosen where the original left them to the hardware:
//  - an operation reading D3DTA_TEXTURE on a stage with no texture bound passes the current
//    colour or alpha on unchanged, as drivers do (the key says so: MakePixelKey); other
//    reads of such a stage's texture (BLENDTEXTUREALPHA's alpha) see opaque white;
//  - stage results keep the signed range -1..1 of the combiners of the time (so a signed
//    bump texture can be biased in a later stage); the written pixel is clamped to 0..1;
//  - BUMPENVMAP and BUMPENVMAPLUMINANCE offset the next stage's coordinates by the bump
//    matrix and leave the current colour as it was;
//  - PREMODULATE acts as SELECTARG1.
#pragma once

#include "gfx/gl/ff/StateKey.h"
#include "gfx/shader/GlslInterface.h"

namespace gfx::gl::ff {

shader::GlslStage GeneratePixelStage(const PixelKey& key);

}  // namespace gfx::gl::ff
