#include "effects/scenes/ScreenScene.h"

#include "assets/TextureLoading.h"
#include "effects/scenes/DisplayAspect.h"
#include "gfx/GlobalDevice.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"

namespace effects {

ScreenScene screenScene;

void ScreenScene::Load(scene::RandomGenerator& random) {
    if (!RenderDevice) return;
    ownedScene_ = std::make_unique<scene3ds::Scene>();
    scene = ownedScene_.get();
    screenObject = nullptr;
    ScenePathPrefix = screen::kScenePrefix;
    Load3dsScene(screen::kSceneEntry, *scene);
    scene::SelectCamera(*scene, 1);
    scene->aspectRatio = DisplayAspect();
    scene->lightAttenuation[0] = 0.94f;
    scene->lightAttenuation[1] = 0.0035f;
    scene->lightAttenuation[2] = 0.000001f;
    scene->ambientColor = 0x00B1B132;
    scene->fogEnable = 1;
    scene->fogDensity = 0.0005f;
    scene->fogColor = 0x0014140A;
    scene::PrepareScene(*scene, random);
}

void ScreenScene::FindScreenObject() {
    screenObject = nullptr;
    if (!scene) return;
    for (scene3ds::SceneObject* o = scene->objects; o; o = o->next) {
        if (o->name.startsWith("ekr")) screenObject = o;
    }
}

void ScreenScene::LoadPictures() {
    char name[] = "!textures\\k1.jpg";
    for (int i = 0; i < 5; ++i) {
        name[11] = static_cast<char>('1' + i);
        pictures[i] = LoadJpegTexture(name, D3DPOOL_DEFAULT);
    }
}

ScreenSceneState ScreenScene::StartState() const {
    ScreenSceneState state;
    if (scene) state.particles = scene::StartParticles(*scene);
    return state;
}

void ScreenScene::DrawFrame(ScreenSceneState& state, scene::RandomGenerator& random, uint32_t shot,
                            uint32_t cameraIndex) {
    if (!scene || !RenderDevice) return;
    IDirect3DDevice8& d = *RenderDevice;
    timing::SceneTimer& clip = state.clipTimer;
    clip.Start();
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    // The lowering acts on the value the last update left and is undone by the next one.
    clip.elapsed -= screen::kShotRewind * static_cast<float>(shot);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);

    if (screenObject && screenObject->material) {
        screenObject->material->texture = pictures[screen::PictureFor(state.screenCounter)];
        if (++state.screenCounter > screen::kCounterLast) state.screenCounter = 0;
    }

    scene::SelectCamera(*scene, cameraIndex);
    scene::UpdateScene(*scene, screen::kFramesPerTick * clip.elapsed, state.particles, random);
    scene::DrawScene(*scene, state.particles);
    clip.Update();
}

}  // namespace effects
