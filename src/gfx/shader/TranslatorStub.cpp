// Placeholder translation (position passthrough, white pixels) until the token translator
// lands; replace this file.
#include "gfx/shader/Translator.h"

namespace gfx::shader {

bool TranslateVertexShader(const uint32_t*, size_t, GlslStage& out, std::string&) {
    out.declarations.clear();
    out.body = "dx_oPos = dx_v0;\n";
    return true;
}

bool TranslatePixelShader(const uint32_t*, size_t, const SamplerKinds&, GlslStage& out,
                          std::string&) {
    out.declarations.clear();
    out.body = "dx_oC0 = vec4(1.0);\n";
    return true;
}

}  // namespace gfx::shader
