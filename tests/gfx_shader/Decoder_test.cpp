// Token-level decoding: fields of valid streams, and every kind of malformed stream rejected
// with a message naming the token offset.
#include <gtest/gtest.h>

#include <random>

#include "gfx/StateDevice.h"
#include "gfx/shader/Assembler.h"
#include "gfx/shader/Decoder.h"
#include "gfx/shader/TokenCheck.h"
#include "gfx/shader/Translators.h"

namespace gfx::shader {
namespace {

std::vector<uint32_t> Asm(const std::string& source) {
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_TRUE(Assemble(source, "t", tokens, error)) << error;
    return tokens;
}

TEST(DecoderTest, ReadsTheTokensOfAnInstruction) {
    // mov oPos, v5 in vs.1.1, as the token format lays it out.
    const std::vector<uint32_t> tokens = {0xFFFE0101, 0x00000001, 0xC00F0000, 0x90E40005,
                                          0x0000FFFF};
    EXPECT_EQ(Asm("vs.1.1\nmov oPos, v5\n"), tokens);
    Program p;
    std::string error;
    ASSERT_TRUE(Decode(tokens.data(), tokens.size(), p, error)) << error;
    EXPECT_FALSE(p.version.pixel);
    EXPECT_EQ(p.tokenCount, 5u);
    ASSERT_EQ(p.instructions.size(), 1u);
    const Instruction& i = p.instructions[0];
    EXPECT_EQ(i.opcode, Opcode::Mov);
    EXPECT_EQ(i.dst.type, RegType::RastOut);
    EXPECT_EQ(i.dst.index, 0u);
    EXPECT_EQ(i.src[0].type, RegType::Input);
    EXPECT_EQ(i.src[0].index, 5u);
}

TEST(DecoderTest, PixelModifiersEncodeAsDocumented) {
    // mul_x2_sat r0.rgb, t0_bx2, 1-c1.a with a co-issued mov.
    const auto t = Asm("ps.1.1\ntex t0\nmul_x2_sat r0.rgb, t0_bx2, 1-c1.a\n+mov r0.a, -v0.b\n");
    ASSERT_EQ(t.size(), 1u + 2 + 4 + 3 + 1);
    EXPECT_EQ(t[3], 0x00000005u);
    EXPECT_EQ(t[4], 0x80000000u | (1u << 24) | (1u << 20) | (0x7u << 16));  // r0.rgb _x2 _sat
    EXPECT_EQ(t[5], 0xB0000000u | (4u << 24) | (0xE4u << 16));              // t0_bx2
    EXPECT_EQ(t[6], 0xA0000001u | (6u << 24) | (0xFFu << 16));              // 1-c1.a
    EXPECT_EQ(t[7], 0x40000001u);                                           // +mov
    EXPECT_EQ(t[9], 0x90000000u | (1u << 24) | (0xAAu << 16));              // -v0.b
}

TEST(DecoderTest, ZeroAndExactLengthFieldsBothDecode) {
    auto t = Asm("ps.1.4\ntexld r0, t0\nmov r0, r0\n");
    std::string error;
    Program p;
    ASSERT_TRUE(Decode(t.data(), t.size(), p, error)) << error;
    t[1] |= 2u << 24;  // texld: destination and source
    t[4] |= 2u << 24;
    ASSERT_TRUE(Decode(t.data(), t.size(), p, error)) << error;
    EXPECT_EQ(p.instructions[0].srcCount, 1u);
}

TEST(DecoderTest, TexAndTexcoordTakeOneMoreTokenIn14) {
    const auto a = Asm("ps.1.3\ntex t0\ntexcoord t1\n");
    const auto b = Asm("ps.1.4\ntexld r0, t0\ntexcrd r1, t1\n");
    EXPECT_EQ(a.size(), 1u + 2 + 2 + 1);
    EXPECT_EQ(b.size(), 1u + 3 + 3 + 1);
    EXPECT_EQ(a[1], b[1]);  // same opcodes
    EXPECT_EQ(a[3], b[4]);
}

TEST(DecoderTest, CommentsAreSkipped) {
    std::vector<uint32_t> t = {0xFFFF0101, 0x0002FFFE, 0x12345678, 0x9ABCDEF0};
    const auto body = Asm("ps.1.1\nmov r0, c0\n");
    t.insert(t.end(), body.begin() + 1, body.end());
    Program p;
    std::string error;
    ASSERT_TRUE(Decode(t.data(), t.size(), p, error)) << error;
    ASSERT_EQ(p.instructions.size(), 2u);
    EXPECT_TRUE(p.instructions[0].isComment());
    EXPECT_EQ(p.instructions[0].comment.size(), 2u);
}

struct Bad {
    const char* what;
    std::vector<uint32_t> tokens;
    const char* message;  // part of the expected error
};

class MalformedTest : public ::testing::TestWithParam<Bad> {};

TEST_P(MalformedTest, IsRejectedNamingTheToken) {
    const Bad& b = GetParam();
    Program p;
    std::string error;
    EXPECT_FALSE(Decode(b.tokens.data(), b.tokens.size(), p, error));
    EXPECT_NE(error.find(b.message), std::string::npos) << error;
    const ShaderType type = (b.tokens.empty() || (b.tokens[0] >> 16) == 0xFFFE) ? ShaderType::Vertex
                                                                                : ShaderType::Pixel;
    std::string checkError;
    EXPECT_FALSE(CheckTokens(b.tokens.data(), b.tokens.size(), type, checkError));
}

const Bad kBad[] = {
    {"empty", {}, "empty"},
    {"not_a_version", {0x12345678, 0xFFFF}, "token 0: 0x12345678 is not a shader version"},
    {"version_2_0", {0xFFFF0200, 0xFFFF}, "token 0: unsupported version ps.2.0"},
    {"vs_1_2", {0xFFFE0102, 0xFFFF}, "unsupported version vs.1.2"},
    {"unknown_opcode", {0xFFFE0101, 0x00000063, 0xFFFF}, "token 1: unknown opcode 99"},
    {"reserved_texm3x3diff", {0xFFFF0101, 75, 0xB00F0003, 0xB0E40000, 0xFFFF}, "token 1"},
    {"missing_end", {0xFFFE0101, 0x00000001, 0xD00F0000, 0x90E40005}, "without the end token"},
    {"truncated_instruction",
     {0xFFFE0101, 0x00000002, 0x800F0000, 0x90E40000},
     "token 1: 'add' needs 3 parameter tokens"},
    {"truncated_def", {0xFFFF0101, 81, 0xA00F0000, 0, 0}, "token 1: 'def' needs 5"},
    {"comment_overruns", {0xFFFF0101, 0x0005FFFE, 1, 2, 0xFFFF}, "token 1: comment of 5 tokens"},
    {"bad_register_index",
     {0xFFFE0101, 0x00000001, 0x800F000C, 0x90E40000, 0xFFFF},
     "token 2: register index 12 out of range"},
    {"bad_constant_index",
     {0xFFFE0101, 0x00000001, 0x800F0000, 0xA0E40060, 0xFFFF},
     "token 3: register index 96 out of range"},
    {"ps_temp_index",
     {0xFFFF0101, 0x00000001, 0x800F0002, 0xA0E40000, 0xFFFF},
     "token 2: register index 2 out of range"},
    {"texbem_in_1_4",
     {0xFFFF0104, 67, 0xB00F0001, 0xB0E40000, 0xFFFF},
     "token 1: instruction 'texbem' is not available in ps.1.4"},
    {"bem_in_1_1",
     {0xFFFF0101, 89, 0x80030000, 0xA0E40000, 0xA0E40001, 0xFFFF},
     "'bem' is not available in ps.1.1"},
    {"m4x4_in_pixel",
     {0xFFFF0101, 20, 0x800F0000, 0xA0E40000, 0xA0E40001, 0xFFFF},
     "'m4x4' is not available"},
    {"phase_in_1_1", {0xFFFF0101, 0xFFFD, 0xFFFF}, "'phase' is not available"},
    {"wrong_length",
     {0xFFFE0101, 0x03000001, 0xD00F0000, 0x90E40005, 0xFFFF},
     "token 1: length field says 3"},
    {"param_where_instruction",
     {0xFFFE0101, 0x90E40005, 0xFFFF},
     "token 1: 0x90E40005 is a parameter"},
    {"missing_param_bit",
     {0xFFFE0101, 0x00000001, 0x500F0000, 0x90E40005, 0xFFFF},
     "token 2: 0x500F0000 is not a parameter token"},
    {"coissue_in_vertex", {0xFFFE0101, 0x40000001, 0xD00F0000, 0x90E40005, 0xFFFF}, "token 1"},
    {"relative_in_pixel",
     {0xFFFF0101, 0x00000001, 0x800F0000, 0xA0E42000, 0xFFFF},
     "token 3: relative addressing not allowed"},
    {"address_in_vs_1_0", {0xFFFE0100, 0x00000001, 0xB0010000, 0x90000000, 0xFFFF}, "token 2"},
    {"x8_shift_in_1_1",
     {0xFFFF0101, 0x00000001, 0x830F0000, 0xA0E40000, 0xFFFF},
     "token 2: result shift not available"},
    {"pad_without_tex",
     {0xFFFF0101, 66, 0xB00F0000, 71, 0xB00F0001, 0xB0E40000, 0xFFFF},
     "unfinished texm3x2/texm3x3"},
    {"tex_without_pad",
     {0xFFFF0101, 66, 0xB00F0000, 72, 0xB00F0001, 0xB0E40000, 0xFFFF},
     "token 3: 'texm3x2tex' without its pad"},
    {"texbem_reads_higher_register",
     {0xFFFF0101, 67, 0xB00F0001, 0xB0E40002, 0xFFFF},
     "token 3: 'texbem' must read a lower texture register"},
    {"matrix_past_the_end",
     {0xFFFE0101, 20, 0xE00F0000, 0x90E40000, 0xA0E4005E, 0xFFFF},
     "token 4: 'm4x4' reads 4 registers"},
    {"write_to_input",
     {0xFFFE0101, 1, 0x900F0000, 0x90E40000, 0xFFFF},
     "token 2: 'mov' cannot write"},
    {"projective_on_arith", {0xFFFF0104, 1, 0x800F0000, 0xA9E40000, 0xFFFF}, "token 3: _dz/_dw"},
    // Operand rules of particular instructions.
    {"cnd_condition_not_r0a",
     {0xFFFF0101, 80, 0x800F0000, 0xA0FF0000, 0xA0E40001, 0xA0E40002, 0xFFFF},
     "token 3: cnd reads its condition from r0.a"},
    {"cnd_condition_r0_unswizzled",
     {0xFFFF0103, 80, 0x800F0000, 0x80E40000, 0xA0E40001, 0xA0E40002, 0xFFFF},
     "token 3: cnd reads its condition from r0.a"},
    {"bem_without_phase",
     {0xFFFF0104, 89, 0x80030001, 0xA0E40000, 0xA0E40001, 0xFFFF},
     "token 1: bem belongs to phase 1"},
    {"bem_after_phase",
     {0xFFFF0104, 0xFFFD, 89, 0x80030001, 0xA0E40000, 0xA0E40001, 0xFFFF},
     "token 2: bem belongs to phase 1"},
    {"bem_writes_rgb",
     {0xFFFF0104, 89, 0x80070001, 0xA0E40000, 0xA0E40001, 0xFFFD, 0xFFFF},
     "token 2: bem writes .rg only"},
    {"bem_twice",
     {0xFFFF0104, 89, 0x80030001, 0xA0E40000, 0xA0E40001, 89, 0x80030002, 0xA0E40000, 0xA0E40001,
      0xFFFD, 0xFFFF},
     "token 5: a second bem"},
    {"bem_coissued",
     {0xFFFF0104, 1, 0x80080000, 0xA0E40000, 0x40000059, 0x80030001, 0xA0E40000, 0xA0E40001, 0xFFFD,
      0xFFFF},
     "token 4: 'bem' cannot co-issue"},
    {"colour_read_in_phase_1",
     {0xFFFF0104, 1, 0x800F0000, 0x90E40000, 0xFFFD, 1, 0x800F0000, 0xA0E40000, 0xFFFF},
     "token 3: colour registers cannot be read in phase 1"},
    {"texld_from_temp_in_phase_1",
     {0xFFFF0104, 64, 0x800F0001, 0xB0E40000, 66, 0x800F0000, 0x80E40001, 0xFFFD, 0xFFFF},
     "token 6: texld reads a temporary register only in phase 2"},
    {"texld_source_x2",
     {0xFFFF0104, 66, 0x800F0000, 0xB7E40000, 0xFFFF},
     "token 3: 'texld' takes no source modifier"},
    {"texld_coordinates_dz",
     {0xFFFF0104, 66, 0x800F0000, 0xB9E40000, 0xFFFF},
     "token 3: 'texld' takes no source modifier but _dw"},
    {"texld_temp_dw",
     {0xFFFF0104, 64, 0x800F0001, 0xB0E40000, 0xFFFD, 66, 0x800F0000, 0x8AE40001, 0xFFFF},
     "token 7: 'texld' takes no source modifier but _dz"},
    {"texcrd_dz",
     {0xFFFF0104, 64, 0x800F0000, 0xB9E40000, 0xFFFF},
     "token 3: 'texcrd' takes no source modifier but _dw"},
    {"dz_three_times",
     {0xFFFF0104, 64, 0x800F0001, 0xB0E40000, 0xFFFD, 66, 0x800F0000, 0x89E40001, 66, 0x800F0002,
      0x89E40001, 66, 0x800F0003, 0x89E40001, 0xFFFF},
     "token 13: _dz may be used twice"},
    {"tex_sat",
     {0xFFFF0101, 66, 0xB01F0000, 0xFFFF},
     "token 2: 'tex' is a texture-address instruction and takes no result modifier"},
    {"texbem_x2",
     {0xFFFF0101, 66, 0xB00F0000, 67, 0xB10F0001, 0xB0E40000, 0xFFFF},
     "token 4: 'texbem' is a texture-address instruction and takes no result modifier"},
    {"texld_sat",
     {0xFFFF0104, 66, 0x801F0000, 0xB0E40000, 0xFFFF},
     "token 2: 'texld' is a texture-address instruction"},
    {"tex_write_mask",
     {0xFFFF0101, 66, 0xB0070000, 0xFFFF},
     "token 2: 'tex' is a texture-address instruction and takes no write mask"},
    {"texbem_negated_source",
     {0xFFFF0101, 66, 0xB00F0000, 67, 0xB00F0001, 0xB1E40000, 0xFFFF},
     "token 5: 'texbem' takes no source modifier"},
    {"texreg2ar_bx2",
     {0xFFFF0102, 66, 0xB00F0000, 69, 0xB00F0001, 0xB4E40000, 0xFFFF},
     "token 5: 'texreg2ar' takes no source modifier"},
    {"write_mask_rg_in_1_1",
     {0xFFFF0101, 1, 0x80030000, 0xA0E40000, 0xFFFF},
     "token 2: write mask .rg needs ps.1.4"},
    {"dp3_alpha_in_1_1",
     {0xFFFF0101, 8, 0x80080000, 0xA0E40000, 0xA0E40001, 0xFFFF},
     "token 2: dp3 writes .rgb or .rgba"},
    // Stream rules.
    {"vertex_sat",
     {0xFFFE0101, 1, 0xC01F0000, 0x90E40000, 0xFFFF},
     "token 2: _sat is not available in vertex programs"},
    {"vertex_without_oPos",
     {0xFFFE0101, 1, 0xD00F0000, 0x90E40005, 0xFFFF},
     "token 4: the vertex program never writes oPos"},
    {"coissue_both_full",
     {0xFFFF0101, 1, 0x800F0000, 0xA0E40000, 0x40000001, 0x80080001, 0xA0E40000, 0xFFFF},
     "token 4: co-issued instructions must split colour (.rgb) and alpha (.a)"},
    {"coissue_both_colour",
     {0xFFFF0101, 1, 0x80070000, 0xA0E40000, 0x40000001, 0x80070001, 0xA0E40000, 0xFFFF},
     "token 4: co-issued instructions must split"},
    {"dp4_coissued",
     {0xFFFF0102, 9, 0x80070000, 0xA0E40000, 0xA0E40001, 0x40000001, 0x80080001, 0xA0E40000,
      0xFFFF},
     "token 5: 'dp4' cannot co-issue"},
    {"tex_after_arithmetic",
     {0xFFFF0101, 1, 0x800F0000, 0xA0E40000, 66, 0xB00F0000, 0xFFFF},
     "token 4: texture instruction 'tex' after arithmetic"},
    {"texld_after_arithmetic_in_a_phase",
     {0xFFFF0104, 1, 0x800F0000, 0xA0E40000, 66, 0x800F0001, 0xB0E40000, 0xFFFF},
     "token 4: texture instruction 'texld' after arithmetic in the same phase"},
    {"def_after_an_instruction",
     {0xFFFF0101, 1, 0x800F0000, 0xA0E40000, 81, 0xA00F0001, 0, 0, 0, 0, 0xFFFF},
     "token 4: def must come before every other instruction"},
};

INSTANTIATE_TEST_SUITE_P(All, MalformedTest, ::testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.what); });

