// vs.1.0 / vs.1.1 programs to GLSL (names of GlslInterface.h).
#include "gfx/shader/Analysis.h"
#include "gfx/shader/GlslText.h"
#include "gfx/shader/TranslatorParts.h"
#include "gfx/shader/Translators.h"

namespace gfx::shader {
namespace {

class VertexWriter {
  public:
    VertexWriter(const Program& program)
        : p_(program), a_(Analyze(program)), consts_(program, 96) {}

    bool run(GlslStage& out, std::string& error) {
        std::string decl;
        std::string body;
        if (a_.relativeConstants) {
            if (consts_.any()) {
                // Relative reads must see the program's own constants too.
                decl += "vec4 xl_c[96];\n";
                decl +=
                    "vec4 xl_crel(int i) { return (i >= 0 && i < 96) ? xl_c[i] : vec4(0.0); }\n";
                body += "for (int i = 0; i < 96; ++i) xl_c[i] = dx_vc[i];\n";
                for (unsigned i = 0; i < 96; ++i)
                    if (consts_.defined(i))
                        body += "xl_c[" + std::to_string(i) + "] = " + consts_.literal(i) + ";\n";
            } else {
                decl +=
                    "vec4 xl_crel(int i) { return (i >= 0 && i < 96) ? dx_vc[i] : vec4(0.0); }\n";
            }
        }
        decl += "float xl_rcp(float f) { return f == 1.0 ? 1.0 : (f == 0.0 ? " +
                std::string(kGlslFltMax) + " : 1.0 / f); }\n";
        decl += "float xl_rsq(float f) { f = abs(f); return f == 1.0 ? 1.0 : (f == 0.0 ? " +
                std::string(kGlslFltMax) + " : inversesqrt(f)); }\n";
        decl += "float xl_log(float f) { f = abs(f); return f == 0.0 ? -" +
                std::string(kGlslFltMax) + " : log2(f); }\n";
        decl +=
            "vec4 xl_logp(float f) {\n"
            "  f = abs(f);\n"
            "  if (f == 0.0) return vec4(vec3(-" +
            std::string(kGlslFltMax) +
            "), 1.0);\n"
            "  uint b = floatBitsToUint(f);\n"
            "  return vec4(float(int(b >> 23u) - 127), uintBitsToFloat((b & 0x7FFFFFu) | "
            "0x3F800000u), log2(f), 1.0);\n"
            "}\n"
            "vec4 xl_expp(float f) { float i = floor(f); return vec4(exp2(i), f - i, exp2(f), "
            "1.0); }\n"
            "vec4 xl_lit(vec4 s) {\n"
            "  vec4 d = vec4(1.0, 0.0, 0.0, 1.0);\n"
            "  float p = clamp(s.w, -127.9961, 127.9961);\n"
            "  if (s.x > 0.0) { d.y = s.x; if (s.y > 0.0) d.z = pow(s.y, p); }\n"
            "  return d;\n"
            "}\n";
        for (unsigned i = 0; i < 12; ++i)
            if (a_.tempsUsed & (1u << i))
                body += "vec4 xl_r" + std::to_string(i) + " = vec4(0.0);\n";
        if (a_.writesAddress || a_.relativeConstants) body += "int xl_a0 = 0;\n";

        for (const Instruction& ins : p_.instructions) {
            if (ins.isComment()) continue;
            body += "// " + ins.toString(p_.version) + "\n";
            if (!emit(ins, body, error)) return false;
        }
        out.declarations = std::move(decl);
        out.body = std::move(body);
        return true;
    }

  private:
    std::string reg(const SrcParam& s, unsigned row) const {
        const std::string n = std::to_string(s.index + row);
        switch (s.type) {
            case RegType::Temp:
                return "xl_r" + n;
            case RegType::Input:
                return "dx_v" + n;
            case RegType::Const:
                if (s.relative) return "xl_crel(xl_a0 + " + n + ")";
                // A def constant takes precedence over SetVertexShaderConstant, as documented.
                if (consts_.defined(s.index + row)) return consts_.literal(s.index + row);
                return "dx_vc[" + n + "]";
            default:
                return "vec4(0.0)";
        }
    }

    std::string src(const SrcParam& s, unsigned row = 0) const {
        std::string e = reg(s, row) + SwizzleSuffix(s.swizzle);
        if (s.mod == SrcMod::Neg) e = "(-" + e + ")";
        return e;
    }

