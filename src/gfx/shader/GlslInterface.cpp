#include "gfx/shader/GlslInterface.h"

namespace gfx::shader {

std::string SamplerName(unsigned stage, SamplerKind kind) {
    return (kind == SamplerKind::Cube ? "dx_sCube_" : "dx_s2D_") + std::to_string(stage);
}

}  // namespace gfx::shader
