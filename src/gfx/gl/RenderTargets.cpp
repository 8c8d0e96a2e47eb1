// Render targets: framebuffer objects for the back buffer and render-target textures, the
// shared depth-stencil buffer, Clear, copies between targets, Present and ReadPixels.
#include <algorithm>

#include "gfx/gl/GlLog.h"
#include "gfx/gl/GlRenderDevice.h"

namespace gfx::gl {

namespace {

// Texture unit for work outside the draw path (creating render-target storage), past the 16
// units the stages' 2D and cube samplers use, so the bindings the device tracks stay as they
// are (GL 3.3 offers at least 48 units in all).
constexpr GLenum kScratchUnit = GL_TEXTURE0 + 16;

bool FormatHasAlpha(D3DFORMAT f) {
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_A1R5G5B5 || f == D3DFMT_A4R4G4B4;
}

}  // namespace

bool GlRenderDevice::DepthStencilFits(const Surface& depth, const Surface& color) const {
    // The device's own depth buffer grows to every render-target texture it made.
    if (&depth == depthSurface_) return true;
    return StateDevice::DepthStencilFits(depth, color);
}

void GlRenderDevice::growDepth(UINT width, UINT height) {
    const UINT w = std::max(width, depthWidth_), h = std::max(height, depthHeight_);
    if (w == depthWidth_ && h == depthHeight_) return;
    depthWidth_ = w;
    depthHeight_ = h;
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(w),
                          static_cast<GLsizei>(h));
}

HRESULT GlRenderDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                      D3DFORMAT format, D3DPOOL pool, Texture** texture) {
    if ((usage & D3DUSAGE_RENDERTARGET) &&
        (width > static_cast<UINT>(maxTextureSize_) || height > static_cast<UINT>(maxTextureSize_)))
        return D3DERR_INVALIDCALL;
    HRESULT hr = StateDevice::CreateTexture(width, height, levels, usage, format, pool, texture);
    if (SUCCEEDED(hr) && (usage & D3DUSAGE_RENDERTARGET) && initialized_) {
        ensureCurrent();
        growDepth(width, height);
    }
    return hr;
}

GlTarget* GlRenderDevice::targetFor(Surface& surface) {
    if (auto* t = static_cast<GlTarget*>(surface.backend.get())) return t;
    if (!(surface.usage() & D3DUSAGE_RENDERTARGET)) return nullptr;
    GLuint color = 0;
    GLenum attachTarget = GL_TEXTURE_2D;
    auto target = std::make_unique<GlTarget>();
    glActiveTexture(kScratchUnit);
    activeUnit_ = ~0u;
    if (BaseTexture* container = surface.container()) {
        GlTexture* gt = SyncTexture(*container, stats_.uploads);
        if (!gt) {
            ReportOnce(std::string("render target of format ") + FormatName(surface.format()) +
                       " is not supported");
            return nullptr;
        }
        color = gt->id;
        if (container->GetType() == D3DRTYPE_CUBETEXTURE)
            attachTarget = GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(surface.face());
    } else {
        glGenTextures(1, &target->ownedTexture);
        glBindTexture(GL_TEXTURE_2D, target->ownedTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(surface.width()),
                     static_cast<GLsizei>(surface.height()), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        color = target->ownedTexture;
    }
    for (GLuint* fbo : {&target->withDepth, &target->withoutDepth}) {
        glGenFramebuffers(1, fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, *fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, attachTarget, color,
                               static_cast<GLint>(surface.level()));
        if (fbo == &target->withDepth)
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                      depthBuffer_);
        const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        if (status != GL_FRAMEBUFFER_COMPLETE)
            ReportOnce("render target " + std::to_string(surface.width()) + "x" +
                       std::to_string(surface.height()) + " incomplete (status " +
                       std::to_string(status) + ")");
    }
    boundColor_ = nullptr;  // the framebuffer binding moved
    GlTarget* raw = target.get();
    surface.backend = std::move(target);
    return raw;
}

void GlRenderDevice::bindTarget() {
    Surface* color = state_.renderTarget;
    Surface* depth = state_.depthStencil;
    GlTarget* t = color ? targetFor(*color) : nullptr;
    if (!t) {
        color = backBuffer_;
        t = targetFor(*backBuffer_);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, depth ? t->withDepth : t->withoutDepth);
    glViewport(0, 0, static_cast<GLsizei>(color->width()), static_cast<GLsizei>(color->height()));
    boundColor_ = state_.renderTarget;
    boundDepth_ = depth;
    boundColorSize_[0] = color->width();
    boundColorSize_[1] = color->height();
    targetHasAlpha_ = FormatHasAlpha(color->format());
    commonValid_ = false;  // the viewport size travels in the common block
    glState_.invalidate();
}

bool GlRenderDevice::discarding() const {
    if (!discard_) return false;
    const Surface* target = state_.renderTarget ? state_.renderTarget : backBuffer_;
    return std::find(drawnWhileDiscarding_.begin(), drawnWhileDiscarding_.end(), target) ==
           drawnWhileDiscarding_.end();
}

