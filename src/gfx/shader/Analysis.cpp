#include "gfx/shader/Analysis.h"

namespace gfx::shader {
namespace {

void SetBit(uint64_t (&bits)[2], uint32_t i) {
    if (i < 128) bits[i / 64] |= uint64_t(1) << (i % 64);
}

}  // namespace

unsigned MatrixRows(Opcode op) {
    switch (op) {
        case Opcode::M4x4:
        case Opcode::M3x4:
            return 4;
        case Opcode::M4x3:
        case Opcode::M3x3:
            return 3;
        case Opcode::M3x2:
            return 2;
        default:
            return 1;
    }
}

unsigned MatrixDotSize(Opcode op) { return op == Opcode::M4x4 || op == Opcode::M4x3 ? 4 : 3; }

Analysis Analyze(const Program& program) {
    Analysis a;
    const bool pixel = program.version.pixel;
    const bool ps14 = pixel && program.version.number() >= 0x0104;
    for (const Instruction& ins : program.instructions) {
        if (ins.isComment()) continue;
        const Opcode op = ins.opcode;
        if (ins.hasDst) {
            const DstParam& d = ins.dst;
            switch (d.type) {
                case RegType::Temp:
                    a.tempsUsed |= 1u << d.index;
                    break;
                case RegType::Const:
                    if (op == Opcode::Def) SetBit(a.constsDefined, d.index);
                    break;
                case RegType::Texture:
                    if (!pixel)
                        a.writesAddress = true;
                    else if (!ps14)
                        a.texRegsUsed |= 1u << d.index;
                    break;
                case RegType::RastOut:
                    if (d.index == kOutPos) a.writesPos = true;
                    if (d.index == kOutFog) a.writesFog = true;
                    if (d.index == kOutPts) a.writesPointSize = true;
                    break;
                case RegType::AttrOut:
                    a.colorsWritten |= uint8_t(1u << d.index);
                    break;
                case RegType::TexCrdOut:
                    a.texCoordsWritten |= uint8_t(1u << d.index);
                    break;
                default:
                    break;
            }
        }
        for (unsigned i = 0; i < ins.srcCount; ++i) {
            const SrcParam& s = ins.src[i];
            const unsigned rows = i == 1 ? MatrixRows(op) : 1;
            switch (s.type) {
                case RegType::Temp:
                    for (unsigned r = 0; r < rows; ++r) a.tempsUsed |= 1u << (s.index + r);
                    break;
                case RegType::Input:
                    for (unsigned r = 0; r < rows; ++r) a.inputsRead |= 1u << (s.index + r);
                    break;
                case RegType::Const:
                    if (s.relative)
                        a.relativeConstants = true;
                    else
                        for (unsigned r = 0; r < rows; ++r) SetBit(a.constsRead, s.index + r);
                    break;
                case RegType::Texture:
                    if (ps14)
                        a.texCoordsRead |= uint8_t(1u << s.index);
                    else
                        a.texRegsUsed |= 1u << s.index;
                    break;
                default:
                    break;
            }
        }
        if (!pixel) continue;
        // Pixel texture instructions: which stages sample and which coordinates are read.
        const uint32_t n = ins.hasDst ? ins.dst.index : 0;
        switch (op) {
            case Opcode::Tex:
                a.stagesSampled |= uint8_t(1u << n);
                if (!ps14) a.texCoordsRead |= uint8_t(1u << n);
                break;
            case Opcode::TexCoord:
                if (!ps14) a.texCoordsRead |= uint8_t(1u << n);
                break;
            case Opcode::TexKill:
                a.usesKill = true;
                if (ins.dst.type == RegType::Texture) a.texCoordsRead |= uint8_t(1u << n);
                break;
            case Opcode::TexBem:
            case Opcode::TexBemL:
                a.bumpStages |= uint8_t(1u << n);
                [[fallthrough]];
            case Opcode::TexDp3Tex:
            case Opcode::TexM3x2Tex:
            case Opcode::TexM3x3Tex:
            case Opcode::TexM3x3Spec:
                a.stagesSampled |= uint8_t(1u << n);
                a.texCoordsRead |= uint8_t(1u << n);
                break;
            case Opcode::TexReg2AR:
            case Opcode::TexReg2GB:
            case Opcode::TexReg2RGB:
                a.stagesSampled |= uint8_t(1u << n);
                break;
            case Opcode::TexM3x3VSpec:
                a.stagesSampled |= uint8_t(1u << n);
                a.texCoordsRead |= uint8_t(1u << n);
                break;
            case Opcode::TexM3x2Pad:
            case Opcode::TexM3x3Pad:
            case Opcode::TexDp3:
            case Opcode::TexM3x3:
            case Opcode::TexM3x2Depth:
                a.texCoordsRead |= uint8_t(1u << n);
                break;
            case Opcode::Bem:
                a.bumpStages |= uint8_t(1u << n);
                break;
            default:
                break;
        }
        if (op == Opcode::TexDepth || op == Opcode::TexM3x2Depth) a.writesDepth = true;
        if (ps14 && op == Opcode::TexKill && ins.dst.type == RegType::Temp) a.usesKill = true;
    }
    return a;
}

}  // namespace gfx::shader
