#include "effects/shader/RingScene.h"

#include <cmath>

#include "assets/TextureLoading.h"
#include "effects/objects/DisplayAspect.h"
#include "effects/objects/PointField.h"
#include "effects/shader/TangentFrames.h"
#include "gfx/GlobalDevice.h"

namespace effects {

RingScene ringScene;

D3DXVECTOR3 RingLookAt(float e0, float e1) {
    const float g = 1.0f - 450.0f / e0;
    const float m = e1 <= 450.0f ? g : 0.0f;
    return {430.0f + 200.0f * m, 430.0f - 200.0f * m, 0.0f};
}

void RingScene::init() {
    pointField.init();
    ringSurfaceTexture = LoadImageTexture("!textures\\metal.tga", D3DPOOL_DEFAULT);
    centreSurfaceTexture = LoadImageTexture("!textures\\text.tga", D3DPOOL_DEFAULT);
    bumpTexture = LoadImageTexture("!textures\\bump.tga", D3DPOOL_DEFAULT);
    attenuationTexture = LoadImageTexture("!textures\\pointlight.tga", D3DPOOL_DEFAULT);
    // A cube map that cannot be made leaves the surface passes without one; nothing else.
    buildNormalisationCubeMap(RenderDevice, 512, 0, cubeMap, cubeMapDescription);
    // The ring piece is shrunk to a tenth and moved out along x, so the quarter turn and the
    // eighth turns of the copies set it on a circle round the centre drum.
    PrepareShaderMesh(ringMesh, ringObject, PositionMapping{0.1f, {-50.0f, 0.0f, 0.0f}},
                      ShaderMeshContent::Textured);
    PrepareShaderMesh(centreMesh, centreObject, PositionMapping{55.0f, {}},
                      ShaderMeshContent::Textured);
    buildTangentFrames(ringMesh);
    buildTangentFrames(centreMesh);
    programs =
        CreateBumpLitPrograms(*RenderDevice, "!shaders\\shading2.vso", "!shaders\\shading2.pso");
}

void RingScene::draw(float t, timing::SceneTimer& glideTimer) {
    IDirect3DDevice8& device = *RenderDevice;
    BumpLitFramePrologue(device, kLightRange);

    const double turn = 0.005 * t;
    eyePosition[0] = 0.0f;
    eyePosition[1] = static_cast<float>(200.0 * std::sin(turn) + 520.0 * std::cos(turn));
    eyePosition[2] = 510.0f;
    eyePosition[3] = 0.0f;

    glideTimer.Start();
    const float e0 = glideTimer.elapsed;
    glideTimer.Update();
    const float e1 = glideTimer.elapsed;
    const D3DXVECTOR3 lookAt = RingLookAt(e0, e1);
    // On the glide's very first frame e0 is 0 and the point lies at infinity: there is no
    // view to draw with, so that one frame shows nothing of the scene.
    if (!std::isfinite(lookAt.x) || !std::isfinite(lookAt.y)) return;

    const D3DXVECTOR3 eye(eyePosition[0], eyePosition[1], eyePosition[2]);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&viewMatrix, &eye, &lookAt, &up);
    D3DXMatrixPerspectiveFovLH(&projectionMatrix, 1.7453293f, DisplayAspect(device), 1.0f, 2000.0f);
    device.SetTransform(D3DTS_VIEW, &viewMatrix);
    device.SetTransform(D3DTS_PROJECTION, &projectionMatrix);

    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    lightPosition[0] = 245.0f;
    lightPosition[1] = 0.0f;
    lightPosition[2] = 0.0f;
    lightPosition[3] = 1.0f;
    uploadFrameConstants(device, lightPosition, eyePosition, viewMatrix, projectionMatrix);

    const D3DXVECTOR3 yAxis(0.0f, 1.0f, 0.0f), xAxis(1.0f, 0.0f, 0.0f);
    D3DXMATRIX ringTurn, standUp;
    D3DXMatrixRotationAxis(&ringTurn, &yAxis, static_cast<float>(0.002 * t));
    D3DXMatrixRotationAxis(&standUp, &xAxis, 1.5707964f);

    const BumpLitMesh ring = ringMesh.passMesh();
    for (int i = 0; i < 8; ++i) {
        D3DXMATRIX copyTurn;
        D3DXMatrixRotationAxis(&copyTurn, &yAxis, static_cast<float>(i) * 0.7853982f);
        D3DXMatrixMultiply(&worldMatrix, &standUp, &copyTurn);
        D3DXMatrixMultiply(&worldMatrix, &worldMatrix, &ringTurn);
        UploadWorldMatrix(device, worldMatrix);
        if (!ringMesh.drawable()) continue;
        LightPass(device, ring, attenuationTexture, programs);
        SurfacePass(device, ring, ringSurfaceTexture, bumpTexture, cubeMap, programs);
    }

    D3DXMatrixRotationAxis(&worldMatrix, &yAxis, static_cast<float>(-0.002 * t));
    UploadWorldMatrix(device, worldMatrix);
    if (centreMesh.drawable()) {
        const BumpLitMesh centre = centreMesh.passMesh();
        LightPass(device, centre, attenuationTexture, programs,
                  LightPassOptions{true, D3DCULL_NONE});
        SurfacePass(device, centre, centreSurfaceTexture, bumpTexture, cubeMap, programs);
    }

    D3DXMatrixIdentity(&pointField.worldMatrix);
    pointField.viewMatrix = viewMatrix;
    pointField.projectionMatrix = projectionMatrix;
    pointField.draw(e1);
}

}  // namespace effects
