// Flash overlays: at a fixed soundtrack position a full-screen quad lights up at full
// strength and fades out over a fixed number of ticks. Each flash fires once, on the first
// frame after its position has passed: its timer starts then and is never reset. Four
// families, each a drawing routine; the timeline picks the family, the flash number, its
// position (from the schedule) and, for the picture families, the picture bound to stage 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "gfx/d3d8types.h"
#include "timing/SceneTimer.h"

namespace effects {

// One pool of timers shared by the families, each using its own range of pool numbers; part
// of what a run changes.
constexpr size_t kFlashTimerCount = 1000;
using FlashTimers = std::array<timing::SceneTimer, kFlashTimerCount>;

// Pool numbers where the families begin (a white flash's number is its pool number).
constexpr size_t kSceneCutFlashBase = 50;
constexpr size_t kLongFlashBase = 150;
constexpr size_t kInsertFlashBaseC = 200;
constexpr size_t kInsertFlashBaseG = 250;

// Each family's drawing, as a row of data.
struct FlashFamily {
    bool picture;     // picture quad with the caller's texture, else the fade quad untextured
    D3DBLEND source;  // blend factors
    D3DBLEND destination;
    float duration;  // ticks
    float factor;    // strength lost per tick
};

inline constexpr FlashFamily kWhiteFamily{false, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 15.0f,
                                          0.06666667f};
inline constexpr FlashFamily kInsertFamily{true, D3DBLEND_ONE, D3DBLEND_ONE, 15.0f, 0.06666667f};
inline constexpr FlashFamily kSceneCutFamily{false, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 15.0f,
                                             0.06666667f};
inline constexpr FlashFamily kLongFamily{true, D3DBLEND_ONE, D3DBLEND_ONE, 75.0f, 0.013333334f};

// The quad strength e ticks into a flash: the integer part of (1 - e·factor)·255, low 8 bits.
int32_t FlashAlpha(float elapsed, float factor);

// The shared routine: nothing until `position` is above `flashPosition`; then the family's
// blend states, the pool timer started (first call only), the quad drawn while the timer is
// below the family's duration, and the timer updated.
void DrawFlash(FlashTimers& timers, uint32_t position, uint32_t flashPosition, size_t pool,
               const FlashFamily& family);

// The four families. `position` is the frame's soundtrack position; the flash positions come
// from the caller's tables. Numbers outside a table draw nothing.
void WhiteFlash(FlashTimers& timers, uint32_t position, int n, uint32_t flashPosition);
void InsertFlash(FlashTimers& timers, uint32_t position, int i, size_t base,
                 std::span<const uint32_t> positions);
void SceneCutFlash(FlashTimers& timers, uint32_t position, int k,
                   std::span<const uint32_t> positions);
void LongFlash(FlashTimers& timers, uint32_t position, int k, std::span<const uint32_t> positions);

}  // namespace effects
