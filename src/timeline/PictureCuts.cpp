// The direct overlays after the glow that are not segments: the picture cuts, which replace
// the whole frame for just over 30 ticks each and move segment B to its next shot, then the
// flashes in their fixed order and the frame-rate counter while Space is held.
#include "effects/overlays/DigitCounter.h"
#include "effects/overlays/Flashes.h"
#include "effects/overlays/ScreenQuad.h"
#include "gfx/GlobalDevice.h"
#include "platform/Input.h"
#include "timeline/Timeline.h"

namespace timeline {

void Timeline::PictureCuts(ShowState& show) {
    IDirect3DDevice8& d = *RenderDevice;
    for (int i = 0; i < kCutCount; ++i) {
        if (show.position <= kCutPositions[i] || show.cutPending[i] != 1) continue;
        effects::pictureQuad.alpha = 255;
        d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        d.SetTexture(0, showPictures.cuts[i]);
        effects::pictureQuad.DrawFull();
        timing::SceneTimer& timer = show.cutTimers[i];
        timer.Start();
        timer.Update();
        if (timer.elapsed > kCutHold) {
            ++show.shotIndex;
            show.cutPending[i] = 0;
            show.timerB.Reset();
            show.speedFactor = 1.0f;
        }
    }
}

void Timeline::FlashesAndCounter(ShowState& show) {
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    effects::FlashTimers& timers = show.flashTimers;
    const auto white = [&](const WhiteFlashCue& cue) {
        effects::WhiteFlash(timers, show.position, cue.number, cue.after);
    };
    white(kWhiteFlashes[0]);
    white(kWhiteFlashes[1]);
    for (int k = 0; k < 5; ++k)
        effects::SceneCutFlash(timers, show.position, k, kScreenSceneThresholds);
    white(kWhiteFlashes[2]);
    if (platform::KeyState[platform::kVkSpace])
        effects::digitCounter.Draw(0.0f, 0.0f, show.frameClock.framesPerSecond);
}

}  // namespace timeline
