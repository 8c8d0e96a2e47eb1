// Reading rendered frames back without waiting for each: a ring of pixel buffer objects.
//
// Start queues the copy of a render target into the next buffer and returns at once, so the
// GPU (or llvmpipe's threads) finishes the frame and the copy while the caller goes on to
// render the next one; Finish takes the oldest copy when it is done. With two or three
// buffers in flight, frame k is read back while frame k + 1 renders.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "gfx/gl/Device.h"

namespace gfx::gl {

class GlRenderDevice;

class FrameReadback {
  public:
    // Pixels of a finished copy: BGRA bytes (0xAARRGGBB words), rows from the top, width x 4
    // bytes a row; alpha as the target holds it (meaningless for a target without alpha,
    // where ReadPixels makes it 0xFF). Valid during the call only.
    using Use = std::function<void(const uint8_t* bgra, UINT width, UINT height)>;

    // `device` is the GL device (what CreateHeadlessDevice and CreateWindowDevice make).
    explicit FrameReadback(Device& device, size_t depth = 3);
    ~FrameReadback();
    FrameReadback(const FrameReadback&) = delete;
    FrameReadback& operator=(const FrameReadback&) = delete;

    size_t depth() const { return slots_.size(); }
    size_t pending() const { return pending_; }
    bool full() const { return pending_ == slots_.size(); }

    // Starts copying `surface` (a render target) into the next free buffer. False when every
    // buffer is in flight (Finish one first) or the surface is no render target.
    bool Start(Surface* surface);
    // Waits for the oldest copy, hands its pixels to `use` and frees its buffer. False when
    // nothing is in flight or the buffer cannot be mapped.
    bool Finish(const Use& use);

  private:
    struct Slot {
        uint32_t buffer = 0;    // a GL buffer name
        void* fence = nullptr;  // a GL sync object
        size_t bytes = 0;       // the buffer's storage
        UINT width = 0, height = 0;
    };

    GlRenderDevice& device_;
    std::vector<Slot> slots_;
    size_t next_ = 0;  // the slot Start fills
    size_t pending_ = 0;
};

}  // namespace gfx::gl
