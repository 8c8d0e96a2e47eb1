// Shader scene: a static mesh seen through its scene's own animated camera.
#pragma once

#include "gfx/Resources.h"
#include "scene3ds/SceneModel.h"

namespace effects {

class EndMeshScene {
  public:
    virtual ~EndMeshScene() = default;

    // Set by the load routine before init.
    scene3ds::SceneCamera* camera = nullptr;
    scene3ds::SceneObject* object = nullptr;
    gfx::Texture* attenuationTexture = nullptr;
    gfx::Texture* bumpTexture = nullptr;
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks.
    void draw(float t);
};

extern EndMeshScene endMeshScene;

}  // namespace effects
