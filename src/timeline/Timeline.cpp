#include "timeline/Timeline.h"

#include <algorithm>
#include <limits>

#include "audio/SoundtrackPlayer.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "timeline/FrameClock.h"

namespace timeline {

Timeline theTimeline;
effects::RenderTarget FrameTarget;
effects::RenderTarget GlowTargetA;
effects::RenderTarget GlowTargetB;
ShowPictures showPictures;

uint32_t ReadSoundtrackPosition() {
    return static_cast<uint32_t>(
        std::min<uint64_t>(audio::SoundtrackPosition(), std::numeric_limits<uint32_t>::max()));
}

void SetGlowStrength(float strength) { effects::screenEffectQuad.strength = strength; }

void Timeline::Frame() {
    if (!RenderDevice) {
        GlobalFrameClock().Tick();
        return;
    }
    IDirect3DDevice8& d = *RenderDevice;
    position = ReadSoundtrackPosition();
    d.BeginScene();
    d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    FrameTarget.begin(1);
    DrawSegments();
    Glow();
    DrawDirectOverlays();
    d.EndScene();
    d.Present(nullptr, nullptr, nullptr, nullptr);
    GlobalFrameClock().Tick();
}

void Timeline::DrawSegments() {
    if (kSegmentA.contains(position)) SegmentA();
    if (kSegmentB.contains(position)) SegmentB();
    if (kSegmentC.contains(position)) SegmentC();
    if (kSegmentD.contains(position)) SegmentD();
    if (kSegmentE.contains(position)) SegmentE();
    if (kSegmentF.contains(position)) SegmentF();
    if (kSegmentG.contains(position)) SegmentG();
    if (kSegmentH.contains(position)) SegmentH();
}

void Timeline::DrawDirectOverlays() {
    if (kSegmentI.contains(position)) SegmentI();
    if (kSegmentJ.contains(position)) SegmentJ();
    PictureCuts();
    FlashesAndCounter();
}

}  // namespace timeline
