// ps.1.0 .. ps.1.4 programs to GLSL (names of GlslInterface.h), with the fixed-point
// behaviour of that hardware: every register write is clamped to the register range
// ([-1, 1] for ps.1.0-1.3, as the device's MaxPixelShaderValue says, where today's drivers
// would keep more; [-8, 8] for ps.1.4), constants to [-1, 1].
#include "gfx/shader/Analysis.h"
#include "gfx/shader/GlslText.h"
#include "gfx/shader/TranslatorParts.h"
#include "gfx/shader/Translators.h"

namespace gfx::shader {
namespace {

class PixelWriter {
  public:
    explicit PixelWriter(const Program& program)
        : p_(program),
          a_(Analyze(program)),
          consts_(program, 8),
          ps14_(program.version.number() >= 0x0104),
          range_(ps14_ ? "8.0" : "1.0") {}

    bool run(GlslStage& out, std::string& error) {
        std::string body;
        const RegisterLimits lim = LimitsOf(p_.version);
        for (unsigned i = 0; i < lim.temps; ++i)
            if ((a_.tempsUsed & (1u << i)) || i == 0)
                body += "vec4 xl_r" + std::to_string(i) + " = vec4(0.0);\n";
        if (!ps14_)
            for (unsigned i = 0; i < lim.textures; ++i)
                if (a_.texRegsUsed & (1u << i))
                    body += "vec4 xl_t" + std::to_string(i) + " = vec4(0.0);\n";
        for (const Instruction& ins : p_.instructions)
            if (!ins.isComment() &&
                (ins.opcode == Opcode::TexM3x2Pad || ins.opcode == Opcode::TexM3x3Pad))
                pads_ |= 1u << ins.dst.index;
        for (unsigned i = 0; i < 8; ++i)
            if (pads_ & (1u << i)) body += "float xl_p" + std::to_string(i) + " = 0.0;\n";
        for (unsigned i = 0; i < 8; ++i) {
            if (!a_.constRead(i)) continue;
            // A def constant takes precedence over SetPixelShaderConstant, as documented.
            const std::string value =
                consts_.defined(i) ? consts_.literal(i) : "dx_pc[" + std::to_string(i) + "]";
            body += "vec4 xl_c" + std::to_string(i) + " = clamp(" + value + ", -1.0, 1.0);\n";
        }

        const auto& list = p_.instructions;
        for (size_t i = 0; i < list.size(); ++i) {
            const Instruction& ins = list[i];
            if (ins.isComment() || ins.opcode == Opcode::Def || ins.opcode == Opcode::Nop) continue;
            if (ins.info->opClass == OpClass::Arith) {
                // An instruction and those co-issued with it read the registers as they were
                // before any of them writes.
                std::vector<size_t> group{i};
                for (size_t j = i + 1; j < list.size(); ++j) {
                    if (list[j].isComment()) continue;
                    if (!list[j].coissue) break;
                    group.push_back(j);
                }
                for (size_t k : group) {
                    body += "// " + list[k].toString(p_.version) + "\n";
                    std::string value;
                    uint8_t produced = kFullMask;
                    if (!arith(list[k], value, produced, error)) return false;
                    body += "vec4 xl_x" + std::to_string(k) + " = " + value + ";\n";
                    produced_[k % kGroupSlots] = produced;
                }
                for (size_t k : group)
                    write(list[k].dst, "xl_x" + std::to_string(k), produced_[k % kGroupSlots],
                          body);
                i = group.back();
                continue;
            }
            body += "// " + ins.toString(p_.version) + "\n";
            if (!texture(ins, body, error)) return false;
        }
        body += "dx_oC0 = xl_r0;\n";
        out.declarations = samplerHelpers();
        out.body = std::move(body);
        return true;
    }

  private:
    static constexpr size_t kGroupSlots = 64;

    std::string reg(const SrcParam& s) const {
        const std::string n = std::to_string(s.index);
        switch (s.type) {
            case RegType::Temp:
                return "xl_r" + n;
            case RegType::Input:
                return s.index == 0 ? "dx_iD0" : "dx_iD1";
            case RegType::Const:
                return "xl_c" + n;
            case RegType::Texture:
                return ps14_ ? "dx_iT[" + n + "]" : "xl_t" + n;
            default:
                return "vec4(0.0)";
        }
    }

