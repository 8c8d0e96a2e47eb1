// Assembler and disassembler: every instruction of every version survives
// assemble -> disassemble -> assemble byte for byte, and errors name file, line and column.
#include <gtest/gtest.h>

#include "gfx/shader/Assembler.h"
#include "gfx/shader/OpcodeTable.h"

namespace gfx::shader {
namespace {

const char* kPrograms[] = {
    // vs.1.1: every instruction, relative addressing, outputs, masks, swizzles
    "vs.1.1\n"
    "def c95, 1.5, -0.25, 1e-07, 3.40282347e+38\n"
    "mov a0.x, v1.x\n"
    "m4x4 oPos, v0, c[a0.x + 4]\n"
    "m4x3 r0.xyz, v0, c[a0.x]\n"
    "m3x4 r1, v1, c10\n"
    "m3x3 r2.xyz, v1, c20\n"
    "m3x2 r3.xy, v2, c30\n"
    "add r4, -r0.wzyx, c1.y\n"
    "sub r5.xw, r1, v3\n"
    "mad r6, r4, r5, -c[a0.x + 95]\n"
    "mul r7, r6.x, v7.yyzz\n"
    "rcp r8.x, r7.w\n"
    "rsq r8.y, r7.z\n"
    "dp3 r9, r0, r1\n"
    "dp4 r10, r0, r1\n"
    "min r11, r9, r10\n"
    "max r11, r11, c0\n"
    "slt r0, r11, c2\n"
    "sge r1, r11, c3\n"
    "exp r2, r0.w\n"
    "log r3, r1.x\n"
    "expp r4, r2.y\n"
    "logp r5, r3.z\n"
    "lit r6, r5\n"
    "dst r7, r6, r5\n"
    "frc r8.xy, r7\n"
    "nop\n"
    "mov oD0, r8\n"
    "mov oD1, r7\n"
    "mov oT0, v15\n"
    "mov oT7.xy, r6\n"
    "mov oFog, r5.x\n"
    "mov oPts, r4.y\n",
    "vs.1.0\nm4x4 oPos, v0, c0\nmov oD0, c4\n",
    // ps.1.1: texture instructions and modifiers
    "ps.1.1\n"
    "def c7, 0, 0.5, 1, -1\n"
    "tex t0\n"
    "texbem t1, t0\n"
    "texm3x2pad t2, t0_bx2\n"
    "texm3x2tex t3, t0_bx2\n"
    "mul_x2 r0.rgb, t1, v0\n"
    "+add_d2_sat r0.a, 1-t3.a, -c1_bias.b\n"
    "lrp r1, c7.a, r0, t2\n"
    "cnd r0, r0.a, r1, -v1_bx2\n"
    "dp3_x4 r1.rgb, r0_bx2, t0_bias\n"
    "mad_sat r0, r1, r0, c2\n",
    "ps.1.0\ntexcoord t0\ntexkill t1\ntexbeml t2, t0\ntexreg2ar t3, t2\nmov r0, t3\n",
    "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3spec t3, t0, c0\nmov r0, t3\n",
    "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3vspec t3, t0\nmov r0, t3\n",
    "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3tex t3, t0\nmov r0, t3\n",
    "ps.1.2\ntex t0\ntexreg2gb t1, t0\ntexreg2rgb t2, t0\ntexdp3tex t3, t0\n"
    "cmp r0, t1, t2, t3\ndp4 r1, r0, c0\nmov r0.a, r1.b\n",
    "ps.1.2\ntex t0\ntexdp3 t1, t0\ntexm3x3pad t2, t0\n",  // unfinished sequence: refused
    "ps.1.3\ntex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0\nmov r0, t0\n",
    "ps.1.3\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3 t3, t0\nmov r0, t3\n",
    // ps.1.4: both phases, projective reads, new modifiers
    "ps.1.4\n"
    "def c0, 0.25, 0.5, 0.75, 1\n"
    "texld r0, t0\n"
    "texcrd r1.rgb, t1_dw.xyw\n"
    "texld r2, t2_dz\n"
    "bem r3.rg, r0, r1\n"
    "mul_x8 r4, r0_x2, -c0\n"
    "+mov_d8 r4.a, -r1_x2.g\n"
    "phase\n"
    "texld r3, r3\n"
    "texld r5, t5.xyz\n"
    "texkill r1\n"
    "cmp_d4 r0, r3, r5, v1\n"
    "cnd_x4 r1, r0.abgr, c0, r5\n"
    "texdepth r5\n",
};

TEST(AssemblerTest, RoundTripsEveryInstructionByteForByte) {
    for (const char* source : kPrograms) {
        std::vector<uint32_t> first, second;
        std::string error, text;
        if (!Assemble(source, "a.psa", first, error)) {
            // The one deliberately broken corpus entry must fail for the sequence rule.
            EXPECT_NE(error.find("texm3x"), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(Disassemble(first.data(), first.size(), text, error)) << error;
        ASSERT_TRUE(Assemble(text, "b.psa", second, error)) << error << "\n" << text;
        EXPECT_EQ(first, second) << text;
        std::string again;
        ASSERT_TRUE(Disassemble(second.data(), second.size(), again, error));
        EXPECT_EQ(text, again);
    }
}

// Found by fuzzing: a def of a NaN with a payload, or of a denormal, came back as other bits.
TEST(AssemblerTest, DefLiteralsKeepTheirExactBits) {
    const uint32_t bits[] = {0x7FC00000u, 0x7FC00001u, 0xFFC00000u, 0x7F800001u, 0xFF800000u,
                             0x80000000u, 0x00000001u, 0x0002FFFFu, 0x3DCCCCCDu, 0x7F7FFFFFu};
    for (uint32_t b : bits) {
        const std::vector<uint32_t> tokens = {0xFFFF0101u, 0x00000051u, 0xA00F0007u, b,
                                              b,           b,           b,           0x0000FFFFu};
        std::string text, error;
        ASSERT_TRUE(Disassemble(tokens.data(), tokens.size(), text, error)) << error;
        std::vector<uint32_t> back;
        ASSERT_TRUE(Assemble(text, "def.psa", back, error)) << error << "\n" << text;
        EXPECT_EQ(back, tokens) << text;
    }
    std::vector<uint32_t> out;
    std::string error;
    EXPECT_FALSE(Assemble("ps.1.1\ndef c0, bits(0x7fc0), 0, 0, 0\n", "bad.psa", out, error));
    EXPECT_NE(error.find("bad.psa:2"), std::string::npos) << error;
    EXPECT_FALSE(Assemble("ps.1.1\ndef c0, bits(0x-1234567), 0, 0, 0\n", "bad.psa", out, error));
}

TEST(AssemblerTest, CoversEveryOpcodeOfTheTable) {
    std::string all;
    for (const char* s : kPrograms) all += s;
    for (const OpcodeInfo& info : OpcodeTable()) {
        const std::string name = info.name;
        bool found = false;
        for (size_t pos = all.find(name); pos != std::string::npos; pos = all.find(name, pos + 1)) {
            const char before = pos ? all[pos - 1] : '\n';
            const char after = pos + name.size() < all.size() ? all[pos + name.size()] : '\n';
            if ((before == '\n' || before == '+') &&
                (after == ' ' || after == '_' || after == '\n'))
                found = true;
        }
        EXPECT_TRUE(found) << name;
    }
}

TEST(AssemblerTest, AcceptsTheCommonSpellings) {
    std::vector<uint32_t> a, b;
    std::string error;
    ASSERT_TRUE(Assemble("; header\n  PS_1_1 // version\n\nMOV R0, C0.RGBA ; all\n", "x", a, error))
        << error;
    ASSERT_TRUE(Assemble("ps.1.1\nmov r0, c0.xyzw\n", "x", b, error)) << error;
    EXPECT_EQ(a, b);
    // Partial swizzles repeat their last component; relative offsets may come first.
    ASSERT_TRUE(
        Assemble("vs.1.1\nmov a0.x, v0.x\nmov r0, c[3 + a0.x].xy\nmov oPos, r0\n", "x", a, error))
        << error;
    ASSERT_TRUE(
        Assemble("vs.1.1\nmov a0.x, v0.x\nmov r0, c[a0.x+3].xyyy\nmov oPos, r0\n", "x", b, error))
        << error;
    EXPECT_EQ(a, b);
    ASSERT_TRUE(Assemble("ps.1.4\ntexld r0, t0_db\n", "x", a, error)) << error;
    ASSERT_TRUE(Assemble("ps.1.4\ntexld r0, t0_dz\n", "x", b, error)) << error;
    EXPECT_EQ(a, b);
}

struct AsmError {
    const char* source;
    const char* expected;
};

TEST(AssemblerTest, ErrorsNameFileLineAndColumn) {
    const AsmError cases[] = {
        {"mov r0, c0\n", "f.psa:1:1: expected a version line"},
        {"ps.1.1\n\n  mul r0, c0\n", "f.psa:3:3: 'mul' takes 3 operands, 2 given"},
        {"ps.1.1\nmov r0, c0.q\n", "f.psa:2:11: bad swizzle"},
        {"ps.1.1\nmov r9, c0\n", "f.psa:2:5: register index 9 out of range"},
        {"ps.1.1\nmov r0, c0, c1\n", "f.psa:2:1: 'mov' takes 2 operands"},
        {"ps.1.1\nfoo r0, c0\n", "f.psa:2:1: unknown instruction 'foo'"},
        {"ps.1.1\ntexld r0, t0\n", "f.psa:2:1: instruction 'texld' is not available"},
        {"vs.1.1\nmov r0, q7\n", "f.psa:2:9: unknown register 'q7'"},
        {"ps.1.1\nmov_x8 r0, c0\n", "f.psa:2:8: result shift not available"},
        {"ps.1.1\nmov r0.aq, c0\n", "f.psa:2:7: bad write mask"},
        {"ps.1.1\nmov r0.ar, c0\n", "out of order"},
        {"ps.1.1\ndef c0, 1, x, 0, 0\n", "f.psa:2:12: 'x' is not a number"},
        {"ps.1.1\nmov r0, c0_foo\n", "unknown source modifier '_foo'"},
        {"ps.1.4\nphase\nphase\n", "f.psa:3:1: a second phase marker"},
        {"ps.1.1\n+mov r0, c0\n", "f.psa:2:2: co-issued instruction without"},
        {"vs.1.1\nmov r0, c[a0.x + \n", "f.psa:2:9: missing ']'"},
        {"", "f.psa:1:1: no version line"},
    };
    for (const AsmError& c : cases) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_FALSE(Assemble(c.source, "f.psa", tokens, error)) << c.source;
        EXPECT_NE(error.find(c.expected), std::string::npos) << "got: " << error;
    }
}

}  // namespace
}  // namespace gfx::shader
