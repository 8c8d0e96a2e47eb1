#include "gfx/RecordingDevice.h"

#include <cstdio>

namespace gfx {

namespace {

std::string Dec(uint64_t v) { return std::to_string(v); }

std::string Hex(DWORD v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

std::string Hex8(DWORD v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

std::string Float(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
    return buf;
}

void PushColor(std::vector<float>& out, const D3DCOLORVALUE& c) {
    out.insert(out.end(), {c.r, c.g, c.b, c.a});
}

}  // namespace

// ------------------------------------------------------------------ names

const char* RenderStateName(D3DRENDERSTATETYPE s) {
    switch (s) {
#define RS(n) \
    case n:   \
        return #n;
        RS(D3DRS_ZENABLE)
        RS(D3DRS_FILLMODE)
        RS(D3DRS_SHADEMODE)
        RS(D3DRS_LINEPATTERN)
        RS(D3DRS_ZWRITEENABLE) RS(D3DRS_ALPHATESTENABLE) RS(D3DRS_LASTPIXEL) RS(D3DRS_SRCBLEND) RS(
            D3DRS_DESTBLEND) RS(D3DRS_CULLMODE) RS(D3DRS_ZFUNC) RS(D3DRS_ALPHAREF)
            RS(D3DRS_ALPHAFUNC) RS(D3DRS_DITHERENABLE) RS(D3DRS_ALPHABLENDENABLE) RS(
                D3DRS_FOGENABLE) RS(D3DRS_SPECULARENABLE) RS(D3DRS_ZVISIBLE) RS(D3DRS_FOGCOLOR)
                RS(D3DRS_FOGTABLEMODE) RS(D3DRS_FOGSTART) RS(D3DRS_FOGEND) RS(D3DRS_FOGDENSITY)
                    RS(D3DRS_EDGEANTIALIAS) RS(D3DRS_ZBIAS) RS(D3DRS_RANGEFOGENABLE) RS(
                        D3DRS_STENCILENABLE) RS(D3DRS_STENCILFAIL) RS(D3DRS_STENCILZFAIL)
                        RS(D3DRS_STENCILPASS) RS(D3DRS_STENCILFUNC) RS(D3DRS_STENCILREF) RS(
                            D3DRS_STENCILMASK) RS(D3DRS_STENCILWRITEMASK) RS(D3DRS_TEXTUREFACTOR)
                            RS(D3DRS_WRAP0) RS(D3DRS_WRAP1) RS(D3DRS_WRAP2) RS(D3DRS_WRAP3) RS(
                                D3DRS_WRAP4) RS(D3DRS_WRAP5) RS(D3DRS_WRAP6) RS(D3DRS_WRAP7)
                                RS(D3DRS_CLIPPING) RS(D3DRS_LIGHTING) RS(D3DRS_AMBIENT) RS(
                                    D3DRS_FOGVERTEXMODE) RS(D3DRS_COLORVERTEX) RS(D3DRS_LOCALVIEWER)
                                    RS(D3DRS_NORMALIZENORMALS) RS(D3DRS_DIFFUSEMATERIALSOURCE) RS(
                                        D3DRS_SPECULARMATERIALSOURCE) RS(D3DRS_AMBIENTMATERIALSOURCE)
                                        RS(D3DRS_EMISSIVEMATERIALSOURCE) RS(D3DRS_VERTEXBLEND) RS(
                                            D3DRS_CLIPPLANEENABLE) RS(D3DRS_SOFTWAREVERTEXPROCESSING)
                                            RS(D3DRS_POINTSIZE) RS(D3DRS_POINTSIZE_MIN) RS(
                                                D3DRS_POINTSPRITEENABLE) RS(D3DRS_POINTSCALEENABLE)
                                                RS(D3DRS_POINTSCALE_A) RS(D3DRS_POINTSCALE_B)
                                                    RS(D3DRS_POINTSCALE_C) RS(
                                                        D3DRS_MULTISAMPLEANTIALIAS)
                                                        RS(D3DRS_MULTISAMPLEMASK) RS(
                                                            D3DRS_PATCHEDGESTYLE)
                                                            RS(D3DRS_PATCHSEGMENTS) RS(
                                                                D3DRS_DEBUGMONITORTOKEN)
                                                                RS(D3DRS_POINTSIZE_MAX) RS(
                                                                    D3DRS_INDEXEDVERTEXBLENDENABLE)
                                                                    RS(D3DRS_COLORWRITEENABLE) RS(
                                                                        D3DRS_TWEENFACTOR)
                                                                        RS(D3DRS_BLENDOP) RS(
                                                                            D3DRS_POSITIONORDER)
                                                                            RS(D3DRS_NORMALORDER)
#undef RS
    }
    return "D3DRS_UNKNOWN";
}

const char* TextureStageStateName(D3DTEXTURESTAGESTATETYPE t) {
    switch (t) {
#define TS(n) \
    case n:   \
        return #n;
        TS(D3DTSS_COLOROP)
        TS(D3DTSS_COLORARG1)
        TS(D3DTSS_COLORARG2)
        TS(D3DTSS_ALPHAOP)
        TS(D3DTSS_ALPHAARG1) TS(D3DTSS_ALPHAARG2) TS(D3DTSS_BUMPENVMAT00) TS(D3DTSS_BUMPENVMAT01)
            TS(D3DTSS_BUMPENVMAT10) TS(D3DTSS_BUMPENVMAT11) TS(D3DTSS_TEXCOORDINDEX)
                TS(D3DTSS_ADDRESSU) TS(D3DTSS_ADDRESSV) TS(D3DTSS_BORDERCOLOR) TS(D3DTSS_MAGFILTER)
                    TS(D3DTSS_MINFILTER) TS(D3DTSS_MIPFILTER) TS(D3DTSS_MIPMAPLODBIAS)
                        TS(D3DTSS_MAXMIPLEVEL) TS(D3DTSS_MAXANISOTROPY) TS(D3DTSS_BUMPENVLSCALE)
                            TS(D3DTSS_BUMPENVLOFFSET) TS(D3DTSS_TEXTURETRANSFORMFLAGS)
                                TS(D3DTSS_ADDRESSW) TS(D3DTSS_COLORARG0) TS(D3DTSS_ALPHAARG0)
                                    TS(D3DTSS_RESULTARG)
#undef TS
    }
    return "D3DTSS_UNKNOWN";
}

const char* PrimitiveTypeName(D3DPRIMITIVETYPE t) {
    switch (t) {
        case D3DPT_POINTLIST:
            return "D3DPT_POINTLIST";
        case D3DPT_LINELIST:
            return "D3DPT_LINELIST";
        case D3DPT_LINESTRIP:
            return "D3DPT_LINESTRIP";
        case D3DPT_TRIANGLELIST:
            return "D3DPT_TRIANGLELIST";
        case D3DPT_TRIANGLESTRIP:
            return "D3DPT_TRIANGLESTRIP";
        case D3DPT_TRIANGLEFAN:
            return "D3DPT_TRIANGLEFAN";
    }
    return "D3DPT_UNKNOWN";
}

const char* TransformName(D3DTRANSFORMSTATETYPE t) {
    switch (t) {
        case D3DTS_WORLD:
            return "D3DTS_WORLD";
        case D3DTS_VIEW:
            return "D3DTS_VIEW";
        case D3DTS_PROJECTION:
            return "D3DTS_PROJECTION";
        default:
            break;
    }
    if (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7) {
        static const char* names[] = {"D3DTS_TEXTURE0", "D3DTS_TEXTURE1", "D3DTS_TEXTURE2",
                                      "D3DTS_TEXTURE3", "D3DTS_TEXTURE4", "D3DTS_TEXTURE5",
                                      "D3DTS_TEXTURE6", "D3DTS_TEXTURE7"};
        return names[t - D3DTS_TEXTURE0];
    }
    return "D3DTS_UNKNOWN";
}

std::string ResourceName(const Resource* r) {
    if (!r) return "null";
    const char* kind = "res";
    switch (r->GetType()) {
        case D3DRTYPE_SURFACE:
            kind = "surf";
            break;
        case D3DRTYPE_TEXTURE:
            kind = "tex";
            break;
        case D3DRTYPE_CUBETEXTURE:
            kind = "cube";
            break;
        case D3DRTYPE_VERTEXBUFFER:
            kind = "vb";
            break;
        case D3DRTYPE_INDEXBUFFER:
            kind = "ib";
            break;
        default:
            break;
    }
    // Texture levels have no serial of their own: name them after their container.
    if (r->GetType() == D3DRTYPE_SURFACE) {
        auto* s = static_cast<const Surface*>(r);
        if (s->container()) {
            // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on the chained form.
            std::string name = ResourceName(s->container());
            name += '.';
            name += std::to_string(s->level());
            if (s->container()->GetType() == D3DRTYPE_CUBETEXTURE) {
                name += 'f';
                name += std::to_string(static_cast<int>(s->face()));
            }
            return name;
        }
    }
    return std::string(kind) + "#" + std::to_string(r->serial());
}

std::string RenderStateValueText(D3DRENDERSTATETYPE state, DWORD value) {
    switch (state) {
        case D3DRS_AMBIENT:
        case D3DRS_FOGCOLOR:
        case D3DRS_TEXTUREFACTOR:
            return Hex8(value);
        case D3DRS_FOGSTART:
        case D3DRS_FOGEND:
        case D3DRS_FOGDENSITY:
        case D3DRS_POINTSIZE:
        case D3DRS_POINTSIZE_MIN:
        case D3DRS_POINTSIZE_MAX:
        case D3DRS_POINTSCALE_A:
        case D3DRS_POINTSCALE_B:
        case D3DRS_POINTSCALE_C:
        case D3DRS_TWEENFACTOR:
            return Float(DWORDToFloat(value));
        default:
            return Dec(value);
    }
}

std::string TextureStageValueText(D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    switch (type) {
        case D3DTSS_BUMPENVMAT00:
        case D3DTSS_BUMPENVMAT01:
        case D3DTSS_BUMPENVMAT10:
        case D3DTSS_BUMPENVMAT11:
        case D3DTSS_BUMPENVLSCALE:
        case D3DTSS_BUMPENVLOFFSET:
        case D3DTSS_MIPMAPLODBIAS:
            return Float(DWORDToFloat(value));
        case D3DTSS_TEXCOORDINDEX:
        case D3DTSS_BORDERCOLOR:
            return Hex(value);
        default:
            return Dec(value);
    }
}

std::string RecordedCall::str() const {
    std::string s = name + "(";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) s += ", ";
        s += args[i];
    }
    s += ")";
    if (!result.empty()) s += " -> " + result;
    return s;
}

// ------------------------------------------------------------------ device

RecordingDevice::RecordingDevice(const DeviceParams& params) : StateDevice(params) {}

RecordedCall& RecordingDevice::record(std::string name, std::vector<std::string> args) {
    static RecordedCall scratch;
    if (!recording_) {
        scratch = RecordedCall{};
        return scratch;
    }
    calls_.push_back(RecordedCall{std::move(name), std::move(args), {}, {}});
    return calls_.back();
}

std::vector<std::string> RecordingDevice::callStrings() const {
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const auto& c : calls_) out.push_back(c.str());
    return out;
}

