// The OpenGL objects hung on device resources, and their lazy upload.
//
// A resource is uploaded when a draw first needs it and again only after its content
// version moved: buffers send the byte range written since the last upload, textures the
// levels (and cube faces) whose own version moved. Render-target textures and the back
// buffer are GL textures that framebuffer objects draw into; they are never uploaded.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "gfx/Resources.h"
#include "gfx/gl/Device.h"
#include "gfx/gl/TextureUpload.h"

namespace gfx::gl {

struct GlBuffer final : BackendObject {
    ~GlBuffer() override;
    GLuint id = 0;
    UINT allocated = 0;
    uint32_t version = 0;
    // Largest index of the range last checked (index buffers).
    uint32_t checkedVersion = 0;
    UINT checkedStart = 0, checkedCount = 0;
    uint16_t checkedMax = 0;
    bool checkedValid = false;
};

struct GlTexture final : BackendObject {
    ~GlTexture() override;
    GLuint id = 0;
    GLenum target = GL_TEXTURE_2D;
    GlFormat format;
    std::vector<uint32_t> versions;  // per uploaded surface, face-major for cube textures
    uint32_t textureVersion = 0;     // the texture's change count when last synchronised
    bool renderTarget = false;
};

// Framebuffer objects drawing into one render-target surface: with and without the
// device's depth-stencil buffer. The back buffer's texture belongs to its target.
struct GlTarget final : BackendObject {
    ~GlTarget() override;
    GLuint withDepth = 0;
    GLuint withoutDepth = 0;
    GLuint ownedTexture = 0;
};

// Creates the buffer object on first use and sends what changed since the last upload.
GlBuffer& SyncBuffer(Buffer& buffer, GLenum target, UploadStats& stats);

// Creates the texture on first use (render targets get storage only) and sends the levels
// that changed. False when the format cannot be held; the draw then samples nothing.
GlTexture* SyncTexture(BaseTexture& texture, UploadStats& stats);

}  // namespace gfx::gl
