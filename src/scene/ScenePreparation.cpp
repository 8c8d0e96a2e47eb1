#include "scene/ScenePreparation.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "assets/TextureLoading.h"
#include "gfx/GlobalDevice.h"
#include "imaging/D3DXTexture.h"
#include "platform/ErrorReport.h"
#include "scene/Emitters.h"
#include "scene/ObjectBuffers.h"
#include "scene/SceneDrawing.h"
#include "scene/SceneLights.h"
#include "scene/Track.h"

namespace scene {

std::string FlarePicturePath = "point.bmp";

namespace {

constexpr DWORD kFlareFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 0x42
constexpr UINT kFlareStride = 16;

// Grey of an object that has no material to take its colours from.
constexpr float kNeutralGrey = 0.6f;

IDirect3DTexture8* LoadMaterialPicture(const scene3ds::SceneName& fileName, const char* failure) {
    const std::string entry = ScenePathPrefix + fileName.str();
    IDirect3DTexture8* texture = LoadJpegTexture(entry, D3DPOOL_MANAGED);
    if (!texture) platform::ShowMessage(entry, failure);
    return texture;
}

}  // namespace

void AlphaFromBlue(IDirect3DTexture8& texture) {
    const DWORD levels = texture.GetLevelCount();
    for (UINT level = 0; level < levels; ++level) {
        D3DSURFACE_DESC desc;
        if (FAILED(texture.GetLevelDesc(level, &desc)) || desc.Format != D3DFMT_A8R8G8B8) continue;
        D3DLOCKED_RECT locked{};
        if (FAILED(texture.LockRect(level, &locked, nullptr, 0)) || !locked.pBits) {
            platform::ShowMessage("Error!!!!", "Error!!!!");
            continue;
        }
        auto* bits = static_cast<uint8_t*>(locked.pBits);
        for (UINT y = 0; y < desc.Height; ++y) {
            uint8_t* row = bits + static_cast<ptrdiff_t>(y) * locked.Pitch;
            for (UINT x = 0; x < desc.Width; ++x) row[4 * x + 3] = row[4 * x];
        }
        texture.UnlockRect(level);
    }
}

void PrepareMaterials(scene3ds::Scene& scene) {
    for (scene3ds::Material* m = scene.materials; m; m = m->next) {
        m->texture = nullptr;
        if (m->textureName) m->texture = LoadMaterialPicture(m->textureName, "TextureError!!!!");
        if (m->hasOpacityMap) {
            m->opacityTexture = nullptr;
            if (m->opacityMapName)
                m->opacityTexture = LoadMaterialPicture(m->opacityMapName, "OpacityError!!!!");
            if (m->opacityTexture) AlphaFromBlue(*m->opacityTexture);
        }
    }
}

void PrepareCameras(scene3ds::Scene& scene) {
    for (scene3ds::SceneCamera* c = scene.cameras; c; c = c->next) PrepareCamera(*c);
}

void PrepareCamera(scene3ds::SceneCamera& camera) {
    SetupVectorTrack(camera.positionTrack);
    SetupVectorTrack(camera.targetTrack);
    SetupScalarTrack(camera.rollTrack);
    SetupScalarTrack(camera.fovTrack);
    SampleCamera(camera, 0.0f);
}

void ComputeBounds(scene3ds::SceneObject& object) {
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    const size_t vertices =
        std::min(object.positions.size() / 3, static_cast<size_t>(std::max(object.vertexCount, 0)));
    for (size_t i = 0; i < vertices; ++i) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], object.positions[3 * i + k]);
            hi[k] = std::max(hi[k], object.positions[3 * i + k]);
        }
    }
    std::memcpy(object.boundsMin, lo, sizeof lo);
    std::memcpy(object.boundsMax, hi, sizeof hi);
    object.boundsCentre[0] = object.boundsCentre[1] = object.boundsCentre[2] = 0.0f;
    const float corners[8][3] = {
        {lo[0], lo[1], lo[2]}, {hi[0], lo[1], lo[2]}, {hi[0], lo[1], hi[2]}, {lo[0], lo[1], hi[2]},
        {lo[0], hi[1], lo[2]}, {hi[0], hi[1], lo[2]}, {hi[0], hi[1], hi[2]}, {lo[0], hi[1], hi[2]}};
    std::memcpy(object.boundsCorners, corners, sizeof corners);
}

D3DMATERIAL8 SurfaceFromMaterial(const scene3ds::Material* material) {
    D3DMATERIAL8 s{};
    if (!material) {
        s.Diffuse = {kNeutralGrey, kNeutralGrey, kNeutralGrey, 1.0f};
        s.Ambient = {0.4f * kNeutralGrey, 0.4f * kNeutralGrey, 0.4f * kNeutralGrey, 1.0f};
        s.Specular = {0.0f, 0.0f, 0.0f, 1.0f};
        return s;
    }
    const scene3ds::Material& m = *material;
    s.Diffuse = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.opacity};
    s.Ambient = {0.4f * m.ambient[0], 0.4f * m.ambient[1], 0.4f * m.ambient[2], m.opacity};
    const float highlight = 2.5f * m.shininessStrength;
    s.Specular = {highlight * m.specular[0], highlight * m.specular[1], highlight * m.specular[2],
                  1.0f};
    s.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    s.Power = m.shininess;
    return s;
}

