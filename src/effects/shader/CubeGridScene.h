// Shader scene: a breathing 4 × 4 × 4 grid of one mesh lit by two point lights.
#pragma once

#include "gfx/Resources.h"
#include "scene3ds/SceneModel.h"

namespace effects {

class CubeGridScene {
  public:
    virtual ~CubeGridScene() = default;

    // Set by the load routine before init (the ring scene's shared resources).
    scene3ds::SceneObject* object = nullptr;
    gfx::Texture* attenuationTexture = nullptr;
    gfx::Texture* bumpTexture = nullptr;
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks.
    void draw(float t);
};

extern CubeGridScene cubeGridScene;

}  // namespace effects
