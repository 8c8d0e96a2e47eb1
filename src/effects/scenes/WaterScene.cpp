#include "effects/scenes/WaterScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "assets/TextureLoading.h"
#include "effects/scenes/DisplayAspect.h"
#include "gfx/GlobalDevice.h"
#include "platform/ErrorReport.h"
#include "scene/Emitters.h"
#include "scene/ObjectBuffers.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"

namespace effects {

WaterScene waterScene;

namespace water {

D3DXMATRIX MirrorMatrix() {
    const D3DXPLANE surface(0.0f, 1.0f, 0.0f, -kLevel);
    D3DXMATRIX m;
    D3DXMatrixReflect(&m, &surface);
    return m;
}

void MirrorLight(D3DLIGHT8& light, const D3DXMATRIX& mirror) {
    const D3DXVECTOR3 position(light.Position);
    D3DXVECTOR3 mirrored;
    D3DXVec3TransformCoord(&mirrored, &position, &mirror);
    light.Position = mirrored;
    light.Direction.y = -light.Direction.y;
}

void BuildBumpTexels(const uint8_t* source, int sourcePitch, uint8_t* bump, int bumpPitch,
                     uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return;
    auto blue = [&](uint32_t row, uint32_t column) -> int {
        return source[static_cast<ptrdiff_t>(row) * sourcePitch + 4 * static_cast<size_t>(column)];
    };
    for (uint32_t i = 0; i < height; ++i) {
        const uint32_t above = i == 0 ? 0 : i - 1;
        const uint32_t below = i + 1 == height ? i : i + 1;
        uint8_t* out = bump + static_cast<ptrdiff_t>(i) * bumpPitch;
        for (uint32_t j = 0; j < width; ++j) {
            const int c = blue(i, j);
            const int l = blue(i, j == 0 ? 0 : j - 1);
            const int r = blue(i, j + 1 == width ? j : j + 1);
            const int du = (c < l && c < r) ? l - c : l - r;
            const int dv = blue(above, j) - blue(below, j);
            uint8_t* texel = out + 4 * static_cast<size_t>(j);
            texel[0] = static_cast<uint8_t>(du & 0xFF);
            texel[1] = static_cast<uint8_t>(dv & 0xFF);
            texel[2] = c <= 1 ? 127 : 63;
            texel[3] = 0;
        }
    }
}

void WriteRipple(uint8_t* vertices, float phase) {
    for (int i = 0; i < kGridSide; ++i) {
        for (int j = 0; j < kGridSide; ++j) {
            uint8_t* vertex =
                vertices + static_cast<size_t>(kGridSide * i + j) * scene::kObjectVertexStride;
            float position[3];
            std::memcpy(position, vertex, sizeof position);
            const float x = position[0], z = position[2];
            const float d =
                0.15f * std::sin(0.04f * phase + 0.01f * 0.5f * std::sqrt(x * x + z * z));
            const float uv[2] = {0.01f * static_cast<float>(j) + d,
                                 0.01f * static_cast<float>(i) + d};
            std::memcpy(vertex + 24, uv, sizeof uv);
        }
    }
}

}  // namespace water

namespace {

void Report(const std::string& text) { ShowError(std::string(water::kSceneEntry) + ": " + text); }

}  // namespace

void WaterScene::Load(scene::RandomGenerator& random) {
    if (!RenderDevice) return;
    ownedScene_ = std::make_unique<scene3ds::Scene>();
    scene = ownedScene_.get();
    waterPlane = nullptr;
    rippleGrid = false;
    planePicture = nullptr;
    bumpTexture = nullptr;

    ScenePathPrefix = water::kScenePrefix;
    Load3dsScene(water::kSceneEntry, *scene);
    scene::SelectCamera(*scene, 1);
    scene->aspectRatio = DisplayAspect();
    std::memcpy(scene->lightAttenuation, water::kAttenuation, sizeof water::kAttenuation);
    scene->ambientColor = water::kAmbient;
    scene::PrepareScene(*scene, random);

    FindWaterPlane();
    BuildBumpTexture();

    RenderDevice->SetClipPlane(0, water::kBelowPlane);
    RenderDevice->SetClipPlane(1, water::kAbovePlane);

    waterTexture = LoadJpegTexture(water::kWaterPicture, D3DPOOL_DEFAULT);
    mirrorTarget.width = mirrorTarget.height = water::kTargetSize;
    mirrorTarget.create();
    surfaceTarget.width = surfaceTarget.height = water::kTargetSize;
    surfaceTarget.create();
    if (effectQuad) effectQuad->init();
}

WaterSceneState WaterScene::StartState() const {
    WaterSceneState state;
    if (scene) state.particles = scene::StartParticles(*scene);
    return state;
}

void WaterScene::FindWaterPlane() {
    for (scene3ds::SceneObject* o = scene->objects; o; o = o->next) {
        if (o->name.startsWith("Pla")) waterPlane = o;
    }
    if (!waterPlane) {
        // A scene that did not load at all has been reported by the pack reader already.
        if (scene->objects)
            Report(
                "no water plane (an object whose name begins with \"Pla\"); "
                "the scene plays without its water");
        return;
    }
    waterPlane->visible = 0;
    if (!waterPlane->vertexBuffer) {
        Report("the water plane \"" + waterPlane->name.str() +
               "\" has no geometry; the scene plays without its water");
        return;
    }
    rippleGrid = waterPlane->vertexCount == water::kGridVertices &&
                 waterPlane->vertexBuffer->size() >=
                     static_cast<size_t>(water::kGridVertices) * scene::kObjectVertexStride;
    if (!rippleGrid)
        Report("the water plane \"" + waterPlane->name.str() + "\" has " +
               std::to_string(waterPlane->vertexCount) +
               " vertices, not the 51 x 51 grid the ripple moves; the water stays still");
}

void WaterScene::BuildBumpTexture() {
    if (!waterPlane || !waterPlane->vertexBuffer) return;
    scene3ds::Material* material = waterPlane->material;
    planePicture = material ? material->texture : nullptr;
    if (!planePicture) {
        Report("the water plane \"" + waterPlane->name.str() +
               "\" has no picture to make its bump map from; the reflection stays unrippled");
        return;
    }
    D3DSURFACE_DESC desc{};
    if (FAILED(planePicture->GetLevelDesc(0, &desc)) || desc.Format != D3DFMT_A8R8G8B8 ||
        desc.Width == 0 || desc.Height == 0) {
        Report("the water plane's picture is not a 32-bit picture; the reflection stays unrippled");
        return;
    }
    IDirect3DTexture8* bump = nullptr;
    if (FAILED(RenderDevice->CreateTexture(desc.Width, desc.Height, 1, 0, D3DFMT_X8L8V8U8,
                                           D3DPOOL_MANAGED, &bump)) ||
        !bump) {
        Report("the device cannot make the water's bump map; the reflection stays unrippled");
        return;
    }
    D3DLOCKED_RECT from{}, to{};
    const bool sourceLocked = SUCCEEDED(planePicture->LockRect(0, &from, nullptr, 0)) && from.pBits;
    const bool bumpLocked = SUCCEEDED(bump->LockRect(0, &to, nullptr, 0)) && to.pBits;
    if (sourceLocked && bumpLocked)
        water::BuildBumpTexels(static_cast<const uint8_t*>(from.pBits), from.Pitch,
                               static_cast<uint8_t*>(to.pBits), to.Pitch, desc.Width, desc.Height);
    if (sourceLocked) planePicture->UnlockRect(0);
    if (bumpLocked) bump->UnlockRect(0);
    if (!sourceLocked || !bumpLocked) {
        Report("the water's bump map cannot be written; the reflection stays unrippled");
        return;
    }
    bumpTexture = bump;
    material->texture = bump;
}

void WaterScene::Ripple(float phase) {
    if (!rippleGrid) return;
    BYTE* data = nullptr;
    if (FAILED(waterPlane->vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) return;
    water::WriteRipple(data, phase);
    waterPlane->vertexBuffer->Unlock();
}

void WaterScene::DrawPlane(IDirect3DTexture8* texture) {
    if (!waterPlane) return;
    scene3ds::SceneObject& plane = *waterPlane;
    if (plane.vertexBuffer && plane.indexBuffer) {
        IDirect3DDevice8& d = *RenderDevice;
        d.SetMaterial(&plane.surface);
        d.SetTransform(D3DTS_WORLD, &plane.worldMatrix);
        d.SetTexture(0, texture);
        d.SetPixelShader(0);
        d.SetVertexShader(scene::kObjectVertexFvf);
        d.SetIndices(plane.indexBuffer, 0);
        d.SetStreamSource(0, plane.vertexBuffer, scene::kObjectVertexStride);
        d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(plane.vertexCount), 0,
                               static_cast<UINT>(plane.faceCount));
    }
    plane.visible = 0;
}

// The scene reflected in the water, lights included, kept below the water by plane 0. The
// reflection turns the winding over, so nothing is culled.
void WaterScene::MirrorPass(WaterSceneState& state, scene::RandomGenerator& random, float frame) {
    IDirect3DDevice8& d = *RenderDevice;
    mirrorTarget.begin(0);
    d.SetPixelShader(0);
    d.Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    d.SetRenderState(D3DRS_CLIPPLANEENABLE, 1);

    scene::UpdateScene(*scene, frame, state.particles, random);
    static const D3DXMATRIX mirror = water::MirrorMatrix();
    for (scene3ds::SceneObject* o = scene->objects; o; o = o->next) {
        D3DXMATRIX world = o->worldMatrix;
        D3DXMatrixMultiply(&world, &world, &mirror);
        o->worldMatrix = world;
    }
    for (DWORD i = 0; i < scene::kSceneLightSlots; ++i) {
        D3DLIGHT8 light;
        if (FAILED(d.GetLight(i, &light))) continue;
        water::MirrorLight(light, mirror);
        d.SetLight(i, &light);
    }

    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    scene::DrawScene(*scene, state.particles);
    mirrorTarget.end();
}

// The water plane's bump map as the scene's lights and a white ambient show it: what the
// effect pass reads its distortion from.
void WaterScene::SurfacePass(WaterSceneState& state, scene::RandomGenerator& random, float frame) {
    IDirect3DDevice8& d = *RenderDevice;
    surfaceTarget.begin(0);
    DWORD ambient = 0;
    d.GetRenderState(D3DRS_AMBIENT, &ambient);
    d.SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    d.SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);

