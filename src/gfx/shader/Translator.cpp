#include "gfx/shader/Translator.h"

#include "gfx/shader/Decoder.h"
#include "gfx/shader/Translators.h"

namespace gfx::shader {

bool TranslateVertexShader(const uint32_t* tokens, size_t tokenCount, GlslStage& out,
                           std::string& error) {
    Program program;
    if (!Decode(tokens, tokenCount, program, error)) return false;
    return TranslateVertexProgram(program, out, error);
}

bool TranslatePixelShader(const uint32_t* tokens, size_t tokenCount, GlslStage& out,
                          std::string& error) {
    Program program;
    if (!Decode(tokens, tokenCount, program, error)) return false;
    return TranslatePixelProgram(program, out, error);
}

}  // namespace gfx::shader