std::vector<RecordedCall> RecordingDevice::callsNamed(std::string_view name) const {
    std::vector<RecordedCall> out;
    for (const auto& c : calls_)
        if (c.name == name) out.push_back(c);
    return out;
}

int RecordingDevice::find(std::string_view text, size_t from) const {
    for (size_t i = from; i < calls_.size(); ++i)
        if (calls_[i].str() == text) return static_cast<int>(i);
    return -1;
}

std::string RecordingDevice::VertexShaderName(DWORD handleOrFvf) const {
    if (IsShaderHandle(handleOrFvf)) return "vs#" + Dec((handleOrFvf - 1) / 2);
    return Hex(handleOrFvf);
}

std::string RecordingDevice::PixelShaderName(DWORD handle) {
    return handle == 0 ? std::string("0") : "ps#" + Dec(handle);
}

HRESULT RecordingDevice::BeginScene() {
    record("BeginScene");
    return StateDevice::BeginScene();
}

HRESULT RecordingDevice::EndScene() {
    record("EndScene");
    return StateDevice::EndScene();
}

HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                               float z, DWORD stencil) {
    record("Clear", {Dec(count), Hex(flags), Hex8(color), Float(z), Dec(stencil)});
    return StateDevice::Clear(count, rects, flags, color, z, stencil);
}

