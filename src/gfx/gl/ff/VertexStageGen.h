// Fixed-function transform, lighting, texture coordinate generation, vertex fog and point
// scaling as a GLSL vertex stage, plus the uniform block its values travel in.
//
// Conventions: matrices are the original API's row-vector matrices, uploaded as they lie in
// memory, which GLSL reads as their transposes, so `M * v` in GLSL is `v * M` in the
// original notation. Lighting happens in camera space (left-handed, the eye at the origin
// looking down +z), as the original pipeline lit.
#pragma once

#include <array>

#include "gfx/gl/ff/StateKey.h"
#include "gfx/shader/GlslInterface.h"

namespace gfx::gl::ff {

// The std140 image of the DxFixed block declared by the generated stage.
struct FixedBlock {
    float world[16];         // dx_world: clip planes are tested in world space
    float worldView[16];     // dx_worldView
    float projection[16];    // dx_proj
    float normalMatrix[16];  // dx_normalMat: inverse transpose of worldView (upper 3 x 3)
    float matDiffuse[4], matAmbient[4], matSpecular[4], matEmissive[4];
    float ambient[4];  // D3DRS_AMBIENT
    float misc[4];     // material power, point scale A, B, C
    float lightDiffuse[8][4];
    float lightSpecular[8][4];
    float lightAmbient[8][4];
    float lightPosition[8][4];     // camera space xyz, range
    float lightDirection[8][4];    // camera space, normalised, the way the light shines; falloff
    float lightAttenuation[8][4];  // attenuation 0, 1, 2
    float lightSpot[8][4];         // cos(theta / 2), cos(phi / 2)
    float textureMatrices[8][16];  // dx_texMat: D3DTS_TEXTURE0..7
};
static_assert(sizeof(FixedBlock) == 4 * 64 + 6 * 16 + 7 * 8 * 16 + 8 * 64,
              "std140 image of DxFixed");

// Stage code for the key (declarations include the DxFixed block).
shader::GlslStage GenerateVertexStage(const VertexKey& key);

// Fills the block from the device state (only the lights the key counts are written).
void FillFixedBlock(const DeviceState& state, FixedBlock& block);

// Row-vector product a * b of two matrices of the original API.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b);

// The matrix normals are multiplied by (as row vectors): the upper 3 x 3 of the inverse
// transpose of the whole 4 x 4 `m`, as drivers transform them, so a projective matrix can
// flatten a normal. A singular `m` falls back to its upper 3 x 3's inverse transpose, and a
// singular 3 x 3 to the matrix itself. Laid out as a row-vector 4 x 4 matrix.
void NormalMatrix(const D3DMATRIX& m, float (&out)[16]);

}  // namespace gfx::gl::ff
