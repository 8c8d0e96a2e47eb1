#include "gfx/gl/ff/VertexStageGen.h"

#include <cmath>
#include <cstring>
#include <string>

namespace gfx::gl::ff {

namespace {

constexpr const char* kFixedDeclarations = R"(layout(std140) uniform DxFixed {
    mat4 dx_world;
    mat4 dx_worldView;
    mat4 dx_proj;
    mat4 dx_normalMat;
    vec4 dx_matDiffuse;
    vec4 dx_matAmbient;
    vec4 dx_matSpecular;
    vec4 dx_matEmissive;
    vec4 dx_ambient;
    vec4 dx_misc;
    vec4 dx_lightDiffuse[8];
    vec4 dx_lightSpecular[8];
    vec4 dx_lightAmbient[8];
    vec4 dx_lightPos[8];
    vec4 dx_lightDir[8];
    vec4 dx_lightAtt[8];
    vec4 dx_lightSpot[8];
    mat4 dx_texMat[8];
};
)";

std::string Reg(unsigned r) { return "dx_v" + std::to_string(r); }

std::string MaterialColor(uint8_t source, const char* material) {
    switch (static_cast<ColorSource>(source)) {
        case ColorSource::Diffuse:
            return "vd";
        case ColorSource::Specular:
            return "vs";
        case ColorSource::Material:
            break;
    }
    return material;
}

void AppendLight(std::string& b, unsigned i, uint8_t type, bool specular) {
    const std::string n = std::to_string(i);
    b += "    {\n";
    if (type == D3DLIGHT_DIRECTIONAL) {
        b += "        vec3 L = -dx_lightDir[" + n + "].xyz;\n";
        b += "        float f = 1.0;\n";
    } else {
        b += "        vec3 dv = dx_lightPos[" + n + "].xyz - viewPos.xyz;\n";
        b += "        float d = length(dv);\n";
        b += "        vec3 L = d > 0.0 ? dv / d : vec3(0.0, 0.0, -1.0);\n";
        b += "        vec3 att = dx_lightAtt[" + n + "].xyz;\n";
        b += "        float den = att.x + att.y * d + att.z * d * d;\n";
        b += "        float f = d > dx_lightPos[" + n + "].w ? 0.0 : 1.0 / max(den, 1e-20);\n";
        if (type == D3DLIGHT_SPOT) {
            b += "        float rho = dot(dx_lightDir[" + n + "].xyz, -L);\n";
            b += "        vec2 cone = dx_lightSpot[" + n + "].xy;\n";
            b += "        float spot = rho > cone.x ? 1.0 : rho <= cone.y ? 0.0 : "
                 "pow(max((rho - cone.y) / (cone.x - cone.y), 0.0), dx_lightDir[" +
                 n + "].w);\n";
            b += "        f *= spot;\n";
        }
    }
    b += "        amb += f * dx_lightAmbient[" + n + "].rgb;\n";
    b += "        float nl = max(dot(n, L), 0.0);\n";
    b += "        dif += f * nl * dx_lightDiffuse[" + n + "].rgb;\n";
    if (specular) {
        b += "        if (nl > 0.0) {\n";
        // pow(0, p) is undefined in GLSL for p <= 0, and power 0 is a real material value.
        b += "            float nh = dot(n, normalize(toEye + L));\n";
        b += "            if (nh > 0.0) spe += f * pow(nh, dx_misc.x) * dx_lightSpecular[" + n +
             "].rgb;\n";
        b += "        }\n";
    }
    b += "    }\n";
}

std::string TexCoordInput(const VertexKey& key, unsigned set) {
    const unsigned reg = D3DVSDE_TEXCOORD0 + set;
    return key.hasInput(reg) ? Reg(reg) : "vec4(0.0, 0.0, 0.0, 1.0)";
}