    void write(const DstParam& d, const std::string& value, uint8_t produced,
               std::string& body) const {
        const uint8_t mask = d.mask & produced;
        if (!mask) return;
        std::string v = value;
        if (d.saturate) v = "clamp(" + v + ", 0.0, 1.0)";
        body += "{ vec4 xl_x = " + v + "; ";
        const std::string n = std::to_string(d.index);
        auto vector = [&](const std::string& target) {
            if (mask == kFullMask)
                body += target + " = xl_x;";
            else
                body += target + MaskSuffix(mask) + " = xl_x" + MaskSuffix(mask) + ";";
        };
        unsigned first = 0;
        while (!(mask & (1u << first))) ++first;
        const std::string firstComp = std::string(".") + "xyzw"[first];
        switch (d.type) {
            case RegType::Temp:
                vector("xl_r" + n);
                break;
            case kAddrReg:
                // vs.1.1 mov to a0.x takes the floor of the value (not the nearest integer).
                body += "xl_a0 = int(floor(xl_x" + firstComp + "));";
                break;
            case RegType::RastOut:
                if (d.index == kOutPos)
                    vector("dx_oPos");
                else if (d.index == kOutFog)
                    body += "dx_oFog = xl_x" + firstComp + ";";
                else
                    body += "dx_oPts = xl_x" + firstComp + ";";
                break;
            case RegType::AttrOut:
                vector("dx_oD" + n);
                break;
            case RegType::TexCrdOut:
                vector("dx_oT[" + n + "]");
                break;
            default:
                break;
        }
        body += " }\n";
    }

    bool emit(const Instruction& ins, std::string& body, std::string& error) const {
        const Opcode op = ins.opcode;
        if (op == Opcode::Nop || op == Opcode::Def) return true;
        const std::string a = ins.srcCount > 0 ? src(ins.src[0]) : "";
        const std::string b = ins.srcCount > 1 ? src(ins.src[1]) : "";
        const std::string c = ins.srcCount > 2 ? src(ins.src[2]) : "";
        std::string v = CommonArithmetic(op, a, b, c);
        uint8_t produced = kFullMask;
        if (v.empty() && !vertexOnly(ins, a, b, v, produced, error)) return false;
        write(ins.dst, v, produced, body);
        return true;
    }

    // The instructions only vertex programs have.
    bool vertexOnly(const Instruction& ins, const std::string& a, const std::string& b,
                    std::string& v, uint8_t& produced, std::string& error) const {
        const Opcode op = ins.opcode;
        switch (op) {
            case Opcode::Min:
                v = "min(" + a + ", " + b + ")";
                break;
            case Opcode::Max:
                v = "max(" + a + ", " + b + ")";
                break;
            case Opcode::Slt:
                v = "vec4(lessThan(" + a + ", " + b + "))";
                break;
            case Opcode::Sge:
                v = "vec4(greaterThanEqual(" + a + ", " + b + "))";
                break;
            // Scalar instructions read the w component of the swizzled source.
            case Opcode::Rcp:
                v = "vec4(xl_rcp((" + a + ").w))";
                break;
            case Opcode::Rsq:
                v = "vec4(xl_rsq((" + a + ").w))";
                break;
            case Opcode::Exp:
                v = "vec4(exp2((" + a + ").w))";
                break;
            case Opcode::Log:
                v = "vec4(xl_log((" + a + ").w))";
                break;
            case Opcode::ExpP:
                v = "xl_expp((" + a + ").w)";
                break;
            case Opcode::LogP:
                v = "xl_logp((" + a + ").w)";
                break;
            case Opcode::Lit:
                v = "xl_lit(" + a + ")";
                break;
            case Opcode::Dst:
                v = "vec4(1.0, (" + a + ").y * (" + b + ").y, (" + a + ").z, (" + b + ").w)";
                break;
            case Opcode::Frc:
                v = "(" + a + " - floor(" + a + "))";
                break;
            case Opcode::M4x4:
            case Opcode::M4x3:
            case Opcode::M3x4:
            case Opcode::M3x3:
            case Opcode::M3x2: {
                const unsigned rows = MatrixRows(op);
                const bool four = MatrixDotSize(op) == 4;
                v = "vec4(";
                for (unsigned r = 0; r < 4; ++r) {
                    if (r) v += ", ";
                    if (r >= rows) {
                        v += "0.0";
                        continue;
                    }
                    const std::string row = src(ins.src[1], r);
                    v += four ? "dot(" + a + ", " + row + ")"
                              : "dot((" + a + ").xyz, (" + row + ").xyz)";
                }
                v += ")";
                produced = static_cast<uint8_t>((1u << rows) - 1u);
                break;
            }
            default:
                error = NoTranslation(ins, "vertex");
                return false;
        }
        return true;
    }

    const Program& p_;
    Analysis a_;
    DefinedConstants consts_;
};

}  // namespace

bool TranslateVertexProgram(const Program& program, GlslStage& out, std::string& error) {
    if (program.version.pixel) {
        error = "token 0: a pixel program where a vertex program was expected";
        return false;
    }
    return VertexWriter(program).run(out, error);
}

}  // namespace gfx::shader
