// The direct overlays after the glow that are not segments: the picture cuts, which replace
// the whole frame for just over 30 ticks each and move segment B to its next shot, then the
// flashes in their fixed order and the frame-rate counter while Space is held.
#include "effects/overlays/DigitCounter.h"
#include "effects/overlays/Flashes.h"
#include "effects/overlays/ScreenQuad.h"
#include "gfx/GlobalDevice.h"
#include "platform/Input.h"
#include "timeline/FrameClock.h"
#include "timeline/Timeline.h"

namespace timeline {

void Timeline::PictureCuts() {
    IDirect3DDevice8& d = *RenderDevice;
    for (int i = 0; i < kCutCount; ++i) {
        if (position <= kCutPositions[i] || cutPending[i] != 1) continue;
        effects::pictureQuad.alpha = 255;
        d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        d.SetTexture(0, showPictures.cuts[i]);
        effects::pictureQuad.DrawFull();
        cutTimers[i].Start();
        cutTimers[i].Update();
        if (cutTimers[i].elapsed > kCutHold) {
            ++shotIndex;
            cutPending[i] = 0;
            timerB.Reset();
            speedFactor = 1.0f;
        }
    }
}

void Timeline::FlashesAndCounter() {
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    effects::WhiteFlash(position, 0);
    effects::WhiteFlash(position, 8);
    for (int k = 0; k < 5; ++k) effects::SceneCutFlash(position, k);
    effects::WhiteFlash(position, 24);
    if (platform::KeyState[platform::kVkSpace])
        effects::digitCounter.Draw(0.0f, 0.0f, GlobalFrameClock().framesPerSecond);
}

}  // namespace timeline
