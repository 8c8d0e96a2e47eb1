#include "timeline/Timeline.h"

#include <algorithm>
#include <limits>

#include "audio/SoundtrackPlayer.h"
#include "effects/shader/Glow.h"
#include "gfx/GlobalDevice.h"

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

void Timeline::Frame(ShowState& show) { FrameAt(show, ReadSoundtrackPosition()); }

void Timeline::FrameAt(ShowState& show, uint32_t position) {
    if (!RenderDevice) {
        show.frameClock.Tick();
        return;
    }
    IDirect3DDevice8& d = *RenderDevice;
    show.position = position;
    d.BeginScene();
    d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    FrameTarget.begin(1);
    DrawSegments(show);
    effects::DrawGlow(FrameTarget, GlowTargetA, GlowTargetB, show.strength);
    DrawDirectOverlays(show);
    d.EndScene();
    d.Present(nullptr, nullptr, nullptr, nullptr);
    show.frameClock.Tick();
}

void Timeline::DrawSegments(ShowState& show) {
    const uint32_t position = show.position;
    if (kSegmentA.contains(position)) SegmentA(show);
    if (kSegmentB.contains(position)) SegmentB(show);
    if (kSegmentC.contains(position)) SegmentC(show);
    if (kSegmentD.contains(position)) SegmentD(show);
    if (kSegmentE.contains(position)) SegmentE(show);
    if (kSegmentF.contains(position)) SegmentF(show);
    if (kSegmentG.contains(position)) SegmentG(show);
    if (kSegmentH.contains(position)) SegmentH(show);
}

void Timeline::DrawDirectOverlays(ShowState& show) {
    if (kSegmentI.contains(show.position)) SegmentI(show);
    if (kSegmentJ.contains(show.position)) SegmentJ(show);
    PictureCuts(show);
    FlashesAndCounter(show);
}

}  // namespace timeline
