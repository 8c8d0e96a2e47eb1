// The frames of a capture rendered one after the other and read back without waiting for
// each: after frame k is drawn its copy is queued (gfx/gl/FrameReadback.h), and a copy is
// taken only when the ring of buffers is full, so frame k + 1 renders while frame k is read
// back. Each frame goes to the caller's `take` in order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/Capture.h"

namespace app {

struct FrameSource {
    // Plays the show to soundtrack `position` and, with `draw`, renders the frame.
    std::function<void(uint64_t position, bool draw)> frame;
    // Escape pressed or the window closed.
    std::function<bool()> interrupted;
};

// Takes frame `index`: BGRA bytes, rows from the top, width x 4 bytes a row (alpha
// meaningless). False stops the loop.
using TakeFrame =
    std::function<bool(uint64_t index, const uint8_t* bgra, uint32_t width, uint32_t height)>;

// Seconds the rendering thread spent on each step.
struct LoopTimes {
    double rendering = 0;    // playing and drawing (llvmpipe finishes the drawing later)
    double readingBack = 0;  // waiting for copies and mapping them
    double handingOver = 0;  // in `take` (a video writer waits there while its queue is full)
};

enum class LoopEnd { Done, Interrupted, Failed };

// Plays frames [0, first) of `grid` unseen, as a capture from the grid's start would have
// played them, the last two drawn (targets kept from frame to frame then hold what they hold
// in a whole run): a part of a split capture starting at `first` begins exactly where the
// whole capture is at that frame. False when interrupted.
bool PlayUnseen(const FrameGrid& grid, uint64_t first, const FrameSource& source);

// Renders frames [first, first + count) of `grid` and hands each to `take`; `progress`
// counts them. Failed when the back buffer cannot be read or `take` said no.
LoopEnd RenderFrames(const FrameGrid& grid, uint64_t first, uint64_t count,
                     const FrameSource& source, const TakeFrame& take, ProgressLine& progress,
                     LoopTimes* times);

}  // namespace app
