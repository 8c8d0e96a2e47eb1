// Every vs.1.1 instruction run on the GL implementation, compared with values worked out by
// hand from the instruction definitions.
#include <cfloat>

#include "ExecSupport.h"

namespace shadertest {
namespace {

struct VsCase {
    const char* name;
    const char* body;  // after "vs.1.1", before "mov oPos, v0"; results go to oT0
    Vec4 expected;
};

class VertexInstructionTest : public ::testing::TestWithParam<VsCase> {};

TEST_P(VertexInstructionTest, MatchesTheDefinition) {
    REQUIRE_GL();
    const VsCase& c = GetParam();
    VertexInputs in;
    in.v[0] = {1, 2, 3, 4};
    in.v[1] = {0.5f, -0.25f, 2, 8};
    in.v[2] = {0, 0, 0, 0};
    in.v[3] = {0.5f, 0.25f, 0, 2};  // lit inputs
    in.v[4] = {1.75f, -0.25f, 3, -10};
    in.c[0] = {1, 0, 0, 0};
    in.c[1] = {0, 1, 0, 0};
    in.c[2] = {0, 0, 1, 0};
    in.c[3] = {10, 20, 30, 1};
    in.c[4] = {0.25f, 0.5f, 0.75f, 1};
    in.c[5] = {-1, -2, -3, -4};
    VertexOutputs out;
    std::string error;
    ASSERT_TRUE(RunVs(std::string("vs.1.1\n") + c.body + "\nmov oPos, v0", in, out, error))
        << error;
    EXPECT_TRUE(Near(out.t[0], c.expected)) << c.body;
}

constexpr float kMax = FLT_MAX;

const VsCase kVsCases[] = {
    {"mov", "mov oT0, v1", {0.5f, -0.25f, 2, 8}},
    {"mov_swizzle_negate", "mov oT0, -v0.wzyx", {-4, -3, -2, -1}},
    {"add", "add oT0, v0, c4", {1.25f, 2.5f, 3.75f, 5}},
    {"sub", "sub oT0, v0, c4", {0.75f, 1.5f, 2.25f, 3}},
    {"mul", "mul oT0, v0, v1", {0.5f, -0.5f, 6, 32}},
    {"mad", "mad oT0, v0, v1.x, c5", {-0.5f, -1, -1.5f, -2}},
    {"dp3", "dp3 oT0, v0, v1", {6, 6, 6, 6}},      // 0.5 - 0.5 + 6
    {"dp4", "dp4 oT0, v0, v1", {38, 38, 38, 38}},  // + 32
    {"rcp", "rcp oT0, v1.w", {0.125f, 0.125f, 0.125f, 0.125f}},
    {"rcp_of_one_is_exact", "rcp oT0, c3.w", {1, 1, 1, 1}},
    {"rcp_of_zero_is_huge", "rcp oT0, v2.x", {kMax, kMax, kMax, kMax}},
    {"rcp_reads_w_of_swizzle", "rcp oT0, v1", {0.125f, 0.125f, 0.125f, 0.125f}},
    {"rsq_takes_absolute", "rsq oT0, -c4.y", {1.4142135f, 1.4142135f, 1.4142135f, 1.4142135f}},
    {"rsq_of_zero_is_huge", "rsq oT0, v2.y", {kMax, kMax, kMax, kMax}},
    {"min", "min oT0, v0, v1", {0.5f, -0.25f, 2, 4}},
    {"max", "max oT0, v0, v1", {1, 2, 3, 8}},
    {"slt", "slt oT0, v1, v0", {1, 1, 1, 0}},
    {"sge", "sge oT0, v0, v0.xxxx", {1, 1, 1, 1}},
    {"sge_mixed", "sge oT0, v1, c4", {1, 0, 1, 1}},
    {"exp", "exp oT0, v1.z", {4, 4, 4, 4}},
    {"log", "log oT0, v1.w", {3, 3, 3, 3}},
    {"log_of_negative_uses_magnitude", "log oT0, -c4.y", {-1, -1, -1, -1}},
    {"log_of_zero", "log oT0, v2.x", {-kMax, -kMax, -kMax, -kMax}},
    {"expp", "expp oT0, c4.z", {1, 0.75f, 1.6817929f, 1}},
    {"expp_negative", "expp oT0, -v1.x", {0.5f, 0.5f, 0.70710678f, 1}},
    {"logp", "logp oT0, v4.w", {3, 1.25f, 3.3219281f, 1}},
    {"lit", "lit oT0, v3", {1, 0.5f, 0.0625f, 1}},
    {"lit_facing_away", "lit oT0, -v3", {1, 0, 0, 1}},
    {"lit_power_clamped",
     "mov r0, v3\nmov r0.w, c3.y\nmul r0.w, r0.w, c3.x\nlit oT0, r0",
     {1, 0.5f, 0, 1}},  // 0.25^128 underflows to 0 with the power limited to 127.9961
    {"dst", "dst oT0, v0, v1", {1, -0.5f, 3, 8}},
    {"frc", "frc oT0, v4", {0.75f, 0.75f, 0, 0}},
    {"m4x4", "m4x4 oT0, v0, c0", {1, 2, 3, 144}},
    {"m4x3_leaves_w", "mov oT0, c5\nm4x3 oT0.xyz, v0, c3", {144, 7.5f, -30, -4}},
    {"m3x4", "m3x4 oT0, v0, c2", {3, 140, 3.5f, -14}},
    {"m3x3", "m3x3 oT0.xyz, v1, c0", {0.5f, -0.25f, 2, 1}},
    {"m3x2", "m3x2 oT0.xy, v1, c1", {-0.25f, 2, 0, 1}},
    {"write_mask", "mov oT0.xz, v0", {1, 0, 3, 1}},
    {"def", "def c20, 0.5, 1.5, -2, 1e-3\nmov oT0, c20", {0.5f, 1.5f, -2, 0.001f}},
    {"relative", "mov a0.x, c4.w\nmov oT0, c[a0.x + 3]", {0.25f, 0.5f, 0.75f, 1}},
    {"relative_floors", "mov a0.x, v4.x\nmov oT0, c[a0.x + 2]", {10, 20, 30, 1}},  // 1.75 -> 1
    {"relative_floors_toward_minus_infinity",
     "mov a0.x, v4.y\nmov oT0, c[a0.x + 5]",
     {0.25f, 0.5f, 0.75f, 1}},
    {"relative_out_of_range_reads_zero", "mov a0.x, c5.x\nmov oT0, c[a0.x]", {0, 0, 0, 0}},
    {"relative_matrix", "mov a0.x, c3.w\nm4x4 oT0, v0, c[a0.x + 1]", {3, 144, 7.5f, -30}},
    {"def_seen_by_relative",
     "def c40, 7, 8, 9, 10\nmov a0.x, c3.w\nmov oT0, c[a0.x + 39]",
     {7, 8, 9, 10}},
};

INSTANTIATE_TEST_SUITE_P(All, VertexInstructionTest, ::testing::ValuesIn(kVsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VertexOutputsTest, EveryOutputRegister) {
    REQUIRE_GL();
    VertexInputs in;
    in.v[0] = {1, 2, 3, 1};
    in.v[5] = {0.1f, 0.2f, 0.3f, 0.4f};
    in.c[7] = {0.5f, 3, 0, 0};
    VertexOutputs out;
    std::string error;
    ASSERT_TRUE(
        RunVs("vs.1.1\nmov oPos, v0\nmov oD0, v5\nmov oD1, -v5\nmov oT7, v0.zyxw\n"
              "mov oFog, c7.x\nmov oPts, c7.y\n",
              in, out, error))
        << error;
    EXPECT_TRUE(Near(out.pos, {1, 2, 3, 1}));
    EXPECT_TRUE(Near(out.d0, {0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_TRUE(Near(out.d1, {-0.1f, -0.2f, -0.3f, -0.4f}));
    EXPECT_TRUE(Near(out.t[7], {3, 2, 1, 1}));
    EXPECT_TRUE(Near(out.t[1], {0, 0, 0, 1}));  // unwritten: the interface default
    EXPECT_FLOAT_EQ(out.fog, 0.5f);
    EXPECT_FLOAT_EQ(out.pts, 3);
}

}  // namespace
}  // namespace shadertest