    // Also puts the matrices and lights back the right way up.
    scene::UpdateScene(*scene, frame, state.particles, random);
    scene3ds::Material* material = waterPlane ? waterPlane->material : nullptr;
    DrawPlane(material ? material->texture : nullptr);
    d.SetRenderState(D3DRS_AMBIENT, ambient);
    surfaceTarget.end();
}

// The scene above the water, marking every pixel it covers with stencil 1. The particles
// wait for the reflection: the transparent corners of their sprites would mark the stencil
// too and leave dark squares in the water.
void WaterScene::MainPass(WaterSceneState& state, scene::RandomGenerator& random, float frame) {
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
    d.Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    d.SetRenderState(D3DRS_STENCILENABLE, TRUE);
    d.SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    d.SetRenderState(D3DRS_STENCILREF, 1);
    d.SetRenderState(D3DRS_STENCILMASK, 0xFFFF);
    d.SetRenderState(D3DRS_CLIPPLANEENABLE, 2);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);

    scene::UpdateScene(*scene, frame, state.particles, random);
    scene::DrawScene(*scene, scene::SceneParticles{});

    d.SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    d.SetRenderState(D3DRS_STENCILREF, 0);
    d.SetRenderState(D3DRS_STENCILMASK, 0xFFFF);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
}

// The reflection, moved by the surface's bump offsets, added where the scene left the
// stencil clear (the blend factors are the ONE, ONE scene drawing ends with).
void WaterScene::EffectPass() {
    if (!effectQuad) return;
    effectQuad->firstTexture = mirrorTarget.texture;
    effectQuad->secondTexture = surfaceTarget.texture;
    effectQuad->selectMode(0);
    effectQuad->bumpScale = bumpScale;
    effectQuad->drawFull();
}

