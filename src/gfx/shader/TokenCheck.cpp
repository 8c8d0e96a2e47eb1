#include "gfx/shader/TokenCheck.h"

#include "gfx/shader/Decoder.h"

namespace gfx::shader {

bool CheckTokens(const uint32_t* tokens, size_t tokenCount, ShaderType expected,
                 std::string& error) {
    Program program;
    return CheckTokens(tokens, tokenCount, expected, program, error);
}

bool CheckTokens(const uint32_t* tokens, size_t tokenCount, ShaderType expected, Program& program,
                 std::string& error) {
    if (!Decode(tokens, tokenCount, program, error)) return false;
    const bool wantPixel = expected == ShaderType::Pixel;
    if (program.version.pixel != wantPixel) {
        error = std::string("token 0: a ") + (program.version.pixel ? "pixel" : "vertex") +
                " program where a " + (wantPixel ? "pixel" : "vertex") + " program was expected";
        return false;
    }
    return true;
}

}  // namespace gfx::shader
