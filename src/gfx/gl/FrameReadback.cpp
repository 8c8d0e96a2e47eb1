#include "gfx/gl/FrameReadback.h"

#include <algorithm>

#include "gfx/gl/GlRenderDevice.h"

namespace gfx::gl {

namespace {

// Waits in slices, so a lost context cannot hang the caller for ever.
constexpr GLuint64 kWaitSliceNanos = 100'000'000;
constexpr int kWaitSlices = 600;

}  // namespace

bool GlRenderDevice::bindForReading(Surface* surface) {
    if (!surface || !(surface->usage() & D3DUSAGE_RENDERTARGET) || !initialized_) return false;
    ensureCurrent();
    GlTarget* t = targetFor(*surface);
    if (!t) return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, t->withoutDepth);
    boundColor_ = nullptr;  // rebind before the next draw, as after ReadPixels
    return true;
}

FrameReadback::FrameReadback(Device& device, size_t depth)
    : device_(static_cast<GlRenderDevice&>(device)), slots_(std::max<size_t>(depth, 1)) {
    device_.makeCurrent();
    for (Slot& s : slots_) glGenBuffers(1, &s.buffer);
}

FrameReadback::~FrameReadback() {
    device_.makeCurrent();
    for (Slot& s : slots_) {
        if (s.fence) glDeleteSync(static_cast<GLsync>(s.fence));
        glDeleteBuffers(1, &s.buffer);
    }
}

bool FrameReadback::Start(Surface* surface) {
    if (full() || !device_.bindForReading(surface)) return false;
    Slot& s = slots_[next_];
    s.width = surface->width();
    s.height = surface->height();
    const size_t bytes = static_cast<size_t>(s.width) * s.height * 4;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, s.buffer);
    if (bytes != s.bytes) {
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_READ);
        s.bytes = bytes;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Rows come top first (the device's orientation); with a pack buffer bound the last
    // argument is an offset into it and the call returns before the copy is made.
    glReadPixels(0, 0, static_cast<GLsizei>(s.width), static_cast<GLsizei>(s.height), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    s.fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    // Sent now, so the work is under way while the caller renders the next frame.
    glFlush();
    next_ = (next_ + 1) % slots_.size();
    ++pending_;
    return true;
}

bool FrameReadback::Finish(const Use& use) {
    if (pending_ == 0) return false;
    Slot& s = slots_[(next_ + slots_.size() - pending_) % slots_.size()];
    --pending_;
    device_.makeCurrent();
    bool done = false;
    for (int i = 0; i < kWaitSlices && !done; ++i) {
        const GLenum r = glClientWaitSync(static_cast<GLsync>(s.fence), GL_SYNC_FLUSH_COMMANDS_BIT,
                                          kWaitSliceNanos);
        done = r == GL_ALREADY_SIGNALED || r == GL_CONDITION_SATISFIED;
        if (r == GL_WAIT_FAILED) break;
    }
    glDeleteSync(static_cast<GLsync>(s.fence));
    s.fence = nullptr;
    if (!done) return false;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, s.buffer);
    const auto* pixels = static_cast<const uint8_t*>(glMapBufferRange(
        GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(s.bytes), GL_MAP_READ_BIT));
    if (pixels) {
        use(pixels, s.width, s.height);
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return pixels != nullptr;
}

}  // namespace gfx::gl
