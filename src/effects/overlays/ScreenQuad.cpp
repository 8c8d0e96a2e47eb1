#include "effects/overlays/ScreenQuad.h"

#include <cstring>

#include "assets/ShaderProgram.h"
#include "gfx/GlobalDevice.h"

namespace effects {

ScreenQuad pictureQuad;
ScreenQuad fadeQuad;

namespace {

// Fan order, covering (x0, y0)-(x1, y1) with the whole texture; no half-pixel offset.
void WriteRectangle(ScreenVertex* v, float x0, float y0, float x1, float y1, D3DCOLOR diffuse) {
    const float xy[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i)
        v[i] = {xy[i][0], xy[i][1], 1.0f, 1.0f, diffuse, uv[i][0], uv[i][1]};
}

IDirect3DVertexBuffer8* MakeBuffer() {
    IDirect3DVertexBuffer8* buffer = nullptr;
    if (FAILED(RenderDevice->CreateVertexBuffer(kScreenQuadBytes, D3DUSAGE_WRITEONLY,
                                                kScreenVertexFvf, D3DPOOL_MANAGED, &buffer)))
        return nullptr;
    return buffer;
}

void SetStrength(int32_t alpha) {
    float c0[4];
    StrengthConstant(alpha, c0);
    RenderDevice->SetPixelShaderConstant(0, c0, 1);
}

void DrawBuffer(IDirect3DVertexBuffer8* buffer) {
    RenderDevice->SetVertexShader(kScreenVertexFvf);
    RenderDevice->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    RenderDevice->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
}

}  // namespace

void StrengthConstant(int32_t alpha, float c0[4]) {
    const float v = static_cast<float>(static_cast<uint32_t>(alpha)) * 0.003921569f;
    for (int i = 0; i < 4; ++i) c0[i] = v;
}

void DisplaySize(float& width, float& height) {
    width = height = 0.0f;
    IDirect3DSurface8* back = nullptr;
    if (!RenderDevice || FAILED(RenderDevice->GetBackBuffer(0, &back)) || !back) return;
    width = static_cast<float>(back->width());
    height = static_cast<float>(back->height());
}

bool ScreenQuad::Create(const std::string& programName, bool withSizedBuffer) {
    if (!RenderDevice) return false;
    float w = 0, h = 0;
    DisplaySize(w, h);
    fullVertexBuffer = MakeBuffer();
    if (fullVertexBuffer) {
        BYTE* data = nullptr;
        if (SUCCEEDED(fullVertexBuffer->Lock(0, 0, &data, 0))) {
            ScreenVertex v[4];
            WriteRectangle(v, 0, 0, w, h, 0xFFFFFFFF);
            std::memcpy(data, v, sizeof v);
            fullVertexBuffer->Unlock();
        }
    }
    if (withSizedBuffer) sizedVertexBuffer = MakeBuffer();
    pixelProgram = assets::CreatePixelProgram(*RenderDevice, programName);
    return fullVertexBuffer && (!withSizedBuffer || sizedVertexBuffer);
}

void ScreenQuad::DrawFull() {
    if (!RenderDevice || !fullVertexBuffer) return;
    IDirect3DDevice8& d = *RenderDevice;
    d.SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d.SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    d.SetTextureStageState(0, D3DTSS_ADDRESSW, D3DTADDRESS_CLAMP);
    SetStrength(alpha);
    d.SetPixelShader(pixelProgram);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    DrawBuffer(fullVertexBuffer);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
}

void ScreenQuad::DrawSized(int width, int height) {
    if (!RenderDevice || !sizedVertexBuffer) return;
    IDirect3DDevice8& d = *RenderDevice;
    d.SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d.SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    BYTE* data = nullptr;
    if (SUCCEEDED(sizedVertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
        // Opaque, with the strength as grey level (the picture program ignores it).
        const D3DCOLOR diffuse = 0xFF000000u + static_cast<uint32_t>(alpha) * 0x010101u;
        ScreenVertex v[4];
        WriteRectangle(v, 0, 0, static_cast<float>(width), static_cast<float>(height), diffuse);
        std::memcpy(data, v, sizeof v);
        sizedVertexBuffer->Unlock();
    }
    SetStrength(alpha);
    d.SetPixelShader(pixelProgram);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
    DrawBuffer(sizedVertexBuffer);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
}

void ScreenQuad::DrawFade() {
    if (!RenderDevice || !fullVertexBuffer) return;
    IDirect3DDevice8& d = *RenderDevice;
    d.SetPixelShader(pixelProgram);
    SetStrength(alpha);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
    DrawBuffer(fullVertexBuffer);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
}

}  // namespace effects