// What the rules above leave open: a ps.1.4 program without a phase marker is all phase 2,
// where colour registers and dependent reads are fine, and each phase starts its own texture
// instructions.
TEST(DecoderTest, PhaseRulesAcceptWhatTheyAllow) {
    const char* valid[] = {
        "ps.1.4\nmov r0, v0\n",
        "ps.1.4\ntexcrd r1, t0\nphase\ntexld r2, r1_dz\nmov r0, v1\n",
        "ps.1.4\ntexld r1, t0\nmov r2, r1\nphase\ntexld r3, r2\nadd r0, r3, v0\n",
        "ps.1.4\ntexcrd r1.rg, t0_dw.xyw\nbem r2.rg, r1, c0\nphase\ntexld r2, r2\n",
        "ps.1.1\nmov r0.a, c0\n+mul r0.rgb, c1, c0\n",
        "ps.1.4\nmov r0.b, c0\n+mov r0.a, c1\n",
        "vs.1.1\nm4x4 oPos, v0, c0\n",
    };
    for (const char* source : valid) {
        const auto tokens = Asm(source);
        Program p;
        std::string error;
        EXPECT_TRUE(Decode(tokens.data(), tokens.size(), p, error)) << source << error;
    }
}

TEST(TokenCheckTest, RefusesTheWrongKindOfProgram) {
    const auto ps = Asm("ps.1.1\nmov r0, c0\n");
    std::string error;
    EXPECT_TRUE(CheckTokens(ps.data(), ps.size(), ShaderType::Pixel, error)) << error;
    EXPECT_FALSE(CheckTokens(ps.data(), ps.size(), ShaderType::Vertex, error));
    EXPECT_NE(error.find("token 0"), std::string::npos);
}

