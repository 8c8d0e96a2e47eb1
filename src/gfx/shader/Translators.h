// Translators from decoded programs (see Decoder.h) to stage code for the GLSL builder.
// Translator.h has the token-stream entry points the devices call.
#pragma once

#include <string>

#include "gfx/shader/Decoder.h"
#include "gfx/shader/GlslInterface.h"

namespace gfx::shader {

bool TranslateVertexProgram(const Program& program, GlslStage& out, std::string& error);
bool TranslatePixelProgram(const Program& program, GlslStage& out, std::string& error);

}  // namespace gfx::shader
