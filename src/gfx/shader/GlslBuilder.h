// Wraps stage code (from the fixed-function emulation or from the token translator) into
// complete GLSL 3.30 core sources, following the names of GlslInterface.h.
//
// Every vertex program writes the same varyings and every fragment program reads them, so
// any vertex stage links with any pixel stage. Uniforms shared by all programs live in
// std140 blocks bound at fixed binding points; the back end fills them once per change
// rather than per program.
//
// Conventions applied here, once for every producer:
//  - depth: the stage's dx_oPos has the original API's clip-space depth (0..w); GL wants
//    -w..w, so z becomes 2z - w;
//  - orientation: y is negated, so row 0 of every render target (textures and the back
//    buffer alike) is the top of the picture, matching row 0 of uploaded pictures. The
//    flip turns the screen-space winding around, which the cull-mode mapping accounts for;
//  - clip planes: six distances dot(dx_clipVertex, plane) are always written; the back end
//    enables the ones D3DRS_CLIPPLANEENABLE selects and hands the others over as (0, 0, 0, 1);
//  - fog, alpha test and the final saturation happen after the pixel stage, as they did
//    after the original pipeline's texture stages or pixel program.
//
// A pixel stage comes in two builds. The general one decides fog, alpha test, point-sprite
// coordinates and each stage's sampler kind from DxCommon at run time. The plain one (with
// DX_PLAIN defined, for draws with none of those switched on and only 2D textures bound)
// leaves them out: a software rasteriser pays for every such branch on every fragment, even
// when a uniform decides it the same way for the whole draw.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/shader/GlslInterface.h"

namespace gfx::shader {

// Binding points of the shared uniform blocks.
enum UniformBinding : unsigned {
    kBindingVsConstants = 0,  // DxVsConstants { vec4 dx_vc[96]; }
    kBindingPsConstants = 1,  // DxPsConstants { vec4 dx_pc[8]; }
    kBindingCommon = 2,       // DxCommon, see CommonBlock below
    kBindingFixed = 3,        // DxFixed: declared by the fixed-function vertex stage
};

inline constexpr const char* kVsConstantsBlock = "DxVsConstants";
inline constexpr const char* kPsConstantsBlock = "DxPsConstants";
inline constexpr const char* kCommonBlock = "DxCommon";
inline constexpr const char* kFixedBlock = "DxFixed";

// Fog selector of CommonBlock::modes[0].
enum class FogSelect : int { None = 0, Exp = 1, Exp2 = 2, Linear = 3, Vertex = 4 };

// The std140 image of DxCommon; the back end uploads this struct as it is.
struct CommonBlock {
    float bumpMat[8][4];     // dx_bumpMat: BUMPENVMAT00, 01, 10, 11 per stage
    float bumpLum[8][4];     // dx_bumpLum (vec2, std140 stride 16): LSCALE, LOFFSET
    float tfactor[4];        // dx_tfactor
    float fogColor[4];       // dx_fogColor.rgb
    float fogParams[4];      // density, start, end, 1 / (end - start)
    float clipPlanes[6][4];  // dx_clipPlane
    float viewport[4];       // dx_viewport: viewport width, height, 1/width, 1/height
    float pointParams[4];    // dx_pointParams: D3DRS_POINTSIZE, POINTSIZE_MIN, POINTSIZE_MAX
    int32_t modes[4];        // dx_modes: fog select, alpha func (D3DCMP), alpha ref, sprite flag
    int32_t samplers[4];     // dx_samplers: bit N of x set when stage N samples a cube texture
    float viewOrigin[4];     // dx_viewOrigin: viewport X, Y, MinZ, MaxZ
};
static_assert(sizeof(CommonBlock) == 16 * (8 + 8 + 1 + 1 + 1 + 6 + 1 + 1 + 1 + 1 + 1),
              "CommonBlock must match the std140 layout of DxCommon");

// Complete vertex shader source for the stage.
std::string BuildVertexSource(const GlslStage& stage);

// Complete fragment shader source for the stage, with both samplers of every stage declared;
// `plain` gives the build without fog, alpha test, sprite coordinates or cube sampling.
std::string BuildPixelSource(const GlslStage& stage, bool plain = false);

}  // namespace gfx::shader
