#include "gfx/shader/TokenCheck.h"

namespace gfx::shader {

// Minimal structural check: version token of the right kind and an end token. The full
// instruction-level validation belongs to the decoder.
bool CheckTokens(const uint32_t* tokens, size_t tokenCount, ShaderType expected,
                 std::string& error) {
    if (!tokens || tokenCount == 0) {
        error = "empty shader token stream";
        return false;
    }
    const uint32_t kind = tokens[0] & 0xFFFF0000u;
    const uint32_t want = expected == ShaderType::Vertex ? 0xFFFE0000u : 0xFFFF0000u;
    if (kind != want) {
        error = "token 0: not a " +
                std::string(expected == ShaderType::Vertex ? "vertex" : "pixel") +
                " shader version token";
        return false;
    }
    for (size_t i = 1; i < tokenCount; ++i) {
        if (tokens[i] == 0x0000FFFFu) return true;
    }
    error = "no end token within " + std::to_string(tokenCount) + " tokens";
    return false;
}

}  // namespace gfx::shader
