#include "gfx/gl/ff/PixelStageGen.h"

#include <string>

namespace gfx::gl::ff {

namespace {

bool IsBump(uint8_t op) { return op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE; }

// One argument as a vec4 expression, modifiers applied.
std::string Arg4(uint8_t arg, const std::string& tex) {
    std::string base;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
            base = "dx_iD0";
            break;
        case D3DTA_CURRENT:
            base = "cur";
            break;
        case D3DTA_TEXTURE:
            base = tex;
            break;
        case D3DTA_TFACTOR:
            base = "dx_tfactor";
            break;
        case D3DTA_SPECULAR:
            base = "dx_iD1";
            break;
        case D3DTA_TEMP:
            base = "tmp";
            break;
        default:
            base = "vec4(1.0)";
            break;
    }
    if (arg & D3DTA_ALPHAREPLICATE) base += ".aaaa";
    if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
    return base;
}

// The operation applied to arguments a0, a1, a2 of type vec3 (colour) or float (alpha).
// `a1Alpha` is argument 1's alpha, `tex` the stage's texture sample.
std::string Op(uint8_t op, const std::string& a0, const std::string& a1, const std::string& a2,
               const std::string& a1Alpha, const std::string& tex, bool color) {
    const std::string one = color ? "vec3(1.0)" : "1.0";
    switch (op) {
        case D3DTOP_SELECTARG1:
        case D3DTOP_PREMODULATE:
            return a1;
        case D3DTOP_SELECTARG2:
            return a2;
        case D3DTOP_MODULATE:
            return a1 + " * " + a2;
        case D3DTOP_MODULATE2X:
            return "2.0 * " + a1 + " * " + a2;
        case D3DTOP_MODULATE4X:
            return "4.0 * " + a1 + " * " + a2;
        case D3DTOP_ADD:
            return a1 + " + " + a2;
        case D3DTOP_ADDSIGNED:
            return a1 + " + " + a2 + " - 0.5";
        case D3DTOP_ADDSIGNED2X:
            return "2.0 * (" + a1 + " + " + a2 + " - 0.5)";
        case D3DTOP_SUBTRACT:
            return a1 + " - " + a2;
        case D3DTOP_ADDSMOOTH:
            return a1 + " + " + a2 + " - " + a1 + " * " + a2;
        case D3DTOP_BLENDDIFFUSEALPHA:
            return "mix(" + a2 + ", " + a1 + ", dx_iD0.a)";
        case D3DTOP_BLENDTEXTUREALPHA:
            return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
        case D3DTOP_BLENDFACTORALPHA:
            return "mix(" + a2 + ", " + a1 + ", dx_tfactor.a)";
        case D3DTOP_BLENDTEXTUREALPHAPM:
            return a1 + " + " + a2 + " * (1.0 - " + tex + ".a)";
        case D3DTOP_BLENDCURRENTALPHA:
            return "mix(" + a2 + ", " + a1 + ", cur.a)";
        case D3DTOP_MODULATEALPHA_ADDCOLOR:
            return a1 + " + " + a1Alpha + " * " + a2;
        case D3DTOP_MODULATECOLOR_ADDALPHA:
            return a1 + " * " + a2 + " + " + a1Alpha;
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
            return "(1.0 - " + a1Alpha + ") * " + a2 + " + " + a1;
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
            return "(" + one + " - " + a1 + ") * " + a2 + " + " + a1Alpha;
        case D3DTOP_MULTIPLYADD:
            return a0 + " + " + a1 + " * " + a2;
        case D3DTOP_LERP:
            return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
        default:
            return a1;
    }
}

}  // namespace

