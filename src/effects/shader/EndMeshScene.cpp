#include "effects/shader/EndMeshScene.h"

#include "assets/TextureLoading.h"
#include "effects/objects/DisplayAspect.h"
#include "gfx/GlobalDevice.h"
#include "scene/SceneDrawing.h"
#include "scene/Track.h"

namespace effects {

EndMeshScene endMeshScene;

void EndMeshScene::init() {
    surfaceTexture = LoadJpegTexture("!textures\\boxtext.jpg");
    if (object) {
        scene::SetupVectorTrack(object->positionTrack);
        scene::SetupRotationTrack(object->rotationTrack);
        scene::SetupVectorTrack(object->scaleTrack);
        // The object never moves: its placement at frame 0 serves every frame.
        scene::SetObjectMatrix(*object, 0.0f);
    }
    PrepareShaderMesh(mesh, object, PositionMapping{}, ShaderMeshContent::PositionsAndNormals);
    programs =
        CreateBumpLitPrograms(*RenderDevice, "!shaders\\shading32.vso", "!shaders\\shading32.pso");
}

void EndMeshScene::draw(float t) {
    IDirect3DDevice8& device = *RenderDevice;
    BumpLitFramePrologue(device, kLightRange);
    // Without a camera there is no view to draw through.
    if (!camera) return;

    scene::SampleCamera(*camera, 0.35f * t + 50.0f);
    eyePosition[0] = camera->position[0];
    eyePosition[1] = camera->position[1];
    eyePosition[2] = camera->position[2];
    eyePosition[3] = 0.0f;
    // The camera's roll and field of view are sampled with it but play no part here.
    const D3DXVECTOR3 eye(camera->position), target(camera->target), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&viewMatrix, &eye, &target, &up);
    D3DXMatrixPerspectiveFovLH(&projectionMatrix, 1.3659099f, DisplayAspect(device), 1.0f, 6800.0f);

    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    lightPosition[0] = 0.0f;
    lightPosition[1] = 89.0f;
    lightPosition[2] = 0.0f;
    lightPosition[3] = 1.0f;
    uploadFrameConstants(device, lightPosition, eyePosition, viewMatrix, projectionMatrix);

    const D3DXMATRIX objectWorld = object ? D3DXMATRIX(object->worldMatrix) : D3DXMATRIX();
    D3DXMatrixTranspose(&worldMatrix, &objectWorld);
    device.SetVertexShaderConstant(kRegWorld, &worldMatrix, 4);
    if (!mesh.drawable()) return;

    const BumpLitMesh m = mesh.passMesh();
    LightPass(device, m, attenuationTexture, programs);

    for (DWORD stage = 0; stage < 2; ++stage) {
        device.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    device.SetRenderState(D3DRS_WRAP0, 0);
    device.SetRenderState(D3DRS_WRAP1, 0);
    device.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.SetTexture(0, surfaceTexture);
    device.SetTexture(1, cubeMap);
    device.SetTexture(2, cubeMap);
    device.SetTexture(3, cubeMap);
    device.SetVertexShader(programs.surfaceVertex);
    device.SetPixelShader(programs.surfacePixel);
    device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
    device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m.vertexCount, 0, m.faceCount);
    device.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

}  // namespace effects