HRESULT RecordingDevice::Present(const RECT* s, const RECT* d, void* w, const void* r) {
    record("Present");
    return StateDevice::Present(s, d, w, r);
}

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                       D3DFORMAT format, D3DPOOL pool, Texture** texture) {
    RecordedCall& c = record("CreateTexture", {Dec(width), Dec(height), Dec(levels), Hex(usage),
                                               FormatName(format), Dec(pool)});
    HRESULT hr = StateDevice::CreateTexture(width, height, levels, usage, format, pool, texture);
    c.result = SUCCEEDED(hr) ? ResourceName(*texture) : "failed";
    return hr;
}

HRESULT RecordingDevice::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                           D3DPOOL pool, CubeTexture** texture) {
    RecordedCall& c = record("CreateCubeTexture",
                             {Dec(edge), Dec(levels), Hex(usage), FormatName(format), Dec(pool)});
    HRESULT hr = StateDevice::CreateCubeTexture(edge, levels, usage, format, pool, texture);
    c.result = SUCCEEDED(hr) ? ResourceName(*texture) : "failed";
    return hr;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            VertexBuffer** buffer) {
    RecordedCall& c = record("CreateVertexBuffer", {Dec(length), Hex(usage), Hex(fvf), Dec(pool)});
    HRESULT hr = StateDevice::CreateVertexBuffer(length, usage, fvf, pool, buffer);
    c.result = SUCCEEDED(hr) ? ResourceName(*buffer) : "failed";
    return hr;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IndexBuffer** buffer) {
    RecordedCall& c =
        record("CreateIndexBuffer", {Dec(length), Hex(usage), FormatName(format), Dec(pool)});
    HRESULT hr = StateDevice::CreateIndexBuffer(length, usage, format, pool, buffer);
    c.result = SUCCEEDED(hr) ? ResourceName(*buffer) : "failed";
    return hr;
}

