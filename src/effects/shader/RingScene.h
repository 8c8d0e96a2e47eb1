// Shader scene: eight copies of a ring piece turning round a centre drum that turns the other
// way, lit per pixel by one point light, then the point field with the same camera. Owner of
// the attenuation texture, bump texture and normalisation cube map the other bump-lit scenes
// borrow.
#pragma once

#include "effects/shader/BumpLitPasses.h"
#include "effects/shader/NormalisationCubeMap.h"
#include "effects/shader/ShaderMesh.h"
#include "gfx/Resources.h"
#include "scene/D3DXMath.h"
#include "scene3ds/SceneModel.h"
#include "timing/SceneTimer.h"

namespace effects {

class RingScene {
  public:
    static constexpr float kLightRange = 7500.5f;

    virtual ~RingScene() = default;

    // Set by the load routine before init: first objects of "Objs\hau.3ds" and "Objs\tlo.3ds".
    scene3ds::SceneObject* ringObject = nullptr;
    scene3ds::SceneObject* centreObject = nullptr;
    // Loaded by init; the attenuation and bump textures are lent to the other bump-lit scenes.
    gfx::Texture* attenuationTexture = nullptr;    // "!textures\pointlight.tga"
    gfx::Texture* ringSurfaceTexture = nullptr;    // "!textures\metal.tga"
    gfx::Texture* bumpTexture = nullptr;           // "!textures\bump.tga"
    gfx::Texture* centreSurfaceTexture = nullptr;  // "!textures\text.tga"
    ShaderMesh ringMesh;
    ShaderMesh centreMesh;
    BumpLitPrograms programs;  // "shading" and "shading2"
    D3DXMATRIX worldMatrix, projectionMatrix, viewMatrix;
    float lightPosition[4] = {0, 0, 0, 0};
    float eyePosition[4] = {0, 0, 0, 0};
    // The normalisation cube map (built by init, lent to the others); null if it could not
    // be created.
    CubeMapDescription cubeMapDescription;
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks. `glideTimer` is the look-at point's glide clock,
    // part of what a run changes: started by the first draw and never reset, so the glide
    // plays once however often the segment is shown.
    void draw(float t, timing::SceneTimer& glideTimer);
};

extern RingScene ringScene;

// The look-at point for the glide timer's elapsed values before (e0) and after (e1) this
// frame's update: it comes in along x + y = 860 over the first 450 ticks and rests at
// (430, 430, 0). Not finite while e0 is 0.
D3DXVECTOR3 RingLookAt(float e0, float e1);

}  // namespace effects