HRESULT GlRenderDevice::OnClear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                float z, DWORD stencil) {
    if (discarding()) return D3D_OK;
    ensureCurrent();
    if (boundColor_ != state_.renderTarget || boundDepth_ != state_.depthStencil) bindTarget();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (state_.depthStencil) {
        if (flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
        if (flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (!mask) return D3D_OK;
    glState_.prepareClear();
    const float a = targetHasAlpha_ ? ((color >> 24) & 0xFF) / 255.0f : 1.0f;
    glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                 (color & 0xFF) / 255.0f, a);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    // The rectangles (inside the viewport, see StateDevice::Clear) bound every clear, so the
    // rest of the shared, possibly larger depth buffer is never touched. Rows count from the
    // top in GL as they do here (see GlslBuilder.h).
    glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < count; ++i) {
        glScissor(rects[i].x1, rects[i].y1, rects[i].x2 - rects[i].x1, rects[i].y2 - rects[i].y1);
        glClear(mask);
    }
    glState_.forgetScissor();
    return D3D_OK;
}

HRESULT GlRenderDevice::OnCopyRects(Surface& source, Surface& destination,
                                    const std::vector<SurfaceCopy>& copies) {
    if (discard_) return D3D_OK;
    ensureCurrent();
    GlTarget* from = targetFor(source);
    GlTarget* to = targetFor(destination);
    if (!from || !to) return D3DERR_INVALIDCALL;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from->withoutDepth);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to->withoutDepth);
    // Rows count from the top in both, so rectangles go across as they are.
    for (const SurfaceCopy& c : copies) {
        const GLint w = c.from.right - c.from.left, h = c.from.bottom - c.from.top;
        glBlitFramebuffer(c.from.left, c.from.top, c.from.right, c.from.bottom, c.to.x, c.to.y,
                          c.to.x + w, c.to.y + h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    boundColor_ = nullptr;  // rebind the render target before the next draw or clear
    boundDepth_ = nullptr;
    return D3D_OK;
}

HRESULT GlRenderDevice::OnPresent() {
    if (discard_) return D3D_OK;
    ensureCurrent();
    ++stats_.presents;
    if (!context_->hasWindow()) {
        glFlush();
        return D3D_OK;
    }
    int ww = 0, wh = 0;
    context_->drawableSize(ww, wh);
    if (ww <= 0 || wh <= 0) return D3D_OK;  // minimised: nothing to show, nothing to wait for
    GlTarget* back = targetFor(*backBuffer_);
    const int bw = static_cast<int>(backBuffer_->width()),
              bh = static_cast<int>(backBuffer_->height());
    // Largest rectangle of the back buffer's aspect that fits, centred.
    int dw = ww, dh = static_cast<int>(static_cast<int64_t>(ww) * bh / bw);
    if (dh > wh) {
        dh = wh;
        dw = static_cast<int>(static_cast<int64_t>(wh) * bw / bh);
    }
    const int dx = (ww - dw) / 2, dy = (wh - dh) / 2;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, back->withoutDepth);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glState_.prepareClear();
    glDisable(GL_SCISSOR_TEST);  // a viewport's scissor would cut the window and the copy
    glState_.forgetScissor();
    glViewport(0, 0, ww, wh);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // The window's rows count from the bottom: the copy turns the picture upright.
    glBlitFramebuffer(0, 0, bw, bh, dx, dy + dh, dx + dw, dy, GL_COLOR_BUFFER_BIT,
                      dw == bw && dh == bh ? GL_NEAREST : GL_LINEAR);
    if (windowOverlay_) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        windowOverlay_(ww, wh);
        glState_.invalidate();
        vertexInput_.invalidate();
        activeUnit_ = ~0u;
        boundProgram_ = ~0u;
    }
    context_->swapBuffers();
    boundColor_ = nullptr;  // rebind the render target before the next draw or clear
    boundDepth_ = nullptr;
    return D3D_OK;
}

HRESULT GlRenderDevice::ReadPixels(Surface* surface, std::vector<uint32_t>& argb) {
    if (!surface) return D3DERR_INVALIDCALL;
    if (!(surface->usage() & D3DUSAGE_RENDERTARGET) || !initialized_)
        return StateDevice::ReadPixels(surface, argb);
    ensureCurrent();
    GlTarget* t = targetFor(*surface);
    if (!t) return D3DERR_INVALIDCALL;
    const UINT w = surface->width(), h = surface->height();
    argb.assign(static_cast<size_t>(w) * h, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, t->withoutDepth);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // BGRA bytes are 0xAARRGGBB words on this little-endian layout; rows come top first.
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    if (!FormatHasAlpha(surface->format()))
        for (uint32_t& p : argb) p |= 0xFF000000u;
    boundColor_ = nullptr;
    return D3D_OK;
}

}  // namespace gfx::gl
