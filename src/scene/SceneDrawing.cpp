#include "scene/SceneDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/GlobalDevice.h"
#include "scene/Emitters.h"
#include "scene/ObjectBuffers.h"
#include "scene/SceneLights.h"
#include "scene/Track.h"

namespace scene {

int32_t MaxHierarchyDepth = 0;

namespace {

void CopyVector(float out[3], const D3DXVECTOR3& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

void ComposeLevel(scene3ds::Scene& scene, int32_t depth) {
    for (scene3ds::SceneObject* parent = scene.objects; parent; parent = parent->next) {
        for (scene3ds::SceneObject* child = scene.objects; child; child = child->next) {
            if (child->parentId != parent->nodeId || child->depth != depth) continue;
            D3DXMATRIX world = child->worldMatrix;
            const D3DXMATRIX parentWorld = parent->worldMatrix;
            D3DXMatrixMultiply(&world, &world, &parentWorld);
            child->worldMatrix = world;
        }
    }
}

bool IsTransparent(const scene3ds::SceneObject& object) {
    return object.material && object.material->transparent;
}

bool Drawable(const scene3ds::SceneObject& object) {
    return object.vertexBuffer && object.indexBuffer && !object.isEmitter && object.visible;
}

// Steps shared by both passes before the draw: material, sphere map, world, texture.
void BindObject(scene3ds::SceneObject& object, const scene3ds::SceneCamera* camera) {
    RenderDevice->SetMaterial(&object.surface);
    if (object.material && object.material->sphereMapped && camera)
        ApplySphereMap(object, camera->viewMatrix);
    RenderDevice->SetTransform(D3DTS_WORLD, &object.worldMatrix);
    RenderDevice->SetTexture(0, object.material ? object.material->texture : nullptr);
}

void DrawObject(scene3ds::SceneObject& object) {
    RenderDevice->SetVertexShader(kObjectVertexFvf);
    RenderDevice->SetIndices(object.indexBuffer, 0);
    RenderDevice->SetStreamSource(0, object.vertexBuffer, kObjectVertexStride);
    RenderDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(object.vertexCount),
                                       0, static_cast<UINT>(object.faceCount));
}

// Colour from stage 0, alpha from the opacity map's alpha (its blue), pixels of alpha 22 or
// less discarded.
void SetOpacityMapStates(gfx::Texture* opacity) {
    RenderDevice->SetTexture(1, opacity);
    RenderDevice->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    RenderDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    RenderDevice->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    RenderDevice->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    RenderDevice->SetRenderState(D3DRS_TEXTUREFACTOR, 0);
    RenderDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    RenderDevice->SetRenderState(D3DRS_ALPHAREF, 22);
    RenderDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    RenderDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    RenderDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    RenderDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    RenderDevice->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    RenderDevice->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
}

// Back to the engine's usual stages; the opacity texture stays bound to stage 1.
void RestoreStagesAfterOpacityMap() {
    RenderDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    RenderDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    RenderDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    RenderDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    RenderDevice->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    RenderDevice->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    RenderDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    RenderDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    RenderDevice->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    RenderDevice->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
}

}  // namespace

void SelectCamera(scene3ds::Scene& scene, uint32_t index) {
    scene3ds::SceneCamera* camera = scene.cameras;
    for (uint32_t i = 1; i < index && camera && camera->next; ++i) camera = camera->next;
    scene.activeCamera = camera;
}

void SampleCamera(scene3ds::SceneCamera& camera, float frame) {
    CopyVector(camera.position, SampleVectorTrack(camera.positionTrack, frame));
    CopyVector(camera.target, SampleVectorTrack(camera.targetTrack, frame));
    camera.roll = SampleScalarTrack(camera.rollTrack, frame);
    camera.fov = SampleScalarTrack(camera.fovTrack, frame);
}

D3DXVECTOR3 CameraUpVector(float rollDegrees) {
    const float angle = rollDegrees * DEG_TO_RAD;
    return D3DXVECTOR3(std::sin(angle), std::cos(angle), 0.0f);
}

void SetObjectMatrix(scene3ds::SceneObject& object, float frame) {
    const D3DXVECTOR3 p = SampleVectorTrack(object.positionTrack, frame);
    const D3DXVECTOR3 s = SampleVectorTrack(object.scaleTrack, frame);
    const D3DXQUATERNION q = SampleRotationTrack(object.rotationTrack, frame);
    const D3DXMATRIX scale(s.x, 0, 0, 0, 0, s.y, 0, 0, 0, 0, s.z, 0, 0, 0, 0, 1);
    D3DXMATRIX rotation;
    RotationMatrixFromQuaternion(&rotation, &q);
    const D3DXMATRIX translation(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, p.x, p.y, p.z, 1);
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &scale, &rotation);
    D3DXMatrixMultiply(&world, &world, &translation);
    object.worldMatrix = world;
}