    // Source with its modifier and swizzle applied (Dz/Dw are left to texld/texcrd).
    std::string src(const SrcParam& s) const {
        const std::string x = reg(s) + SwizzleSuffix(s.swizzle);
        switch (s.mod) {
            case SrcMod::Neg:
                return "(-" + x + ")";
            case SrcMod::Bias:
                return "(" + x + " - 0.5)";
            case SrcMod::BiasNeg:
                return "(0.5 - " + x + ")";
            case SrcMod::Sign:
                return "(2.0 * " + x + " - 1.0)";
            case SrcMod::SignNeg:
                return "(1.0 - 2.0 * " + x + ")";
            case SrcMod::Comp:
                return "(1.0 - " + x + ")";
            case SrcMod::X2:
                return "(2.0 * " + x + ")";
            case SrcMod::X2Neg:
                return "(-2.0 * " + x + ")";
            default:
                return x;
        }
    }

    // A lookup on a stage through its xl_texN helper (see samplerHelpers).
    std::string sample(unsigned stage, const std::string& coord) {
        sampled_ |= 1u << stage;
        return "xl_tex" + std::to_string(stage) + "((" + coord + ").xyz)";
    }

    // One helper per sampled stage, reading the cube or the 2D sampler as the variant being
    // built says (DX_CUBE_STAGES, see GlslBuilder.h): the program's code is the same whatever
    // kind of texture is bound.
    std::string samplerHelpers() const {
        std::string d;
        for (unsigned i = 0; i < 8; ++i) {
            if (!(sampled_ & (1u << i))) continue;
            const std::string n = std::to_string(i);
            d += "vec4 xl_tex" + n + "(vec3 c) {\n#if (DX_CUBE_STAGES & " +
                 std::to_string(1u << i) + ") != 0\n    return texture(" +
                 SamplerName(i, SamplerKind::Cube) + ", c);\n#else\n    return texture(" +
                 SamplerName(i, SamplerKind::Texture2D) + ", c.xy);\n#endif\n}\n";
        }
        return d;
    }

    static std::string coord(unsigned set) { return "dx_iT[" + std::to_string(set) + "]"; }

    void write(const DstParam& d, const std::string& value, uint8_t produced,
               std::string& body) const {
        const uint8_t mask = d.mask & produced;
        if (!mask) return;
        std::string v = value;
        switch (d.shift) {
            case 1:
                v = "(" + v + " * 2.0)";
                break;
            case 2:
                v = "(" + v + " * 4.0)";
                break;
            case 3:
                v = "(" + v + " * 8.0)";
                break;
            case -1:
                v = "(" + v + " * 0.5)";
                break;
            case -2:
                v = "(" + v + " * 0.25)";
                break;
            case -3:
                v = "(" + v + " * 0.125)";
                break;
            default:
                break;
        }
        v = d.saturate ? "clamp(" + v + ", 0.0, 1.0)"
                       : "clamp(" + v + ", -" + range_ + ", " + range_ + ")";
        const std::string target =
            (d.type == RegType::Texture ? "xl_t" : "xl_r") + std::to_string(d.index);
        if (mask == kFullMask)
            body += target + " = " + v + ";\n";
        else
            body += target + MaskSuffix(mask) + " = (" + v + ")" + MaskSuffix(mask) + ";\n";
    }

