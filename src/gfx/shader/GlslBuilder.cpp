#include "gfx/shader/GlslBuilder.h"

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
    ivec4 dx_samplers;
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

constexpr const char* kVertexEpilogue =
    R"(    if (dx_clipVertex.w == dx_clipUnset) dx_clipVertex = dx_oPos;
    for (int i = 0; i < 6; ++i) gl_ClipDistance[i] = dot(dx_clipVertex, dx_clipPlane[i]);
    gl_Position = vec4(dx_oPos.x, -dx_oPos.y, 2.0 * dx_oPos.z - dx_oPos.w, dx_oPos.w);
    gl_PointSize = max(min(max(dx_oPts, dx_pointParams.y), dx_pointParams.z), 1.0);
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
#ifdef DX_PLAIN
    for (int i = 0; i < 8; ++i) dx_iT[i] = dx_vT[i];
#else
    for (int i = 0; i < 8; ++i) dx_iT[i] = dx_modes.w != 0 ? vec4(gl_PointCoord, 0.0, 1.0) : dx_vT[i];
#endif
    float dx_eyeDepth = dx_vEyeDepth;
    vec4 dx_oC0 = vec4(0.0);
)";

// Alpha test on the 8-bit alpha, as the original compared bytes; then fog on colour only.
constexpr const char* kPixelEpilogue = R"(    vec4 dx_c = clamp(dx_oC0, 0.0, 1.0);
#ifndef DX_PLAIN
    int dx_func = dx_modes.y;
    if (dx_func != 8) {
        int a = int(floor(dx_c.a * 255.0 + 0.5));
        int ref = dx_modes.z;
        bool pass = dx_func == 2 ? a < ref
                  : dx_func == 3 ? a == ref
                  : dx_func == 4 ? a <= ref
                  : dx_func == 5 ? a > ref
                  : dx_func == 6 ? a != ref
                  : dx_func == 7 ? a >= ref
                  : false;
        if (!pass) discard;
    }
    if (dx_modes.x != 0) {
        float d = dx_eyeDepth;
        float f = dx_modes.x == 1 ? exp(-dx_fogParams.x * d)
                : dx_modes.x == 2 ? exp(-(dx_fogParams.x * d) * (dx_fogParams.x * d))
                : dx_modes.x == 3 ? (dx_fogParams.z - d) * dx_fogParams.w
                : dx_vFog;
        dx_c.rgb = mix(dx_fogColor.rgb, dx_c.rgb, clamp(f, 0.0, 1.0));
    }
#endif
    dx_fragColor = dx_c;
}
)";

}  // namespace

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
         "out float dx_vEyeDepth;\nout float gl_ClipDistance[6];\n";
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

std::string BuildPixelSource(const GlslStage& stage, bool plain) {
    std::string s;
    s.reserve(4096 + stage.declarations.size() + stage.body.size());
    s += "#version 330 core\n";
    if (plain) s += "#define DX_PLAIN\n";
    s += "layout(std140) uniform DxPsConstants { vec4 dx_pc[8]; };\n";
    s += kCommonDeclarations;
    for (unsigned i = 0; i < 8; ++i) {
        s += "uniform sampler2D " + SamplerName(i, SamplerKind::Texture2D) + ";\n";
        s += "uniform samplerCube " + SamplerName(i, SamplerKind::Cube) + ";\n";
    }
    s += "in vec4 dx_vD0;\nin vec4 dx_vD1;\nin vec4 dx_vT[8];\nin float dx_vFog;\n"
         "in float dx_vEyeDepth;\n";
    s += "layout(location = 0) out vec4 dx_fragColor;\n";
    s += stage.declarations;
    s += "\n";
    s += kPixelPrologue;
    s += "    {\n";
    s += stage.body;
    s += "\n    }\n";
    s += kPixelEpilogue;
    return s;
}

}  // namespace gfx::shader
