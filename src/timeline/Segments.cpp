// The segments A to J of the timeline. Each starts its timer first and updates it last, so
// `e` (the timer's elapsed ticks) is the value the previous frame's update left: 0 on the
// segment's first frame.
#include <algorithm>
#include <bit>

#include "effects/objects/MetalObject.h"
#include "effects/overlays/Credits.h"
#include "effects/overlays/Flashes.h"
#include "effects/overlays/PictureSprite.h"
#include "effects/overlays/ScreenQuad.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/scenes/WaterScene.h"
#include "effects/shader/CubeGridScene.h"
#include "effects/shader/EndMeshScene.h"
#include "effects/shader/RingScene.h"
#include "effects/shader/RotatingMeshScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "timeline/Schedule.h"
#include "timeline/Timeline.h"

namespace timeline {

namespace {

using effects::pictureQuad;

void Blend(D3DBLEND source, D3DBLEND destination) {
    RenderDevice->SetRenderState(D3DRS_SRCBLEND, source);
    RenderDevice->SetRenderState(D3DRS_DESTBLEND, destination);
}

// The picture quad over the whole screen with `texture` at `alpha`.
void FullPicture(IDirect3DTexture8* texture, int32_t alpha) {
    pictureQuad.alpha = alpha;
    RenderDevice->SetTexture(0, texture);
    pictureQuad.DrawFull();
}

}  // namespace

// Title sprite fading in (full after 930 ticks), under the blend factors the previous frame
// left: ONE, ONE, set last by the flashes (and the device default on the very first frame).
void Timeline::SegmentA(ShowState& show) {
    show.timerA.Start();
    show.strength = kStrengthA;
    const float e = show.timerA.elapsed;
    effects::titleSprite.alpha = std::min(e * 0.0010752688f, 1.0f);
    show.timerA.Update();
    effects::titleSprite.Draw();
}

// The water reflection scene, shot by shot; each picture cut moves to the next shot.
void Timeline::SegmentB(ShowState& show) {
    show.strength = kStrengthBC;
    show.timerB.Start();
    const int shot = std::clamp(show.shotIndex, 0, kShotCount - 1);
    if (drawScenes)
        effects::waterScene.DrawFrame(show.water, show.random,
                                      show.speedFactor * show.timerB.elapsed + kShotStart[shot],
                                      kShotCamera[shot]);
    show.timerB.Update();
}

// The water scene running backwards from clip time 2000, one pass of the effect quad over
// whatever the scene's frame left bound, the metal object and 45 insert flashes.
void Timeline::SegmentC(ShowState& show) {
    IDirect3DDevice8& d = *RenderDevice;
    show.timerC.Start();
    show.water.ambientColor = 0x001024BA;
    show.water.lightAttenuation[0] = 0.95f;
    show.water.lightAttenuation[1] = 0.04f;
    show.water.lightAttenuation[2] = 0.0f;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    float t = 2000.0f - show.timerC.elapsed;
    if (t < 0.0f) t = 0.0f;
    show.timerC.Update();
    if (drawScenes) effects::waterScene.DrawFrame(show.water, show.random, t, 4);
    for (DWORD stage = 0; stage < 4; ++stage) d.SetTexture(stage, nullptr);
    effects::screenEffectQuad.drawQuad();
    show.strength = kStrengthBC;
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    d.Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    if (drawScenes) effects::metalObject.draw(t);
    d.SetTexture(0, showPictures.inserts[4]);
    for (int i = 0; i < 45; ++i)
        effects::InsertFlash(show.flashTimers, show.position, i, effects::kInsertFlashBaseC,
                             kInsertFlashesC);
}

// The picture screen scene, cutting to the next camera at each threshold; its clip timer and
// picture loop are in the run's state.
void Timeline::SegmentD(ShowState& show) {
    show.strength = kStrengthD;
    const uint32_t shot = ScreenSceneShotAt(show.position);
    if (drawScenes)
        effects::screenScene.DrawFrame(show.screen, show.random, shot, kScreenSceneCamera[shot]);
}

// Title picture, ring scene, the people picture fading out, credits and four long flashes.
void Timeline::SegmentE(ShowState& show) {
    IDirect3DDevice8& d = *RenderDevice;
    d.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    d.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    d.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    Blend(D3DBLEND_ONE, D3DBLEND_ONE);
    FullPicture(showPictures.title, 75);
    show.strength = kStrengthEF;
    show.timerE.Start();
    d.SetRenderState(D3DRS_FOGDENSITY, std::bit_cast<DWORD>(0.0015f));
    if (drawScenes) effects::ringScene.draw(show.timerE.elapsed, show.ringGlideTimer);
    show.timerE.Update();

    show.peopleFadeOut.Start();
    const float p = show.peopleFadeOut.elapsed;
    if (p < 50.0f) {
        d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        pictureQuad.alpha = static_cast<int32_t>((1.0f - p * 0.02f) * 255.0f);
        show.strength = p * 0.02f * kStrengthEF;
        d.SetTexture(0, showPictures.people);
        pictureQuad.DrawFull();
    }
    show.peopleFadeOut.Update();

    Blend(D3DBLEND_ONE, D3DBLEND_ONE);
    effects::DrawCredits(show.creditTimers, show.position, kCreditPlaces);
    for (int k = 0; k < 4; ++k) {
        d.SetTexture(0, showPictures.gret[k]);
        effects::LongFlash(show.flashTimers, show.position, k, kLongFlashes);
    }
}

// Background picture, then the cube grid in exponential fog.
void Timeline::SegmentF(ShowState& show) {
    IDirect3DDevice8& d = *RenderDevice;
    show.strength = kStrengthEF;
    show.timerF.Start();
    FullPicture(showPictures.p1, 255);
    d.SetRenderState(D3DRS_FOGENABLE, TRUE);
    d.SetRenderState(D3DRS_FOGCOLOR, 0xFF000000);
    d.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    d.SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    d.SetRenderState(D3DRS_FOGDENSITY, std::bit_cast<DWORD>(0.0025f));
    if (drawScenes) effects::cubeGridScene.draw(show.timerF.elapsed);
    d.SetRenderState(D3DRS_FOGENABLE, FALSE);
    show.timerF.Update();
}

// Background picture, the rotating mesh, eight insert flashes, and a glow that rises
// towards the end of the segment.
void Timeline::SegmentG(ShowState& show) {
    show.timerG.Start();
    show.strength = kStrengthG;
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    FullPicture(showPictures.stagi, 128);
    if (drawScenes) effects::rotatingMeshScene.draw(show.timerG.elapsed);
    show.timerG.Update();
    RenderDevice->SetTexture(0, showPictures.inserts[2]);
    for (int i = 0; i < 8; ++i)
        effects::InsertFlash(show.flashTimers, show.position, i, effects::kInsertFlashBaseG,
                             kInsertFlashesG);
    if (show.position > kGlowRiseAfter) {
        show.strengthRamp.Start();
        show.strength = show.strengthRamp.elapsed * 0.0025f + kStrengthG;
        show.strengthRamp.Update();
    }
}

// The end mesh, the end picture over it, and a white fading out over the first 80 ticks.
void Timeline::SegmentH(ShowState& show) {
    show.timerH.Start();
    show.fadeTimer.Start();
    show.strength = kStrengthH;
    if (drawScenes) effects::endMeshScene.draw(show.timerH.elapsed);
    FullPicture(showPictures.p3, 255);
    show.timerH.Update();
    const float f = show.fadeTimer.elapsed;
    if (f < 80.0f) {
        effects::fadeQuad.alpha = static_cast<int32_t>((1.0f - f * 0.0125f) * 128.0f) & 0xFF;
        Blend(D3DBLEND_ONE, D3DBLEND_ONE);
        effects::fadeQuad.DrawFade();
    }
    show.fadeTimer.Update();
}

// The people picture fading in over segment D's last stretch, on the back buffer. The
// strength is not clamped: from 60 ticks on it passes 255 and the picture shows at full.
void Timeline::SegmentI(ShowState& show) {
    show.timerI.Start();
    RenderDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    pictureQuad.alpha = static_cast<int32_t>(show.timerI.elapsed * 0.016666668f * 255.0f);
    FullPicture(showPictures.people, pictureQuad.alpha);
    show.timerI.Update();
}

// The end screen fading in over 120 ticks, on the back buffer.
void Timeline::SegmentJ(ShowState& show) {
    show.timerJ.Start();
    RenderDevice->SetTexture(0, showPictures.endScreen);
    const float v = std::min(show.timerJ.elapsed * 0.008333334f, 1.0f);
    Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    pictureQuad.alpha = static_cast<int32_t>(v * 255.0f);
    pictureQuad.DrawFull();
    show.timerJ.Update();
}

}  // namespace timeline