HRESULT RecordingDevice::GetRenderTarget(Surface** surface) {
    RecordedCall& c = record("GetRenderTarget");
    HRESULT hr = StateDevice::GetRenderTarget(surface);
    if (SUCCEEDED(hr)) c.result = ResourceName(*surface);
    return hr;
}

HRESULT RecordingDevice::GetDepthStencilSurface(Surface** surface) {
    RecordedCall& c = record("GetDepthStencilSurface");
    HRESULT hr = StateDevice::GetDepthStencilSurface(surface);
    if (SUCCEEDED(hr)) c.result = ResourceName(*surface);
    return hr;
}

HRESULT RecordingDevice::SetRenderTarget(Surface* color, Surface* depthStencil) {
    record("SetRenderTarget", {ResourceName(color), ResourceName(depthStencil)});
    return StateDevice::SetRenderTarget(color, depthStencil);
}

HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT8* viewport) {
    RecordedCall& c = record("SetViewport");
    if (viewport) {
        c.args = {std::to_string(viewport->X), std::to_string(viewport->Y),
                  std::to_string(viewport->Width), std::to_string(viewport->Height)};
        c.floats = {viewport->MinZ, viewport->MaxZ};
    }
    return StateDevice::SetViewport(viewport);
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    RecordedCall& c = record("SetTransform", {TransformName(state)});
    if (matrix) c.floats.assign(&matrix->m[0][0], &matrix->m[0][0] + 16);
    return StateDevice::SetTransform(state, matrix);
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL8* material) {
    RecordedCall& c = record("SetMaterial");
    if (material) {
        PushColor(c.floats, material->Diffuse);
        PushColor(c.floats, material->Ambient);
        PushColor(c.floats, material->Specular);
        PushColor(c.floats, material->Emissive);
        c.floats.push_back(material->Power);
    }
    return StateDevice::SetMaterial(material);
}

HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT8* light) {
    RecordedCall& c = record("SetLight", {Dec(index)});
    if (light) {
        c.args.push_back(Dec(light->Type));
        PushColor(c.floats, light->Diffuse);
        PushColor(c.floats, light->Specular);
        PushColor(c.floats, light->Ambient);
        c.floats.insert(c.floats.end(),
                        {light->Position.x, light->Position.y, light->Position.z,
                         light->Direction.x, light->Direction.y, light->Direction.z, light->Range,
                         light->Falloff, light->Attenuation0, light->Attenuation1,
                         light->Attenuation2, light->Theta, light->Phi});
    }
    return StateDevice::SetLight(index, light);
}

HRESULT RecordingDevice::GetLight(DWORD index, D3DLIGHT8* light) {
    record("GetLight", {Dec(index)});
    return StateDevice::GetLight(index, light);
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
    record("LightEnable", {Dec(index), enable ? "TRUE" : "FALSE"});
    return StateDevice::LightEnable(index, enable);
}

HRESULT RecordingDevice::SetClipPlane(DWORD index, const float* plane) {
    RecordedCall& c = record("SetClipPlane", {Dec(index)});
    if (plane) c.floats.assign(plane, plane + 4);
    return StateDevice::SetClipPlane(index, plane);
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    record("SetRenderState", {RenderStateName(state), RenderStateValueText(state, value)});
    return StateDevice::SetRenderState(state, value);
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    record("GetRenderState", {RenderStateName(state)});
    return StateDevice::GetRenderState(state, value);
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                              DWORD value) {
    record("SetTextureStageState",
           {Dec(stage), TextureStageStateName(type), TextureStageValueText(type, value)});
    return StateDevice::SetTextureStageState(stage, type, value);
}

HRESULT RecordingDevice::SetTexture(DWORD stage, BaseTexture* texture) {
    record("SetTexture", {Dec(stage), ResourceName(texture)});
    return StateDevice::SetTexture(stage, texture);
}

