// Shader scene: one mesh turning about a tilted axis under a wandering point light.
#pragma once

#include "gfx/Resources.h"
#include "scene3ds/SceneModel.h"

namespace effects {

class RotatingMeshScene {
  public:
    virtual ~RotatingMeshScene() = default;

    // Set by the load routine before init (the ring scene's shared resources).
    scene3ds::SceneObject* object = nullptr;
    gfx::Texture* attenuationTexture = nullptr;
    gfx::Texture* bumpTexture = nullptr;
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks.
    void draw(float t);
};

extern RotatingMeshScene rotatingMeshScene;

}  // namespace effects
