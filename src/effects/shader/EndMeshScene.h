// Shader scene: one static mesh placed by its own tracks at frame 0, seen through its scene's
// animated camera, lit per pixel by a point light fixed above the origin. The mesh has no
// texture coordinates or tangents; its surface pass ("shading32") works from the normal alone.
#pragma once

#include "effects/shader/BumpLitPasses.h"
#include "effects/shader/ShaderMesh.h"
#include "gfx/Resources.h"
#include "scene/D3DXMath.h"
#include "scene3ds/SceneModel.h"

namespace effects {

class EndMeshScene {
  public:
    static constexpr float kLightRange = 5400.5f;

    virtual ~EndMeshScene() = default;

    // Set by the load routine before init: the first camera and first object of
    // "Objs\endscene.3ds" (normals, buffers and camera tracks already prepared) and the ring
    // scene's shared resources.
    scene3ds::SceneCamera* camera = nullptr;
    scene3ds::SceneObject* object = nullptr;
    gfx::Texture* attenuationTexture = nullptr;
    gfx::Texture* surfaceTexture = nullptr;  // "!textures\boxtext.jpg", this scene's own copy
    gfx::Texture* bumpTexture = nullptr;     // lent like the others, unused by the draw
    ShaderMesh mesh;
    BumpLitPrograms programs;  // "shading" and "shading32"
    D3DXMATRIX worldMatrix;    // the object's world matrix, transposed, as uploaded
    D3DXMATRIX projectionMatrix, viewMatrix;
    float lightPosition[4] = {0, 0, 0, 0};
    float eyePosition[4] = {0, 0, 0, 0};
    gfx::CubeTexture* cubeMap = nullptr;

    void init();
    // t: the segment timer's elapsed ticks; the camera plays at 0.35 frames per tick from
    // frame 50.
    void draw(float t);
};

extern EndMeshScene endMeshScene;

}  // namespace effects
