// Shader scene: one mesh, enlarged 125 times, turning slowly about a tilted axis under a point
// light on a three-frequency path, seen from a fixed camera.
#pragma once

#include "effects/shader/BumpLitPasses.h"
#include "effects/shader/ShaderMesh.h"
#include "gfx/Resources.h"
#include "scene/D3DXMath.h"
#include "scene3ds/SceneModel.h"

namespace effects {

class RotatingMeshScene {
  public:
    static constexpr float kLightRange = 4200.5f;

    virtual ~RotatingMeshScene() = default;

    // Set by the load routine before init: the first object of "Objs\stagi.3ds" and the ring
    // scene's shared resources.
    scene3ds::SceneObject* object = nullptr;
    gfx::Texture* attenuationTexture = nullptr;
    gfx::Texture* surfaceTexture = nullptr;  // "!textures\boxtext.jpg", loaded by init
    gfx::Texture* bumpTexture = nullptr;
    ShaderMesh mesh;
    BumpLitPrograms programs;  // "shading" and "shading2"
    D3DXMATRIX worldMatrix, projectionMatrix, viewMatrix;
    float lightPosition[4] = {0, 0, 0, 0};
    float eyePosition[4] = {0, 0, 0, 0};
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks.
    void draw(float t);
};

extern RotatingMeshScene rotatingMeshScene;

}  // namespace effects
