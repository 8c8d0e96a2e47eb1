#include "gfx/shader/Decoder.h"

#include <cstdint>
#include <cstdio>

#include "gfx/shader/Analysis.h"
#include "gfx/shader/ProgramLimits.h"
#include "gfx/shader/TokenReader.h"

namespace gfx::shader {
namespace {

std::string At(size_t offset) { return "token " + std::to_string(offset) + ": "; }

bool Fail(std::string& error, size_t offset, const std::string& text) {
    error = At(offset) + text;
    return false;
}

bool IsTextureOp(const Instruction& ins) { return ins.info->opClass == OpClass::Texture; }

// The texm* family, whose source may take _bx2 even in ps.1.0/1.1.
bool IsTexMatrix(Opcode op) {
    switch (op) {
        case Opcode::TexM3x2Pad:
        case Opcode::TexM3x2Tex:
        case Opcode::TexM3x2Depth:
        case Opcode::TexM3x3Pad:
        case Opcode::TexM3x3Tex:
        case Opcode::TexM3x3Spec:
        case Opcode::TexM3x3VSpec:
        case Opcode::TexM3x3:
            return true;
        default:
            return false;
    }
}

constexpr uint8_t kColorMask = 0x7, kAlphaMask = 0x8;
constexpr uint8_t kReplicateAlpha = 0xFF;  // .a selector
constexpr uint8_t kSelectXyz = 0xA4;       // x y z z
constexpr uint8_t kSelectXyw = 0xF4;       // x y w w

}  // namespace

RegisterLimits LimitsOf(const ShaderVersion& v) {
    if (!v.pixel) return {12, 16, 96, 0};
    if (v.number() >= 0x0104) return {6, 2, 8, 6};
    return {2, 2, 8, 4};
}

bool DecodeVersion(uint32_t token, ShaderVersion& version, std::string& error) {
    const uint32_t prefix = token & 0xFFFF0000u;
    if (prefix != kVertexVersionPrefix && prefix != kPixelVersionPrefix) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "0x%08X is not a shader version token", token);
        error = At(0) + buf;
        return false;
    }
    version.pixel = prefix == kPixelVersionPrefix;
    version.major = static_cast<uint8_t>((token >> 8) & 0xFF);
    version.minor = static_cast<uint8_t>(token & 0xFF);
    const bool ok = version.major == 1 && (version.pixel ? version.minor <= 4 : version.minor <= 1);
    if (!ok) {
        error = At(0) + "unsupported version " + (version.pixel ? "ps." : "vs.") +
                std::to_string(version.major) + "." + std::to_string(version.minor) +
                " (vs.1.0, vs.1.1 and ps.1.0 to ps.1.4 are supported)";
        return false;
    }
    return true;
}

