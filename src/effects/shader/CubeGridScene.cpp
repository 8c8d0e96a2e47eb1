#include "effects/shader/CubeGridScene.h"

#include <cmath>

#include "assets/TextureLoading.h"
#include "effects/objects/DisplayAspect.h"
#include "effects/shader/TangentFrames.h"
#include "gfx/GlobalDevice.h"

namespace effects {

CubeGridScene cubeGridScene;

CubeGridFrame CubeGridAt(float t) {
    const double u = static_cast<double>(t + 380.0f);
    CubeGridFrame f{};
    f.eye = {static_cast<float>(250.0 * std::cos(0.006 * u)),
             static_cast<float>(250.0 * std::sin(0.005 * u) + 150.0 * std::cos(0.004 * u)),
             static_cast<float>(250.0 * std::sin(0.004 * u))};
    f.lookAt = {static_cast<float>(330.0 * std::cos(0.008 * u)),
                static_cast<float>(400.0 * std::sin(0.005 * u + 3.0) + 390.0 * std::cos(0.006 * u)),
                static_cast<float>(530.0 * std::sin(0.004 * u))};
    f.lightA[0] = static_cast<float>(445.0 * std::sin(0.03 * u));
    f.lightA[1] = static_cast<float>(300.0 * std::cos(0.033 * u));
    f.lightA[2] = static_cast<float>(200.0 * std::cos(0.02 * u));
    f.lightA[3] = 1.0f;
    f.lightB[0] = 0.0f;
    f.lightB[1] = static_cast<float>(500.0 * std::cos(0.013 * u));
    f.lightB[2] = 0.0f;
    f.lightB[3] = 1.0f;
    f.spacing = static_cast<float>(409.0 + 9.0 * std::sin(0.05 * u));
    return f;
}

void CubeGridScene::init() {
    bumpTexture = LoadImageTexture("!textures\\bump1.tga", D3DPOOL_DEFAULT);
    surfaceTexture = LoadJpegTexture("!textures\\boxtext1.jpg");
    PrepareShaderMesh(mesh, object, PositionMapping{}, ShaderMeshContent::Textured);
    buildTangentFrames(mesh);
    programs =
        CreateBumpLitPrograms(*RenderDevice, "!shaders\\shading2.vso", "!shaders\\shading2.pso");
}

void CubeGridScene::draw(float t) {
    IDirect3DDevice8& device = *RenderDevice;
    BumpLitFramePrologue(device, kLightRange);

    const CubeGridFrame f = CubeGridAt(t);
    eyePosition[0] = f.eye.x;
    eyePosition[1] = f.eye.y;
    eyePosition[2] = f.eye.z;
    eyePosition[3] = 0.0f;
    lookAt[0] = f.lookAt.x;
    lookAt[1] = f.lookAt.y;
    lookAt[2] = f.lookAt.z;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&viewMatrix, &f.eye, &f.lookAt, &up);
    D3DXMatrixPerspectiveFovLH(&projectionMatrix, 2.0943952f, DisplayAspect(device), 1.0f, 2000.0f);
    device.SetTransform(D3DTS_VIEW, &viewMatrix);
    device.SetTransform(D3DTS_PROJECTION, &projectionMatrix);

    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    // Light passes of A then B summed, times the surface lit by A, plus the surface lit by B.
    struct Batch {
        const float* light;
        DWORD srcBlend, destBlend;
        bool surface;
    };
    const Batch batches[4] = {{f.lightA, D3DBLEND_ONE, D3DBLEND_ZERO, false},
                              {f.lightB, D3DBLEND_ONE, D3DBLEND_ONE, false},
                              {f.lightA, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, true},
                              {f.lightB, D3DBLEND_ONE, D3DBLEND_ONE, true}};
    const BumpLitMesh m = mesh.passMesh();
    const float s = f.spacing;
    D3DXMatrixIdentity(&worldMatrix);
    for (const Batch& batch : batches) {
        for (int c = 0; c < 4; ++c) lightPosition[c] = batch.light[c];
        uploadFrameConstants(device, lightPosition, eyePosition, viewMatrix, projectionMatrix);
        device.SetRenderState(D3DRS_SRCBLEND, batch.srcBlend);
        device.SetRenderState(D3DRS_DESTBLEND, batch.destBlend);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) {
                    worldMatrix.m[3][0] = static_cast<float>(i) * s - 500.0f;
                    worldMatrix.m[3][1] = static_cast<float>(j) * s - 500.0f;
                    worldMatrix.m[3][2] = static_cast<float>(k) * s - 500.0f;
                    UploadWorldMatrix(device, worldMatrix);
                    if (!mesh.drawable()) continue;
                    if (batch.surface)
                        SurfacePass(device, m, surfaceTexture, bumpTexture, cubeMap, programs,
                                    false);
                    else
                        LightPass(device, m, attenuationTexture, programs,
                                  LightPassOptions{false, D3DCULL_CW});
                }
    }
}

}  // namespace effects
