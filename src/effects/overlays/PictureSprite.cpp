#include "effects/overlays/PictureSprite.h"

#include "assets/ShaderProgram.h"
#include "assets/TextureLoading.h"
#include "effects/overlays/ScreenQuad.h"
#include "gfx/GlobalDevice.h"

namespace effects {

float ScreenScale = 1.0f;

PictureSprite titleSprite;
PictureSprite creditSprites[kCreditCount];

const char* const kCreditPictures[kCreditCount] = {
    "!textures\\tarn.jpg",   "!textures\\morvek.jpg", "!textures\\pelwandr.jpg",
    "!textures\\sovane.jpg", "!textures\\tolve.jpg",  "!textures\\harvel.jpg",
    "!textures\\dumeck.jpg", "!textures\\yeld.jpg"};

bool PictureSprite::Create() {
    if (!RenderDevice) return false;
    texture = LoadJpegTexture(pictureName);
    vertexBuffer = nullptr;
    if (SUCCEEDED(RenderDevice->CreateVertexBuffer(kScreenQuadBytes, 0, kScreenVertexFvf,
                                                   D3DPOOL_MANAGED, &vertexBuffer)) &&
        vertexBuffer) {
        BYTE* data = nullptr;
        if (SUCCEEDED(vertexBuffer->Lock(0, 0, &data, 0))) {
            // Positions come with every draw; the depth is any constant, since depth testing
            // is off while sprites draw.
            auto* v = reinterpret_cast<ScreenVertex*>(data);
            const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (int i = 0; i < 4; ++i) v[i] = {0, 0, 1.0f, 1.0f, 0xFFFFFFFF, uv[i][0], uv[i][1]};
            vertexBuffer->Unlock();
        }
    } else {
        vertexBuffer = nullptr;
    }
    pixelProgram = assets::CreatePixelProgram(*RenderDevice, "!shaders\\logo.pso");
    return vertexBuffer != nullptr;
}

void PictureSprite::Draw() {
    if (!RenderDevice || !vertexBuffer) return;
    IDirect3DDevice8& d = *RenderDevice;
    d.SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d.SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    BYTE* data = nullptr;
    if (SUCCEEDED(vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
        auto* v = reinterpret_cast<ScreenVertex*>(data);
        const float xs[4] = {x, x + width, x + width, x};
        const float ys[4] = {y, y, y + height, y + height};
        for (int i = 0; i < 4; ++i) {
            v[i].x = xs[i];
            v[i].y = ys[i];
        }
        vertexBuffer->Unlock();
    }
    d.SetTexture(0, texture);
    d.SetPixelShader(pixelProgram);
    const float c0[4] = {alpha, alpha, alpha, alpha};
    d.SetPixelShaderConstant(0, c0, 1);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetVertexShader(kScreenVertexFvf);
    d.SetStreamSource(0, vertexBuffer, sizeof(ScreenVertex));
    d.DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
}

void CreateTitleSprite() {
    const float s = ScreenScale;
    titleSprite.pictureName = "!textures\\some.jpg";
    titleSprite.x = 150 * s;
    titleSprite.y = 270 * s;
    titleSprite.width = 512 * s;
    titleSprite.height = 64 * s;
    titleSprite.Create();
}

void NameCreditSprites() {
    for (int k = 0; k < kCreditCount; ++k) creditSprites[k].pictureName = kCreditPictures[k];
}

void CreateCreditSprites() {
    const float s = ScreenScale;
    for (PictureSprite& sprite : creditSprites) {
        sprite.x = 100;
        sprite.y = 100;
        sprite.width = 256 * s;
        sprite.height = 128 * s;
        sprite.Create();
    }
}

}  // namespace effects
