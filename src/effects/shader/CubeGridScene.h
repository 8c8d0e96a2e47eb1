// Shader scene: a 4 x 4 x 4 grid of one mesh whose spacing breathes, lit per pixel by two
// point lights summed over four batches of draws, seen from a drifting camera.
#pragma once

#include "effects/shader/BumpLitPasses.h"
#include "effects/shader/ShaderMesh.h"
#include "gfx/Resources.h"
#include "scene/D3DXMath.h"
#include "scene3ds/SceneModel.h"

namespace effects {

// The camera, lights and spacing of the grid at one time value.
struct CubeGridFrame {
    D3DXVECTOR3 eye;
    D3DXVECTOR3 lookAt;
    float lightA[4];
    float lightB[4];
    float spacing;  // s, between 400 and 418
};

// What the grid shows at segment time t (t' = t + 380 drives every path).
CubeGridFrame CubeGridAt(float t);

struct CubeGridScene {
    static constexpr float kLightRange = 500.5f;

    // Set by the load routine before init: the first object of "Objs\wcube.3ds" and the ring
    // scene's shared resources (init replaces the bump texture by its own).
    scene3ds::SceneObject* object = nullptr;
    gfx::Texture* attenuationTexture = nullptr;
    gfx::Texture* surfaceTexture = nullptr;  // "!textures\boxtext1.jpg"
    gfx::Texture* bumpTexture = nullptr;     // "!textures\bump1.tga" once init has run
    ShaderMesh mesh;
    BumpLitPrograms programs;  // "shading" and "shading2"
    D3DXMATRIX worldMatrix, projectionMatrix, viewMatrix;
    float lightPosition[4] = {0, 0, 0, 0};
    float eyePosition[4] = {0, 0, 0, 0};
    float lookAt[3] = {0, 0, 0};
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks.
    void draw(float t);
};

extern CubeGridScene cubeGridScene;

}  // namespace effects
