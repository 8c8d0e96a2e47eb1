#include "gfx/gl/ff/StateKey.h"

namespace gfx::gl::ff {

size_t ActiveLights(const DeviceState& state, std::array<const D3DLIGHT8*, 8>& out) {
    size_t n = 0;
    for (const LightSlot& slot : state.lights) {
        if (n == out.size()) break;
        if (slot.set && slot.enabled) out[n++] = &slot.light;
    }
    return n;
}

namespace {

uint8_t ResolveSource(DWORD source, bool colorVertex, bool hasDiffuse, bool hasSpecular) {
    if (!colorVertex) return static_cast<uint8_t>(ColorSource::Material);
    if (source == D3DMCS_COLOR1 && hasDiffuse) return static_cast<uint8_t>(ColorSource::Diffuse);
    if (source == D3DMCS_COLOR2 && hasSpecular) return static_cast<uint8_t>(ColorSource::Specular);
    return static_cast<uint8_t>(ColorSource::Material);
}

bool IsBumpOp(DWORD op) { return op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE; }

// Components of texture coordinate set `set` in the layout (0 when it has none).
uint8_t TexCoordComponents(const VertexLayout& layout, unsigned set) {
    for (const VertexElement& e : layout.elements) {
        if (e.reg != D3DVSDE_TEXCOORD0 + set) continue;
        switch (e.type) {
            case D3DVSDT_FLOAT1:
                return 1;
            case D3DVSDT_FLOAT2:
            case D3DVSDT_SHORT2:
                return 2;
            case D3DVSDT_FLOAT3:
                return 3;
            default:
                return 4;
        }
    }
    return 0;
}

// Whether an argument of an operation reads it (the operation's own use of its arguments:
// SELECTARG1 never reads argument 2, the third argument only MULTIPLYADD and LERP).
bool ReadsTexture(DWORD op, DWORD arg1, DWORD arg2, DWORD arg0) {
    auto texture = [](DWORD arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    if (op == D3DTOP_DISABLE) return false;
    if (texture(arg1) && op != D3DTOP_SELECTARG2) return true;
    if (texture(arg2) && op != D3DTOP_SELECTARG1) return true;
    return texture(arg0) && (op == D3DTOP_MULTIPLYADD || op == D3DTOP_LERP);
}

}  // namespace

VertexKey MakeVertexKey(const DeviceState& s, const VertexLayout& layout) {
    VertexKey k;
    uint32_t inputs = 0;
    for (const VertexElement& e : layout.elements) inputs |= 1u << (e.reg & 15);
    k.inputsLow = static_cast<uint8_t>(inputs);
    k.inputsHigh = static_cast<uint8_t>(inputs >> 8);
    k.pretransformed = layout.pretransformed ? 1 : 0;
    const auto& rs = s.renderStates;
    const bool hasDiffuse = k.hasInput(D3DVSDE_DIFFUSE);
    const bool hasSpecular = k.hasInput(D3DVSDE_SPECULAR);
    for (unsigned i = 0; i < kStages; ++i) {
        const DWORD tci = s.stageStates[i][D3DTSS_TEXCOORDINDEX];
        uint8_t gen = 0;
        switch (tci & 0xFFFF0000u) {
            case D3DTSS_TCI_CAMERASPACENORMAL:
                gen = static_cast<uint8_t>(TexGen::Normal);
                break;
            case D3DTSS_TCI_CAMERASPACEPOSITION:
                gen = static_cast<uint8_t>(TexGen::Position);
                break;
            case D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR:
                gen = static_cast<uint8_t>(TexGen::Reflection);
                break;
            default:
                break;
        }
        k.texCoord[i] = static_cast<uint8_t>((tci & 7u) | (gen << 4));
        // Screen-space vertices are not processed, their coordinates not transformed.
        const DWORD count = s.stageStates[i][D3DTSS_TEXTURETRANSFORMFLAGS] & 7u;
        if (count >= 1 && count <= 4 && !layout.pretransformed) {
            const uint8_t components = gen ? 3 : TexCoordComponents(layout, tci & 7u);
            k.texTransform[i] = static_cast<uint8_t>(count | (components ? components : 4) << 4);
        }
    }
    if (rs[D3DRS_FOGENABLE] && rs[D3DRS_FOGTABLEMODE] == D3DFOG_NONE) {
        const DWORD mode = rs[D3DRS_FOGVERTEXMODE];
        if (!k.pretransformed && mode >= D3DFOG_EXP && mode <= D3DFOG_LINEAR) {
            k.fogMode = static_cast<uint8_t>(mode);
            k.rangeFog = rs[D3DRS_RANGEFOGENABLE] ? 1 : 0;
        } else if (hasSpecular) {
            k.fogMode = kFogFromSpecular;
        }
    }
    if (k.pretransformed) return k;  // no transform, lighting or point scaling

    k.lighting = rs[D3DRS_LIGHTING] ? 1 : 0;
    // Texture coordinate generation reads these too, lit or not.
    k.normalize = rs[D3DRS_NORMALIZENORMALS] ? 1 : 0;
    k.localViewer = rs[D3DRS_LOCALVIEWER] ? 1 : 0;
    k.specular = rs[D3DRS_SPECULARENABLE] ? 1 : 0;
    if (k.lighting) {
        std::array<const D3DLIGHT8*, 8> lights{};
        k.lightCount = static_cast<uint8_t>(ActiveLights(s, lights));
        for (size_t i = 0; i < k.lightCount; ++i)
            k.lightTypes[i] = static_cast<uint8_t>(lights[i]->Type);
        const bool cv = rs[D3DRS_COLORVERTEX] != 0;
        k.diffuseSource =
            ResolveSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], cv, hasDiffuse, hasSpecular);
        k.ambientSource =
            ResolveSource(rs[D3DRS_AMBIENTMATERIALSOURCE], cv, hasDiffuse, hasSpecular);
        k.specularSource =
            ResolveSource(rs[D3DRS_SPECULARMATERIALSOURCE], cv, hasDiffuse, hasSpecular);
        k.emissiveSource =
            ResolveSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], cv, hasDiffuse, hasSpecular);
    }
    k.pointScale = rs[D3DRS_POINTSCALEENABLE] ? 1 : 0;
    return k;
}