TEST(TokenCheckTest, DeviceCreationFailsForAMalformedStream) {
    gfx::StateDevice device(gfx::DeviceParams{});
    auto ps = Asm("ps.1.1\ntex t0\nmul r0, t0, c0\n");
    DWORD handle = 77;
    ps.pop_back();  // no end token
    EXPECT_EQ(device.CreatePixelShader(ps.data(), static_cast<UINT>(ps.size() * 4), &handle),
              D3DERR_INVALIDCALL);
    ASSERT_NE(device.pixelShaderObject(handle), nullptr);
    EXPECT_TRUE(device.pixelShaderObject(handle)->failed);
    const DWORD decl[] = {0x20000000, 0x40020000, 0xFFFFFFFF};
    auto vs = Asm("vs.1.1\nmov oPos, v0\n");
    vs[3] = 0x90E4000F + 1;  // v16: no such input register
    EXPECT_EQ(
        device.CreateVertexShader(decl, vs.data(), static_cast<UINT>(vs.size() * 4), &handle, 0),
        D3DERR_INVALIDCALL);
    ASSERT_NE(device.vertexShaderObject(handle), nullptr);
    EXPECT_TRUE(device.vertexShaderObject(handle)->failed);
}

// Rules a D3D8 runtime enforces at creation beyond the form of each instruction: the source
// selectors of ps.1.4 texld and texcrd, the instruction counts of each version, and r5 after
// texdepth. Each refusal names the rule and the instruction.
struct RuleCase {
    const char* what;
    std::string source;
    const char* message;  // part of the expected error
};

