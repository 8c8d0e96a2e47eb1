#include "effects/shader/Glow.h"

#include "effects/overlays/ScreenQuad.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"

namespace effects {

namespace {

void StageFilters(D3DTEXTUREFILTERTYPE mag, D3DTEXTUREFILTERTYPE min, D3DTEXTUREFILTERTYPE mip) {
    RenderDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, mag);
    RenderDevice->SetTextureStageState(0, D3DTSS_MINFILTER, min);
    RenderDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, mip);
}

void BindToStages0To3(RenderTarget& target) {
    for (DWORD stage = 0; stage < 4; ++stage) RenderDevice->SetTexture(stage, target.texture);
}

}  // namespace

void DrawGlow(RenderTarget& frame, RenderTarget& targetA, RenderTarget& targetB, float strength) {
    IDirect3DDevice8& d = *RenderDevice;
    ScreenQuad& quad = pictureQuad;
    ScreenEffectQuad& blur = screenEffectQuad;

    frame.end();
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    StageFilters(D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_POINT);
    quad.alpha = 255;
    d.SetTexture(0, frame.texture);
    quad.DrawFull();

    StageFilters(D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR);
    d.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    targetA.begin(1);
    d.SetTexture(0, frame.texture);
    quad.DrawSized(static_cast<int>(targetA.width), static_cast<int>(targetA.height));
    targetA.end();

    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    blur.selectMode(1);
    blur.strength = strength;
    blur.prepare();
    for (int pass = 0; pass < 5; ++pass) {
        targetB.begin(0);
        BindToStages0To3(targetA);
        blur.drawQuad();
        targetA.begin(0);
        BindToStages0To3(targetB);
        blur.drawQuad();
    }
    targetA.end();
    for (DWORD stage = 0; stage < 4; ++stage) {
        d.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        d.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }

    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    quad.alpha = 255;
    d.SetTexture(0, targetA.texture);
    quad.DrawFull();
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    d.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
}

}  // namespace effects
