#include "gfx/shader/GlslBuilder.h"

#include <gtest/gtest.h>

namespace {

using gfx::shader::BuildPixelSource;
using gfx::shader::BuildVertexSource;
using gfx::shader::GlslStage;

bool Has(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

TEST(GlslBuilder, VertexSourceDeclaresTheInterfaceAroundTheBody) {
    GlslStage stage;
    stage.declarations = "float helper(float x) { return x; }\n";
    stage.body = "dx_oPos = dx_v0;\n";
    const std::string s = BuildVertexSource(stage);
    EXPECT_EQ(s.rfind("#version 330 core\n", 0), 0u);
    EXPECT_TRUE(Has(s, "layout(location = 0) in vec4 dx_v0;"));
    EXPECT_TRUE(Has(s, "layout(location = 15) in vec4 dx_v15;"));
    EXPECT_TRUE(Has(s, "vec4 dx_vc[96];"));
    EXPECT_TRUE(Has(s, "float helper(float x)"));
    for (const char* local :
         {"vec4 dx_oPos", "vec4 dx_oD0 = vec4(1.0)", "vec4 dx_oD1 = vec4(0.0)", "vec4 dx_oT[8]",
          "float dx_oFog = 1.0", "float dx_oPts = dx_pointParams.x", "vec4 dx_clipVertex"})
        EXPECT_TRUE(Has(s, local)) << local;
    // The body comes after the locals and before the conversion to GL's clip space.
    const size_t body = s.find("dx_oPos = dx_v0;");
    ASSERT_NE(body, std::string::npos);
    EXPECT_LT(s.find("vec4 dx_clipVertex"), body);
    const size_t epilogue = s.find("2.0 * dx_oPos.z - dx_oPos.w");
    EXPECT_GT(epilogue, body);
    EXPECT_TRUE(Has(s, "gl_Position = vec4(dx_oPos.x, -dx_oPos.y,"));
    EXPECT_TRUE(Has(s, "gl_ClipDistance[i] = dot(dx_clipVertex, dx_clipPlane[i])"));
}

TEST(GlslBuilder, PixelSourceDeclaresBothSamplersOfEveryStage) {
    GlslStage stage;
    stage.body = "dx_oC0 = texture(dx_sCube_1, dx_iT[1].xyz);\n";
    const std::string s = BuildPixelSource(stage);
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(Has(s, "uniform sampler2D dx_s2D_" + std::to_string(i) + ";")) << i;
        EXPECT_TRUE(Has(s, "uniform samplerCube dx_sCube_" + std::to_string(i) + ";")) << i;
    }
    EXPECT_TRUE(Has(s, "vec4 dx_viewOrigin;"));
    EXPECT_TRUE(Has(s, "vec4 dx_pc[8];"));
    EXPECT_TRUE(Has(s, "vec4 dx_bumpMat[8];"));
    EXPECT_TRUE(Has(s, "vec2 dx_bumpLum[8];"));
    EXPECT_TRUE(Has(s, "vec4 dx_tfactor;"));
    for (const char* local : {"vec4 dx_iD0", "vec4 dx_iD1", "vec4 dx_iT[8]", "vec4 dx_oC0"})
        EXPECT_TRUE(Has(s, local)) << local;
    // Alpha test and fog come after the body.
    const size_t body = s.find("dx_oC0 = texture(");
    EXPECT_GT(s.find("discard;", body), body);
    EXPECT_GT(s.find("dx_fogColor.rgb"), body);
}

// A variant states its choices as macros ahead of everything; projective stages divide their
// coordinates before the body reads them.
TEST(GlslBuilder, VariantChoicesAreMacrosAndProjectionDividesFirst) {
    GlslStage stage;
    stage.body = "dx_oC0 = dx_iT[2];\n";
    gfx::shader::PixelVariant v;
    v.cubeStages = 5;
    v.fog = gfx::shader::FogSelect::Linear;
    v.fogDepth = gfx::shader::FogDepth::Projected;
    v.alphaFunc = 6;
    v.projected = 2u << 4;  // stage 2 by its z
    const std::string s = BuildPixelSource(stage, v);
    for (const char* line :
         {"#define DX_CUBE_STAGES 5\n", "#define DX_FOG 3\n", "#define DX_FOG_Z 1\n",
          "#define DX_ALPHA_FUNC 6\n", "#define DX_POINTS 0\n"})
        EXPECT_LT(s.find(line), s.find("void main()")) << line;
    const size_t divide = s.find("dx_iT[2].xyz /= dx_iT[2].z;");
    ASSERT_NE(divide, std::string::npos);
    EXPECT_LT(divide, s.find("dx_oC0 = dx_iT[2];"));
    EXPECT_FALSE(v == gfx::shader::PixelVariant{});
}

TEST(GlslBuilder, BothStagesShareOneVaryingInterface) {
    const std::string v = BuildVertexSource({});
    const std::string p = BuildPixelSource({});
    for (const char* name : {"vec4 dx_vD0;", "vec4 dx_vD1;", "vec4 dx_vT[8];", "float dx_vFog;",
                             "float dx_vEyeDepth;"}) {
        EXPECT_TRUE(Has(v, std::string("out ") + name)) << name;
        EXPECT_TRUE(Has(p, std::string("in ") + name)) << name;
    }
}

}  // namespace
