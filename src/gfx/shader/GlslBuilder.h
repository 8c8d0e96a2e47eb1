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
//  - points: a point of size s at window position p covers the pixels whose centres (at
//    whole coordinates in the original's convention) lie in [p - s/2, p + s/2) on each
//    axis. The vertex epilogue works out that rectangle and draws a GL point square on it;
//    the pixel prologue drops what the square covers beyond it and gives sprites their
//    coordinates across exactly the covered pixels;
//  - fog, alpha test and the final saturation happen after the pixel stage, as they did
//    after the original pipeline's texture stages or pixel program. A vertex stage that
//    writes no fog factor leaves it at 1: a vertex program without oFog is not fogged by
//    vertex fog (drivers of the time differ there; this one keeps the vertices clear).
//
// What a pixel stage does around its body (the kind of texture each stage samples, fog,
// alpha test, points and sprites, projective texture coordinates) is fixed when its source is
// built: each combination a draw needs is its own variant (PixelVariant), compiled on first
// use. A software rasteriser runs both sides of every branch a uniform would decide, so
// nothing here is decided per fragment.
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

// Fog of a pixel variant: table fog by formula, or the vertex stage's factor.
enum class FogSelect : uint8_t { None = 0, Exp = 1, Exp2 = 2, Linear = 3, Vertex = 4 };
// What table fog measures: eye depth w, or the projected depth z (0..1).
enum class FogDepth : uint8_t { Eye = 0, Projected = 1 };
// Point primitives: none, plain points, point sprites.
enum class PointMode : uint8_t { None = 0, Points = 1, Sprites = 2 };

// The compile-time choices of a pixel stage. Compared and hashed as its 8 bytes.
struct PixelVariant {
    uint8_t cubeStages = 0;  // bit N: stage N samples a cube texture (translated programs)
    FogSelect fog = FogSelect::None;
    FogDepth fogDepth = FogDepth::Eye;
    uint8_t alphaFunc = 8;  // D3DCMP_*; D3DCMP_ALWAYS (8): no alpha test
    PointMode points = PointMode::None;
    uint8_t reserved = 0;
    // Two bits per stage: 0, or the component (1 = y, 2 = z, 3 = w) stage N's coordinates
    // are divided by before the lookup (D3DTTFF_PROJECTED).
    uint16_t projected = 0;

    uint64_t bits() const;
};
static_assert(sizeof(PixelVariant) == 8, "PixelVariant must have no padding");

inline bool operator==(const PixelVariant& a, const PixelVariant& b) {
    return a.bits() == b.bits();
}

// The std140 image of DxCommon; the back end uploads this struct as it is.
struct CommonBlock {
    float bumpMat[8][4];     // dx_bumpMat: BUMPENVMAT00, 01, 10, 11 per stage
    float bumpLum[8][4];     // dx_bumpLum (vec2, std140 stride 16): LSCALE, LOFFSET
    float tfactor[4];        // dx_tfactor
    float fogColor[4];       // dx_fogColor.rgb
    float fogParams[4];      // density, start, end, 1 / (end - start) (see FogScale)
    float clipPlanes[6][4];  // dx_clipPlane
    float viewport[4];       // dx_viewport: viewport width, height, 1/width, 1/height
    float pointParams[4];    // dx_pointParams: D3DRS_POINTSIZE, POINTSIZE_MIN, POINTSIZE_MAX
    int32_t modes[4];        // dx_modes: x PointMode of the draw, z alpha reference
    float viewOrigin[4];     // dx_viewOrigin: viewport X, Y, MinZ, MaxZ
};
static_assert(sizeof(CommonBlock) == 16 * (8 + 8 + 1 + 1 + 1 + 6 + 1 + 1 + 1 + 1),
              "CommonBlock must match the std140 layout of DxCommon");

// 1 / (end - start) for linear fog. Start at end makes a step at that distance: nothing is
// fogged in front of it and everything behind it, so the slope is made steep enough to
// saturate at once rather than infinite (0 times infinity has no value).
float FogScale(float start, float end);

// Complete vertex shader source for the stage.
std::string BuildVertexSource(const GlslStage& stage);

// Complete fragment shader source for the stage in the given variant, both samplers of every
// stage declared.
std::string BuildPixelSource(const GlslStage& stage, const PixelVariant& variant = {});

}  // namespace gfx::shader
