// The GLSL names shared by the two producers of stage code — the fixed-function emulation
// (gfx/gl/) and the shader-token translator (this folder) — and by the one piece that wraps
// their code into complete GLSL 3.30 programs (the GLSL builder). Either producer can feed a
// stage, so a fixed-function vertex stage combines with a translated pixel program and the
// other way round.
//
// Vertex stage. The producer's body is placed inside main() and may read:
//   in vec4 dx_v0 .. dx_v15           input registers; attribute location N = register N
//                                     (fixed-function formats use position 0, normal 3,
//                                     diffuse 5, specular 6, texture coordinates 7..14;
//                                     D3DCOLOR inputs arrive as 0..1 in r, g, b, a order)
//   uniform vec4 dx_vc[96]            vertex shader constants c0..c95
// and must write these locals, which the builder declares with defaults before the body:
//   vec4  dx_oPos        position in the original API's clip space (z from 0 to w); (0,0,0,1)
//   vec4  dx_oD0, dx_oD1 diffuse and specular colours; defaults (1,1,1,1) and (0,0,0,0)
//   vec4  dx_oT[8]       texture coordinates; default (0,0,0,1)
//   float dx_oFog        vertex fog factor (1 = no fog); default 1
//   float dx_oPts        point size in pixels; default the D3DRS_POINTSIZE value
//   vec4  dx_clipVertex  position the user clip planes are tested against (world space for
//                        fixed function, clip space for programs); default dx_oPos
// The builder's epilogue turns dx_oPos into gl_Position (depth range and the render-target
// orientation convention), computes clip distances, passes the rest on as varyings, and
// provides dx_eyeDepth for table fog.
//
// Pixel stage. The body may read these locals, set up by the builder's prologue from the
// varyings (or from gl_PointCoord when point sprites are on):
//   vec4 dx_iD0, dx_iD1               interpolated colours (saturated to 0..1)
//   vec4 dx_iT[8]                     interpolated texture coordinates
// and these uniforms, declared by the builder:
//   uniform vec4 dx_pc[8]             pixel shader constants c0..c7
//   uniform sampler2D   dx_s2D_N      stage N's 2D texture, texture unit N (N = 0..7)
//   uniform samplerCube dx_sCube_N    stage N's cube texture, unit CubeUnit(N)
//   DX_CUBE_STAGES                    a macro: bit N set when stage N samples a cube texture
//   uniform vec4 dx_bumpMat[8]        per stage (BUMPENVMAT00, 01, 10, 11)
//   uniform vec2 dx_bumpLum[8]        per stage (BUMPENVLSCALE, BUMPENVLOFFSET)
//   uniform vec4 dx_tfactor           D3DRS_TEXTUREFACTOR as 0..1 r, g, b, a
// and must write:
//   vec4 dx_oC0                       the output colour (r0 of a pixel program)
// The epilogue applies fog and the alpha test and writes the fragment.
//
// Both samplers of every stage are always declared, each on a unit of its own: translated
// programs pick the sampler with DX_CUBE_STAGES (each kind of binding builds its own variant,
// see GlslBuilder.h), the fixed-function stage code (generated per state) names the one its
// key holds.
#pragma once

#include <cstdint>
#include <string>

namespace gfx::shader {

enum class SamplerKind : uint8_t { Texture2D = 0, Cube = 1 };

// Texture unit of a stage's cube sampler; units 0..7 hold the 2D ones. GL 3.3 guarantees 16
// fragment units.
constexpr unsigned CubeUnit(unsigned stage) { return 8 + stage; }

// What a producer hands to the builder for one stage.
struct GlslStage {
    std::string declarations;  // global declarations: helper functions, extra uniforms
    std::string body;          // statements of main(), between the prologue and the epilogue
};

// Sampler name of a stage for the given kind: "dx_s2D_3", "dx_sCube_1".
std::string SamplerName(unsigned stage, SamplerKind kind);

}  // namespace gfx::shader