// The particles held back from the main pass, with the scene's emitter states, depth-tested
// against the scene above the water and added over the reflection without any stencil test.
void WaterScene::ParticlePass(const WaterSceneState& state) {
    if (!scene->emitters || scene->emitterCount <= 0) return;
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    d.SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    const size_t count =
        std::min(static_cast<size_t>(scene->emitterCount), state.particles.emitters.size());
    for (size_t i = 0; i < count; ++i)
        scene::DrawEmitter(scene->emitters[i], state.particles.emitters[i]);
    d.SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_STENCILENABLE, TRUE);
}

void WaterScene::WaterLayer() {
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
    DrawPlane(waterTexture);
}

void WaterScene::BeginFrame(const WaterSceneState& state, float clipTime, uint32_t cameraIndex) {
    IDirect3DDevice8& d = *RenderDevice;
    scene->ambientColor = state.ambientColor;
    std::memcpy(scene->lightAttenuation, state.lightAttenuation, sizeof scene->lightAttenuation);
    scene::SelectCamera(*scene, cameraIndex);
    d.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    Ripple(0.2f * clipTime);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
}

void WaterScene::EndFrame() {
    IDirect3DDevice8& d = *RenderDevice;
    d.SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
}

void WaterScene::DrawFrame(WaterSceneState& state, scene::RandomGenerator& random, float clipTime,
                           uint32_t cameraIndex) {
    if (!scene || !RenderDevice) return;
    const float frame = 0.5f * clipTime;
    BeginFrame(state, clipTime, cameraIndex);
    MirrorPass(state, random, frame);
    SurfacePass(state, random, frame);
    MainPass(state, random, frame);
    EffectPass();
    ParticlePass(state);
    WaterLayer();
    EndFrame();
}

}  // namespace effects
