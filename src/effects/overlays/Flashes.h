// Flash overlays: at a fixed soundtrack position a full-screen quad lights up at full
// strength and fades out over a fixed number of ticks. Each flash fires once, on the first
// frame after its position has passed: its timer starts then and is never reset. Four
// families, each a drawing routine and a table of positions; the timeline picks the family,
// the flash number and, for the picture families, the picture bound to stage 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "gfx/d3d8types.h"
#include "timeline/SceneTimer.h"

namespace effects {

// One pool of timers shared by the families, each using its own range of pool numbers.
constexpr size_t kFlashTimerCount = 1000;
extern timeline::SceneTimer flashTimers[kFlashTimerCount];

inline constexpr uint32_t kInsertFlashesC[45] = {
    12620800, 12672000, 12828160, 12953600, 13004800, 13158400, 13286400, 13337600, 13491200,
    13619200, 13670400, 13824000, 13952000, 14003200, 14182400, 14284800, 14336000, 14489600,
    14617600, 14668800, 14822400, 14950400, 15001600, 15155200, 15283200, 15334400, 15488000,
    15616000, 15667200, 15820800, 15948800, 16000000, 16153600, 16281600, 16332800, 16486400,
    16665600, 16716800, 16870400, 16972800, 17049600, 17228800, 17331200, 17408000, 17536000};
inline constexpr uint32_t kInsertFlashesG[8] = {36992000, 37324800, 37683200, 38016000,
                                                38348800, 38681600, 39040000, 39372800};
inline constexpr uint32_t kSceneCutFlashes[5] = {18719232, 19394048, 20076800, 20736000, 21435648};
inline constexpr uint32_t kLongFlashes[4] = {32946688, 33280000, 33625344, 33952512};

// Pool numbers where the insert groups begin.
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

// The position of white flash n: 0 -> 1792000, 8 -> 12620800, 24 -> 18048000; no other
// number has one.
std::optional<uint32_t> WhiteFlashPosition(int n);

// The quad strength e ticks into a flash: the integer part of (1 - e·factor)·255, low 8 bits.
int32_t FlashAlpha(float elapsed, float factor);

// The shared routine: nothing until `position` is above `flashPosition`; then the family's
// blend states, the pool timer started (first call only), the quad drawn while the timer is
// below the family's duration, and the timer updated.
void DrawFlash(uint32_t position, uint32_t flashPosition, size_t pool, const FlashFamily& family);

// The four families. `position` is the frame's soundtrack position. Numbers outside a
// family's table draw nothing.
void WhiteFlash(uint32_t position, int n);
void InsertFlash(uint32_t position, int i, size_t base, std::span<const uint32_t> positions);
void SceneCutFlash(uint32_t position, int k);
void LongFlash(uint32_t position, int k);

}  // namespace effects
