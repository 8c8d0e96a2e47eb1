#include "gfx/shader/ProgramLimits.h"

namespace gfx::shader {
namespace {

bool Fail(std::string& error, const Instruction& ins, const std::string& text) {
    error = "token " + std::to_string(ins.offset) + ": '" + ins.info->name + "' " + text;
    return false;
}

std::string VersionName(const ShaderVersion& v) {
    return std::string(v.pixel ? "ps." : "vs.") + std::to_string(v.major) + "." +
           std::to_string(v.minor);
}

bool CheckVertexSlots(const Program& p, std::string& error) {
    constexpr unsigned kSlots = 128;
    unsigned used = 0;
    for (const Instruction& ins : p.instructions) {
        if (ins.isComment()) continue;
        const unsigned slots = VertexSlots(ins.opcode);
        if (used + slots <= kSlots) {
            used += slots;
            continue;
        }
        const std::string where = slots == 1 ? "slot " + std::to_string(used + 1)
                                             : "slots " + std::to_string(used + 1) + " to " +
                                                   std::to_string(used + slots);
        return Fail(error, ins,
                    "takes instruction " + where + "; " + VersionName(p.version) + " allows " +
                        std::to_string(kSlots));
    }
    return true;
}

// Counts of one stretch of a pixel program (the whole of ps.1.0-1.3, a phase of ps.1.4).
struct PixelCounts {
    unsigned arithmetic = 0, texture = 0, total = 0;
};

bool CheckPixelCounts(const Program& p, std::string& error) {
    const ShaderVersion& v = p.version;
    const bool ps10 = v.number() == 0x0100, ps14 = v.number() >= 0x0104;
    const unsigned maxArithmetic = 8, maxTexture = ps14 ? 6 : 4, maxTotal = 8;
    const std::string name = VersionName(v);
    PixelCounts n;
    unsigned phase = 1;
    auto phaseText = [&]() { return ps14 ? " of phase " + std::to_string(phase) : std::string(); };
    for (const Instruction& ins : p.instructions) {
        if (ins.isComment() || ins.coissue) continue;
        const OpClass cls = ins.info->opClass;
        if (cls == OpClass::Phase) {
            n = PixelCounts{};
            phase = 2;
            continue;
        }
        unsigned arithmetic = 0, texture = 0, total = 0;
        if (cls == OpClass::Arith || cls == OpClass::Nop) {
            arithmetic = total = 1;
        } else if (cls == OpClass::Texture) {
            texture = 1;
            const bool bem = ins.opcode == Opcode::TexBem || ins.opcode == Opcode::TexBemL;
            if (ps10 && bem) texture = 2;
            if (ins.opcode == Opcode::TexBemL) arithmetic = 1;
            total = ps10 && ins.opcode == Opcode::Tex ? 0 : texture + arithmetic;
        }
        n.arithmetic += arithmetic;
        n.texture += texture;
        n.total += total;
        if (arithmetic && n.arithmetic > maxArithmetic)
            return Fail(error, ins,
                        "is arithmetic instruction " + std::to_string(n.arithmetic) + phaseText() +
                            "; " + name + " allows " + std::to_string(maxArithmetic));
        if (texture && n.texture > maxTexture)
            return Fail(error, ins,
                        "is texture instruction " + std::to_string(n.texture) + phaseText() + "; " +
                            name + " allows " + std::to_string(maxTexture));
        if (ps10 && total && n.total > maxTotal)
            return Fail(error, ins,
                        "is instruction " + std::to_string(n.total) + "; " + name + " allows " +
                            std::to_string(maxTotal) + " in all");
    }
    return true;
}

// ps.1.4: every read of a texture coordinate register t# by texld or texcrd uses one
// selector, .xyz (the default) or .xyw (also with _dw); and once texdepth has taken r5, no
// instruction after it may use r5.
bool CheckPs14Registers(const Program& p, std::string& error) {
    constexpr uint8_t kXyw = 0xF4;
    enum Selector : uint8_t { Unread, Xyz, Xyw };
    Selector read[8] = {};
    bool depthTaken = false;
    for (const Instruction& ins : p.instructions) {
        if (ins.isComment()) continue;
        if (depthTaken) {
            bool usesR5 = ins.hasDst && ins.dst.type == RegType::Temp && ins.dst.index == 5;
            for (unsigned i = 0; i < ins.srcCount; ++i)
                usesR5 |= ins.src[i].type == RegType::Temp && ins.src[i].index == 5;
            if (usesR5) return Fail(error, ins, "uses r5 after texdepth took it");
        }
        if (ins.opcode == Opcode::TexDepth) depthTaken = true;
        if (ins.opcode != Opcode::Tex && ins.opcode != Opcode::TexCoord) continue;
        const SrcParam& s = ins.src[0];
        if (s.type != RegType::Texture || s.index >= 8) continue;
        const Selector sel = s.swizzle == kXyw ? Xyw : Xyz;
        if (read[s.index] != Unread && read[s.index] != sel)
            return Fail(error, ins,
                        "reads t" + std::to_string(s.index) + " as " +
                            (sel == Xyz ? ".xyz" : ".xyw") + ", but it is read as " +
                            (sel == Xyz ? ".xyw" : ".xyz") + " before");
        read[s.index] = sel;
    }
    return true;
}

}  // namespace

unsigned VertexSlots(Opcode opcode) {
    switch (opcode) {
        case Opcode::Exp:
        case Opcode::Log:
            return 10;
        case Opcode::Frc:
        case Opcode::M3x3:
        case Opcode::M4x3:
            return 3;
        case Opcode::M3x4:
        case Opcode::M4x4:
            return 4;
        case Opcode::M3x2:
            return 2;
        case Opcode::Def:
            return 0;
        default:
            return 1;
    }
}

bool CheckProgramLimits(const Program& program, std::string& error) {
    if (!program.version.pixel) return CheckVertexSlots(program, error);
    if (!CheckPixelCounts(program, error)) return false;
    return program.version.number() < 0x0104 || CheckPs14Registers(program, error);
}

}  // namespace gfx::shader
