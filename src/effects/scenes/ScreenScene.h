// The loaded-scene segment in fog with a screen showing a five-picture loop
// ("Scene2\Scene.3ds").
#pragma once

#include <cstdint>

#include "gfx/Resources.h"
#include "scene3ds/SceneModel.h"
#include "timeline/SceneTimer.h"

namespace effects {

class ScreenScene {
  public:
    virtual ~ScreenScene() = default;

    // Loads and prepares the scene with its fog and lighting settings.
    void Load();
    // One frame at the given soundtrack position (camera cuts at fixed positions).
    void DrawFrame(uint32_t position);

    scene3ds::Scene* scene = nullptr;
    // The last object whose name begins with "ekr", found by the load routine; may be null.
    scene3ds::SceneObject* screenObject = nullptr;
    // "!textures\k1.jpg" … "!textures\k5.jpg", loaded by the load routine.
    gfx::Texture* pictures[5] = {};
    // Frame counter 0..32 of the picture loop.
    uint32_t screenCounter = 0;
    timeline::SceneTimer clipTimer;
};

extern ScreenScene screenScene;

}  // namespace effects
