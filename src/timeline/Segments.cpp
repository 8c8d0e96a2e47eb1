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
void Timeline::SegmentA() {
    timerA.Start();
    SetGlowStrength(kStrengthA);
    const float e = timerA.elapsed;
    effects::titleSprite.alpha = std::min(e * 0.0010752688f, 1.0f);
    timerA.Update();
    effects::titleSprite.Draw();
}

// The water reflection scene, shot by shot; each picture cut moves to the next shot.
void Timeline::SegmentB() {
    SetGlowStrength(kStrengthBC);
    timerB.Start();
    const int shot = std::clamp(shotIndex, 0, kShotCount - 1);
    if (drawScenes)
        effects::waterScene.DrawFrame(speedFactor * timerB.elapsed + kShotStart[shot],
                                      kShotCamera[shot]);
    timerB.Update();
}

// The water scene running backwards from clip time 2000, one pass of the effect quad over
// whatever the scene's frame left bound, the metal object and 45 insert flashes.
void Timeline::SegmentC() {
    IDirect3DDevice8& d = *RenderDevice;
    timerC.Start();
    if (Scene* scene = effects::waterScene.scene) {
        scene->ambientColor = 0x001024BA;
        scene->lightAttenuation[0] = 0.95f;
        scene->lightAttenuation[1] = 0.04f;
        scene->lightAttenuation[2] = 0.0f;
    }
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    float t = 2000.0f - timerC.elapsed;
    if (t < 0.0f) t = 0.0f;
    timerC.Update();
    if (drawScenes) effects::waterScene.DrawFrame(t, 4);
    for (DWORD stage = 0; stage < 4; ++stage) d.SetTexture(stage, nullptr);
    effects::screenEffectQuad.drawQuad();
    SetGlowStrength(kStrengthBC);
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    d.Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    if (drawScenes) effects::metalObject.draw(t);
    d.SetTexture(0, showPictures.inserts[4]);
    for (int i = 0; i < 45; ++i)
        effects::InsertFlash(position, i, effects::kInsertFlashBaseC, effects::kInsertFlashesC);
}

// The picture screen scene: its clip timer, camera cuts and picture loop are its own.
void Timeline::SegmentD() {
    SetGlowStrength(kStrengthD);
    if (drawScenes) effects::screenScene.DrawFrame(position);
}

// Title picture, ring scene, the people picture fading out, credits and four long flashes.
void Timeline::SegmentE() {
    IDirect3DDevice8& d = *RenderDevice;
    d.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    d.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    d.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    Blend(D3DBLEND_ONE, D3DBLEND_ONE);
    FullPicture(showPictures.title, 75);
    SetGlowStrength(kStrengthEF);
    timerE.Start();
    d.SetRenderState(D3DRS_FOGDENSITY, std::bit_cast<DWORD>(0.0015f));
    if (drawScenes) effects::ringScene.draw(timerE.elapsed);
    timerE.Update();

    peopleFadeOut.Start();
    const float p = peopleFadeOut.elapsed;
    if (p < 50.0f) {
        d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        pictureQuad.alpha = static_cast<int32_t>((1.0f - p * 0.02f) * 255.0f);
        SetGlowStrength(p * 0.02f * kStrengthEF);
        d.SetTexture(0, showPictures.people);
        pictureQuad.DrawFull();
    }
    peopleFadeOut.Update();

    Blend(D3DBLEND_ONE, D3DBLEND_ONE);
    effects::DrawCredits(position);
    for (int k = 0; k < 4; ++k) {
        d.SetTexture(0, showPictures.gret[k]);
        effects::LongFlash(position, k);
    }
}

// Background picture, then the cube grid in exponential fog.
void Timeline::SegmentF() {
    IDirect3DDevice8& d = *RenderDevice;
    SetGlowStrength(kStrengthEF);
    timerF.Start();
    FullPicture(showPictures.p1, 255);
    d.SetRenderState(D3DRS_FOGENABLE, TRUE);
    d.SetRenderState(D3DRS_FOGCOLOR, 0xFF000000);
    d.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    d.SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    d.SetRenderState(D3DRS_FOGDENSITY, std::bit_cast<DWORD>(0.0025f));
    if (drawScenes) effects::cubeGridScene.draw(timerF.elapsed);
    d.SetRenderState(D3DRS_FOGENABLE, FALSE);
    timerF.Update();
}

// Background picture, the rotating mesh, eight insert flashes, and a glow that rises
// towards the end of the segment.
void Timeline::SegmentG() {
    timerG.Start();
    SetGlowStrength(kStrengthG);
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    FullPicture(showPictures.stagi, 128);
    if (drawScenes) effects::rotatingMeshScene.draw(timerG.elapsed);
    timerG.Update();
    RenderDevice->SetTexture(0, showPictures.inserts[2]);
    for (int i = 0; i < 8; ++i)
        effects::InsertFlash(position, i, effects::kInsertFlashBaseG, effects::kInsertFlashesG);
    if (position > kGlowRiseAfter) {
        strengthRamp.Start();
        SetGlowStrength(strengthRamp.elapsed * 0.0025f + kStrengthG);
        strengthRamp.Update();
    }
}

// The end mesh, the end picture over it, and a white fading out over the first 80 ticks.
void Timeline::SegmentH() {
    timerH.Start();
    fadeTimer.Start();
    SetGlowStrength(kStrengthH);
    if (drawScenes) effects::endMeshScene.draw(timerH.elapsed);
    FullPicture(showPictures.p3, 255);
    timerH.Update();
    const float f = fadeTimer.elapsed;
    if (f < 80.0f) {
        effects::fadeQuad.alpha = static_cast<int32_t>((1.0f - f * 0.0125f) * 128.0f) & 0xFF;
        Blend(D3DBLEND_ONE, D3DBLEND_ONE);
        effects::fadeQuad.DrawFade();
    }
    fadeTimer.Update();
}

// The people picture fading in over segment D's last stretch, on the back buffer. The
// strength is not clamped: from 60 ticks on it passes 255 and the picture shows at full.
void Timeline::SegmentI() {
    timerI.Start();
    RenderDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    pictureQuad.alpha = static_cast<int32_t>(timerI.elapsed * 0.016666668f * 255.0f);
    FullPicture(showPictures.people, pictureQuad.alpha);
    timerI.Update();
}

// The end screen fading in over 120 ticks, on the back buffer.
void Timeline::SegmentJ() {
    timerJ.Start();
    RenderDevice->SetTexture(0, showPictures.endScreen);
    const float v = std::min(timerJ.elapsed * 0.008333334f, 1.0f);
    Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    pictureQuad.alpha = static_cast<int32_t>(v * 255.0f);
    pictureQuad.DrawFull();
    timerJ.Update();
}

}  // namespace timeline
