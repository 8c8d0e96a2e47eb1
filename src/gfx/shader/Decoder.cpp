#include "gfx/shader/Decoder.h"

#include <cstdint>
#include <cstdio>

#include "gfx/shader/Analysis.h"
#include "gfx/shader/TokenReader.h"

namespace gfx::shader {
namespace {

std::string At(size_t offset) { return "token " + std::to_string(offset) + ": "; }

bool Fail(std::string& error, size_t offset, const std::string& text) {
    error = At(offset) + text;
    return false;
}

bool IsTextureOp(const Instruction& ins) { return ins.info->opClass == OpClass::Texture; }

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
        if (v.pixel) {
            const int maxUp = ps14 ? 3 : 2, maxDown = ps14 ? 3 : 1;
            if (d.shift > maxUp || -d.shift > maxDown)
                return Fail(error, dstAt, "result shift not available in this version");
        }
        if (ins.info->opClass == OpClass::Def && (d.saturate || d.shift || d.mask != kFullMask))
            return Fail(error, dstAt, "def takes a plain constant register");
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
        }
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
        if (ins.info->opClass != OpClass::Arith)
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
            program.tokenCount = reader.offset() + 1;
            return true;
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
            if (ins.opcode == Opcode::Phase) {
                if (sawPhase) return Fail(error, ins.offset, "a second phase marker");
                sawPhase = true;
            }
            const Instruction* prev =
                previous == SIZE_MAX ? nullptr : &program.instructions[previous];
            if (ins.coissue && (!prev || prev->coissue || prev->info->opClass != OpClass::Arith))
                return Fail(error, ins.offset,
                            "co-issued instruction without an arithmetic instruction before it");
        }
        program.instructions.push_back(std::move(ins));
        if (!program.instructions.back().isComment()) previous = program.instructions.size() - 1;
    }
}

}  // namespace gfx::shader
