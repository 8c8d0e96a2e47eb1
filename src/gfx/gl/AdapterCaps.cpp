#include "gfx/gl/AdapterCaps.h"

#include <epoxy/gl.h>

#include "gfx/StateDevice.h"

namespace gfx::gl {

bool QueryContextCaps(DeviceCaps* caps, std::string* error) {
    if (!caps) return false;
    *caps = DeviceCaps{};
    const int version = epoxy_gl_version();
    if (version < 33 || !epoxy_is_desktop_gl()) {
        if (error)
            *error = "OpenGL 3.3 core is needed; the context offers " +
                     std::to_string(version / 10) + "." + std::to_string(version % 10);
        return false;
    }
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    caps->DevCaps = kDevCapsHwTransformAndLight;
    caps->MaxTextureWidth = caps->MaxTextureHeight = static_cast<UINT>(maxTexture);
    caps->VertexShaderVersion = 0xFFFE0101u;
    caps->PixelShaderVersion = 0xFFFF0104u;
    caps->MaxVertexShaderConst = kMaxVertexShaderConstants;
    return true;
}

}  // namespace gfx::gl
