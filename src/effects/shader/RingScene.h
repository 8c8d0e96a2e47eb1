// Shader scene: the eight ring copies around a centre mesh, then the point field; owner of the
// textures and cube map the other bump-lit scenes borrow.
#pragma once

#include "gfx/Resources.h"
#include "scene3ds/SceneModel.h"

namespace effects {

class RingScene {
  public:
    virtual ~RingScene() = default;

    // Set by the load routine before init: first objects of "Objs\hau.3ds" and "Objs\tlo.3ds".
    scene3ds::SceneObject* ringObject = nullptr;
    scene3ds::SceneObject* centreObject = nullptr;
    // Loaded or built by init and lent to the other bump-lit scenes.
    gfx::Texture* attenuationTexture = nullptr;
    gfx::Texture* bumpTexture = nullptr;
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks.
    void draw(float t);
};

extern RingScene ringScene;

}  // namespace effects
