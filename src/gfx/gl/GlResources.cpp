#include "gfx/gl/GlResources.h"

#include <algorithm>

namespace gfx::gl {

GlBuffer::~GlBuffer() {
    if (id) glDeleteBuffers(1, &id);
}

GlTexture::~GlTexture() {
    if (id) glDeleteTextures(1, &id);
}

GlTarget::~GlTarget() {
    if (withDepth) glDeleteFramebuffers(1, &withDepth);
    if (withoutDepth) glDeleteFramebuffers(1, &withoutDepth);
    if (ownedTexture) glDeleteTextures(1, &ownedTexture);
}

GlBuffer& SyncBuffer(Buffer& buffer, GLenum target, UploadStats& stats) {
    auto* gb = static_cast<GlBuffer*>(buffer.backend.get());
    if (!gb) {
        auto created = std::make_unique<GlBuffer>();
        gb = created.get();
        buffer.backend = std::move(created);
        glGenBuffers(1, &gb->id);
        glBindBuffer(target, gb->id);
        glBufferData(target, std::max<UINT>(buffer.size(), 4), buffer.data(), GL_DYNAMIC_DRAW);
        gb->allocated = buffer.size();
        gb->version = buffer.contentVersion();
        buffer.clearDirty();
        ++stats.bufferUploads;
        stats.bufferBytes += buffer.size();
        return *gb;
    }
    if (gb->version == buffer.contentVersion()) return *gb;
    glBindBuffer(target, gb->id);
    const UINT begin = buffer.dirtyBegin(), end = std::min(buffer.dirtyEnd(), buffer.size());
    if (begin == 0 && end == buffer.size()) {
        // Everything was rewritten: let the driver hand out fresh storage instead of waiting
        // for draws that still read the old contents.
        glBufferData(target, std::max<UINT>(buffer.size(), 4), buffer.data(), GL_DYNAMIC_DRAW);
        stats.bufferBytes += buffer.size();
        ++stats.bufferUploads;
    } else if (end > begin) {
        glBufferSubData(target, begin, end - begin, buffer.data() + begin);
        stats.bufferBytes += end - begin;
        ++stats.bufferUploads;
    }
    gb->version = buffer.contentVersion();
    buffer.clearDirty();
    return *gb;
}

namespace {

// Surfaces of a texture in upload order (face-major for cube textures).
Surface* SurfaceAt(BaseTexture& texture, size_t index) {
    const UINT levels = texture.GetLevelCount();
    if (texture.GetType() == D3DRTYPE_CUBETEXTURE) {
        auto& cube = static_cast<CubeTexture&>(texture);
        return cube.surface(static_cast<D3DCUBEMAP_FACES>(index / levels),
                            static_cast<UINT>(index % levels));
    }
    return static_cast<Texture&>(texture).level(static_cast<UINT>(index));
}

GLenum FaceTarget(const BaseTexture& texture, const Surface& s) {
    return texture.GetType() == D3DRTYPE_CUBETEXTURE
               ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(s.face())
               : GL_TEXTURE_2D;
}

}  // namespace

GlTexture* SyncTexture(BaseTexture& texture, UploadStats& stats) {
    auto* gt = static_cast<GlTexture*>(texture.backend.get());
    const bool cube = texture.GetType() == D3DRTYPE_CUBETEXTURE;
    const size_t surfaces = texture.GetLevelCount() * (cube ? 6u : 1u);
    std::vector<uint8_t> scratch;
    if (!gt) {
        GlFormat format;
        const bool rt = (texture.usage() & D3DUSAGE_RENDERTARGET) != 0;
        if (!DescribeFormat(texture.format(), format)) return nullptr;
        if (rt && !cube) {
            // Drawn into as RGBA8 whatever the format asked; alpha reads as the format says.
            format.internalFormat = GL_RGBA8;
        }
        auto created = std::make_unique<GlTexture>();
        gt = created.get();
        texture.backend = std::move(created);
        gt->format = format;
        gt->renderTarget = rt;
        gt->target = cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
        glGenTextures(1, &gt->id);
        glBindTexture(gt->target, gt->id);
        glTexParameteri(gt->target, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(gt->target, GL_TEXTURE_MAX_LEVEL,
                        static_cast<GLint>(texture.GetLevelCount()) - 1);
        glTexParameteriv(gt->target, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gt->versions.assign(surfaces, 0);
        for (size_t i = 0; i < surfaces; ++i) {
            Surface* s = SurfaceAt(texture, i);
            const void* pixels = rt ? nullptr : LevelPixels(*s, format, scratch);
            if (rt) {
                glTexImage2D(FaceTarget(texture, *s), static_cast<GLint>(s->level()),
                             static_cast<GLint>(format.internalFormat), s->width(), s->height(), 0,
                             GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
            } else {
                glTexImage2D(FaceTarget(texture, *s), static_cast<GLint>(s->level()),
                             static_cast<GLint>(format.internalFormat), s->width(), s->height(), 0,
                             format.format, format.type, pixels);
                ++stats.textureUploads;
            }
            gt->versions[i] = s->contentVersion();
        }
        gt->textureVersion = texture.contentVersion();
        return gt;
    }
    if (gt->renderTarget || gt->textureVersion == texture.contentVersion()) return gt;
    gt->textureVersion = texture.contentVersion();
    bool bound = false;
    for (size_t i = 0; i < surfaces; ++i) {
        Surface* s = SurfaceAt(texture, i);
        if (gt->versions[i] == s->contentVersion()) continue;
        if (!bound) {
            glBindTexture(gt->target, gt->id);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            bound = true;
        }
        glTexSubImage2D(FaceTarget(texture, *s), static_cast<GLint>(s->level()), 0, 0, s->width(),
                        s->height(), gt->format.format, gt->format.type,
                        LevelPixels(*s, gt->format, scratch));
        gt->versions[i] = s->contentVersion();
        ++stats.textureUploads;
    }
    return gt;
}

}  // namespace gfx::gl
