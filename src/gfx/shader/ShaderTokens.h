// Numeric values of the compiled D3D8 shader token format (vs.1.0/1.1, ps.1.0 to 1.4).
//
// A program is a stream of 32-bit tokens: the version token, instructions (an instruction
// token followed by its parameter tokens), comment blocks, and the end token.
#pragma once

#include <cstdint>

namespace gfx::shader {

constexpr uint32_t kEndToken = 0x0000FFFFu;
constexpr uint32_t kVertexVersionPrefix = 0xFFFE0000u;
constexpr uint32_t kPixelVersionPrefix = 0xFFFF0000u;

// Instruction token fields.
constexpr uint32_t kOpcodeMask = 0x0000FFFFu;
constexpr uint32_t kControlsMask = 0x00FF0000u;
constexpr uint32_t kControlsShift = 16;
constexpr uint32_t kLengthMask = 0x0F000000u;
constexpr uint32_t kLengthShift = 24;
constexpr uint32_t kPredicatedBit = 0x10000000u;
constexpr uint32_t kReservedBit29 = 0x20000000u;
constexpr uint32_t kCoissueBit = 0x40000000u;
constexpr uint32_t kParamBit = 0x80000000u;  // set on parameter tokens, clear on instructions

// Comment token: opcode 0xFFFE, length in tokens in bits 16..30.
constexpr uint32_t kCommentOpcode = 0xFFFEu;
constexpr uint32_t kCommentLengthMask = 0x7FFF0000u;
constexpr uint32_t kCommentLengthShift = 16;

// Parameter token fields.
constexpr uint32_t kRegNumMask = 0x000007FFu;
constexpr uint32_t kRegTypeHighMask = 0x00001800u;  // bits 3 and 4 of the type (later models)
constexpr uint32_t kRelativeBit = 0x00002000u;
constexpr uint32_t kRegTypeMask = 0x70000000u;
constexpr uint32_t kRegTypeShift = 28;
constexpr uint32_t kWriteMaskMask = 0x000F0000u;
constexpr uint32_t kWriteMaskShift = 16;
constexpr uint32_t kResultModMask = 0x00F00000u;
constexpr uint32_t kResultModShift = 20;
constexpr uint32_t kShiftMask = 0x0F000000u;
constexpr uint32_t kShiftShift = 24;
constexpr uint32_t kSwizzleMask = 0x00FF0000u;
constexpr uint32_t kSwizzleShift = 16;
constexpr uint32_t kSrcModMask = 0x0F000000u;
constexpr uint32_t kSrcModShift = 24;
constexpr uint32_t kDstReservedMask = 0x0000C000u | kRelativeBit;
constexpr uint32_t kSrcReservedMask = 0x0000C000u;

constexpr uint32_t kResultSaturate = 0x1;
constexpr uint8_t kIdentitySwizzle = 0xE4;  // x y z w
constexpr uint8_t kFullMask = 0xF;

enum class Opcode : uint16_t {
    Nop = 0,
    Mov = 1,
    Add = 2,
    Sub = 3,
    Mad = 4,
    Mul = 5,
    Rcp = 6,
    Rsq = 7,
    Dp3 = 8,
    Dp4 = 9,
    Min = 10,
    Max = 11,
    Slt = 12,
    Sge = 13,
    Exp = 14,
    Log = 15,
    Lit = 16,
    Dst = 17,
    Lrp = 18,
    Frc = 19,
    M4x4 = 20,
    M4x3 = 21,
    M3x4 = 22,
    M3x3 = 23,
    M3x2 = 24,
    TexCoord = 64,  // texcoord (ps.1.0-1.3), texcrd (ps.1.4)
    TexKill = 65,
    Tex = 66,  // tex (ps.1.0-1.3), texld (ps.1.4)
    TexBem = 67,
    TexBemL = 68,
    TexReg2AR = 69,
    TexReg2GB = 70,
    TexM3x2Pad = 71,
    TexM3x2Tex = 72,
    TexM3x3Pad = 73,
    TexM3x3Tex = 74,
    TexM3x3Spec = 76,
    TexM3x3VSpec = 77,
    ExpP = 78,
    LogP = 79,
    Cnd = 80,
    Def = 81,
    TexReg2RGB = 82,
    TexDp3Tex = 83,
    TexM3x2Depth = 84,
    TexDp3 = 85,
    TexM3x3 = 86,
    TexDepth = 87,
    Cmp = 88,
    Bem = 89,
    Phase = 0xFFFD,
};

enum class RegType : uint8_t {
    Temp = 0,       // r#
    Input = 1,      // v#
    Const = 2,      // c#
    Texture = 3,    // t# in pixel programs; a0 (address) in vertex programs
    RastOut = 4,    // oPos (0), oFog (1), oPts (2)
    AttrOut = 5,    // oD0, oD1
    TexCrdOut = 6,  // oT0..oT7
};
constexpr RegType kAddrReg = RegType::Texture;

enum RastOutIndex : uint32_t { kOutPos = 0, kOutFog = 1, kOutPts = 2 };

enum class SrcMod : uint8_t {
    None = 0,
    Neg = 1,
    Bias = 2,
    BiasNeg = 3,
    Sign = 4,  // _bx2
    SignNeg = 5,
    Comp = 6,  // 1-
    X2 = 7,
    X2Neg = 8,
    Dz = 9,
    Dw = 10,
};
constexpr uint8_t kSrcModCount = 11;

// Result shift scale of pixel programs: a signed 4-bit power of two.
// 1 = _x2, 2 = _x4, 3 = _x8, 15 = _d2, 14 = _d4, 13 = _d8.
inline int ShiftFromBits(uint32_t bits) {
    bits &= 0xF;
    return bits & 0x8 ? static_cast<int>(bits) - 16 : static_cast<int>(bits);
}
inline uint32_t ShiftToBits(int shift) { return static_cast<uint32_t>(shift) & 0xF; }

// Shader model version: kind plus major.minor.
struct ShaderVersion {
    bool pixel = false;
    uint8_t major = 1;
    uint8_t minor = 1;

    uint32_t token() const {
        return (pixel ? kPixelVersionPrefix : kVertexVersionPrefix) | (uint32_t(major) << 8) |
               minor;
    }
    // Comparable number: 0x0101 for 1.1, 0x0104 for 1.4.
    uint16_t number() const { return static_cast<uint16_t>((major << 8) | minor); }
    bool operator==(const ShaderVersion&) const = default;
};

}  // namespace gfx::shader