void ComposeHierarchy(scene3ds::Scene& scene) {
    if (MaxHierarchyDepth >= 1) ComposeLevel(scene, 1);
    if (MaxHierarchyDepth >= 2) ComposeLevel(scene, 2);
}

void UpdateScene(scene3ds::Scene& scene, float frame, SceneParticles& particles,
                 RandomGenerator& random) {
    if (scene3ds::SceneCamera* camera = scene.activeCamera) {
        SampleCamera(*camera, frame);
        const D3DXVECTOR3 eye(camera->position), at(camera->target);
        const D3DXVECTOR3 up = CameraUpVector(camera->roll);
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        camera->viewMatrix = view;
        camera->fov = (camera->fov + 1.0f) * DEG_TO_RAD;
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, camera->fov, scene.aspectRatio, kNearPlane,
                                   kFarPlane);
        RenderDevice->SetTransform(D3DTS_PROJECTION, &projection);
        RenderDevice->SetTransform(D3DTS_VIEW, &camera->viewMatrix);
    }

    for (scene3ds::SceneObject* o = scene.objects; o; o = o->next) SetObjectMatrix(*o, frame);
    ComposeHierarchy(scene);
    for (scene3ds::SceneObject* o = scene.objects; o; o = o->next) o->envMapMatrix = o->worldMatrix;

    for (DWORD i = 0; i < kSceneLightSlots; ++i) RenderDevice->LightEnable(i, FALSE);
    DWORD index = 0;
    for (scene3ds::SceneLight* l = scene.omniLights; l; l = l->next) {
        SampleOmniLight(*l, frame);
        if (l->isFlare) continue;
        std::memcpy(l->attenuation, scene.lightAttenuation, sizeof l->attenuation);
        SetOmniLight(*l, index++);
    }
    for (scene3ds::SceneSpotLight* s = scene.spotLights; s; s = s->next) {
        SampleSpotLight(*s, frame);
        std::memcpy(s->attenuation, scene.lightAttenuation, sizeof s->attenuation);
        SetSpotLight(*s, index++);
    }

    if (scene.emitters) {
        const size_t count = std::min(static_cast<size_t>(std::max(scene.emitterCount, 0)),
                                      particles.emitters.size());
        for (size_t i = 0; i < count; ++i)
            UpdateEmitter(scene.emitters[i], particles.emitters[i], frame, random);
    }
}

void DrawScene(scene3ds::Scene& scene, const SceneParticles& particles) {
    IDirect3DDevice8* device = RenderDevice;
    device->SetRenderState(D3DRS_FOGENABLE, scene.fogEnable);
    device->SetRenderState(D3DRS_FOGCOLOR, scene.fogColor);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    device->SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(scene.fogDensity));
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, scene.ambientColor);
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSW, D3DTADDRESS_WRAP);
    }
    device->SetPixelShader(0);

    const scene3ds::SceneCamera* camera = scene.activeCamera;
    for (scene3ds::SceneObject* o = scene.objects; o; o = o->next) {
        if (!Drawable(*o) || IsTransparent(*o)) continue;
        BindObject(*o, camera);
        DrawObject(*o);
    }

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    for (scene3ds::SceneObject* o = scene.objects; o; o = o->next) {
        if (!Drawable(*o) || !IsTransparent(*o)) continue;
        BindObject(*o, camera);
        const bool opacityMap = o->material->hasOpacityMap != 0;
        if (opacityMap) SetOpacityMapStates(o->material->opacityTexture);
        DrawObject(*o);
        if (opacityMap) RestoreStagesAfterOpacityMap();
    }

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    if (scene.emitters) {
        const size_t count = std::min(static_cast<size_t>(std::max(scene.emitterCount, 0)),
                                      particles.emitters.size());
        for (size_t i = 0; i < count; ++i) DrawEmitter(scene.emitters[i], particles.emitters[i]);
    }

    device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
}

void ApplySphereMap(scene3ds::SceneObject& object, const D3DXMATRIX& view) {
    if (!object.vertexBuffer) return;
    const D3DXMATRIX env = object.envMapMatrix;
    D3DXMATRIX m;
    D3DXMatrixMultiply(&m, &env, &view);
    BYTE* data = nullptr;
    if (FAILED(object.vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) return;
    const size_t vertices = object.vertexBuffer->size() / kObjectVertexStride;
    for (size_t i = 0; i < vertices; ++i) {
        BYTE* vertex = data + i * kObjectVertexStride;
        float n[3];
        std::memcpy(n, vertex + 12, sizeof n);
        const float uv[2] = {
            (n[0] * m.m[0][0] + n[1] * m.m[1][0] + n[2] * m.m[2][0] + 1.0f) * 0.5f,
            (n[0] * m.m[0][1] + n[1] * m.m[1][1] + n[2] * m.m[2][1] + 1.0f) * 0.5f};
        std::memcpy(vertex + 24, uv, sizeof uv);
    }
    object.vertexBuffer->Unlock();
}

}  // namespace scene