void PrepareObjects(scene3ds::Scene& scene) {
    for (scene3ds::SceneObject* o = scene.objects; o; o = o->next) {
        o->material = ResolveMaterial(scene, o->materialName);
        LoadObjectNormals(*o);
        o->visible = 0;
        ComputeBounds(*o);
        BuildObjectBuffers(*o);
        SetupVectorTrack(o->positionTrack);
        SetupVectorTrack(o->scaleTrack);
        SetupRotationTrack(o->rotationTrack);
        SetObjectMatrix(*o, 0.0f);
        o->envMapMatrix = o->worldMatrix;
        o->isStatic = (o->positionTrack.keyCount == 1 && o->scaleTrack.keyCount == 1 &&
                       o->rotationTrack.keyCount == 1)
                          ? 1
                          : 0;
        o->restMatrix = o->worldMatrix;
        o->surface = SurfaceFromMaterial(o->material);
        o->visible = 1;
    }
}

void ComputeHierarchyDepths(scene3ds::Scene& scene) {
    for (scene3ds::SceneObject* parent = scene.objects; parent; parent = parent->next) {
        for (scene3ds::SceneObject* child = scene.objects; child; child = child->next) {
            if (child->parentId == parent->nodeId) child->depth = parent->depth + 1;
        }
    }
    int32_t deepest = 0;
    for (scene3ds::SceneObject* o = scene.objects; o; o = o->next)
        deepest = std::max(deepest, o->depth);
    MaxHierarchyDepth = deepest;
}

void PrepareLights(scene3ds::Scene& scene) {
    DWORD index = 0;
    for (scene3ds::SceneLight* l = scene.omniLights; l; l = l->next) {
        SetupVectorTrack(l->positionTrack);
        SetupVectorTrack(l->colourTrack);
        l->isStatic = (l->positionTrack.keyCount < 3 && l->colourTrack.keyCount < 3) ? 1 : 0;
        if (l->isFlare) {
            ++scene.flareCount;
            continue;
        }
        SetOmniLight(*l, index++);
    }
    for (scene3ds::SceneSpotLight* s = scene.spotLights; s; s = s->next) {
        SetupVectorTrack(s->positionTrack);
        SetupVectorTrack(s->targetTrack);
        SetupScalarTrack(s->hotspotTrack);
        SetupScalarTrack(s->falloffTrack);
        SampleSpotLight(*s, 0.0f);
        SetSpotLight(*s, index++);
    }
}

void PrepareEmitters(scene3ds::Scene& scene, RandomGenerator& random) {
    scene.emitters = nullptr;
    scene.emitterStorage.reset();
    if (scene.emitterCount <= 0) return;
    std::shared_ptr<EmitterRecord[]> records(new EmitterRecord[scene.emitterCount]);
    scene.emitters = records.get();
    scene.emitterStorage = std::shared_ptr<void>(records, records.get());
    int32_t next = 0;
    for (scene3ds::SceneObject* o = scene.objects; o && next < scene.emitterCount; o = o->next) {
        if (o->isEmitter) SetupEmitter(scene.emitters[next++], ScenePathPrefix, *o, random);
    }
}

void PrepareFlares(scene3ds::Scene& scene) {
    scene.flareTexture = nullptr;
    D3DXCreateTextureFromFileA(RenderDevice, FlarePicturePath.c_str(), &scene.flareTexture);
    scene.flareVertexBuffer = nullptr;
    const UINT count = static_cast<UINT>(std::max(scene.flareCount, 0));
    RenderDevice->CreateVertexBuffer(count * kFlareStride, 0, kFlareFvf, D3DPOOL_MANAGED,
                                     &scene.flareVertexBuffer);
    if (count == 0 || !scene.flareVertexBuffer) return;
    BYTE* data = nullptr;
    if (FAILED(scene.flareVertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) return;
    UINT written = 0;
    for (scene3ds::SceneLight* l = scene.omniLights; l && written < count; l = l->next) {
        if (!l->isFlare) continue;
        struct {
            float x, y, z;
            D3DCOLOR colour;
        } vertex{l->position[0], l->position[1], l->position[2], 0xFFFFFFFF};
        static_assert(sizeof vertex == kFlareStride);
        std::memcpy(data + size_t{written} * kFlareStride, &vertex, sizeof vertex);
        ++written;
    }
    scene.flareVertexBuffer->Unlock();
}

int PrepareScene(scene3ds::Scene& scene, RandomGenerator& random) {
    PrepareMaterials(scene);
    PrepareCameras(scene);
    PrepareObjects(scene);
    ComputeHierarchyDepths(scene);
    PrepareLights(scene);
    PrepareEmitters(scene, random);
    PrepareFlares(scene);
    return 1;
}

}  // namespace scene
