#include "effects/overlays/Flashes.h"

#include "effects/overlays/ScreenQuad.h"
#include "gfx/GlobalDevice.h"

namespace effects {

timeline::SceneTimer flashTimers[kFlashTimerCount];

std::optional<uint32_t> WhiteFlashPosition(int n) {
    switch (n) {
        case 0:
            return 1792000u;
        case 8:
            return 12620800u;
        case 24:
            return 18048000u;
        default:
            return std::nullopt;
    }
}

int32_t FlashAlpha(float elapsed, float factor) {
    return static_cast<int32_t>((1.0f - elapsed * factor) * 255.0f) & 0xFF;
}

void DrawFlash(uint32_t position, uint32_t flashPosition, size_t pool, const FlashFamily& family) {
    if (position <= flashPosition || pool >= kFlashTimerCount || !RenderDevice) return;
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, family.source);
    d.SetRenderState(D3DRS_DESTBLEND, family.destination);
    timeline::SceneTimer& timer = flashTimers[pool];
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

void WhiteFlash(uint32_t position, int n) {
    if (auto at = WhiteFlashPosition(n))
        DrawFlash(position, *at, static_cast<size_t>(n), kWhiteFamily);
}

void InsertFlash(uint32_t position, int i, size_t base, std::span<const uint32_t> positions) {
    if (i < 0 || static_cast<size_t>(i) >= positions.size()) return;
    DrawFlash(position, positions[i], base + static_cast<size_t>(i), kInsertFamily);
}

void SceneCutFlash(uint32_t position, int k) {
    if (k < 0 || k >= 5) return;
    DrawFlash(position, kSceneCutFlashes[k], 50 + static_cast<size_t>(k), kSceneCutFamily);
}

void LongFlash(uint32_t position, int k) {
    if (k < 0 || k >= 4) return;
    DrawFlash(position, kLongFlashes[k], 150 + static_cast<size_t>(k), kLongFamily);
}

}  // namespace effects
