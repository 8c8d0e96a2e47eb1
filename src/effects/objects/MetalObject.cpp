#include "effects/objects/MetalObject.h"

#include <cmath>
#include <cstring>

#include "assets/ShaderProgram.h"
#include "assets/TextureLoading.h"
#include "effects/objects/DisplayAspect.h"
#include "gfx/GlobalDevice.h"
#include "scene/ObjectBuffers.h"

namespace effects {

MetalObject metalObject;

namespace {

// The ring's degree: 3.14/180, not π/180, as the piece was laid out with it.
constexpr double kRingDegree = 0.017444444444444446;
// 125 of those degrees.
constexpr float kTilt = 2.1805556f;

D3DCOLORVALUE Colour(float r, float g, float b, float a) { return {r, g, b, a}; }

}  // namespace

D3DXVECTOR3 MetalObject::LookAt(float t) {
    return {static_cast<float>(1000.0 - 2000.0 * (1.0 - 0.0005 * t)), 450.0f, 0.0f};
}

void MetalObject::LightPositions(float t, D3DXVECTOR3 (&out)[3]) {
    const float a = 0.014f * t, b = 0.013f * t;
    out[0] = {170.0f * std::sin(a), 280.0f * std::cos(b), 15.0f};
    out[1] = {286.0f * std::sin(b), 280.0f * std::cos(a), 270.0f};
    out[2] = {50.0f * std::sin(b), 20.0f * std::cos(a), 70.0f * std::sin(b)};
}

D3DXMATRIX MetalObject::CopyMatrix(float k, float t) {
    const float angle = static_cast<float>(k * kRingDegree + 0.001 * t);
    const D3DXVECTOR3 yAxis(0.0f, 1.0f, 0.0f), zAxis(0.0f, 0.0f, 1.0f);
    D3DXMATRIX turn, tilt, world;
    D3DXMatrixRotationAxis(&turn, &yAxis, angle);
    D3DXMatrixRotationAxis(&tilt, &zAxis, kTilt);
    D3DXMatrixMultiply(&world, &turn, &tilt);
    return world;
}

void MetalObject::init() {
    vertexBuffer = nullptr;
    indexBuffer = nullptr;
    if (mesh) {
        scene::LoadObjectNormals(*mesh);
        scene::BuildObjectBuffers(*mesh);
    }
    baseTexture = LoadJpegTexture("!textures\\metal5.jpg");
    detailTexture = LoadJpegTexture("!textures\\metal51.jpg");

    if (mesh && mesh->vertexBuffer && mesh->indexBuffer && RenderDevice) {
        const UINT count = static_cast<UINT>(mesh->vertexCount);
        RenderDevice->CreateVertexBuffer(count * sizeof(MetalVertex), 0, kFvf, D3DPOOL_MANAGED,
                                         &vertexBuffer);
        indexBuffer = mesh->indexBuffer;
        BYTE* source = nullptr;
        BYTE* target = nullptr;
        if (vertexBuffer && SUCCEEDED(mesh->vertexBuffer->Lock(0, 0, &source, D3DLOCK_DISCARD))) {
            if (SUCCEEDED(vertexBuffer->Lock(0, 0, &target, D3DLOCK_DISCARD))) {
                const UINT available = mesh->vertexBuffer->size() / scene::kObjectVertexStride;
                for (UINT i = 0; i < count && i < available; ++i) {
                    float in[8];
                    std::memcpy(in, source + static_cast<size_t>(i) * scene::kObjectVertexStride,
                                sizeof in);
                    // Scaled down and moved out to the radius of the ring.
                    const MetalVertex v = {{in[0] * 0.15f - 400.0f, in[1] * 0.15f, in[2] * 0.15f},
                                           {in[3], in[4], in[5]},
                                           {in[6], in[7]},
                                           {in[6], in[7]}};
                    std::memcpy(target + static_cast<size_t>(i) * sizeof(MetalVertex), &v,
                                sizeof v);
                }
                vertexBuffer->Unlock();
            }
            mesh->vertexBuffer->Unlock();
        }
    }

    material = D3DMATERIAL8{};
    material.Diffuse = Colour(0.8f, 0.8f, 0.8f, 1.0f);
    material.Ambient = Colour(0.2f, 0.2f, 0.2f, 1.0f);
    material.Specular = Colour(2.0f, 2.0f, 2.0f, 1.0f);
    material.Emissive = Colour(0.0f, 0.0f, 0.0f, 0.0f);
    material.Power = 5.0f;

    light = D3DLIGHT8{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = Colour(0.8f, 0.8f, 0.8f, 0.0f);
    light.Specular = Colour(1.5f, 1.5f, 1.5f, 0.0f);
    light.Ambient = Colour(1.0f, 1.0f, 1.0f, 0.0f);
    light.Range = 10000.0f;
    light.Falloff = 0.0f;
    light.Attenuation0 = 1.0f;
    light.Attenuation1 = 0.016f;
    light.Attenuation2 = 0.0f;

    if (RenderDevice)
        pixelShader = assets::CreatePixelProgram(*RenderDevice, "!shaders\\metal.pso");
}

void MetalObject::draw(float t) {
    IDirect3DDevice8& device = *RenderDevice;
    device.SetRenderState(D3DRS_LIGHTING, TRUE);
    device.SetRenderState(D3DRS_ZENABLE, TRUE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    for (DWORD stage = 0; stage < 2; ++stage) {
        device.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    device.SetTextureStageState(0, D3DTSS_TEXCOORDINDEX,
                                D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR | 1);
    device.SetTextureStageState(1, D3DTSS_TEXCOORDINDEX,
                                D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR | 2);

    const D3DXVECTOR3 eye(0.0f, 850.0f, 1200.0f), at = LookAt(t), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f, DisplayAspect(device), 1.0f, 5000.0f);

    D3DXVECTOR3 positions[3];
    LightPositions(t, positions);
    for (DWORD i = 0; i < 3; ++i) {
        light.Position = positions[i];
        device.SetLight(i, &light);
        device.LightEnable(i, TRUE);
    }

    device.SetMaterial(&material);
    device.SetTexture(0, baseTexture);
    device.SetTexture(1, detailTexture);
    device.SetTransform(D3DTS_VIEW, &view);
    device.SetTransform(D3DTS_PROJECTION, &projection);
    device.SetVertexShader(kFvf);
    device.SetPixelShader(pixelShader);
    device.SetIndices(indexBuffer, 0);
    device.SetStreamSource(0, vertexBuffer, sizeof(MetalVertex));
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);

    const UINT vertexCount = mesh ? static_cast<UINT>(mesh->vertexCount) : 0;
    const UINT faceCount = mesh ? static_cast<UINT>(mesh->faceCount) : 0;
    for (float k = 0.0f; k < 360.0f; k += 45.0f) {
        const D3DXMATRIX world = CopyMatrix(k, t);
        device.SetTransform(D3DTS_WORLD, &world);
        if (vertexBuffer && indexBuffer)
            device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, 0, faceCount);
    }
    device.SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
}

}  // namespace effects