// Statements writing stage `stage`'s coordinates `coords` (`components` of them) through the
// stage's matrix, `count` of the results passed on. Missing components enter as the
// original's 1 for the first and 0 for the rest ((u, v) as (u, v, 1, 0)) where GL's attribute
// defaults give (u, v, 0, 1); results past `count` leave as 0, the fourth as 1.
std::string TransformedCoords(const std::string& coords, unsigned stage, unsigned count,
                              unsigned components) {
    static const char* const kPad[5] = {"c", "vec4(c.x, 1.0, 0.0, 0.0)", "vec4(c.xy, 1.0, 0.0)",
                                        "vec4(c.xyz, 1.0)", "c"};
    static const char* const kKeep[5] = {"t", "vec4(t.x, 0.0, 0.0, 1.0)", "vec4(t.xy, 0.0, 1.0)",
                                         "vec4(t.xyz, 1.0)", "t"};
    const std::string n = std::to_string(stage);
    return "    {\n        vec4 c = " + coords + ";\n        vec4 t = dx_texMat[" + n + "] * " +
           kPad[components <= 4 ? components : 4] + ";\n        dx_oT[" + n +
           "] = " + kKeep[count <= 4 ? count : 4] + ";\n    }\n";
}

void AppendPretransformed(const VertexKey& key, std::string& b) {
    // Screen pixels (y down) and 1/w become clip coordinates of the original API in the
    // viewport, so the viewport moves nothing (it only cuts off what lies outside it); z is
    // the depth as it is (the back end maps such draws onto the depth range 0..1).
    b += "    float w = dx_v0.w != 0.0 ? 1.0 / dx_v0.w : 1.0;\n";
    b += "    vec2 p = (dx_v0.xy - dx_viewOrigin.xy) * 2.0 * dx_viewport.zw;\n";
    b += "    dx_oPos = vec4((p.x - 1.0) * w, (1.0 - p.y) * w, dx_v0.z * w, w);\n";
    if (key.hasInput(D3DVSDE_DIFFUSE)) b += "    dx_oD0 = dx_v5;\n";
    if (key.hasInput(D3DVSDE_SPECULAR)) b += "    dx_oD1 = dx_v6;\n";
    if (key.hasInput(D3DVSDE_PSIZE)) b += "    dx_oPts = dx_v4.x;\n";
    if (key.fogMode == kFogFromSpecular) b += "    dx_oFog = dx_v6.a;\n";
    for (unsigned i = 0; i < kStages; ++i)
        b += "    dx_oT[" + std::to_string(i) + "] = " + TexCoordInput(key, key.texCoord[i] & 7u) +
             ";\n";
}

}  // namespace

