// Every ps.1.0-1.4 instruction run on the GL implementation, compared with values worked out by
// hand from the D3D8 definitions: register clamping, source and result modifiers, co-issue,
// texture addressing with the stage's bump matrix, depth output.
#include <cmath>

#include "ExecSupport.h"

namespace shadertest {
namespace {

PixelInputs ArithInputs() {
    PixelInputs in;
    in.c[0] = {0.5f, 0.25f, -0.5f, 1};
    in.c[1] = {0.75f, 0.75f, 0.25f, 0.5f};
    in.c[2] = {2, -3, 0.5f, 0};  // outside the constant range
    in.d0 = {1.5f, 0.25f, -1, 0.6f};
    in.d1 = {0.2f, 0.4f, 0.6f, 0.8f};
    in.bumpMat[1] = {0.5f, 0.25f, -0.25f, 1.0f};
    return in;
}

struct PsCase {
    const char* name;
    const char* source;
    Vec4 expected;
};

class PixelArithmeticTest : public ::testing::TestWithParam<PsCase> {};

TEST_P(PixelArithmeticTest, MatchesTheDefinition) {
    REQUIRE_GL();
    const PsCase& c = GetParam();
    PixelOutputs out;
    std::string error;
    ASSERT_TRUE(RunPs(c.source, ArithInputs(), out, error)) << error;
    EXPECT_TRUE(Near(out.color, c.expected)) << c.source;
}

const PsCase kArith[] = {
    {"constants_clamped", "ps.1.1\nmov r0, c2", {1, -1, 0.5f, 0}},
    {"colour_input_saturated", "ps.1.1\nmov r0, v0", {1, 0.25f, 0, 0.6f}},
    {"add_clamps_to_one", "ps.1.1\nadd r0, c0, c1", {1, 1, -0.25f, 1}},
    {"sub", "ps.1.1\nsub r0, c0, c1", {-0.25f, -0.5f, -0.75f, 0.5f}},
    {"mul", "ps.1.1\nmul r0, c0, c1", {0.375f, 0.1875f, -0.125f, 0.5f}},
    {"mad", "ps.1.1\nmad r0, c0, c1, v1", {0.575f, 0.5875f, 0.475f, 1}},
    {"lrp", "ps.1.1\nlrp r0, c1, c0, v1", {0.425f, 0.2875f, 0.325f, 0.9f}},
    {"dp3_replicates", "ps.1.1\ndp3 r0, c0, c1", {0.4375f, 0.4375f, 0.4375f, 0.4375f}},
    {"dp4", "ps.1.2\ndp4 r0, c0, c1", {0.9375f, 0.9375f, 0.9375f, 0.9375f}},
    {"cnd_threshold_is_exclusive",
     "ps.1.1\nmov r0, c1\ncnd r0, r0.a, c0, v1",
     {0.2f, 0.4f, 0.6f, 0.8f}},
    {"cnd_above_half", "ps.1.1\nmov r0, v1\ncnd r0, r0.a, c0, c1", {0.5f, 0.25f, -0.5f, 1}},
    {"cnd_per_component_in_1_4", "ps.1.4\ncnd r0, c1, c0, v1", {0.5f, 0.25f, 0.6f, 0.8f}},
    {"cmp", "ps.1.2\ncmp r0, c0, c1, v1", {0.75f, 0.75f, 0.6f, 0.5f}},
    {"cmp_zero_counts_as_positive", "ps.1.3\ncmp r0, c2.a, c1, v1", {0.75f, 0.75f, 0.25f, 0.5f}},
    {"bias", "ps.1.1\nmov r0, c1_bias", {0.25f, 0.25f, -0.25f, 0}},
    {"negated_bias", "ps.1.1\nmov r0, -c1_bias", {-0.25f, -0.25f, 0.25f, 0}},
    {"bx2", "ps.1.1\nmov r0, c1_bx2", {0.5f, 0.5f, -0.5f, 0}},
    {"negated_bx2", "ps.1.1\nmov r0, -c1_bx2", {-0.5f, -0.5f, 0.5f, 0}},
    {"complement", "ps.1.1\nmov r0, 1-c1", {0.25f, 0.25f, 0.75f, 0.5f}},
    {"negate", "ps.1.1\nmov r0, -c0", {-0.5f, -0.25f, 0.5f, -1}},
    {"source_x2_in_1_4", "ps.1.4\nmov r0, c1_x2", {1.5f, 1.5f, 0.5f, 1}},
    {"negated_source_x2", "ps.1.4\nmov r0, -c1_x2", {-1.5f, -1.5f, -0.5f, -1}},
    {"result_x2", "ps.1.1\nmul_x2 r0, c0, c1", {0.75f, 0.375f, -0.25f, 1}},
    {"result_x4_clamps", "ps.1.1\nmul_x4 r0, c0, c1", {1, 0.75f, -0.5f, 1}},
    {"result_d2", "ps.1.1\nmov_d2 r0, c0", {0.25f, 0.125f, -0.25f, 0.5f}},
    {"saturate", "ps.1.1\nadd_sat r0, c0, -c1", {0, 0, 0, 0.5f}},
    {"result_x8_in_1_4", "ps.1.4\nmov_x8 r0, c0", {4, 2, -4, 8}},
    {"result_d4", "ps.1.4\nmov_d4 r0, c0", {0.125f, 0.0625f, -0.125f, 0.25f}},
    {"result_d8", "ps.1.4\nmov_d8 r0, c0", {0.0625f, 0.03125f, -0.0625f, 0.125f}},
    {"range_is_eight_in_1_4", "ps.1.4\nadd_x8 r0, c0, c1", {8, 8, -2, 8}},
    {"coissue_reads_before_writes",
     "ps.1.1\nmov r0, c0\nadd r0.rgb, r0, c1\n+mov r0.a, r0.r",
     {1, 1, -0.25f, 0.5f}},
    {"write_mask_alpha", "ps.1.1\nmov r0, c0\nmov r0.a, c1.b", {0.5f, 0.25f, -0.5f, 0.25f}},
    {"replicate_swizzle", "ps.1.1\nmov r0, c0.b", {-0.5f, -0.5f, -0.5f, -0.5f}},
    {"free_swizzle_in_1_4", "ps.1.4\nmov r0, c0.abgr", {1, -0.5f, 0.25f, 0.5f}},
    {"def_is_clamped", "ps.1.1\ndef c3, 0.5, 2, -0.25, 0\nmov r0, c3", {0.5f, 1, -0.25f, 0}},
    {"nop", "ps.1.0\nmov r0, c0\nnop", {0.5f, 0.25f, -0.5f, 1}},
    {"bem_uses_the_stage_matrix",
     "ps.1.4\nbem r1.rg, c0, c1\nphase\nmov r0, r1",
     {0.6875f, 1.1875f, 0, 0}},
    {"temporary_alpha_is_lost_at_the_phase",
     "ps.1.4\nmov r1, c1\nphase\nmov r0, r1",
     {0.75f, 0.75f, 0.25f, 0}},
    {"texture_register_as_temporary",
     "ps.1.1\nmov t1, c0\nmul r0, t1, c1",
     {0.375f, 0.1875f, -0.125f, 0.5f}},
};

INSTANTIATE_TEST_SUITE_P(All, PixelArithmeticTest, ::testing::ValuesIn(kArith),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- texture instructions

constexpr int kGrid = 16;

// Each texel holds its own centre coordinates, so a nearest sample tells where it was taken.
TextureData CoordTexture() {
    TextureData t;
    t.size = kGrid;
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i)
            t.texels.push_back({(i + 0.5f) / kGrid, (j + 0.5f) / kGrid, 0.5f, 1});
    return t;
}

float Q(float x) { return (std::floor(x * kGrid) + 0.5f) / kGrid; }

TextureData Solid(Vec4 v) {
    TextureData t;
    t.texels = {v};
    return t;
}

// Face f holds (0.1 (f + 1), 0.5, 0, 1).
TextureData FaceCube() {
    TextureData t;
    t.cube = true;
    t.size = 1;
    for (int f = 0; f < 6; ++f) t.texels.push_back({0.1f * (f + 1), 0.5f, 0, 1});
    return t;
}

class PixelTextureTest : public ::testing::Test {
  protected:
    void SetUp() override { REQUIRE_GL(); }
    PixelOutputs run(const std::string& source, const PixelInputs& in) {
        PixelOutputs out;
        std::string error;
        EXPECT_TRUE(RunPs(source, in, out, error)) << error;
        return out;
    }
};

TEST_F(PixelTextureTest, TexSamplesItsStageAtItsCoordinates) {
    PixelInputs in;
    in.t[0] = {0.34f, 0.72f, 0, 1};
    in.textures[0] = CoordTexture();
    EXPECT_TRUE(Near(run("ps.1.1\ntex t0\nmov r0, t0", in).color, {Q(0.34f), Q(0.72f), 0.5f, 1}));
}

TEST_F(PixelTextureTest, TexcoordClampsToUnitRangeWithOneInAlpha) {
    PixelInputs in;
    in.t[0] = {1.5f, -0.5f, 0.25f, 7};
    EXPECT_TRUE(Near(run("ps.1.1\ntexcoord t0\nmov r0, t0", in).color, {1, 0, 0.25f, 1}));
}

TEST_F(PixelTextureTest, TexkillTestsTheFirstThreeCoordinates) {
    PixelInputs in;
    in.c[0] = {1, 1, 1, 1};
    in.t[1] = {0.5f, -0.1f, 0.2f, 1};
    EXPECT_TRUE(run("ps.1.1\ntexkill t1\nmov r0, c0", in).killed);
    in.t[1] = {0.5f, 0.1f, 0.2f, -1};
    EXPECT_FALSE(run("ps.1.1\ntexkill t1\nmov r0, c0", in).killed);
}

TEST_F(PixelTextureTest, TexbemOffsetsByTheBumpMatrixOfItsStage) {
    PixelInputs in;
    in.textures[0] = Solid({0.5f, -0.25f, 0.5f, 1});
    in.textures[1] = CoordTexture();
    in.bumpMat[1] = {0.5f, 0.25f, -0.25f, 1.0f};  // 00, 01, 10, 11
    in.t[1] = {0.3f, 0.4f, 0, 1};
    // u' = 0.3 + 0.5*0.5 + (-0.25)*(-0.25); v' = 0.4 + 0.25*0.5 + 1*(-0.25)
    const float u = 0.6125f, v = 0.275f;
    EXPECT_TRUE(
        Near(run("ps.1.1\ntex t0\ntexbem t1, t0\nmov r0, t1", in).color, {Q(u), Q(v), 0.5f, 1}));
    in.bumpLum[1] = {0.5f, 0.25f};  // L = 0.5 * 0.5 + 0.25
    EXPECT_TRUE(Near(run("ps.1.1\ntex t0\ntexbeml t1, t0\nmov r0, t1", in).color,
                     {Q(u) * 0.5f, Q(v) * 0.5f, 0.25f, 1}));
}

TEST_F(PixelTextureTest, TexregReadsCoordinatesFromAnotherRegister) {
    PixelInputs in;
    in.textures[0] = Solid({0.2f, 0.9f, 0.55f, 0.7f});
    in.textures[1] = CoordTexture();
    EXPECT_TRUE(Near(run("ps.1.1\ntex t0\ntexreg2ar t1, t0\nmov r0, t1", in).color,
                     {Q(0.7f), Q(0.2f), 0.5f, 1}));
    EXPECT_TRUE(Near(run("ps.1.1\ntex t0\ntexreg2gb t1, t0\nmov r0, t1", in).color,
                     {Q(0.9f), Q(0.55f), 0.5f, 1}));
    EXPECT_TRUE(Near(run("ps.1.2\ntex t0\ntexreg2rgb t1, t0\nmov r0, t1", in).color,
                     {Q(0.2f), Q(0.9f), 0.5f, 1}));
}

TEST_F(PixelTextureTest, Texm3x2SamplesAtTwoDotProducts) {
    PixelInputs in;
    in.textures[0] = Solid({0.5f, 0.25f, 0.2f, 1});
    in.textures[2] = CoordTexture();
    in.t[1] = {0.4f, 0.8f, 0.6f, 0};  // u = 0.52
    in.t[2] = {0.2f, 0.4f, 1.0f, 0};  // v = 0.4
    EXPECT_TRUE(
        Near(run("ps.1.1\ntex t0\ntexm3x2pad t1, t0\ntexm3x2tex t2, t0\nmov r0, t2", in).color,
             {Q(0.52f), Q(0.4f), 0.5f, 1}));
}

TEST_F(PixelTextureTest, Texm3x2depthWritesZOverW) {
    PixelInputs in;
    in.textures[0] = Solid({0.5f, 0.25f, 0.2f, 1});
    in.t[1] = {0.4f, 0.8f, 0.6f, 0};  // z = 0.52
    in.t[2] = {2, 0, 0, 0};           // w = 1
    const char* src = "ps.1.3\ntex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0\nmov r0, t0";
    EXPECT_NEAR(run(src, in).depth, 0.52f, 1e-5f);
    in.t[2] = {0, 0, 0, 0};  // w = 0 gives depth 1
    EXPECT_NEAR(run(src, in).depth, 1.0f, 1e-6f);
}

TEST_F(PixelTextureTest, Texm3x3FamilyBuildsAVectorFromThreeRows) {
    PixelInputs in;
    in.textures[0] = Solid({0.5f, 0.5f, 0.5f, 1});
    in.textures[3] = FaceCube();
    in.t[1] = {-0.2f, 0, 0, 0.6f};
    in.t[2] = {1.8f, 0, 0, 0.3f};
    in.t[3] = {0.4f, 0, 0, 0};
    // N = (-0.1, 0.9, 0.2): the +Y face (index 2).
    EXPECT_TRUE(Near(run("ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\n"
                         "texm3x3tex t3, t0\nmov r0, t3",
                         in)
                         .color,
                     {0.3f, 0.5f, 0, 1}));
    in.textures.erase(3);
    EXPECT_TRUE(Near(run("ps.1.2\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\n"
                         "texm3x3 t3, t0\nmov r0, t3",
                         in)
                         .color,
                     {-0.1f, 0.9f, 0.2f, 1}));
}

TEST_F(PixelTextureTest, Texm3x3specReflectsTheEyeVector) {
    PixelInputs in;
    in.textures[0] = Solid({0.5f, 0.5f, 0.5f, 1});
    in.textures[3] = FaceCube();
    in.t[1] = {0, 0, 0, 0.6f};
    in.t[2] = {2, 0, 0, 0.3f};
    in.t[3] = {0, 0, 0, 0};
    in.c[0] = {0.6f, 0.3f, 0, 0};
    // N = (0, 1, 0), E = (0.6, 0.3, 0): R = 2 N (N.E) / (N.N) - E = (-0.6, 0.3, 0), the -X face.
    EXPECT_TRUE(Near(run("ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\n"
                         "texm3x3spec t3, t0, c0\nmov r0, t3",
                         in)
                         .color,
                     {0.2f, 0.5f, 0, 1}));
    // The same eye vector taken from the w of the three coordinate sets.
    EXPECT_TRUE(Near(run("ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\n"
                         "texm3x3vspec t3, t0\nmov r0, t3",
                         in)
                         .color,
                     {0.2f, 0.5f, 0, 1}));
}

TEST_F(PixelTextureTest, Texdp3Forms) {
    PixelInputs in;
    in.textures[0] = Solid({0.5f, 0.25f, 0.2f, 1});
    in.textures[1] = CoordTexture();
    in.t[1] = {0.4f, 0.8f, 0.6f, 0};  // dot = 0.52
    EXPECT_TRUE(Near(run("ps.1.2\ntex t0\ntexdp3tex t1, t0\nmov r0, t1", in).color,
                     {Q(0.52f), Q(0), 0.5f, 1}));
    EXPECT_TRUE(Near(run("ps.1.2\ntex t0\ntexdp3 t1, t0\nmov r0, t1", in).color,
                     {0.52f, 0.52f, 0.52f, 0.52f}));
}

TEST_F(PixelTextureTest, TexldSamplesTheStageOfItsDestination) {
    PixelInputs in;
    in.textures[1] = CoordTexture();
    in.t[2] = {0.34f, 0.72f, 2, 4};
    EXPECT_TRUE(
        Near(run("ps.1.4\ntexld r1, t2\nmov r0, r1", in).color, {Q(0.34f), Q(0.72f), 0.5f, 1}));
    // Projection: a phase 2 read of a temporary by its z, or a coordinate set by its w through
    // the .xyw selector.
    EXPECT_TRUE(Near(run("ps.1.4\ntexcrd r2, t2\nphase\ntexld r1, r2_dz\nmov r0, r1", in).color,
                     {Q(0.17f), Q(0.36f), 0.5f, 1}));
    EXPECT_TRUE(Near(run("ps.1.4\ntexld r1, t2_dw.xyw\nmov r0, r1", in).color,
                     {Q(0.085f), Q(0.18f), 0.5f, 1}));
}

TEST_F(PixelTextureTest, ProjectionByZeroGivesOne) {
    PixelInputs in;
    in.t[1] = {0.3f, 0.6f, 0, 2};
    EXPECT_TRUE(Near(run("ps.1.4\ntexcrd r0.rg, t1_dw.xyw", in).color, {0.15f, 0.3f, 0, 0}));
    in.t[1] = {0.3f, 0.6f, 0, 0};
    EXPECT_TRUE(Near(run("ps.1.4\ntexcrd r0.rg, t1_dw.xyw", in).color, {1, 1, 0, 0}));
}

TEST_F(PixelTextureTest, TexcrdCopiesCoordinatesWithinTheRegisterRange) {
    PixelInputs in;
    in.t[1] = {1.5f, -2.5f, 9, 3};
    EXPECT_TRUE(Near(run("ps.1.4\ntexcrd r0, t1", in).color, {1.5f, -2.5f, 8, 1}));
    EXPECT_TRUE(Near(run("ps.1.4\ntexcrd r0.rgb, t1.xyw", in).color, {1.5f, -2.5f, 3, 0}));
}

TEST_F(PixelTextureTest, PhaseTwoReadsDependOnPhaseOneResults) {
    PixelInputs in;
    in.t[0] = {0.34f, 0.72f, 0, 1};
    in.textures[1] = CoordTexture();
    EXPECT_TRUE(Near(run("ps.1.4\ntexcrd r0, t0\nphase\ntexld r1, r0\nmov r0, r1", in).color,
                     {Q(0.34f), Q(0.72f), 0.5f, 1}));
}

TEST_F(PixelTextureTest, PixelShader14KillAndDepth) {
    PixelInputs in;
    in.c[0] = {1, 1, 1, 1};
    in.t[0] = {0.3f, -0.6f, 0, 1};
    EXPECT_TRUE(run("ps.1.4\ntexcrd r0, t0\nphase\ntexkill r0\nmov r0, c0", in).killed);
    in.t[0] = {0.3f, 0.6f, 0, 1};
    const PixelOutputs out = run("ps.1.4\ntexcrd r5, t0\nphase\ntexdepth r5\nmov r0, c0", in);
    EXPECT_FALSE(out.killed);
    EXPECT_NEAR(out.depth, 0.5f, 1e-6f);
}

}  // namespace
}  // namespace shadertest
