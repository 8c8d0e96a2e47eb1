#include "gfx/shader/GlslBuilder.h"

#include <cstring>

namespace gfx::shader {

namespace {

// Shared by both stages; the member order is CommonBlock's.
constexpr const char* kCommonDeclarations = R"(layout(std140) uniform DxCommon {
    vec4 dx_bumpMat[8];
    vec2 dx_bumpLum[8];
    vec4 dx_tfactor;
    vec4 dx_fogColor;
    vec4 dx_fogParams;
    vec4 dx_clipPlane[6];
    vec4 dx_viewport;
    vec4 dx_pointParams;
    ivec4 dx_modes;
    vec4 dx_viewOrigin;
};
)";

// A value no producer writes: dx_clipVertex keeps it until the stage sets its own, and is
// then replaced by dx_oPos as the interface promises.
constexpr const char* kClipUnset = "-3.0e38";

constexpr const char* kVertexPrologue = R"(void main() {
    vec4 dx_oPos = vec4(0.0, 0.0, 0.0, 1.0);
    vec4 dx_oD0 = vec4(1.0);
    vec4 dx_oD1 = vec4(0.0);
    vec4 dx_oT[8];
    for (int i = 0; i < 8; ++i) dx_oT[i] = vec4(0.0, 0.0, 0.0, 1.0);
    float dx_oFog = 1.0;
    float dx_oPts = dx_pointParams.x;
)";

// Points: the window position is snapped to 1/256 pixel, as rasterisers snap vertices, so a
// point meant for a whole position lands on it exactly. The GL point becomes the square of
// the covered pixels (the larger side when rounding left them unequal); the pixel prologue
// drops the rest.
constexpr const char* kVertexEpilogue =
    R"(    if (dx_clipVertex.w == dx_clipUnset) dx_clipVertex = dx_oPos;
    for (int i = 0; i < 6; ++i) gl_ClipDistance[i] = dot(dx_clipVertex, dx_clipPlane[i]);
    gl_Position = vec4(dx_oPos.x, -dx_oPos.y, 2.0 * dx_oPos.z - dx_oPos.w, dx_oPos.w);
    gl_PointSize = max(min(max(dx_oPts, dx_pointParams.y), dx_pointParams.z), 1.0);
    dx_vPointRect = vec4(0.0);
    if (dx_modes.x != 0 && gl_Position.w > 0.0) {
        vec2 win = (gl_Position.xy / gl_Position.w * 0.5 + 0.5) * dx_viewport.xy + dx_viewOrigin.xy;
        win = floor(win * 256.0 + 0.5) / 256.0;
        vec2 lo = ceil(win - 0.5 * gl_PointSize);
        vec2 n = ceil(win + 0.5 * gl_PointSize) - lo;
        dx_vPointRect = vec4(lo, n);
        vec2 centre = lo + 0.5 * n;
        gl_Position.xy = ((centre - dx_viewOrigin.xy) * dx_viewport.zw * 2.0 - 1.0) * gl_Position.w;
        gl_PointSize = max(max(n.x, n.y), 1.0);
    }
    dx_vD0 = clamp(dx_oD0, 0.0, 1.0);
    dx_vD1 = clamp(dx_oD1, 0.0, 1.0);
    for (int i = 0; i < 8; ++i) dx_vT[i] = dx_oT[i];
    dx_vFog = clamp(dx_oFog, 0.0, 1.0);
    dx_vEyeDepth = dx_oPos.w;
}
)";

constexpr const char* kPixelPrologue = R"(void main() {
    vec4 dx_iD0 = dx_vD0;
    vec4 dx_iD1 = dx_vD1;
    vec4 dx_iT[8];
#if DX_POINTS != 0
    if (any(lessThan(gl_FragCoord.xy, dx_vPointRect.xy)) ||
        any(greaterThanEqual(gl_FragCoord.xy, dx_vPointRect.xy + dx_vPointRect.zw))) discard;
#endif
#if DX_POINTS == 2
    vec2 dx_sprite = (gl_FragCoord.xy - dx_vPointRect.xy) / dx_vPointRect.zw;
    for (int i = 0; i < 8; ++i) dx_iT[i] = vec4(dx_sprite, 0.0, 1.0);
#else
    for (int i = 0; i < 8; ++i) dx_iT[i] = dx_vT[i];
#endif
    float dx_eyeDepth = dx_vEyeDepth;
    vec4 dx_oC0 = vec4(0.0);
)";

// Alpha test on the 8-bit alpha, as the original compared bytes; then fog on colour only.
constexpr const char* kPixelEpilogue = R"(    vec4 dx_c = clamp(dx_oC0, 0.0, 1.0);
#if DX_ALPHA_FUNC != 8
    int dx_a = int(floor(dx_c.a * 255.0 + 0.5));
    int dx_ref = dx_modes.z;
#if DX_ALPHA_FUNC == 2
    if (!(dx_a < dx_ref)) discard;
#elif DX_ALPHA_FUNC == 3
    if (dx_a != dx_ref) discard;
