#include "gfx/shader/TranslatorParts.h"

#include "gfx/shader/GlslText.h"

namespace gfx::shader {

DefinedConstants::DefinedConstants(const Program& program, unsigned count)
    : values_(count), defined_(count, false) {
    for (const Instruction& ins : program.instructions) {
        if (ins.isComment() || ins.opcode != Opcode::Def || ins.dst.index >= count) continue;
        values_[ins.dst.index] = ins.literal;
        defined_[ins.dst.index] = true;
        any_ = true;
    }
}

std::string DefinedConstants::literal(unsigned i) const {
    const float v[4] = {values_[i][0], values_[i][1], values_[i][2], values_[i][3]};
    return GlslVec4(v);
}

std::string CommonArithmetic(Opcode opcode, const std::string& a, const std::string& b,
                             const std::string& c) {
    switch (opcode) {
        case Opcode::Mov:
            return a;
        case Opcode::Add:
            return "(" + a + " + " + b + ")";
        case Opcode::Sub:
            return "(" + a + " - " + b + ")";
        case Opcode::Mul:
            return "(" + a + " * " + b + ")";
        case Opcode::Mad:
            return "(" + a + " * " + b + " + " + c + ")";
        case Opcode::Dp3:
            return "vec4(dot((" + a + ").xyz, (" + b + ").xyz))";
        case Opcode::Dp4:
            return "vec4(dot(" + a + ", " + b + "))";
        default:
            return "";
    }
}

std::string NoTranslation(const Instruction& ins, const char* stage) {
    return "token " + std::to_string(ins.offset) + ": '" + ins.info->name + "' has no " + stage +
           " translation";
}

}  // namespace gfx::shader