PixelKey MakePixelKey(const DeviceState& s) {
    PixelKey k;
    k.specularAdd = s.renderStates[D3DRS_SPECULARENABLE] ? 1 : 0;
    for (unsigned i = 0; i < kStages; ++i) {
        const auto& t = s.stageStates[i];
        if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE || t[D3DTSS_COLOROP] > D3DTOP_LERP) break;
        StageKey& st = k.stages[i];
        st.colorOp = static_cast<uint8_t>(t[D3DTSS_COLOROP]);
        st.colorArg0 = static_cast<uint8_t>(t[D3DTSS_COLORARG0]);
        st.colorArg1 = static_cast<uint8_t>(t[D3DTSS_COLORARG1]);
        st.colorArg2 = static_cast<uint8_t>(t[D3DTSS_COLORARG2]);
        st.alphaOp = static_cast<uint8_t>(t[D3DTSS_ALPHAOP] > D3DTOP_LERP ? D3DTOP_DISABLE
                                                                          : t[D3DTSS_ALPHAOP]);
        st.alphaArg0 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG0]);
        st.alphaArg1 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG1]);
        st.alphaArg2 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG2]);
        st.resultArg =
            static_cast<uint8_t>(t[D3DTSS_RESULTARG] == D3DTA_TEMP ? D3DTA_TEMP : D3DTA_CURRENT);
        const BaseTexture* tex = s.textures[i];
        st.texture = !tex ? 0 : tex->GetType() == D3DRTYPE_CUBETEXTURE ? 2 : 1;
        if (!tex && !IsBumpOp(t[D3DTSS_COLOROP])) {
            if (ReadsTexture(t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2],
                             t[D3DTSS_COLORARG0])) {
                st.colorOp = D3DTOP_SELECTARG1;
                st.colorArg1 = D3DTA_CURRENT;
                st.colorArg0 = st.colorArg2 = 0;
            }
            if (ReadsTexture(st.alphaOp, t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2],
                             t[D3DTSS_ALPHAARG0])) {
                st.alphaOp = D3DTOP_SELECTARG1;
                st.alphaArg1 = D3DTA_CURRENT;
                st.alphaArg0 = st.alphaArg2 = 0;
            }
        }
        k.stageCount = static_cast<uint8_t>(i + 1);
    }
    return k;
}

bool TableFogUsesEyeDepth(const DeviceState& s, bool pretransformed) {
    return !pretransformed && s.projection.m[2][3] == 1.0f && s.projection.m[3][3] == 0.0f;
}

shader::PixelVariant PixelVariantFor(const DeviceState& s, D3DPRIMITIVETYPE type,
                                     bool pretransformed, bool projection) {
    const auto& rs = s.renderStates;
    shader::PixelVariant v;
    if (rs[D3DRS_FOGENABLE]) {
        const DWORD table = rs[D3DRS_FOGTABLEMODE];
        if (table >= D3DFOG_EXP && table <= D3DFOG_LINEAR) {
            v.fog = static_cast<shader::FogSelect>(table);
            if (!TableFogUsesEyeDepth(s, pretransformed)) v.fogDepth = shader::FogDepth::Projected;
        } else {
            v.fog = shader::FogSelect::Vertex;
        }
    }
    const DWORD func = rs[D3DRS_ALPHAFUNC];
    if (rs[D3DRS_ALPHATESTENABLE] && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS)
        v.alphaFunc = static_cast<uint8_t>(func);
    if (type == D3DPT_POINTLIST)
        v.points =
            rs[D3DRS_POINTSPRITEENABLE] ? shader::PointMode::Sprites : shader::PointMode::Points;
    if (projection) {
        for (unsigned i = 0; i < kStages; ++i) {
            const DWORD flags = s.stageStates[i][D3DTSS_TEXTURETRANSFORMFLAGS];
            const DWORD count = flags & 7u;
            // A single coordinate has nothing to divide.
            if ((flags & D3DTTFF_PROJECTED) && count >= 2 && count <= 4)
                v.projected = static_cast<uint16_t>(v.projected | (count - 1) << (2 * i));
        }
    }
    return v;
}

}  // namespace gfx::gl::ff
