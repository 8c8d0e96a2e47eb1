#include "effects/scenes/ScreenScene.h"

#include "assets/TextureLoading.h"
#include "effects/scenes/DisplayAspect.h"
#include "gfx/GlobalDevice.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"

namespace effects {

ScreenScene screenScene;

namespace screen {

uint32_t ShotAt(uint32_t position) {
    uint32_t shot = 0;
    for (uint32_t start : kShotStarts) {
        if (position > start) ++shot;
    }
    return shot;
}

}  // namespace screen

void ScreenScene::Load() {
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
    scene::PrepareScene(*scene);
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

void ScreenScene::DrawFrame(uint32_t position) {
    if (!scene || !RenderDevice) return;
    IDirect3DDevice8& d = *RenderDevice;
    clipTimer.Start();
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    // The lowering acts on the value the last update left and is undone by the next one.
    const uint32_t shot = screen::ShotAt(position);
    clipTimer.elapsed -= screen::kShotRewind * static_cast<float>(shot);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);

    if (screenObject && screenObject->material) {
        screenObject->material->texture = pictures[screen::PictureFor(screenCounter)];
        if (++screenCounter > screen::kCounterLast) screenCounter = 0;
    }

    scene::SelectCamera(*scene, screen::kShotCameras[shot]);
    scene::UpdateScene(*scene, screen::kFramesPerTick * clipTimer.elapsed);
    scene::DrawScene(*scene);
    clipTimer.Update();
}

}  // namespace effects
