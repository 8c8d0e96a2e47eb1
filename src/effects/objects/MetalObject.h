// The reflection-mapped metal piece: eight copies of one mesh in a tilted ring, lit by three
// moving point lights, with camera-space reflection-vector texture coordinates on two stages
// combined by a pixel program.
#pragma once

#include "gfx/RenderDevice.h"
#include "scene/D3DXMath.h"
#include "scene3ds/SceneModel.h"

namespace effects {

// The effect's own vertex (FVF D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2).
struct MetalVertex {
    float position[3];
    float normal[3];
    float uv0[2];
    float uv1[2];
};
static_assert(sizeof(MetalVertex) == 40);

class MetalObject {
  public:
    static constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;  // 0x212

    virtual ~MetalObject() = default;

    // Set by the load routine (the first object of "Objs\szk.3ds") before init.
    scene3ds::SceneObject* mesh = nullptr;
    gfx::Texture* baseTexture = nullptr;    // "!textures\metal5.jpg"
    gfx::Texture* detailTexture = nullptr;  // "!textures\metal51.jpg"
    gfx::VertexBuffer* vertexBuffer = nullptr;
    gfx::IndexBuffer* indexBuffer = nullptr;  // the mesh's own
    DWORD pixelShader = 0;                    // "!shaders\metal.pso"
    D3DMATERIAL8 material{};
    D3DLIGHT8 light{};

    void init();
    // t runs from 2000 down to 0 over the segment.
    void draw(float t);

    // The camera's look-at point for time value t: it pans from x = -1000 (t = 0) to 1000.
    static D3DXVECTOR3 LookAt(float t);
    // Positions of the three lights at time value t.
    static void LightPositions(float t, D3DXVECTOR3 (&out)[3]);
    // World matrix of ring copy k (k = 0, 45, ... 315 degrees of 3.14/180 radians).
    static D3DXMATRIX CopyMatrix(float k, float t);
};

extern MetalObject metalObject;

}  // namespace effects