std::ostream& operator<<(std::ostream& os, const RuleCase& c) { return os << c.what; }

class RuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleTest, IsRefusedNamingTheRuleAndTheInstruction) {
    const RuleCase& c = GetParam();
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_FALSE(Assemble(c.source, "t", tokens, error)) << c.source;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
}

std::string Repeat(const std::string& line, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += line;
    return s;
}

const RuleCase kRules[] = {
    {"texld_swizzled", "ps.1.4\ntexld r0, t0.yxzw\n", "'texld' reads its source as .xyz or .xyw"},
    {"texcrd_replicated", "ps.1.4\ntexcrd r0.rgb, t1.x\n",
     "'texcrd' reads its source as .xyz or .xyw"},
    {"texld_temp_xyw", "ps.1.4\ntexcrd r1, t0\nphase\ntexld r0, r1.xyw\n",
     "'texld' reads a temporary register as .xyz"},
    {"dw_without_xyw", "ps.1.4\ntexcrd r0.rgb, t0_dw\n", "'texcrd' divides by w only with .xyw"},
    {"mixed_selectors", "ps.1.4\ntexcrd r0.rgb, t2.xyw\ntexld r1, t2.xyz\n",
     "'texld' reads t2 as .xyz, but it is read as .xyw before"},
    {"ps11_nine_arithmetic", "ps.1.1\n" + Repeat("add r0, r0, c0\n", 9),
     "'add' is arithmetic instruction 9; ps.1.1 allows 8"},
    {"ps13_five_texture", "ps.1.3\ntex t0\ntex t1\ntex t2\ntex t3\ntexkill t0\n",
     "'texkill' is texture instruction 5; ps.1.3 allows 4"},
    {"texbeml_counts_as_arithmetic", "ps.1.1\ntex t0\ntexbeml t1, t0\n" + Repeat("mov r0, t1\n", 8),
     "'mov' is arithmetic instruction 9; ps.1.1 allows 8"},
    {"ps10_total", "ps.1.0\ntexcoord t0\ntexcoord t1\n" + Repeat("mov r0, t0\n", 7),
     "'mov' is instruction 9; ps.1.0 allows 8 in all"},
    {"ps14_phase_texture",
     "ps.1.4\ntexcrd r0.rgb, t0\ntexcrd r1.rgb, t1\ntexcrd r2.rgb, t2\ntexcrd r3.rgb, t3\n"
     "texcrd r4.rgb, t4\ntexcrd r5.rgb, t5\ntexcrd r0.rgb, t1\nphase\nmov r0, r0\n",
     "'texcrd' is texture instruction 7 of phase 1; ps.1.4 allows 6"},
    {"ps14_phase_arithmetic", "ps.1.4\nphase\n" + Repeat("add r0, r0, v0\n", 9),
     "'add' is arithmetic instruction 9 of phase 2; ps.1.4 allows 8"},
    {"vs11_slots", "vs.1.1\n" + Repeat("m4x4 r0, v0, c0\n", 32) + "mov oPos, r0\n",
     "'mov' takes instruction slot 129; vs.1.1 allows 128"},
    {"vs11_macro_slots",
     "vs.1.1\n" + Repeat("exp r0, v0.x\n", 12) + "mov oPos, v0\n" + Repeat("mov r1, v0\n", 8),
     "'mov' takes instruction slot 129; vs.1.1 allows 128"},
    {"r5_read_after_texdepth",
     "ps.1.4\ntexld r0, t0\nadd r5.rg, r0, r0\nphase\ntexdepth r5\nmov r0, r5\n",
     "'mov' uses r5 after texdepth"},
    {"r5_written_after_texdepth",
     "ps.1.4\ntexld r0, t0\nadd r5.rg, r0, r0\nphase\ntexdepth r5\nmov r5, r0\n",
     "'mov' uses r5 after texdepth"},
    {"texdepth_in_phase_1", "ps.1.4\ntexdepth r5\nphase\nmov r0, c0\n",
     "texdepth belongs to phase 2"},
};