shader::GlslStage GenerateVertexStage(const VertexKey& key) {
    shader::GlslStage stage;
    stage.declarations = kFixedDeclarations;
    std::string& b = stage.body;
    if (key.pretransformed) {
        AppendPretransformed(key, b);
        return stage;
    }
    b += "    vec4 pos = vec4(dx_v0.xyz, 1.0);\n";
    b += "    vec4 viewPos = dx_worldView * pos;\n";
    b += "    dx_oPos = dx_proj * viewPos;\n";
    b += "    dx_clipVertex = dx_world * pos;\n";
    if (key.hasInput(D3DVSDE_NORMAL)) {
        b += "    vec3 n = mat3(dx_normalMat) * dx_v3.xyz;\n";
        if (key.normalize) b += "    n = dot(n, n) > 0.0 ? normalize(n) : n;\n";
    } else {
        b += "    vec3 n = vec3(0.0);\n";
    }
    b += "    vec4 vd = " + std::string(key.hasInput(D3DVSDE_DIFFUSE) ? "dx_v5" : "vec4(1.0)") +
         ";\n";
    b += "    vec4 vs = " + std::string(key.hasInput(D3DVSDE_SPECULAR) ? "dx_v6" : "vec4(0.0)") +
         ";\n";
    if (key.lighting) {
        b += "    vec3 amb = vec3(0.0);\n    vec3 dif = vec3(0.0);\n    vec3 spe = vec3(0.0);\n";
        b += key.localViewer ? "    vec3 toEye = normalize(-viewPos.xyz);\n"
                             : "    vec3 toEye = vec3(0.0, 0.0, -1.0);\n";
        for (unsigned i = 0; i < key.lightCount; ++i)
            AppendLight(b, i, key.lightTypes[i], key.specular != 0);
        const std::string md = MaterialColor(key.diffuseSource, "dx_matDiffuse");
        const std::string ma = MaterialColor(key.ambientSource, "dx_matAmbient");
        const std::string ms = MaterialColor(key.specularSource, "dx_matSpecular");
        const std::string me = MaterialColor(key.emissiveSource, "dx_matEmissive");
        b += "    dx_oD0 = vec4(" + me + ".rgb + " + ma + ".rgb * (dx_ambient.rgb + amb) + " + md +
             ".rgb * dif, " + md + ".a);\n";
        b += key.specular ? "    dx_oD1 = vec4(" + ms + ".rgb * spe, " + ms + ".a);\n"
                          : "    dx_oD1 = vec4(0.0);\n";
    } else {
        b += "    dx_oD0 = vd;\n    dx_oD1 = vs;\n";
    }
    if (key.fogMode >= D3DFOG_EXP && key.fogMode <= D3DFOG_LINEAR) {
        // Eye distance along z counts the same behind the eye as in front of it.
        b += key.rangeFog ? "    float fd = length(viewPos.xyz);\n"
                          : "    float fd = abs(viewPos.z);\n";
        if (key.fogMode == D3DFOG_EXP)
            b += "    dx_oFog = exp(-dx_fogParams.x * fd);\n";
        else if (key.fogMode == D3DFOG_EXP2)
            b += "    dx_oFog = exp(-(dx_fogParams.x * fd) * (dx_fogParams.x * fd));\n";
        else
            b += "    dx_oFog = (dx_fogParams.z - fd) * dx_fogParams.w;\n";
    } else if (key.fogMode == kFogFromSpecular) {
        b += "    dx_oFog = vs.a;\n";
    }
    if (key.hasInput(D3DVSDE_PSIZE)) b += "    dx_oPts = dx_v4.x;\n";
    if (key.pointScale) {
        b += "    float pd = length(viewPos.xyz);\n";
        b += "    dx_oPts = dx_viewport.y * dx_oPts * "
             "sqrt(1.0 / max(dx_misc.y + dx_misc.z * pd + dx_misc.w * pd * pd, 1e-20));\n";
    }
    bool needEyeDir = false;
    for (unsigned i = 0; i < kStages; ++i)
        needEyeDir |= static_cast<TexGen>(key.texCoord[i] >> 4) == TexGen::Reflection;
    if (needEyeDir)
        b += key.localViewer ? "    vec3 eyeDir = normalize(viewPos.xyz);\n"
                             : "    vec3 eyeDir = vec3(0.0, 0.0, 1.0);\n";
    for (unsigned i = 0; i < kStages; ++i) {
        const std::string dst = "    dx_oT[" + std::to_string(i) + "] = ";
        std::string coords;
        switch (static_cast<TexGen>(key.texCoord[i] >> 4)) {
            case TexGen::PassThrough:
                coords = TexCoordInput(key, key.texCoord[i] & 7u);
                break;
            case TexGen::Normal:
                coords = "vec4(n, 1.0)";
                break;
            case TexGen::Position:
                coords = "vec4(viewPos.xyz, 1.0)";
                break;
            case TexGen::Reflection:
                coords = "vec4(reflect(eyeDir, n), 1.0)";
                break;
        }
        if (key.texTransform[i])
            b += TransformedCoords(coords, i, key.texTransform[i] & 7u,
                                   (key.texTransform[i] >> 4) & 7u);
        else
            b += dst + coords + ";\n";
    }
    return stage;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

namespace {

void Copy4(float (&dst)[4], const D3DCOLORVALUE& c) {
    dst[0] = c.r;
    dst[1] = c.g;
    dst[2] = c.b;
    dst[3] = c.a;
}

void ColorFromArgb(float (&dst)[4], DWORD argb) {
    dst[0] = ((argb >> 16) & 0xFF) / 255.0f;
    dst[1] = ((argb >> 8) & 0xFF) / 255.0f;
    dst[2] = (argb & 0xFF) / 255.0f;
    dst[3] = ((argb >> 24) & 0xFF) / 255.0f;
}

// Inverse transpose of the upper 3 x 3, laid out as a row-vector matrix; false when singular.
bool InverseTranspose3(const D3DMATRIX& m, float (&out)[16]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-30f) return false;
    const float s = 1.0f / det;
    // Cofactor matrix / det is the inverse transpose.
    const float cof[3][3] = {{A, B, C},
                             {-(b * i - c * h), a * i - c * g, -(a * h - b * g)},
                             {b * f - c * e, -(a * f - c * d), a * e - b * d}};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) out[r * 4 + k] = cof[r][k] * s;
    return true;
}

