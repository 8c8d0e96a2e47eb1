// Translation of compiled shader programs into stage code for the GLSL builder (see
// GlslInterface.h for the names the generated code reads and writes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gfx/shader/GlslInterface.h"

namespace gfx::shader {

// vs.1.0 / vs.1.1 token stream (tokenCount tokens, version token first) to a vertex stage.
// False, with `error` naming the token offset, for a stream the translator cannot handle.
bool TranslateVertexShader(const uint32_t* tokens, size_t tokenCount, GlslStage& out,
                           std::string& error);

// ps.1.0 .. ps.1.4 token stream to a pixel stage, the same whatever textures are bound.
bool TranslatePixelShader(const uint32_t* tokens, size_t tokenCount, GlslStage& out,
                          std::string& error);

}  // namespace gfx::shader
