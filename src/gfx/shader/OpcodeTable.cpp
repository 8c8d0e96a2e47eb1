#include "gfx/shader/OpcodeTable.h"

#include <array>
#include <cctype>

namespace gfx::shader {
namespace {

constexpr uint16_t V10 = 0x0100, V11 = 0x0101, V12 = 0x0102, V13 = 0x0103, V14 = 0x0104;
constexpr bool VS = false, PS = true;
using enum OpClass;
using O = Opcode;

// ps.1.4 renamed tex/texcoord (texld/texcrd) and gave them a source operand, so those opcodes
// have two rows with different versions and operand counts.
constexpr std::array kTable = {
    // vertex programs
    OpcodeInfo{O::Nop, "nop", VS, V10, V11, 0, 0, Nop},
    OpcodeInfo{O::Mov, "mov", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::Add, "add", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Sub, "sub", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Mad, "mad", VS, V10, V11, 1, 3, Arith},
    OpcodeInfo{O::Mul, "mul", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Rcp, "rcp", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::Rsq, "rsq", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::Dp3, "dp3", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Dp4, "dp4", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Min, "min", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Max, "max", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Slt, "slt", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Sge, "sge", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Exp, "exp", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::Log, "log", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::Lit, "lit", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::Dst, "dst", VS, V10, V11, 1, 2, Arith},
    OpcodeInfo{O::Frc, "frc", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::M4x4, "m4x4", VS, V10, V11, 1, 2, Matrix},
    OpcodeInfo{O::M4x3, "m4x3", VS, V10, V11, 1, 2, Matrix},
    OpcodeInfo{O::M3x4, "m3x4", VS, V10, V11, 1, 2, Matrix},
    OpcodeInfo{O::M3x3, "m3x3", VS, V10, V11, 1, 2, Matrix},
    OpcodeInfo{O::M3x2, "m3x2", VS, V10, V11, 1, 2, Matrix},
    OpcodeInfo{O::ExpP, "expp", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::LogP, "logp", VS, V10, V11, 1, 1, Arith},
    OpcodeInfo{O::Def, "def", VS, V10, V11, 1, 0, Def},
    // pixel programs: arithmetic
    OpcodeInfo{O::Nop, "nop", PS, V10, V14, 0, 0, Nop},
    OpcodeInfo{O::Mov, "mov", PS, V10, V14, 1, 1, Arith},
    OpcodeInfo{O::Add, "add", PS, V10, V14, 1, 2, Arith},
    OpcodeInfo{O::Sub, "sub", PS, V10, V14, 1, 2, Arith},
    OpcodeInfo{O::Mad, "mad", PS, V10, V14, 1, 3, Arith},
    OpcodeInfo{O::Mul, "mul", PS, V10, V14, 1, 2, Arith},
    OpcodeInfo{O::Dp3, "dp3", PS, V10, V14, 1, 2, Arith},
    OpcodeInfo{O::Dp4, "dp4", PS, V12, V14, 1, 2, Arith},
    OpcodeInfo{O::Lrp, "lrp", PS, V10, V14, 1, 3, Arith},
    OpcodeInfo{O::Cnd, "cnd", PS, V10, V14, 1, 3, Arith},
    OpcodeInfo{O::Cmp, "cmp", PS, V12, V14, 1, 3, Arith},
    OpcodeInfo{O::Bem, "bem", PS, V14, V14, 1, 2, Arith},
    OpcodeInfo{O::Def, "def", PS, V10, V14, 1, 0, Def},
    OpcodeInfo{O::Phase, "phase", PS, V14, V14, 0, 0, Phase},
    // pixel programs: texture addressing
    OpcodeInfo{O::TexCoord, "texcoord", PS, V10, V13, 1, 0, Texture},
    OpcodeInfo{O::TexCoord, "texcrd", PS, V14, V14, 1, 1, Texture},
    OpcodeInfo{O::Tex, "tex", PS, V10, V13, 1, 0, Texture},
    OpcodeInfo{O::Tex, "texld", PS, V14, V14, 1, 1, Texture},
    OpcodeInfo{O::TexKill, "texkill", PS, V10, V14, 1, 0, Texture},
    OpcodeInfo{O::TexBem, "texbem", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexBemL, "texbeml", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexReg2AR, "texreg2ar", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexReg2GB, "texreg2gb", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexM3x2Pad, "texm3x2pad", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexM3x2Tex, "texm3x2tex", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexM3x3Pad, "texm3x3pad", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexM3x3Tex, "texm3x3tex", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexM3x3Spec, "texm3x3spec", PS, V10, V13, 1, 2, Texture},
    OpcodeInfo{O::TexM3x3VSpec, "texm3x3vspec", PS, V10, V13, 1, 1, Texture},
    OpcodeInfo{O::TexReg2RGB, "texreg2rgb", PS, V12, V13, 1, 1, Texture},
    OpcodeInfo{O::TexDp3Tex, "texdp3tex", PS, V12, V13, 1, 1, Texture},
    OpcodeInfo{O::TexDp3, "texdp3", PS, V12, V13, 1, 1, Texture},
    OpcodeInfo{O::TexM3x3, "texm3x3", PS, V12, V13, 1, 1, Texture},
    OpcodeInfo{O::TexM3x2Depth, "texm3x2depth", PS, V13, V13, 1, 1, Texture},
    OpcodeInfo{O::TexDepth, "texdepth", PS, V14, V14, 1, 0, Texture},
};

bool EqualsNoCase(std::string_view a, const char* b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == '\0') return false;
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return b[i] == '\0';
}

}  // namespace

std::span<const OpcodeInfo> OpcodeTable() { return kTable; }

const OpcodeInfo* FindOpcode(Opcode opcode, const ShaderVersion& version, bool* knownElsewhere) {
    if (knownElsewhere) *knownElsewhere = false;
    for (const auto& info : kTable) {
        if (info.opcode != opcode) continue;
        if (info.supports(version)) return &info;
        if (knownElsewhere) *knownElsewhere = true;
    }
    return nullptr;
}

const OpcodeInfo* FindOpcode(uint32_t rawOpcode, const ShaderVersion& version,
                             bool* knownElsewhere) {
    if (knownElsewhere) *knownElsewhere = false;
    if (rawOpcode > 0xFFFF) return nullptr;
    return FindOpcode(static_cast<Opcode>(rawOpcode), version, knownElsewhere);
}

const OpcodeInfo* FindOpcodeByName(std::string_view name, const ShaderVersion& version,
                                   bool* knownElsewhere) {
    if (knownElsewhere) *knownElsewhere = false;
    for (const auto& info : kTable) {
        if (!EqualsNoCase(name, info.name)) continue;
        if (info.supports(version)) return &info;
        if (knownElsewhere) *knownElsewhere = true;
    }
    return nullptr;
}

}  // namespace gfx::shader
