// The glow: the frame target is copied to the back buffer pixel for pixel, shrunk into a
// 256 x 256 target, blurred in five ping-pong passes through the screen effect quad (mode 1,
// the strength in c0) and added on top of the sharp frame.
#include "effects/overlays/ScreenQuad.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "timeline/Timeline.h"

namespace timeline {

namespace {

void StageFilters(D3DTEXTUREFILTERTYPE mag, D3DTEXTUREFILTERTYPE min, D3DTEXTUREFILTERTYPE mip) {
    RenderDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, mag);
    RenderDevice->SetTextureStageState(0, D3DTSS_MINFILTER, min);
    RenderDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, mip);
}

void BindToStages0To3(effects::RenderTarget& target) {
    for (DWORD stage = 0; stage < 4; ++stage) RenderDevice->SetTexture(stage, target.texture);
}

}  // namespace

void Timeline::Glow() {
    IDirect3DDevice8& d = *RenderDevice;
    effects::ScreenQuad& quad = effects::pictureQuad;
    effects::ScreenEffectQuad& blur = effects::screenEffectQuad;

    FrameTarget.end();
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    StageFilters(D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_POINT);
    quad.alpha = 255;
    d.SetTexture(0, FrameTarget.texture);
    quad.DrawFull();

    StageFilters(D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR);
    d.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    GlowTargetA.begin(1);
    d.SetTexture(0, FrameTarget.texture);
    quad.DrawSized(static_cast<int>(GlowTargetA.width), static_cast<int>(GlowTargetA.height));
    GlowTargetA.end();

    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    blur.selectMode(1);
    blur.prepare();
    for (int pass = 0; pass < 5; ++pass) {
        GlowTargetB.begin(0);
        BindToStages0To3(GlowTargetA);
        blur.drawQuad();
        GlowTargetA.begin(0);
        BindToStages0To3(GlowTargetB);
        blur.drawQuad();
    }
    GlowTargetA.end();
    for (DWORD stage = 0; stage < 4; ++stage) {
        d.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        d.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }

    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    quad.alpha = 255;
    d.SetTexture(0, GlowTargetA.texture);
    quad.DrawFull();
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    d.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
}

}  // namespace timeline
