// One decoded instruction of a shader token stream, with reading from tokens, writing back to
// tokens and the assembly text form. read() then write() gives back the same tokens, and the
// assembler parses toString() into the same instruction.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/shader/OpcodeTable.h"
#include "gfx/shader/ShaderTokens.h"
#include "gfx/shader/TokenReader.h"

namespace gfx::shader {

struct DstParam {
    RegType type = RegType::Temp;
    uint32_t index = 0;
    uint8_t mask = kFullMask;  // bit 0 = x/red ... bit 3 = w/alpha
    bool saturate = false;
    int8_t shift = 0;  // pixel programs: 1 = _x2, 2 = _x4, 3 = _x8, -1 = _d2, -2 = _d4, -3 = _d8

    uint32_t encode() const;
    bool operator==(const DstParam&) const = default;
};

struct SrcParam {
    RegType type = RegType::Temp;
    uint32_t index = 0;
    bool relative = false;  // vertex constants: c[a0.x + index]
    uint8_t swizzle = kIdentitySwizzle;
    SrcMod mod = SrcMod::None;

    // Component (0..3) that channel `channel` reads.
    unsigned component(unsigned channel) const { return (swizzle >> (2 * channel)) & 3u; }
    uint32_t encode() const;
    bool operator==(const SrcParam&) const = default;
};

struct Instruction {
    const OpcodeInfo* info = nullptr;  // null for a comment block
    Opcode opcode = Opcode::Nop;
    bool coissue = false;     // '+': runs together with the previous instruction
    uint8_t controls = 0;     // bits 16..23 of the instruction token, kept as found
    uint8_t lengthField = 0;  // bits 24..27 as found (0 in D3D8-era streams)
    bool hasDst = false;
    DstParam dst;
    uint8_t srcCount = 0;
    std::array<SrcParam, 3> src{};
    std::array<float, 4> literal{};  // def
    std::vector<uint32_t> comment;   // comment block contents (info == null)
    size_t offset = 0;               // token offset of the instruction token

    bool isComment() const { return info == nullptr; }

    // Reads one instruction or comment block. Checks the structure only: known opcode for
    // the version, operand tokens present and marked as parameters, length field consistent,
    // no reserved bits. Register validity is the decoder's job.
    bool read(TokenReader& reader, const ShaderVersion& version, std::string& error);
    void write(std::vector<uint32_t>& out) const;
    // Assembly text, e.g. "+mul_x2_sat r0.rgb, t0_bx2, 1-c1.a".
    std::string toString(const ShaderVersion& version) const;
};

// "r3", "c[a0.x + 5]", "oPos", "t2" ... as the assembler spells it.
std::string RegisterName(RegType type, uint32_t index, bool relative, const ShaderVersion& version);
std::string WriteMaskText(uint8_t mask, bool pixel);   // "" for the full mask, ".xyz" or ".rgb"
std::string SwizzleText(uint8_t swizzle, bool pixel);  // "" for identity, ".w", ".xyzz"
std::string DstText(const DstParam& dst, const ShaderVersion& version);
std::string SrcText(const SrcParam& src, const ShaderVersion& version);
// Shortest text that reads back as the same float ("1", "0.5", "0.00390625", "-inf"); a NaN
// other than the plain one is written as its bits, "bits(0x7fc00001)".
std::string FloatText(float value);
// Reads what FloatText writes (and any other strtof number); false if `text` is not one.
bool ParseFloatText(const std::string& text, float& value);
constexpr uint32_t kPlainNaN = 0x7FC00000u;

}  // namespace gfx::shader
