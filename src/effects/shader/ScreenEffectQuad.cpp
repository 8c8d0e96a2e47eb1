#include "effects/shader/ScreenEffectQuad.h"

#include <bit>
#include <cstring>

#include "assets/ShaderProgram.h"
#include "effects/shader/BumpLitPasses.h"
#include "gfx/GlobalDevice.h"

namespace effects {

ScreenEffectQuad screenEffectQuad;
ScreenEffectQuad waterEffectQuad;

namespace {

// Fan order; positions already in clip space.
constexpr QuadVertex kQuad[4] = {{{-1, -1, 1}, {0.0025f, 1.0025f}},
                                 {{1, -1, 1}, {1.0025f, 1.0025f}},
                                 {{1, 1, 1}, {1.0025f, 0.0025f}},
                                 {{-1, 1, 1}, {0.0025f, 0.0025f}}};
constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_TEX1;
static_assert(kQuadFvf == 0x102);

}  // namespace

void ScreenEffectQuad::init() {
    if (!RenderDevice) return;
    IDirect3DDevice8& d = *RenderDevice;
    quad = nullptr;
    if (SUCCEEDED(d.CreateVertexBuffer(sizeof kQuad, 0, kQuadFvf, D3DPOOL_MANAGED, &quad)) &&
        quad) {
        BYTE* data = nullptr;
        if (SUCCEEDED(quad->Lock(0, 0, &data, 0))) {
            std::memcpy(data, kQuad, sizeof kQuad);
            quad->Unlock();
        }
    } else {
        quad = nullptr;
    }
    shEf1 = assets::CreatePixelProgram(d, "!shaders\\shEf1.pso");
    shEf2 = assets::CreatePixelProgram(d, "!shaders\\shEf2.pso");
    shEf3 = assets::CreatePixelProgram(d, "!shaders\\shEf3.pso");
    shEf = assets::CreateVertexProgram(d, "!shaders\\ShEf.vso", kQuadVertexDeclaration);
    shEf1Vertex = assets::CreateVertexProgram(d, "!shaders\\ShEf1.vso", kQuadVertexDeclaration);
    texelStep = 1.0f / 256.0f;
    bumpScale = 0.2f;
}

void ScreenEffectQuad::selectMode(int newMode) {
    mode = newMode;
    switch (newMode) {
        case 0:
            pixelProgram = shEf1;
            vertexProgram = shEf;
            break;
        case 1:
            pixelProgram = shEf3;
            vertexProgram = shEf1Vertex;
            break;
        case 2:
            pixelProgram = shEf2;
            vertexProgram = shEf1Vertex;
            break;
        case 3:
            vertexProgram = shEf;
            break;
        default:
            break;
    }
}

void ScreenEffectQuad::setConstants() {
    IDirect3DDevice8& d = *RenderDevice;
    const float s = texelStep;
    const float zero[4] = {0, 0, 0, 0};
    const float one[4] = {1, 1, 1, 1};
    const float step[4] = {2 * s, s, s, 0.5f};
    // (0.002, d, (1 - d) / 2, 0.5) with the offset d, which is 0 here.
    const float offset[4] = {0.002f, 0.0f, 0.5f, 0.5f};
    d.SetVertexShaderConstant(0, zero, 1);
    d.SetVertexShaderConstant(1, one, 1);
    d.SetVertexShaderConstant(13, step, 1);
    d.SetVertexShaderConstant(14, offset, 1);
    d.SetVertexShaderConstant(15, offset, 1);
    d.SetVertexShaderConstant(16, offset, 1);
}

void ScreenEffectQuad::setAddressingAndBump(DWORD stages) {
    IDirect3DDevice8& d = *RenderDevice;
    for (DWORD stage = 0; stage < stages; ++stage) {
        d.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        d.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    }
    d.SetTextureStageState(2, D3DTSS_BUMPENVMAT00, std::bit_cast<DWORD>(bumpScale));
    d.SetTextureStageState(2, D3DTSS_BUMPENVMAT01, std::bit_cast<DWORD>(0.0f));
    d.SetTextureStageState(2, D3DTSS_BUMPENVMAT10, std::bit_cast<DWORD>(0.0f));
    d.SetTextureStageState(2, D3DTSS_BUMPENVMAT11, std::bit_cast<DWORD>(bumpScale));
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
}

void ScreenEffectQuad::selectPrograms() {
    if (mode != 3) RenderDevice->SetPixelShader(pixelProgram);
    RenderDevice->SetVertexShader(vertexProgram);
}

void ScreenEffectQuad::drawFull() {
    if (!RenderDevice) return;
    IDirect3DDevice8& d = *RenderDevice;
    setConstants();
    setAddressingAndBump(5);
    selectPrograms();
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    for (DWORD stage = 0; stage < 4; ++stage) d.SetTexture(stage, secondTexture);
    d.SetTexture(0, firstTexture);
    if (mode != 0) d.SetTexture(1, firstTexture);
    d.SetTexture(2, firstTexture);
    d.SetTexture(3, firstTexture);
    d.SetStreamSource(0, quad, sizeof(QuadVertex));
    d.DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
}

void ScreenEffectQuad::prepare() {
    if (!RenderDevice) return;
    IDirect3DDevice8& d = *RenderDevice;
    setConstants();
    setAddressingAndBump(4);
    const float c0[4] = {strength, strength, strength, strength};
    d.SetPixelShaderConstant(0, c0, 1);
    selectPrograms();
    d.SetStreamSource(0, quad, sizeof(QuadVertex));
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

void ScreenEffectQuad::drawQuad() {
    if (RenderDevice) RenderDevice->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
}

}  // namespace effects
