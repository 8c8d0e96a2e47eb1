// Assembler and disassembler: every instruction of every version survives
// assemble -> disassemble -> assemble byte for byte, and errors name file, line and column.
#include <gtest/gtest.h>

#include "gfx/shader/Assembler.h"
#include "gfx/shader/OpcodeTable.h"
#include "support/EveryInstructionPrograms.h"

namespace gfx::shader {
namespace {

// An unfinished texm3x3 sequence, which the assembler must refuse for the sequence rule.
const char* kUnfinishedSequence = "ps.1.2\ntex t0\ntexdp3 t1, t0\ntexm3x3pad t2, t0\n";

TEST(AssemblerTest, RoundTripsEveryInstructionByteForByte) {
    for (const auto& [name, source] : testsupport::EveryInstructionPrograms()) {
        SCOPED_TRACE(name);
        std::vector<uint32_t> first, second;
        std::string error, text;
        ASSERT_TRUE(Assemble(source, "a.psa", first, error)) << error;
        ASSERT_TRUE(Disassemble(first.data(), first.size(), text, error)) << error;
        ASSERT_TRUE(Assemble(text, "b.psa", second, error)) << error << "\n" << text;
        EXPECT_EQ(first, second) << text;
        std::string again;
        ASSERT_TRUE(Disassemble(second.data(), second.size(), again, error));
        EXPECT_EQ(text, again);
    }
    std::vector<uint32_t> out;
    std::string error;
    EXPECT_FALSE(Assemble(kUnfinishedSequence, "a.psa", out, error));
    EXPECT_NE(error.find("texm3x"), std::string::npos) << error;
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
    for (const auto& program : testsupport::EveryInstructionPrograms()) all += program.second;
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
    ASSERT_TRUE(Assemble("ps.1.4\ntexcrd r1, t0\nphase\ntexld r0, r1_db\n", "x", a, error))
        << error;
    ASSERT_TRUE(Assemble("ps.1.4\ntexcrd r1, t0\nphase\ntexld r0, r1_dz\n", "x", b, error))
        << error;
    EXPECT_EQ(a, b);
    ASSERT_TRUE(Assemble("ps.1.4\ntexld r0, t0_da.xyw\n", "x", a, error)) << error;
    ASSERT_TRUE(Assemble("ps.1.4\ntexld r0, t0_dw.xyw\n", "x", b, error)) << error;
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
        // The decoder's rules, per instruction and over the stream, point at their line.
        {"ps.1.1\ncnd r0, c0.a, c1, c2\n", "f.psa:2:9: cnd reads its condition from r0.a"},
        {"ps.1.4\ntexld r0, t0_x2\n", "f.psa:2:11: 'texld' takes no source modifier"},
        {"ps.1.1\nmov r0, c0\ntex t0\n", "f.psa:3:1: texture instruction 'tex' after"},
        {"vs.1.1\nmov_sat oD0, v0\n", "_sat is not available in vertex programs"},
        {"vs.1.1\nmov oD0, v0\n", "f.psa:2:1: the vertex program never writes oPos"},
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