HRESULT RecordingDevice::CreateVertexShader(const DWORD* declaration, const DWORD* function,
                                            UINT functionBytes, DWORD* handle, DWORD usage) {
    RecordedCall& c = record("CreateVertexShader", {Dec(functionBytes)});
    HRESULT hr =
        StateDevice::CreateVertexShader(declaration, function, functionBytes, handle, usage);
    c.result = SUCCEEDED(hr) ? VertexShaderName(*handle) : "failed";
    return hr;
}

HRESULT RecordingDevice::CreatePixelShader(const DWORD* function, UINT functionBytes,
                                           DWORD* handle) {
    RecordedCall& c = record("CreatePixelShader", {Dec(functionBytes)});
    HRESULT hr = StateDevice::CreatePixelShader(function, functionBytes, handle);
    c.result = SUCCEEDED(hr) ? PixelShaderName(*handle) : "failed";
    return hr;
}

HRESULT RecordingDevice::SetVertexShader(DWORD handleOrFvf) {
    record("SetVertexShader", {VertexShaderName(handleOrFvf)});
    return StateDevice::SetVertexShader(handleOrFvf);
}

HRESULT RecordingDevice::SetPixelShader(DWORD handle) {
    record("SetPixelShader", {PixelShaderName(handle)});
    return StateDevice::SetPixelShader(handle);
}

HRESULT RecordingDevice::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) {
    RecordedCall& c = record("SetVertexShaderConstant", {Dec(reg), Dec(count)});
    if (data && count <= kMaxVertexShaderConstants) {
        const float* f = static_cast<const float*>(data);
        c.floats.assign(f, f + 4 * count);
    }
    return StateDevice::SetVertexShaderConstant(reg, data, count);
}

HRESULT RecordingDevice::SetPixelShaderConstant(DWORD reg, const void* data, DWORD count) {
    RecordedCall& c = record("SetPixelShaderConstant", {Dec(reg), Dec(count)});
    if (data && count <= kMaxVertexShaderConstants) {
        const float* f = static_cast<const float*>(data);
        c.floats.assign(f, f + 4 * count);
    }
    return StateDevice::SetPixelShaderConstant(reg, data, count);
}

HRESULT RecordingDevice::SetStreamSource(UINT stream, VertexBuffer* buffer, UINT stride) {
    record("SetStreamSource", {Dec(stream), ResourceName(buffer), Dec(stride)});
    return StateDevice::SetStreamSource(stream, buffer, stride);
}

HRESULT RecordingDevice::SetIndices(IndexBuffer* indices, UINT baseVertexIndex) {
    record("SetIndices", {ResourceName(indices), Dec(baseVertexIndex)});
    return StateDevice::SetIndices(indices, baseVertexIndex);
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                                       UINT primitiveCount) {
    record("DrawPrimitive", {PrimitiveTypeName(type), Dec(startVertex), Dec(primitiveCount)});
    return StateDevice::DrawPrimitive(type, startVertex, primitiveCount);
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex,
                                              UINT numVertices, UINT startIndex,
                                              UINT primitiveCount) {
    record("DrawIndexedPrimitive", {PrimitiveTypeName(type), Dec(minIndex), Dec(numVertices),
                                    Dec(startIndex), Dec(primitiveCount)});
    return StateDevice::DrawIndexedPrimitive(type, minIndex, numVertices, startIndex,
                                             primitiveCount);
}

HRESULT RecordingDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) {
    const HRESULT hr = StateDevice::CreateStateBlock(type, token);
    record("CreateStateBlock", {Dec(type)}).result =
        SUCCEEDED(hr) ? "sb#" + std::to_string(*token) : "";
    return hr;
}

HRESULT RecordingDevice::ApplyStateBlock(DWORD token) {
    record("ApplyStateBlock", {"sb#" + std::to_string(token)});
    return StateDevice::ApplyStateBlock(token);
}

HRESULT RecordingDevice::CaptureStateBlock(DWORD token) {
    record("CaptureStateBlock", {"sb#" + std::to_string(token)});
    return StateDevice::CaptureStateBlock(token);
}

HRESULT RecordingDevice::DeleteStateBlock(DWORD token) {
    record("DeleteStateBlock", {"sb#" + std::to_string(token)});
    return StateDevice::DeleteStateBlock(token);
}

HRESULT RecordingDevice::CopyRects(Surface* source, const RECT* sourceRects, UINT count,
                                   Surface* destination, const POINT* destinationPoints) {
    record("CopyRects",
           {ResourceName(source), ResourceName(destination), Dec(sourceRects ? count : 0)});
    return StateDevice::CopyRects(source, sourceRects, count, destination, destinationPoints);
}

}  // namespace gfx