shader::GlslStage GeneratePixelStage(const PixelKey& key) {
    shader::GlslStage stage;
    std::string& b = stage.body;
    b += "    vec4 cur = dx_iD0;\n    vec4 tmp = vec4(0.0);\n";
    b += "    vec2 bumpOffset = vec2(0.0);\n    float bumpLuminance = 1.0;\n";
    bool bumped = false;  // the previous stage was a bump stage
    bool luminance = false;
    for (unsigned i = 0; i < key.stageCount; ++i) {
        const StageKey& st = key.stages[i];
        const std::string n = std::to_string(i);
        const std::string tex = "tex" + n;
        const std::string coords = "dx_iT[" + n + "]";
        switch (st.texture) {
            case 1:
                b += "    vec4 " + tex + " = texture(" +
                     shader::SamplerName(i, shader::SamplerKind::Texture2D) + ", " + coords +
                     ".xy" + (bumped ? " + bumpOffset" : "") + ");\n";
                break;
            case 2:
                b += "    vec4 " + tex + " = texture(" +
                     shader::SamplerName(i, shader::SamplerKind::Cube) + ", " + coords + ".xyz);\n";
                break;
            default:
                b += "    vec4 " + tex + " = vec4(1.0);\n";
                break;
        }
        if (bumped && luminance) b += "    " + tex + ".rgb *= bumpLuminance;\n";
        bumped = luminance = false;
        if (IsBump(st.colorOp)) {
            // Offsets for the next stage: u += M00 du + M10 dv, v += M01 du + M11 dv.
            b += "    bumpOffset = vec2(dot(" + tex + ".xy, dx_bumpMat[" + n + "].xz), dot(" + tex +
                 ".xy, dx_bumpMat[" + n + "].yw));\n";
            if (st.colorOp == D3DTOP_BUMPENVMAPLUMINANCE) {
                b += "    bumpLuminance = clamp(" + tex + ".z * dx_bumpLum[" + n +
                     "].x + dx_bumpLum[" + n + "].y, 0.0, 1.0);\n";
                luminance = true;
            }
            bumped = true;
            continue;
        }
        const std::string c0 = Arg4(st.colorArg0, tex), c1 = Arg4(st.colorArg1, tex),
                          c2 = Arg4(st.colorArg2, tex);
        std::string color;
        if (st.colorOp == D3DTOP_DOTPRODUCT3) {
            color = "vec3(clamp(4.0 * dot(" + c1 + ".rgb - 0.5, " + c2 + ".rgb - 0.5), 0.0, 1.0))";
        } else {
            color = Op(st.colorOp, c0 + ".rgb", c1 + ".rgb", c2 + ".rgb", c1 + ".a", tex, true);
        }
        std::string alpha;
        if (st.colorOp == D3DTOP_DOTPRODUCT3) {
            alpha = "c.r";  // the dot product goes to all four channels
        } else if (st.alphaOp == D3DTOP_DISABLE || st.alphaOp == 0 || IsBump(st.alphaOp)) {
            alpha = "cur.a";
        } else if (st.alphaOp == D3DTOP_DOTPRODUCT3) {
            alpha = "clamp(4.0 * dot(" + Arg4(st.alphaArg1, tex) + ".rgb - 0.5, " +
                    Arg4(st.alphaArg2, tex) + ".rgb - 0.5), 0.0, 1.0)";
        } else {
            const std::string a1 = Arg4(st.alphaArg1, tex) + ".a";
            alpha = Op(st.alphaOp, Arg4(st.alphaArg0, tex) + ".a", a1,
                       Arg4(st.alphaArg2, tex) + ".a", a1, tex, false);
        }
        const char* dst = st.resultArg == D3DTA_TEMP ? "tmp" : "cur";
        b += "    {\n        vec3 c = " + color + ";\n        float a = " + alpha + ";\n";
        b += std::string("        ") + dst + " = clamp(vec4(c, a), -1.0, 1.0);\n    }\n";
    }
    b += "    dx_oC0 = cur;\n";
    if (key.specularAdd) b += "    dx_oC0.rgb += dx_iD1.rgb;\n";
    return stage;
}

}  // namespace gfx::gl::ff