    bool arith(const Instruction& ins, std::string& v, uint8_t& produced,
               std::string& error) const {
        const std::string a = ins.srcCount > 0 ? src(ins.src[0]) : "";
        const std::string b = ins.srcCount > 1 ? src(ins.src[1]) : "";
        const std::string c = ins.srcCount > 2 ? src(ins.src[2]) : "";
        v = CommonArithmetic(ins.opcode, a, b, c);
        if (!v.empty()) return true;
        switch (ins.opcode) {
            case Opcode::Lrp:
                v = "(" + a + " * " + b + " + (1.0 - " + a + ") * " + c + ")";
                break;
            // ps.1.1-1.3 name r0.a as the condition; the per-component form covers both.
            case Opcode::Cnd:
                v = "mix(" + c + ", " + b + ", greaterThan(" + a + ", vec4(0.5)))";
                break;
            case Opcode::Cmp:
                v = "mix(" + c + ", " + b + ", greaterThanEqual(" + a + ", vec4(0.0)))";
                break;
            case Opcode::Bem: {
                const std::string m = "dx_bumpMat[" + std::to_string(ins.dst.index) + "]";
                v = "vec4((" + a + ").x + " + m + ".x * (" + b + ").x + " + m + ".z * (" + b +
                    ").y, (" + a + ").y + " + m + ".y * (" + b + ").x + " + m + ".w * (" + b +
                    ").y, 0.0, 0.0)";
                produced = 0x3;
                break;
            }
            case Opcode::Nop:
                produced = 0;
                v = "vec4(0.0)";
                break;
            case Opcode::Def:
                produced = 0;
                v = "vec4(0.0)";
                break;
            default:
                error = NoTranslation(ins, "pixel");
                return false;
        }
        return true;
    }

    bool texture(const Instruction& ins, std::string& body, std::string& error) {
        const Opcode op = ins.opcode;
        const unsigned m = ins.hasDst ? ins.dst.index : 0;
        const std::string ms = std::to_string(m);
        const std::string t = "xl_t" + ms;
        switch (op) {
            case Opcode::Phase: {
                // The alpha of temporaries does not survive the phase marker; they read as
                // never written.
                const RegisterLimits lim = LimitsOf(p_.version);
                for (unsigned i = 0; i < lim.temps; ++i)
                    if ((a_.tempsUsed & (1u << i)) || i == 0)
                        body += "xl_r" + std::to_string(i) + ".a = 0.0;\n";
                return true;
            }
            case Opcode::Tex:
                if (!ps14_) {
                    body += t + " = " + sample(m, coord(m)) + ";\n";
                } else {
                    write(ins.dst, sample(m, projected(ins.src[0])), kFullMask, body);
                }
                return true;
            case Opcode::TexCoord:
                if (!ps14_) {
                    body += t + " = vec4(clamp(" + coord(m) + ".xyz, 0.0, 1.0), 1.0);\n";
                } else {
                    write(ins.dst, "vec4((" + projected(ins.src[0]) + ").xyz, 1.0)", kFullMask,
                          body);
                }
                return true;
            case Opcode::TexKill: {
                const std::string what = ins.dst.type == RegType::Texture ? coord(m) : "xl_r" + ms;
                body += "if (any(lessThan(" + what + ".xyz, vec3(0.0)))) discard;\n";
                return true;
            }
            case Opcode::TexDepth:
                body +=
                    "gl_FragDepth = xl_r5.y == 0.0 ? 1.0 : clamp(xl_r5.x / xl_r5.y, 0.0, 1.0);\n";
                return true;
            default:
                break;
        }
        // ps.1.0-1.3 instructions reading another texture register.
        const std::string s = src(ins.src[0]);
        const std::string tm = coord(m);
        auto pad = [&](unsigned stage) { return "xl_p" + std::to_string(stage); };
        auto dotRow = [&](unsigned stage) {
            return "dot(" + coord(stage) + ".xyz, (" + s + ").xyz)";
        };
        switch (op) {
            case Opcode::TexBem:
            case Opcode::TexBemL: {
                const std::string mat = "dx_bumpMat[" + ms + "]";
                body += "{ vec4 xl_s = " + s + ";\n";
                body += "  vec2 xl_uv = " + tm + ".xy + vec2(" + mat + ".x * xl_s.x + " + mat +
                        ".z * xl_s.y, " + mat + ".y * xl_s.x + " + mat + ".w * xl_s.y);\n";
                body += "  " + t + " = " + sample(m, "vec3(xl_uv, " + tm + ".z)") + ";\n";
                if (op == Opcode::TexBemL)
                    body += "  " + t + ".rgb *= clamp(xl_s.z * dx_bumpLum[" + ms +
                            "].x + dx_bumpLum[" + ms + "].y, 0.0, 1.0);\n";
                body += "}\n";
                return true;
            }
            case Opcode::TexReg2AR:
                body += t + " = " + sample(m, "vec3((" + s + ").w, (" + s + ").x, 0.0)") + ";\n";
                return true;
            case Opcode::TexReg2GB:
                body += t + " = " + sample(m, "vec3((" + s + ").y, (" + s + ").z, 0.0)") + ";\n";
                return true;
            case Opcode::TexReg2RGB:
                body += t + " = " + sample(m, "(" + s + ").xyz") + ";\n";
                return true;
            case Opcode::TexM3x2Pad:
            case Opcode::TexM3x3Pad:
                body += pad(m) + " = " + dotRow(m) + ";\n";
                return true;
            case Opcode::TexM3x2Tex:
                body += t + " = " + sample(m, "vec3(" + pad(m - 1) + ", " + dotRow(m) + ", 0.0)") +
                        ";\n";
                return true;
            case Opcode::TexM3x2Depth:
                body += "{ float xl_w = " + dotRow(m) +
                        ";\n  gl_FragDepth = xl_w == 0.0 ? 1.0 : " + "clamp(" + pad(m - 1) +
                        " / xl_w, 0.0, 1.0); }\n";
                return true;
            case Opcode::TexM3x3Tex:
            case Opcode::TexM3x3:
            case Opcode::TexM3x3Spec:
            case Opcode::TexM3x3VSpec: {
                const std::string n =
                    "vec3(" + pad(m - 2) + ", " + pad(m - 1) + ", " + dotRow(m) + ")";
                if (op == Opcode::TexM3x3Tex) {
                    body += t + " = " + sample(m, n) + ";\n";
                } else if (op == Opcode::TexM3x3) {
                    body += t + " = clamp(vec4(" + n + ", 1.0), -1.0, 1.0);\n";
                } else {
                    const std::string e =
                        op == Opcode::TexM3x3Spec
                            ? "(" + src(ins.src[1]) + ").xyz"
                            : "vec3(" + coord(m - 2) + ".w, " + coord(m - 1) + ".w, " + tm + ".w)";
                    body += "{ vec3 xl_n = " + n + ";\n  vec3 xl_e = " + e + ";\n";
                    body +=
                        "  vec3 xl_refl = 2.0 * xl_n * dot(xl_n, xl_e) / dot(xl_n, xl_n) - "
                        "xl_e;\n";
                    body += "  " + t + " = " + sample(m, "xl_refl") + "; }\n";
                }
                return true;
            }
            case Opcode::TexDp3Tex:
                body += t + " = " + sample(m, "vec3(" + dotRow(m) + ", 0.0, 0.0)") + ";\n";
                return true;
            case Opcode::TexDp3:
                body += t + " = vec4(clamp(" + dotRow(m) + ", -1.0, 1.0));\n";
                return true;
            default:
                error = NoTranslation(ins, "pixel");
                return false;
        }
    }