#elif DX_ALPHA_FUNC == 4
    if (!(dx_a <= dx_ref)) discard;
#elif DX_ALPHA_FUNC == 5
    if (!(dx_a > dx_ref)) discard;
#elif DX_ALPHA_FUNC == 6
    if (dx_a == dx_ref) discard;
#elif DX_ALPHA_FUNC == 7
    if (!(dx_a >= dx_ref)) discard;
#else
    discard;
#endif
#endif
#if DX_FOG != 0
#if DX_FOG == 4
    float dx_f = dx_vFog;
#else
#if DX_FOG_Z
    float dx_d = gl_FragCoord.z;
#else
    float dx_d = dx_eyeDepth;
#endif
#if DX_FOG == 1
    float dx_f = exp(-dx_fogParams.x * dx_d);
#elif DX_FOG == 2
    float dx_f = exp(-(dx_fogParams.x * dx_d) * (dx_fogParams.x * dx_d));
#else
    float dx_f = (dx_fogParams.z - dx_d) * dx_fogParams.w;
#endif
#endif
    dx_c.rgb = mix(dx_fogColor.rgb, dx_c.rgb, clamp(dx_f, 0.0, 1.0));
#endif
    dx_fragColor = dx_c;
}
)";

const char* const kComponent[4] = {"x", "y", "z", "w"};

}  // namespace

uint64_t PixelVariant::bits() const {
    uint64_t b = 0;
    std::memcpy(&b, this, sizeof b);
    return b;
}

float FogScale(float start, float end) {
    // Steep enough that a difference of one part in 2^24 of any sensible distance saturates.
    return end != start ? 1.0f / (end - start) : 1.0e30f;
}

std::string BuildVertexSource(const GlslStage& stage) {
    std::string s;
    s.reserve(4096 + stage.declarations.size() + stage.body.size());
    s += "#version 330 core\n";
    s += "layout(std140) uniform DxVsConstants { vec4 dx_vc[96]; };\n";
    s += kCommonDeclarations;
    for (int r = 0; r < 16; ++r)
        s +=
            "layout(location = " + std::to_string(r) + ") in vec4 dx_v" + std::to_string(r) + ";\n";
    s += "out vec4 dx_vD0;\nout vec4 dx_vD1;\nout vec4 dx_vT[8];\nout float dx_vFog;\n"
         "out float dx_vEyeDepth;\nflat out vec4 dx_vPointRect;\nout float gl_ClipDistance[6];\n";
    s += std::string("const float dx_clipUnset = ") + kClipUnset + ";\n";
    s += stage.declarations;
    s += "\n";
    s += kVertexPrologue;
    s += "    vec4 dx_clipVertex = vec4(0.0, 0.0, 0.0, dx_clipUnset);\n";
    s += "    {\n";
    s += stage.body;
    s += "\n    }\n";
    s += kVertexEpilogue;
    return s;
}

std::string BuildPixelSource(const GlslStage& stage, const PixelVariant& v) {
    std::string s;
    s.reserve(4096 + stage.declarations.size() + stage.body.size());
    s += "#version 330 core\n";
    s += "#define DX_CUBE_STAGES " + std::to_string(v.cubeStages) + "\n";
    s += "#define DX_FOG " + std::to_string(static_cast<int>(v.fog)) + "\n";
    s += "#define DX_FOG_Z " + std::to_string(static_cast<int>(v.fogDepth)) + "\n";
    s += "#define DX_ALPHA_FUNC " + std::to_string(v.alphaFunc) + "\n";
    s += "#define DX_POINTS " + std::to_string(static_cast<int>(v.points)) + "\n";
    s += "layout(std140) uniform DxPsConstants { vec4 dx_pc[8]; };\n";
    s += kCommonDeclarations;
    for (unsigned i = 0; i < 8; ++i) {
        s += "uniform sampler2D " + SamplerName(i, SamplerKind::Texture2D) + ";\n";
        s += "uniform samplerCube " + SamplerName(i, SamplerKind::Cube) + ";\n";
    }
    s += "in vec4 dx_vD0;\nin vec4 dx_vD1;\nin vec4 dx_vT[8];\nin float dx_vFog;\n"
         "in float dx_vEyeDepth;\nflat in vec4 dx_vPointRect;\n";
    s += "layout(location = 0) out vec4 dx_fragColor;\n";
    s += stage.declarations;
    s += "\n";
    s += kPixelPrologue;
    // Projective coordinates: divided by the component the coordinate count ends on (the
    // divisor itself becomes 1).
    if (v.points != PointMode::Sprites)
        for (unsigned i = 0; i < 8; ++i)
            if (const unsigned c = (v.projected >> (2 * i)) & 3u) {
                const std::string t = "dx_iT[" + std::to_string(i) + "]";
                s += "    " + t + ".xyz /= " + t + "." + kComponent[c] + ";\n";
            }
    s += "    {\n";
    s += stage.body;
    s += "\n    }\n";
    s += kPixelEpilogue;
    return s;
}

}  // namespace gfx::shader