bool ValidateInstruction(const Instruction& ins, const ShaderVersion& v, std::string& error) {
    if (ins.isComment()) return true;
    const RegisterLimits lim = LimitsOf(v);
    const bool ps14 = v.pixel && v.number() >= 0x0104;
    const std::string name = ins.info->name;
    const size_t dstAt = ins.offset + 1;

    // ---- destination
    if (ins.hasDst) {
        const DstParam& d = ins.dst;
        const std::string reg = "destination " + DstText(d, v);
        bool typeOk = false;
        uint32_t limit = 0;
        if (ins.info->opClass == OpClass::Def) {
            typeOk = d.type == RegType::Const;
            limit = lim.consts;
        } else if (!v.pixel) {
            switch (d.type) {
                case RegType::Temp:
                    typeOk = true, limit = lim.temps;
                    break;
                case kAddrReg:
                    typeOk = v.number() >= 0x0101 && ins.opcode == Opcode::Mov, limit = 1;
                    break;
                case RegType::RastOut:
                    typeOk = true, limit = 3;
                    break;
                case RegType::AttrOut:
                    typeOk = true, limit = 2;
                    break;
                case RegType::TexCrdOut:
                    typeOk = true, limit = 8;
                    break;
                default:
                    break;
            }
        } else {
            switch (d.type) {
                case RegType::Temp:
                    typeOk = true, limit = lim.temps;
                    break;
                case RegType::Texture:
                    // ps.1.4 texture registers hold coordinates only (texkill may name one).
                    typeOk = !ps14 || ins.opcode == Opcode::TexKill, limit = lim.textures;
                    break;
                default:
                    break;
            }
        }
        if (!typeOk) return Fail(error, dstAt, "'" + name + "' cannot write " + reg);
        if (d.index >= limit)
            return Fail(error, dstAt,
                        "register index " + std::to_string(d.index) + " out of range in " + reg);
        if (d.mask == 0) return Fail(error, dstAt, "empty write mask in " + reg);
        if (d.type == kAddrReg && !v.pixel && d.mask != 0x1)
            return Fail(error, dstAt, "the address register is written as a0.x only");
        if (!v.pixel && d.shift != 0) return Fail(error, dstAt, "result shift in a vertex program");
        if (!v.pixel && d.saturate)
            return Fail(error, dstAt, "_sat is not available in vertex programs");
        if (v.pixel) {
            const int maxUp = ps14 ? 3 : 2, maxDown = ps14 ? 3 : 1;
            if (d.shift > maxUp || -d.shift > maxDown)
                return Fail(error, dstAt, "result shift not available in this version");
        }
        if (ins.info->opClass == OpClass::Def && (d.saturate || d.shift || d.mask != kFullMask))
            return Fail(error, dstAt, "def takes a plain constant register");
        if (v.pixel && !ps14 && ins.info->opClass == OpClass::Arith && d.mask != kFullMask &&
            d.mask != kColorMask && d.mask != kAlphaMask)
            return Fail(error, dstAt,
                        "write mask " + WriteMaskText(d.mask, true) +
                            " needs ps.1.4 (.rgba, .rgb or .a before it)");
        if (v.pixel && !ps14 && ins.opcode == Opcode::Dp3 && d.mask == kAlphaMask)
            return Fail(error, dstAt, "dp3 writes .rgb or .rgba before ps.1.4");
        if (v.pixel && IsTextureOp(ins) && (d.saturate || d.shift))
            return Fail(error, dstAt,
                        "'" + name +
                            "' is a texture-address instruction and takes no result "
                            "modifier");
        if (v.pixel && !ps14 && IsTextureOp(ins) && d.mask != kFullMask)
            return Fail(error, dstAt,
                        "'" + name + "' is a texture-address instruction and takes no write mask");
        if (ins.opcode == Opcode::Bem && d.mask != 0x3)
            return Fail(error, dstAt, "bem writes .rg only");
    }

    // ---- sources
    for (unsigned i = 0; i < ins.srcCount; ++i) {
        const SrcParam& s = ins.src[i];
        const size_t at = dstAt + (ins.hasDst ? 1 : 0) + i;
        const std::string reg = "source " + SrcText(s, v);
        bool typeOk = false;
        uint32_t limit = 0;
        if (!v.pixel) {
            switch (s.type) {
                case RegType::Temp:
                    typeOk = true, limit = lim.temps;
                    break;
                case RegType::Input:
                    typeOk = true, limit = lim.inputs;
                    break;
                case RegType::Const:
                    typeOk = true, limit = lim.consts;
                    break;
                default:
                    break;
            }
        } else {
            switch (s.type) {
                case RegType::Temp:
                    typeOk = true, limit = lim.temps;
                    break;
                case RegType::Input:
                    typeOk = true, limit = lim.inputs;
                    break;
                case RegType::Const:
                    typeOk = true, limit = lim.consts;
                    break;
                case RegType::Texture:
                    typeOk = !ps14 || ins.opcode == Opcode::Tex || ins.opcode == Opcode::TexCoord;
                    limit = lim.textures;
                    break;
                default:
                    break;
            }
        }
        if (!typeOk) return Fail(error, at, "'" + name + "' cannot read " + reg);
        if (s.index >= limit)
            return Fail(error, at,
                        "register index " + std::to_string(s.index) + " out of range in " + reg);
        if (s.relative) {
            if (v.pixel || s.type != RegType::Const || v.number() < 0x0101)
                return Fail(error, at, "relative addressing not allowed in " + reg);
        }
        const SrcMod m = s.mod;
        if (!v.pixel) {
            if (m != SrcMod::None && m != SrcMod::Neg)
                return Fail(error, at, "only negation is allowed on vertex program sources");
        } else {
            const bool projective = m == SrcMod::Dz || m == SrcMod::Dw;
            const bool x2 = m == SrcMod::X2 || m == SrcMod::X2Neg;
            if (x2 && !ps14) return Fail(error, at, "_x2 source modifier needs ps.1.4");
            if (projective &&
                !(ps14 && (ins.opcode == Opcode::Tex || ins.opcode == Opcode::TexCoord)))
                return Fail(error, at, "_dz/_dw are allowed on texld and texcrd sources only");
            if (ps14 && (ins.opcode == Opcode::Tex || ins.opcode == Opcode::TexCoord)) {
                // texcrd and texld from t# divide by w only; texld from r# by z only.
                const bool fromTemp = ins.opcode == Opcode::Tex && s.type == RegType::Temp;
                const SrcMod allowed = fromTemp ? SrcMod::Dz : SrcMod::Dw;
                if (m != SrcMod::None && m != allowed)
                    return Fail(error, at,
                                "'" + name + "' takes no source modifier but " +
                                    (fromTemp ? "_dz on a temporary register"
                                              : "_dw on a texture coordinate register"));
                // They read three components, the third from z (.xyz, also written as no
                // selector) or from w (.xyw); a temporary only as .xyz, and _dw divides by
                // the w that .xyw reads.
                const bool xyz = s.swizzle == kIdentitySwizzle || s.swizzle == kSelectXyz;
                const bool xyw = s.swizzle == kSelectXyw;
                if (!xyz && !xyw)
                    return Fail(error, at, "'" + name + "' reads its source as .xyz or .xyw");
                if (fromTemp && !xyz)
                    return Fail(error, at, "'" + name + "' reads a temporary register as .xyz");
                if (m == SrcMod::Dw && !xyw)
                    return Fail(error, at, "'" + name + "' divides by w only with .xyw");
            } else if (!ps14 && IsTextureOp(ins) && m != SrcMod::None) {
                const bool bx2 = m == SrcMod::Sign &&
                                 (IsTexMatrix(ins.opcode) ||
                                  (v.number() >= 0x0102 && ins.opcode != Opcode::TexReg2AR &&
                                   ins.opcode != Opcode::TexReg2GB));
                if (!bx2 || (ins.opcode == Opcode::TexM3x3Spec && i == 1))
                    return Fail(
                        error, at,
                        "'" + name + "' takes no source modifier" +
                            (IsTexMatrix(ins.opcode) || v.number() >= 0x0102 ? " but _bx2" : ""));
            }
        }
    }

    // ---- instruction-specific operand rules
    if (v.pixel && !ps14 && ins.opcode == Opcode::Cnd) {
        const SrcParam& c = ins.src[0];
        if (c.type != RegType::Temp || c.index != 0 || c.swizzle != kReplicateAlpha)
            return Fail(error, dstAt + 1, "cnd reads its condition from r0.a before ps.1.4");
    }

    // ---- matrix instructions read consecutive registers
    if (ins.info->opClass == OpClass::Matrix && !ins.src[1].relative) {
        const unsigned rows = MatrixRows(ins.opcode);
        const SrcParam& m = ins.src[1];
        const uint32_t limit = m.type == RegType::Temp    ? lim.temps
                               : m.type == RegType::Input ? lim.inputs
                                                          : lim.consts;
        if (m.index + rows > limit)
            return Fail(error, dstAt + 2,
                        "'" + name + "' reads " + std::to_string(rows) + " registers from " +
                            SrcText(m, v) + ", past the last one");
    }

    // ---- operand rules of the texture-address instructions
    if (v.pixel && IsTextureOp(ins)) {
        if (ins.coissue) return Fail(error, ins.offset, "texture instructions cannot co-issue");
        if (!ps14) {
            if (ins.dst.type != RegType::Texture)
                return Fail(error, dstAt, "'" + name + "' writes a texture register");
            for (unsigned i = 0; i < ins.srcCount; ++i) {
                const SrcParam& s = ins.src[i];
                const size_t at = dstAt + 1 + i;
                if (ins.opcode == Opcode::TexM3x3Spec && i == 1) {
                    if (s.type != RegType::Const)
                        return Fail(error, at, "texm3x3spec reads the eye vector from a constant");
                    continue;
                }
                if (s.type != RegType::Texture)
                    return Fail(error, at, "'" + name + "' reads a texture register");
                if (s.index >= ins.dst.index)
                    return Fail(error, at,
                                "'" + name + "' must read a lower texture register than it writes");
            }
        } else {
            const Opcode op = ins.opcode;
            if ((op == Opcode::Tex || op == Opcode::TexCoord || op == Opcode::TexDepth) &&
                ins.dst.type != RegType::Temp)
                return Fail(error, dstAt, "'" + name + "' writes a temporary register");
            if (op == Opcode::TexDepth && ins.dst.index != 5)
                return Fail(error, dstAt, "texdepth writes r5");
            if (op == Opcode::TexCoord && ins.src[0].type != RegType::Texture)
                return Fail(error, dstAt + 1, "texcrd reads a texture coordinate register");
            if (op == Opcode::Tex && ins.src[0].type != RegType::Texture &&
                ins.src[0].type != RegType::Temp)
                return Fail(error, dstAt + 1, "texld reads a texture or temporary register");
        }
    } else if (v.pixel && ins.coissue) {
        // bem and dp4 use both the colour and the alpha pipe.
        if (ins.info->opClass != OpClass::Arith || ins.opcode == Opcode::Bem ||
            ins.opcode == Opcode::Dp4)
            return Fail(error, ins.offset, "'" + name + "' cannot co-issue");
    }
    if (!v.pixel && ins.coissue)
        return Fail(error, ins.offset, "co-issue is a pixel program feature");
    return true;
}