    // ps.1.4 texld/texcrd source: a coordinate set or a register, swizzled (.xyz or .xyw) and
    // divided by its third or fourth component for _dz/_dw; a zero divisor gives 1.0, as the
    // modifier is defined.
    std::string projected(const SrcParam& s) const {
        std::string c = reg(s) + SwizzleSuffix(s.swizzle);
        if (s.mod != SrcMod::Dz && s.mod != SrcMod::Dw) return c;
        const std::string d = "(" + c + ")" + (s.mod == SrcMod::Dz ? ".z" : ".w");
        return "(" + d + " == 0.0 ? vec4(1.0) : vec4((" + c + ").xy / " + d + ", 1.0, 1.0))";
    }

    const Program& p_;
    uint32_t sampled_ = 0;  // stages whose helper the code calls
    Analysis a_;
    DefinedConstants consts_;
    bool ps14_;
    std::string range_;
    uint8_t produced_[kGroupSlots] = {};
    uint32_t pads_ = 0;
};

}  // namespace

bool TranslatePixelProgram(const Program& program, GlslStage& out, std::string& error) {
    if (!program.version.pixel) {
        error = "token 0: a vertex program where a pixel program was expected";
        return false;
    }
    return PixelWriter(program).run(out, error);
}

}  // namespace gfx::shader
