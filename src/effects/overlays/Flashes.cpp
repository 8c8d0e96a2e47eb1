#include "effects/overlays/Flashes.h"

#include "effects/overlays/ScreenQuad.h"
#include "gfx/GlobalDevice.h"

namespace effects {

int32_t FlashAlpha(float elapsed, float factor) {
    return static_cast<int32_t>((1.0f - elapsed * factor) * 255.0f) & 0xFF;
}

void DrawFlash(FlashTimers& timers, uint32_t position, uint32_t flashPosition, size_t pool,
               const FlashFamily& family) {
    if (position <= flashPosition || pool >= kFlashTimerCount || !RenderDevice) return;
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, family.source);
    d.SetRenderState(D3DRS_DESTBLEND, family.destination);
    timing::SceneTimer& timer = timers[pool];
    timer.Start();
    const float e = timer.elapsed;
    if (e < family.duration) {
        if (family.picture) {
            pictureQuad.alpha = FlashAlpha(e, family.factor);
            pictureQuad.DrawFull();
        } else {
            fadeQuad.alpha = FlashAlpha(e, family.factor);
            d.SetTexture(0, nullptr);
            fadeQuad.DrawFade();
        }
    }
    timer.Update();
}

void WhiteFlash(FlashTimers& timers, uint32_t position, int n, uint32_t flashPosition) {
    if (n < 0) return;
    DrawFlash(timers, position, flashPosition, static_cast<size_t>(n), kWhiteFamily);
}

namespace {

void FromTable(FlashTimers& timers, uint32_t position, int i, size_t base,
               std::span<const uint32_t> positions, const FlashFamily& family) {
    if (i < 0 || static_cast<size_t>(i) >= positions.size()) return;
    DrawFlash(timers, position, positions[static_cast<size_t>(i)], base + static_cast<size_t>(i),
              family);
}

}  // namespace

void InsertFlash(FlashTimers& timers, uint32_t position, int i, size_t base,
                 std::span<const uint32_t> positions) {
    FromTable(timers, position, i, base, positions, kInsertFamily);
}

void SceneCutFlash(FlashTimers& timers, uint32_t position, int k,
                   std::span<const uint32_t> positions) {
    FromTable(timers, position, k, kSceneCutFlashBase, positions, kSceneCutFamily);
}

void LongFlash(FlashTimers& timers, uint32_t position, int k, std::span<const uint32_t> positions) {
    FromTable(timers, position, k, kLongFlashBase, positions, kLongFamily);
}

}  // namespace effects