bool Decode(const uint32_t* tokens, size_t count, Program& program, std::string& error) {
    program = Program{};
    if (!tokens || count == 0) {
        error = "empty shader token stream";
        return false;
    }
    if (!DecodeVersion(tokens[0], program.version, error)) return false;
    const ShaderVersion& v = program.version;
    TokenReader reader(tokens, count);
    reader.skip(1);
    bool sawPhase = false;
    // texm3x2pad / texm3x3pad must be followed by the rest of their matrix, on consecutive
    // texture registers and reading the same source.
    int padsSeen = 0, padsWanted = 0;
    uint32_t padDst = 0, padSrc = 0;
    size_t previous = SIZE_MAX;  // index of the last real instruction
    const bool ps14 = v.pixel && v.number() >= 0x0104;
    bool sawArith = false, sawOther = false;  // in the current phase
    bool writesPos = false;
    size_t bemAt = SIZE_MAX;
    unsigned divideByZ = 0;
    // ps.1.4 reads that only phase 2 allows; an error only once a phase marker shows that
    // they were in phase 1 (without one, the whole program is phase 2).
    size_t phaseTwoOnly = SIZE_MAX;
    std::string phaseTwoWhy;
    while (true) {
        uint32_t token = 0;
        if (!reader.peek(token)) {
            error = At(reader.offset()) + "the stream ends without the end token (" +
                    std::to_string(count) + " tokens)";
            return false;
        }
        if (token == kEndToken) {
            if (padsSeen > 0)
                return Fail(error, reader.offset(), "unfinished texm3x2/texm3x3 sequence");
            if (bemAt != SIZE_MAX && !sawPhase)
                return Fail(error, bemAt, "bem belongs to phase 1, before a phase marker");
            if (!v.pixel && !writesPos)
                return Fail(error, reader.offset(), "the vertex program never writes oPos");
            program.tokenCount = reader.offset() + 1;
            return CheckProgramLimits(program, error);
        }
        Instruction ins;
        if (!ins.read(reader, v, error)) return false;
        if (!ValidateInstruction(ins, v, error)) return false;
        if (!ins.isComment()) {
            const Opcode op = ins.opcode;
            const bool isPad2 = op == Opcode::TexM3x2Pad, isPad3 = op == Opcode::TexM3x3Pad;
            const bool ends2 = op == Opcode::TexM3x2Tex || op == Opcode::TexM3x2Depth;
            const bool ends3 = op == Opcode::TexM3x3Tex || op == Opcode::TexM3x3Spec ||
                               op == Opcode::TexM3x3VSpec || op == Opcode::TexM3x3;
            if (padsSeen > 0) {
                const bool next = ins.dst.index == padDst + 1 && ins.src[0].index == padSrc;
                const bool fits = padsWanted == 1 ? ends2 : padsSeen == 1 ? isPad3 : ends3;
                if (!fits || !next)
                    return Fail(error, ins.offset,
                                std::string("'") + ins.info->name +
                                    "' breaks a texm3x2/texm3x3 sequence (expected the next "
                                    "row on t" +
                                    std::to_string(padDst + 1) + " reading t" +
                                    std::to_string(padSrc) + ")");
                if (isPad3) {
                    padsSeen = 2, padDst = ins.dst.index;
                } else {
                    padsSeen = 0;
                }
            } else if (isPad2 || isPad3) {
                padsSeen = 1, padsWanted = isPad2 ? 1 : 2;
                padDst = ins.dst.index, padSrc = ins.src[0].index;
            } else if (ends2 || ends3) {
                return Fail(error, ins.offset,
                            std::string("'") + ins.info->name + "' without its pad instructions");
            }
            if (op == Opcode::Phase) {
                if (sawPhase) return Fail(error, ins.offset, "a second phase marker");
                if (phaseTwoOnly != SIZE_MAX) return Fail(error, phaseTwoOnly, phaseTwoWhy);
                sawPhase = true;
                sawArith = false;
            }
            const Instruction* prev =
                previous == SIZE_MAX ? nullptr : &program.instructions[previous];
            if (ins.coissue && (!prev || prev->coissue || prev->info->opClass != OpClass::Arith))
                return Fail(error, ins.offset,
                            "co-issued instruction without an arithmetic instruction before it");
            if (ins.coissue) {
                // One instruction of the pair runs in the colour pipe, the other in the alpha
                // pipe.
                const uint8_t a = prev->dst.mask, b = ins.dst.mask;
                const bool split = (a == kAlphaMask && !(b & kAlphaMask)) ||
                                   (b == kAlphaMask && !(a & kAlphaMask));
                if (prev->opcode == Opcode::Bem || prev->opcode == Opcode::Dp4)
                    return Fail(error, ins.offset,
                                std::string("'") + prev->info->name + "' cannot co-issue");
                if (!split)
                    return Fail(error, ins.offset,
                                "co-issued instructions must split colour (.rgb) and alpha (.a) "
                                "writes");
            }
            if (v.pixel) {
                // Constants first, then each phase's texture instructions before its arithmetic.
                const OpClass cls = ins.info->opClass;
                if (cls == OpClass::Def && sawOther)
                    return Fail(error, ins.offset, "def must come before every other instruction");
                if (cls != OpClass::Def) sawOther = true;
                if (cls == OpClass::Arith) sawArith = true;
                if (cls == OpClass::Texture && sawArith)
                    return Fail(error, ins.offset,
                                std::string("texture instruction '") + ins.info->name +
                                    "' after arithmetic" + (ps14 ? " in the same phase" : ""));
            } else if (ins.hasDst && ins.dst.type == RegType::RastOut && ins.dst.index == kOutPos) {
                writesPos = true;
            }
            if (ps14) {
                if (op == Opcode::Bem) {
                    if (bemAt != SIZE_MAX) return Fail(error, ins.offset, "a second bem");
                    if (sawPhase)
                        return Fail(error, ins.offset,
                                    "bem belongs to phase 1, before a phase marker");
                    bemAt = ins.offset;
                }
                if (op == Opcode::TexDepth && !sawPhase && phaseTwoOnly == SIZE_MAX) {
                    phaseTwoOnly = ins.offset;
                    phaseTwoWhy = "texdepth belongs to phase 2, after a phase marker";
                }
                for (unsigned i = 0; i < ins.srcCount; ++i) {
                    const SrcParam& s = ins.src[i];
                    const size_t at = ins.offset + 1 + (ins.hasDst ? 1 : 0) + i;
                    if (s.mod == SrcMod::Dz && ++divideByZ > 2)
                        return Fail(error, at, "_dz may be used twice in a program at most");
                    if (sawPhase || phaseTwoOnly != SIZE_MAX) continue;
                    if (s.type == RegType::Input) {
                        phaseTwoOnly = at;
                        phaseTwoWhy = "colour registers cannot be read in phase 1";
                    } else if (op == Opcode::Tex && s.type == RegType::Temp) {
                        phaseTwoOnly = at;
                        phaseTwoWhy = "texld reads a temporary register only in phase 2";
                    }
                }
            }
        }
        program.instructions.push_back(std::move(ins));
        if (!program.instructions.back().isComment()) previous = program.instructions.size() - 1;
    }
}

}  // namespace gfx::shader