// Determinant of the 3 x 3 left when row `skipRow` and column `skipCol` of m are removed.
double Minor3(const double (&m)[4][4], int skipRow, int skipCol) {
    double a[3][3];
    for (int r = 0, rr = 0; r < 4; ++r) {
        if (r == skipRow) continue;
        for (int c = 0, cc = 0; c < 4; ++c)
            if (c != skipCol) a[rr][cc++] = m[r][c];
        ++rr;
    }
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

// Upper 3 x 3 of the inverse transpose of the whole 4 x 4; false when singular. The inverse
// transpose is the cofactor matrix over the determinant (in double: projective matrices mix
// large and tiny entries).
bool InverseTranspose4(const D3DMATRIX& m, float (&out)[16]) {
    double a[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) a[r][c] = m.m[r][c];
    double det = 0.0;
    for (int c = 0; c < 4; ++c) det += ((c & 1) ? -a[0][c] : a[0][c]) * Minor3(a, 0, c);
    if (std::fabs(det) < 1e-30) return false;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            out[r * 4 + k] =
                static_cast<float>((((r + k) & 1) ? -Minor3(a, r, k) : Minor3(a, r, k)) / det);
    return true;
}

void TransformPoint(const D3DVECTOR& p, const D3DMATRIX& m, float (&out)[4]) {
    for (int j = 0; j < 3; ++j)
        out[j] = p.x * m.m[0][j] + p.y * m.m[1][j] + p.z * m.m[2][j] + m.m[3][j];
}

void TransformDirection(const D3DVECTOR& v, const D3DMATRIX& m, float (&out)[4]) {
    float x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0];
    float y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1];
    float z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2];
    const float len = std::sqrt(x * x + y * y + z * z);
    if (len > 0.0f) {
        x /= len;
        y /= len;
        z /= len;
    }
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

}  // namespace

void NormalMatrix(const D3DMATRIX& m, float (&out)[16]) {
    std::memset(out, 0, sizeof out);
    out[15] = 1.0f;
    if (InverseTranspose4(m, out) || InverseTranspose3(m, out)) return;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) out[r * 4 + k] = m.m[r][k];
}

void FillFixedBlock(const DeviceState& s, FixedBlock& b) {
    std::memset(&b, 0, sizeof b);
    const D3DMATRIX worldView = Multiply(s.world, s.view);
    std::memcpy(b.world, &s.world, sizeof b.world);
    std::memcpy(b.worldView, &worldView, sizeof b.worldView);
    std::memcpy(b.projection, &s.projection, sizeof b.projection);
    NormalMatrix(worldView, b.normalMatrix);
    Copy4(b.matDiffuse, s.material.Diffuse);
    Copy4(b.matAmbient, s.material.Ambient);
    Copy4(b.matSpecular, s.material.Specular);
    Copy4(b.matEmissive, s.material.Emissive);
    ColorFromArgb(b.ambient, s.renderStates[D3DRS_AMBIENT]);
    b.misc[0] = s.material.Power;
    b.misc[1] = DWORDToFloat(s.renderStates[D3DRS_POINTSCALE_A]);
    b.misc[2] = DWORDToFloat(s.renderStates[D3DRS_POINTSCALE_B]);
    b.misc[3] = DWORDToFloat(s.renderStates[D3DRS_POINTSCALE_C]);
    std::array<const D3DLIGHT8*, 8> lights{};
    const size_t count = ActiveLights(s, lights);
    for (size_t i = 0; i < count; ++i) {
        const D3DLIGHT8& l = *lights[i];
        Copy4(b.lightDiffuse[i], l.Diffuse);
        Copy4(b.lightSpecular[i], l.Specular);
        Copy4(b.lightAmbient[i], l.Ambient);
        TransformPoint(l.Position, s.view, b.lightPosition[i]);
        b.lightPosition[i][3] = l.Range;
        TransformDirection(l.Direction, s.view, b.lightDirection[i]);
        b.lightDirection[i][3] = l.Falloff;
        b.lightAttenuation[i][0] = l.Attenuation0;
        b.lightAttenuation[i][1] = l.Attenuation1;
        b.lightAttenuation[i][2] = l.Attenuation2;
        b.lightSpot[i][0] = std::cos(l.Theta * 0.5f);
        b.lightSpot[i][1] = std::cos(l.Phi * 0.5f);
    }
    for (unsigned i = 0; i < kStages; ++i)
        std::memcpy(b.textureMatrices[i], &s.textureTransforms[i], sizeof b.textureMatrices[i]);
}

}  // namespace gfx::gl::ff
