#include "app/FrameLoop.h"

#include <chrono>
#include <memory>
#include <vector>

#include "gfx/GlobalDevice.h"
#include "gfx/gl/FrameReadback.h"

namespace app {

namespace {

// Copies in flight: one being made while the next frame renders, one more to ride out a
// frame that takes longer.
constexpr size_t kReadbackDepth = 3;

// Drawn frames at the end of an unseen stretch, as in the pre-roll.
constexpr uint64_t kDrawnUnseenFrames = 2;
constexpr uint64_t kPumpInterval = 64;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

bool PlayUnseen(const FrameGrid& grid, uint64_t first, const FrameSource& source) {
    for (uint64_t k = 0; k < first; ++k) {
        source.frame(grid.Position(k), k + kDrawnUnseenFrames >= first);
        if (k % kPumpInterval == 0 && source.interrupted()) return false;
    }
    return true;
}

LoopEnd RenderFrames(const FrameGrid& grid, uint64_t first, uint64_t count,
                     const FrameSource& source, const TakeFrame& take, ProgressLine& progress,
                     LoopTimes* times) {
    LoopTimes local;
    LoopTimes& t = times ? *times : local;
    IDirect3DSurface8* back = nullptr;
    if (!RenderDevice || FAILED(RenderDevice->GetBackBuffer(0, &back)) || !back)
        return LoopEnd::Failed;
    auto* gl = dynamic_cast<gfx::gl::Device*>(RenderDevice);
    std::unique_ptr<gfx::gl::FrameReadback> ring;
    if (gl) ring = std::make_unique<gfx::gl::FrameReadback>(*gl, kReadbackDepth);

    uint64_t taken = 0;
    bool refused = false;
    auto takeOne = [&](const uint8_t* bgra, UINT width, UINT height) {
        const auto start = std::chrono::steady_clock::now();
        refused = !take(first + taken, bgra, width, height);
        t.handingOver += Since(start);
        ++taken;
        progress.Update(taken);
    };
    // Takes the oldest copy in flight; false when it cannot be had or was refused.
    auto finishOne = [&]() {
        const auto start = std::chrono::steady_clock::now();
        const double handingBefore = t.handingOver;
        const bool ok = ring->Finish(takeOne);
        t.readingBack += Since(start) - (t.handingOver - handingBefore);
        return ok && !refused;
    };

    std::vector<uint32_t> argb;
    for (uint64_t k = first; k < first + count; ++k) {
        auto start = std::chrono::steady_clock::now();
        source.frame(grid.Position(k), true);
        t.rendering += Since(start);
        if (ring) {
            if (ring->full() && !finishOne()) return LoopEnd::Failed;
            start = std::chrono::steady_clock::now();
            const bool started = ring->Start(back);
            t.readingBack += Since(start);
            if (!started) return LoopEnd::Failed;
        } else {
            // Another device: read each frame as it is drawn.
            start = std::chrono::steady_clock::now();
            const bool read = SUCCEEDED(RenderDevice->ReadPixels(back, argb));
            t.readingBack += Since(start);
            if (!read || argb.size() != static_cast<size_t>(back->width()) * back->height())
                return LoopEnd::Failed;
            // 0xAARRGGBB words are BGRA bytes in memory on this little-endian layout.
            takeOne(reinterpret_cast<const uint8_t*>(argb.data()), back->width(), back->height());
            if (refused) return LoopEnd::Failed;
        }
        if (source.interrupted()) return LoopEnd::Interrupted;
    }
    while (ring && ring->pending() > 0)
        if (!finishOne()) return LoopEnd::Failed;
    return LoopEnd::Done;
}

}  // namespace app
