// What the bump-lit shader scenes share: the two vertex input layouts of the shader
// programs, the vertex constant registers the host fills, the frame prologue, and the pair
// of draws (light pass, then surface pass) with which every mesh copy is drawn.
#pragma once

#include <string>

#include "gfx/RenderDevice.h"

namespace effects {

// Input layout of the bump-lit meshes: v0 position, v1 normal, v3 texture coordinate,
// v5 tangent, v6 binormal (v2 and v4 receive nothing).
struct ShaderVertex {
    float position[3];
    float normal[3];
    float uv[2];
    float tangent[3];
    float binormal[3];
};
static_assert(sizeof(ShaderVertex) == 56);

// Input layout of the screen effect quad: v0 position, v1 texture coordinate.
struct QuadVertex {
    float position[3];
    float uv[2];
};
static_assert(sizeof(QuadVertex) == 20);

// D3DVSD_STREAM(0), D3DVSD_REG(0, FLOAT3), REG(1, FLOAT3), REG(3, FLOAT2), REG(5, FLOAT3),
// REG(6, FLOAT3), D3DVSD_END().
extern const DWORD kShaderVertexDeclaration[7];
// D3DVSD_STREAM(0), D3DVSD_REG(0, FLOAT3), D3DVSD_REG(1, FLOAT2), D3DVSD_END().
extern const DWORD kQuadVertexDeclaration[4];

// Vertex constant registers of the bump-lit scenes.
enum BumpLitRegister : DWORD {
    kRegZero = 0,         // (0, 0, 0, 0)
    kRegOne = 1,          // (1, 1, 1, 1)
    kRegWorld = 2,        // c2..c5: world matrix, transposed (c2 + i = column i)
    kRegLight = 11,       // light position (x, y, z, 1), world space
    kRegEye = 12,         // eye position (x, y, z, 0), world space
    kRegHalf = 13,        // (0.5, 0.5, 0.5, 0.5)
    kRegViewProj = 14,    // c14..c17: view x projection, transposed
    kRegLightRange = 33,  // (1/R, 0.5, 0.1, 0.5)
};

// The four programs of one scene (each scene creates its own).
struct BumpLitPrograms {
    DWORD lightVertex = 0, lightPixel = 0;      // "shading"
    DWORD surfaceVertex = 0, surfacePixel = 0;  // "shading2" or "shading32"
};

// Creates "!shaders\shading.vso", "shading.pso", then the surface vertex and pixel programs
// named (e.g. "!shaders\shading2.vso"), in that order, vertex programs with the ShaderVertex
// declaration.
BumpLitPrograms CreateBumpLitPrograms(IDirect3DDevice8& device, const std::string& surfaceVertex,
                                      const std::string& surfacePixel);

// The first thing a bump-lit scene's frame does: addressing of stages 0 to 3, wrap states,
// and c0, c1, c13 and c33 = (1/lightRange, 0.5, 0.1, 0.5) (the reciprocal in single precision).
void BumpLitFramePrologue(IDirect3DDevice8& device, float lightRange);

// c11 = light, c12 = eye (one register each), then c14..c17 = transpose(view x projection).
void uploadFrameConstants(IDirect3DDevice8& device, const float light[4], const float eye[4],
                          const D3DMATRIX& view, const D3DMATRIX& projection);

// c2..c5 = transpose(world), before each drawn copy.
void UploadWorldMatrix(IDirect3DDevice8& device, const D3DMATRIX& world);

// Row-vector product a x b (a acts first), as D3DXMatrixMultiply; and the transpose.
D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b);
D3DMATRIX TransposeMatrix(const D3DMATRIX& m);

// The buffers and counts of one mesh (the ShaderMesh of the scenes).
struct BumpLitMesh {
    gfx::VertexBuffer* vertices = nullptr;  // ShaderVertex, stride 56
    gfx::IndexBuffer* indices = nullptr;
    UINT vertexCount = 0;
    UINT faceCount = 0;
};

struct LightPassOptions {
    bool setBlend = true;         // the grid scene sets its blend factors per batch itself
    DWORD cullMode = D3DCULL_CW;  // the ring scene's centre mesh uses D3DCULL_NONE
};

// Light pass of one copy (c2..c5 already hold its world matrix): the attenuation texture on
// stages 0 and 1, clamped; "shading" programs; ONE/ZERO; buffers bound; one indexed draw.
void LightPass(IDirect3DDevice8& device, const BumpLitMesh& mesh, gfx::BaseTexture* attenuation,
               const BumpLitPrograms& programs, const LightPassOptions& options = {});

// Surface pass of the same copy, right after its light pass (buffers stay bound): surface
// texture, bump texture, cube map twice; surface programs; DESTCOLOR/ZERO; one indexed draw.
void SurfacePass(IDirect3DDevice8& device, const BumpLitMesh& mesh, gfx::BaseTexture* surface,
                 gfx::BaseTexture* bump, gfx::BaseTexture* cubeMap, const BumpLitPrograms& programs,
                 bool setBlend = true);

}  // namespace effects
