#include "effects/shader/RotatingMeshScene.h"

#include <cmath>

#include "assets/TextureLoading.h"
#include "effects/objects/DisplayAspect.h"
#include "effects/shader/TangentFrames.h"
#include "gfx/GlobalDevice.h"

namespace effects {

RotatingMeshScene rotatingMeshScene;

void RotatingMeshScene::init() {
    surfaceTexture = LoadJpegTexture("!textures\\boxtext.jpg");
    PrepareShaderMesh(mesh, object, PositionMapping{125.0f, {}}, ShaderMeshContent::Textured);
    buildTangentFrames(mesh);
    programs =
        CreateBumpLitPrograms(*RenderDevice, "!shaders\\shading2.vso", "!shaders\\shading2.pso");
}

void RotatingMeshScene::draw(float t) {
    IDirect3DDevice8& device = *RenderDevice;
    BumpLitFramePrologue(device, kLightRange);

    eyePosition[0] = 0.0f;
    eyePosition[1] = 220.0f;
    eyePosition[2] = 310.0f;
    eyePosition[3] = 0.0f;
    const D3DXVECTOR3 eye(0.0f, 220.0f, 310.0f), at(-500.0f, -500.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&viewMatrix, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projectionMatrix, 1.7453293f, DisplayAspect(device), 1.0f, 2000.0f);
    device.SetTransform(D3DTS_VIEW, &viewMatrix);
    device.SetTransform(D3DTS_PROJECTION, &projectionMatrix);

    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    lightPosition[0] = static_cast<float>(545.0 * std::sin(0.03 * t));
    lightPosition[1] = static_cast<float>(500.0 * std::cos(0.033 * t));
    lightPosition[2] = static_cast<float>(500.0 * std::cos(0.02 * t));
    lightPosition[3] = 1.0f;
    uploadFrameConstants(device, lightPosition, eyePosition, viewMatrix, projectionMatrix);

    const D3DXVECTOR3 axis(0.7f, 0.4f, 0.2f);
    D3DXMatrixRotationAxis(&worldMatrix, &axis, static_cast<float>(0.005 * t));
    UploadWorldMatrix(device, worldMatrix);

    if (!mesh.drawable()) return;
    const BumpLitMesh m = mesh.passMesh();
    LightPass(device, m, attenuationTexture, programs);
    SurfacePass(device, m, surfaceTexture, bumpTexture, cubeMap, programs);
}

}  // namespace effects