INSTANTIATE_TEST_SUITE_P(All, RuleTest, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.what); });

// What the rules leave open: the selectors each register allows, a co-issued pair counting as
// one arithmetic instruction, the limits themselves, and r5 free until texdepth.
TEST(DecoderTest, RulesAcceptWhatTheyAllow) {
    const std::string valid[] = {
        "ps.1.4\ntexld r0, t0\ntexld r1, t1.xyz\ntexcrd r2.rgb, t2.xyw\ntexld r3, t3_dw.xyw\n"
        "texcrd r4.rg, t2_dw.xyw\n",
        "ps.1.4\ntexcrd r1.rgb, t0\nphase\ntexld r2, r1_dz.xyz\ntexld r3, r1.xyz\n",
        "ps.1.1\n" + Repeat("mul r0.rgb, r0, c0\n+add r0.a, r0, c1\n", 8),
        "ps.1.1\ntex t0\ntex t1\ntex t2\ntex t3\n" + Repeat("add r0, r0, t0\n", 8),
        "ps.1.0\ntex t0\ntex t1\ntex t2\ntex t3\n" + Repeat("add r0, r0, t0\n", 8),
        "ps.1.4\n" + Repeat("texcrd r0.rgb, t0\n", 6) + Repeat("add r0, r0, c0\n", 8) + "phase\n" +
            Repeat("texld r1, r0\n", 6) + Repeat("add r0, r0, v0\n", 8),
        "vs.1.1\n" + Repeat("m4x4 r0, v0, c0\n", 31) + "mov oPos, r0\n" + Repeat("nop\n", 3),
        "ps.1.4\ntexld r0, t0\nadd r5.rg, r0, r0\nphase\ntexdepth r5\nmov r0, r0\n",
    };
    for (const std::string& source : valid) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_TRUE(Assemble(source, "t", tokens, error)) << source << error;
    }
}

