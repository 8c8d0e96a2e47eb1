// The OpenGL 3.3 device as the code above gfx/ makes and drives it, without any GL header:
// creation (headless through EGL, or presenting into an SDL window) and the few controls it
// has beyond the Direct3D 8 contract. GlRenderDevice.h is its implementation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gfx/StateDevice.h"

struct SDL_Window;

namespace gfx::gl {

struct DeviceOptions {
    // Swap interval of a windowed device: 0 no sync, 1 vertical sync, -1 adaptive sync.
    int swapInterval = 1;
};

// Counters for tests and the benchmarks.
struct UploadStats {
    uint64_t bufferUploads = 0;  // glBufferData / glBufferSubData calls
    uint64_t bufferBytes = 0;
    uint64_t textureUploads = 0;  // levels (or cube faces) sent
};

struct ProgramStats {
    uint64_t translations = 0;  // shader programs translated to GLSL
    uint64_t shared = 0;        // creations that found their tokens translated already
    uint64_t compiles = 0;      // shader objects compiled, fixed-function stages included
    uint64_t variants = 0;      // of those, variants of pixel programs
    uint64_t links = 0;
    uint64_t failures = 0;
};

struct DeviceStats {
    UploadStats uploads;
    ProgramStats programs;
    uint64_t draws = 0;           // draws handed to GL
    uint64_t refusedDraws = 0;    // draws dropped (no program, bad stream, out-of-range indices)
    uint64_t programBinds = 0;    // glUseProgram calls
    uint64_t uniformUploads = 0;  // uniform block uploads
    uint64_t presents = 0;
    // With timing on: main-thread time spent bringing GL in line with the state (our layer,
    // including the GL state calls it makes) and inside the draw calls themselves.
    uint64_t prepareNanos = 0;
    uint64_t drawCallNanos = 0;
};

class Device : public StateDevice {
  public:
    using StateDevice::StateDevice;

    // While on, draws, clears, copies between targets and presents are skipped; states and
    // resources still change, so a frame can run its logic without being rendered.
    virtual void setDiscardDraws(bool discard) = 0;
    virtual bool discardDraws() const = 0;
    // Render targets whose draws and clears are made all the same while draws are discarded,
    // so a frame can bring targets that keep their picture up to date without the rest of
    // its drawing. Empty by default.
    virtual void setDrawnWhileDiscarding(std::vector<const Surface*> targets) = 0;

    virtual DeviceStats stats() const = 0;
    // Measures where draw time goes (see DeviceStats); off by default.
    virtual void setTiming(bool on) = 0;
    // GL_RENDERER and the context's platform, e.g. "llvmpipe (LLVM 15.0.6, 256 bits) / EGL
    // surfaceless (Mesa)".
    virtual std::string description() const = 0;
    // Makes the device's context current again after other GL code changed contexts.
    virtual void makeCurrent() = 0;
    // Returns once GL has carried out everything asked of it so far (for timing).
    virtual void finish() = 0;

    // Drawn into the window after every presented frame, over the picture and outside the
    // back buffer, so it never reaches what ReadPixels returns: `draw` gets the drawable size
    // with the window's framebuffer bound, and may change any GL state (the device sets its
    // own again). Never called headless or while draws are discarded.
    using WindowOverlay = std::function<void(int width, int height)>;
    virtual void setWindowOverlay(WindowOverlay draw) = 0;
};

// A device without a window (EGL). Null with a reason when no OpenGL 3.3 core context can
// be had (no EGL, no GPU driver and no software renderer, GL older than 3.3).
std::unique_ptr<Device> CreateHeadlessDevice(const DeviceParams& params, std::string* error);

// A device presenting into an SDL window created with SDL_WINDOW_OPENGL. The back buffer
// keeps the size in `params`; Present scales it into the window, letterboxed.
std::unique_ptr<Device> CreateWindowDevice(SDL_Window* window, const DeviceParams& params,
                                           const DeviceOptions& options, std::string* error);

}  // namespace gfx::gl