// Random damage to valid programs must never crash, read out of bounds or hang; whatever
// still decodes must translate.
TEST(DecoderRobustnessTest, TruncationsAndBitFlipsAreHandled) {
    const std::vector<std::vector<uint32_t>> seeds = {
        Asm("vs.1.1\ndef c90, 1, 2, 3, 4\nmov a0.x, v1.x\nm4x4 oPos, v0, c[a0.x + 2]\n"
            "lit r1, v2\nlogp r2, r1.w\nmov oD0, r2\nmov oFog, r1.y\n"),
        Asm("ps.1.1\ntex t0\ntexbeml t1, t0\ntexm3x2pad t2, t0_bx2\ntexm3x2tex t3, t0_bx2\n"
            "mul_x2 r0.rgb, t1, v0\n+mov r0.a, c0.a\ncnd r0, r0.a, r0, c1\n"),
        Asm("ps.1.4\ndef c0, 1, 0, 0, 1\ntexcrd r1, t1\ntexld r0, t0_dw.xyw\nbem r2.rg, r0, r1\n"
            "phase\ntexld r3, r2_dz\ncmp_sat r0, r3, c0, v0\n"),
    };
    std::mt19937 rng(1234);
    for (const auto& seed : seeds) {
        for (size_t n = 0; n <= seed.size(); ++n) {  // every truncation
            Program p;
            std::string error;
            if (Decode(seed.data(), n, p, error)) {
                EXPECT_EQ(n, seed.size());
            }
        }
        for (int round = 0; round < 3000; ++round) {
            std::vector<uint32_t> t = seed;
            const int flips = 1 + static_cast<int>(rng() % 3);
            for (int f = 0; f < flips; ++f) t[rng() % t.size()] ^= 1u << (rng() % 32);
            Program p;
            std::string error;
            if (!Decode(t.data(), t.size(), p, error)) {
                EXPECT_EQ(error.rfind("token ", 0), 0u) << error;
                continue;
            }
            GlslStage stage;
            const bool ok = p.version.pixel ? TranslatePixelProgram(p, stage, error)
                                            : TranslateVertexProgram(p, stage, error);
            EXPECT_TRUE(ok) << error;
        }
    }
}

}  // namespace
}  // namespace gfx::shader
