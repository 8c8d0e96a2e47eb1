#include "gfx/StateDevice.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "gfx/shader/Decoder.h"
#include "gfx/shader/TokenCheck.h"

namespace gfx {

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

namespace {

bool ValidFormatForTexture(D3DFORMAT f) { return FormatBytesPerPixel(f) != 0; }

// Texture sizes the device accepts; larger requests fail as on hardware of the time.
constexpr UINT kMaxTextureSize = 16384;

D3DVIEWPORT8 WholeOf(const Surface& target) {
    return D3DVIEWPORT8{0, 0, target.width(), target.height(), 0.0f, 1.0f};
}

bool SameViewport(const D3DVIEWPORT8& a, const D3DVIEWPORT8& b) {
    return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height &&
           a.MinZ == b.MinZ && a.MaxZ == b.MaxZ;
}

}  // namespace

StateDevice::StateDevice(const DeviceParams& params) : params_(params) {
    backBuffer_ =
        keep(std::make_unique<Surface>(params.width, params.height, params.backBufferFormat,
                                       D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT));
    depthSurface_ = keep(std::make_unique<Surface>(params.width, params.height, D3DFMT_D24S8,
                                                   D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT));
    ResetToApiDefaults();
}

StateDevice::~StateDevice() = default;

void StateDevice::releaseBackendObjects() {
    for (auto& r : resources_) r->releaseBackend();
    for (auto& v : vertexShaders_) v->backend.reset();
    for (auto& p : pixelShaders_) p->backend.reset();
}

void StateDevice::ResetToApiDefaults() {
    DeviceState& s = state_;
    s.renderStates.fill(0);
    auto rs = [&](D3DRENDERSTATETYPE st, DWORD v) { s.renderStates[st] = v; };
    rs(D3DRS_ZENABLE, D3DZB_TRUE);  // an automatic depth-stencil buffer exists
    rs(D3DRS_FILLMODE, D3DFILL_SOLID);
    rs(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    rs(D3DRS_ZWRITEENABLE, TRUE);
    rs(D3DRS_ALPHATESTENABLE, FALSE);
    rs(D3DRS_LASTPIXEL, TRUE);
    rs(D3DRS_SRCBLEND, D3DBLEND_ONE);
    rs(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    rs(D3DRS_CULLMODE, D3DCULL_CCW);
    rs(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    rs(D3DRS_ALPHAREF, 0);
    rs(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    rs(D3DRS_FOGCOLOR, 0);
    rs(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    rs(D3DRS_FOGSTART, FloatToDWORD(0.0f));
    rs(D3DRS_FOGEND, FloatToDWORD(1.0f));
    rs(D3DRS_FOGDENSITY, FloatToDWORD(1.0f));
    rs(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    rs(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    rs(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    rs(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    rs(D3DRS_STENCILMASK, 0xFFFFFFFFu);
    rs(D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu);
    rs(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
    rs(D3DRS_CLIPPING, TRUE);
    rs(D3DRS_LIGHTING, TRUE);
    rs(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    rs(D3DRS_COLORVERTEX, TRUE);
    rs(D3DRS_LOCALVIEWER, TRUE);
    rs(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    rs(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
    rs(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    rs(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    rs(D3DRS_POINTSIZE, FloatToDWORD(1.0f));
    rs(D3DRS_POINTSIZE_MIN, FloatToDWORD(0.0f));
    rs(D3DRS_POINTSCALE_A, FloatToDWORD(1.0f));
    rs(D3DRS_POINTSCALE_B, FloatToDWORD(0.0f));
    rs(D3DRS_POINTSCALE_C, FloatToDWORD(0.0f));
    rs(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
    rs(D3DRS_MULTISAMPLEMASK, 0xFFFFFFFFu);
    rs(D3DRS_POINTSIZE_MAX, FloatToDWORD(64.0f));
    rs(D3DRS_COLORWRITEENABLE, 0xF);
    rs(D3DRS_BLENDOP, D3DBLENDOP_ADD);

    for (DWORD stage = 0; stage < D3D_MAX_TEXTURE_STAGES; ++stage) {
        auto& t = s.stageStates[stage];
        t.fill(0);
        t[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = stage;
        t[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    s.textures.fill(nullptr);
    s.world = s.view = s.projection = IdentityMatrix();
    s.textureTransforms.fill(IdentityMatrix());
    s.material = D3DMATERIAL8{};
    s.lights.clear();
    for (auto& p : s.clipPlanes) p = {0, 0, 0, 0};
    s.vertexShader = 0;
    s.pixelShader = 0;
    for (auto& c : s.vsConstants) c = {0, 0, 0, 0};
    for (auto& c : s.psConstants) c = {0, 0, 0, 0};
    s.streams.fill(StreamSource{});
    s.indices = nullptr;
    s.baseVertexIndex = 0;
    s.renderTarget = backBuffer_;
    s.depthStencil = depthSurface_;
    s.viewport = WholeOf(*backBuffer_);
    dirty_ = kDirtyAll;
}

// ------------------------------------------------------------------ frame

HRESULT StateDevice::BeginScene() {
    if (state_.inScene) return D3DERR_INVALIDCALL;
    state_.inScene = true;
    return D3D_OK;
}

HRESULT StateDevice::EndScene() {
    if (!state_.inScene) return D3DERR_INVALIDCALL;
    state_.inScene = false;
    return D3D_OK;
}

// The original's rules: no rectangles (a count of 0 or a null array) clear the whole
// viewport, except that a count of 0 with an array clears nothing; rectangles are cut to the
// viewport and empty ones dropped. The back end gets them in batches that need no heap.
HRESULT StateDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                           DWORD stencil) {
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !state_.depthStencil)
        flags &= ~(D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
    if (!flags || (count == 0 && rects)) return D3D_OK;
    const D3DVIEWPORT8& vp = state_.viewport;
    const D3DRECT whole{static_cast<INT>(vp.X), static_cast<INT>(vp.Y),
                        static_cast<INT>(vp.X + vp.Width), static_cast<INT>(vp.Y + vp.Height)};
    if (!rects) {
        count = 1;
        rects = &whole;
    }
    D3DRECT batch[16];
    DWORD n = 0;
    HRESULT result = D3D_OK;
    for (DWORD i = 0; i < count; ++i) {
        const D3DRECT r{std::max(rects[i].x1, whole.x1), std::max(rects[i].y1, whole.y1),
                        std::min(rects[i].x2, whole.x2), std::min(rects[i].y2, whole.y2)};
        if (r.x1 < r.x2 && r.y1 < r.y2) batch[n++] = r;
        if (n == std::size(batch) || (i + 1 == count && n > 0)) {
            const HRESULT hr = OnClear(n, batch, flags, color, z, stencil);
            if (FAILED(hr)) result = hr;
            n = 0;
        }
    }
    return result;
}

HRESULT StateDevice::Present(const RECT*, const RECT*, void*, const void*) { return OnPresent(); }

HRESULT StateDevice::GetDeviceCaps(DeviceCaps* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    caps->DevCaps = params_.hardwareVertexProcessing ? 0x00010000u : 0u;  // HWTRANSFORMANDLIGHT
    caps->MaxTextureWidth = kMaxTextureSize;
    caps->MaxTextureHeight = kMaxTextureSize;
    caps->VertexShaderVersion = 0xFFFE0101u;
    caps->PixelShaderVersion = 0xFFFF0104u;
    caps->MaxVertexShaderConst = kMaxVertexShaderConstants;
    caps->MaxPixelShaderValue = 1.0f;
    return D3D_OK;
}

// ------------------------------------------------------------------ resources

HRESULT StateDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                   D3DFORMAT format, D3DPOOL pool, Texture** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize ||
        !ValidFormatForTexture(format))
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    *texture = keep(std::make_unique<Texture>(width, height, levels, usage, format, pool));
    return D3D_OK;
}

HRESULT StateDevice::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, CubeTexture** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (edge == 0 || edge > kMaxTextureSize || !ValidFormatForTexture(format))
        return D3DERR_INVALIDCALL;
    *texture = keep(std::make_unique<CubeTexture>(edge, levels, usage, format, pool));
    return D3D_OK;
}

HRESULT StateDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                        VertexBuffer** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = keep(std::make_unique<VertexBuffer>(length, usage, fvf, pool));
    return D3D_OK;
}

HRESULT StateDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                       IndexBuffer** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    *buffer = keep(std::make_unique<IndexBuffer>(length, usage, format, pool));
    return D3D_OK;
}

// ------------------------------------------------------------------ render targets

HRESULT StateDevice::GetBackBuffer(UINT index, Surface** surface) {
    if (!surface || index != 0) return D3DERR_INVALIDCALL;
    *surface = backBuffer_;
    return D3D_OK;
}

HRESULT StateDevice::GetRenderTarget(Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = state_.renderTarget;
    return D3D_OK;
}

HRESULT StateDevice::GetDepthStencilSurface(Surface** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = state_.depthStencil;
    return D3D_OK;
}

HRESULT StateDevice::SetRenderTarget(Surface* color, Surface* depthStencil) {
    if (color && !(color->usage() & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    if (depthStencil && !(depthStencil->usage() & D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    Surface* target = color ? color : state_.renderTarget;
    if (depthStencil && !DepthStencilFits(*depthStencil, *target)) return D3DERR_INVALIDCALL;
    state_.renderTarget = target;
    state_.depthStencil = depthStencil;
    state_.viewport = WholeOf(*target);
    markDirty(kDirtyRenderTarget | kDirtyViewport);
    return D3D_OK;
}

HRESULT StateDevice::SetViewport(const D3DVIEWPORT8* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    const D3DVIEWPORT8& v = *viewport;
    const Surface& target = *state_.renderTarget;
    const bool inside =
        uint64_t{v.X} + v.Width <= target.width() && uint64_t{v.Y} + v.Height <= target.height();
    const bool depthOk = v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f;
    if (!inside || !depthOk) return D3DERR_INVALIDCALL;
    if (!SameViewport(state_.viewport, v)) {
        state_.viewport = v;
        markDirty(kDirtyViewport);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetViewport(D3DVIEWPORT8* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = state_.viewport;
    return D3D_OK;
}

// ------------------------------------------------------------------ transform and lighting

HRESULT StateDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    D3DMATRIX* dst = nullptr;
    if (type == D3DTS_WORLD)
        dst = &state_.world;
    else if (type == D3DTS_VIEW)
        dst = &state_.view;
    else if (type == D3DTS_PROJECTION)
        dst = &state_.projection;
    else if (type >= D3DTS_TEXTURE0 && type <= D3DTS_TEXTURE7)
        dst = &state_.textureTransforms[type - D3DTS_TEXTURE0];
    if (!dst) return D3DERR_INVALIDCALL;
    if (std::memcmp(dst, matrix, sizeof(D3DMATRIX)) != 0) {
        *dst = *matrix;
        markDirty(kDirtyTransforms);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    if (type == D3DTS_WORLD)
        *matrix = state_.world;
    else if (type == D3DTS_VIEW)
        *matrix = state_.view;
    else if (type == D3DTS_PROJECTION)
        *matrix = state_.projection;
    else if (type >= D3DTS_TEXTURE0 && type <= D3DTS_TEXTURE7)
        *matrix = state_.textureTransforms[type - D3DTS_TEXTURE0];
    else
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT StateDevice::SetMaterial(const D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    if (std::memcmp(&state_.material, material, sizeof(D3DMATERIAL8)) != 0) {
        state_.material = *material;
        markDirty(kDirtyMaterial);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetMaterial(D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = state_.material;
    return D3D_OK;
}

// Light indices are open-ended in the original API; anything sane is accepted.
constexpr DWORD kMaxLightIndex = 4096;

HRESULT StateDevice::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light || index >= kMaxLightIndex) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (state_.lights.size() <= index) state_.lights.resize(index + 1);
    LightSlot& slot = state_.lights[index];
    slot.light = *light;
    slot.set = true;
    markDirty(kDirtyLights);
    return D3D_OK;
}

HRESULT StateDevice::GetLight(DWORD index, D3DLIGHT8* light) {
    if (!light || index >= state_.lights.size() || !state_.lights[index].set)
        return D3DERR_INVALIDCALL;
    *light = state_.lights[index].light;
    return D3D_OK;
}

HRESULT StateDevice::LightEnable(DWORD index, BOOL enable) {
    if (index >= kMaxLightIndex) return D3DERR_INVALIDCALL;
    if (state_.lights.size() <= index) state_.lights.resize(index + 1);
    LightSlot& slot = state_.lights[index];
    if (!slot.set) {
        // Enabling a light never set gives it the runtime's default: a white directional light.
        slot.light = D3DLIGHT8{};
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = {1, 1, 1, 0};
        slot.light.Direction = {0, 0, 1};
        slot.set = true;  // also when disabling: the light exists from now on
    }
    if (slot.enabled != (enable != FALSE)) {
        slot.enabled = enable != FALSE;
        markDirty(kDirtyLights);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetLightEnable(DWORD index, BOOL* enable) {
    if (!enable || index >= state_.lights.size() || !state_.lights[index].set)
        return D3DERR_INVALIDCALL;
    *enable = state_.lights[index].enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT StateDevice::SetClipPlane(DWORD index, const float* plane) {
    if (!plane || index >= D3DMAXUSERCLIPPLANES) return D3DERR_INVALIDCALL;
    std::copy(plane, plane + 4, state_.clipPlanes[index].begin());
    markDirty(kDirtyClipPlanes);
    return D3D_OK;
}

HRESULT StateDevice::GetClipPlane(DWORD index, float* plane) {
    if (!plane || index >= D3DMAXUSERCLIPPLANES) return D3DERR_INVALIDCALL;
    std::copy(state_.clipPlanes[index].begin(), state_.clipPlanes[index].end(), plane);
    return D3D_OK;
}

// ------------------------------------------------------------------ states

HRESULT StateDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    if (state_.renderStates[state] != value) {
        state_.renderStates[state] = value;
        markDirty(state == D3DRS_CLIPPLANEENABLE ? (kDirtyRenderState | kDirtyClipPlanes)
                                                 : kDirtyRenderState);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    *value = state_.renderStates[state];
    return D3D_OK;
}

HRESULT StateDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    if (state_.stageStates[stage][type] != value) {
        state_.stageStates[stage][type] = value;
        markDirty(kDirtyStageState);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                          DWORD* value) {
    if (!value || stage >= D3D_MAX_TEXTURE_STAGES || type >= D3DTSS_COUNT)
        return D3DERR_INVALIDCALL;
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT StateDevice::SetTexture(DWORD stage, BaseTexture* texture) {
    if (stage >= D3D_MAX_TEXTURE_STAGES) return D3DERR_INVALIDCALL;
    if (state_.textures[stage] != texture) {
        state_.textures[stage] = texture;
        markDirty(kDirtyTextures);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetTexture(DWORD stage, BaseTexture** texture) {
    if (!texture || stage >= D3D_MAX_TEXTURE_STAGES) return D3DERR_INVALIDCALL;
    *texture = state_.textures[stage];
    return D3D_OK;
}

// ------------------------------------------------------------------ shaders

HRESULT StateDevice::CreateVertexShader(const DWORD* declaration, const DWORD* function,
                                        UINT functionBytes, DWORD* handle, DWORD /*usage*/) {
    if (!handle) return D3DERR_INVALIDCALL;
    auto obj = std::make_unique<VertexShaderObject>();
    std::string error;
    shader::Program program;
    // Declarations are built by the engine itself; 256 tokens is far beyond any of them.
    bool ok = ParseDeclaration(declaration, 256, obj->layout, error);
    if (ok) {
        obj->declaration.assign(declaration, declaration + obj->layout.declarationTokens);
        if (function) {
            const size_t count = functionBytes / 4;
            ok = shader::CheckTokens(function, count, shader::ShaderType::Vertex, program, error);
            if (ok) obj->function.assign(function, function + count);
        }
    }
    ok = ok && SUCCEEDED(OnCreateVertexShader(*obj, function ? &program : nullptr));
    if (!ok) {
        obj = std::make_unique<VertexShaderObject>();
        obj->failed = true;
    }
    vertexShaders_.push_back(std::move(obj));
    *handle = static_cast<DWORD>(vertexShaders_.size()) * 2 + 1;
    return ok ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT StateDevice::CreatePixelShader(const DWORD* function, UINT functionBytes, DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    auto obj = std::make_unique<PixelShaderObject>();
    std::string error;
    shader::Program program;
    const size_t count = functionBytes / 4;
    bool ok =
        function && shader::CheckTokens(function, count, shader::ShaderType::Pixel, program, error);
    if (ok) obj->function.assign(function, function + count);
    ok = ok && SUCCEEDED(OnCreatePixelShader(*obj, program));
    if (!ok) {
        obj = std::make_unique<PixelShaderObject>();
        obj->failed = true;
    }
    pixelShaders_.push_back(std::move(obj));
    *handle = static_cast<DWORD>(pixelShaders_.size());
    return ok ? D3D_OK : D3DERR_INVALIDCALL;
}

const VertexShaderObject* StateDevice::vertexShaderObject(DWORD handle) const {
    if (!IsShaderHandle(handle) || handle < 3) return nullptr;
    size_t i = (handle - 3) / 2;
    return i < vertexShaders_.size() ? vertexShaders_[i].get() : nullptr;
}

VertexShaderObject* StateDevice::vertexShaderObject(DWORD handle) {
    return const_cast<VertexShaderObject*>(std::as_const(*this).vertexShaderObject(handle));
}

const PixelShaderObject* StateDevice::pixelShaderObject(DWORD handle) const {
    if (handle == 0 || handle > pixelShaders_.size()) return nullptr;
    return pixelShaders_[handle - 1].get();
}

PixelShaderObject* StateDevice::pixelShaderObject(DWORD handle) {
    return const_cast<PixelShaderObject*>(std::as_const(*this).pixelShaderObject(handle));
}

HRESULT StateDevice::SetVertexShader(DWORD handleOrFvf) {
    if (IsShaderHandle(handleOrFvf)) {
        const VertexShaderObject* obj = vertexShaderObject(handleOrFvf);
        if (!obj) return D3DERR_INVALIDCALL;
        // Constants in the declaration are loaded whenever the shader is selected (a failed
        // creation has none).
        for (const ConstantLoad& load : obj->layout.constants)
            SetVertexShaderConstant(load.firstRegister, load.values.data(),
                                    static_cast<DWORD>(load.values.size() / 4));
    }
    if (state_.vertexShader != handleOrFvf) {
        state_.vertexShader = handleOrFvf;
        markDirty(kDirtyVertexShader);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetVertexShader(DWORD* handleOrFvf) {
    if (!handleOrFvf) return D3DERR_INVALIDCALL;
    *handleOrFvf = state_.vertexShader;
    return D3D_OK;
}

HRESULT StateDevice::SetPixelShader(DWORD handle) {
    if (handle != 0 && !pixelShaderObject(handle)) return D3DERR_INVALIDCALL;
    if (state_.pixelShader != handle) {
        state_.pixelShader = handle;
        markDirty(kDirtyPixelShader);
    }
    return D3D_OK;
}

HRESULT StateDevice::GetPixelShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = state_.pixelShader;
    return D3D_OK;
}

HRESULT StateDevice::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) {
    if (!data || reg >= kMaxVertexShaderConstants || count > kMaxVertexShaderConstants - reg)
        return D3DERR_INVALIDCALL;
    // Scenes set the same constants every frame; unchanged values are not uploaded again.
    const size_t bytes = 16 * static_cast<size_t>(count);
    if (std::memcmp(state_.vsConstants[reg].data(), data, bytes) == 0) return D3D_OK;
    std::memcpy(state_.vsConstants[reg].data(), data, bytes);
    markDirty(kDirtyVsConstants);
    return D3D_OK;
}

HRESULT StateDevice::GetVertexShaderConstant(DWORD reg, void* data, DWORD count) {
    if (!data || reg >= kMaxVertexShaderConstants || count > kMaxVertexShaderConstants - reg)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, state_.vsConstants[reg].data(), 16 * static_cast<size_t>(count));
    return D3D_OK;
}

HRESULT StateDevice::SetPixelShaderConstant(DWORD reg, const void* data, DWORD count) {
    if (!data || reg >= kMaxPixelShaderConstants || count > kMaxPixelShaderConstants - reg)
        return D3DERR_INVALIDCALL;
    // Scenes set the same constants every frame; unchanged values are not uploaded again.
    const size_t bytes = 16 * static_cast<size_t>(count);
    if (std::memcmp(state_.psConstants[reg].data(), data, bytes) == 0) return D3D_OK;
    std::memcpy(state_.psConstants[reg].data(), data, bytes);
    markDirty(kDirtyPsConstants);
    return D3D_OK;
}

HRESULT StateDevice::GetPixelShaderConstant(DWORD reg, void* data, DWORD count) {
    if (!data || reg >= kMaxPixelShaderConstants || count > kMaxPixelShaderConstants - reg)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, state_.psConstants[reg].data(), 16 * static_cast<size_t>(count));
    return D3D_OK;
}

// ------------------------------------------------------------------ drawing

HRESULT StateDevice::SetStreamSource(UINT stream, VertexBuffer* buffer, UINT stride) {
    if (stream >= kMaxStreams) return D3DERR_INVALIDCALL;
    StreamSource& s = state_.streams[stream];
    if (s.buffer != buffer || s.stride != stride) {
        s.buffer = buffer;
        s.stride = stride;
        markDirty(kDirtyStreams);
    }
    return D3D_OK;
}

HRESULT StateDevice::SetIndices(IndexBuffer* indices, UINT baseVertexIndex) {
    if (state_.indices != indices || state_.baseVertexIndex != baseVertexIndex) {
        state_.indices = indices;
        state_.baseVertexIndex = baseVertexIndex;
        markDirty(kDirtyIndices);
    }
    return D3D_OK;
}

UINT StateDevice::VertexCountFor(D3DPRIMITIVETYPE type, UINT n) {
    switch (type) {
        case D3DPT_POINTLIST:
            return n;
        case D3DPT_LINELIST:
            return 2 * n;
        case D3DPT_LINESTRIP:
            return n == 0 ? 0 : n + 1;
        case D3DPT_TRIANGLELIST:
            return 3 * n;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return n == 0 ? 0 : n + 2;
    }
    return 0;
}

HRESULT StateDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    if (VertexCountFor(type, primitiveCount) == 0 && primitiveCount != 0) return D3DERR_INVALIDCALL;
    ++drawCalls_;
    if (primitiveCount == 0) return D3D_OK;
    return OnDrawPrimitive(type, startVertex, primitiveCount);
}

HRESULT StateDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                          UINT startIndex, UINT primitiveCount) {
    if (VertexCountFor(type, primitiveCount) == 0 && primitiveCount != 0) return D3DERR_INVALIDCALL;
    ++drawCalls_;
    if (primitiveCount == 0) return D3D_OK;
    if (!state_.indices) return D3DERR_INVALIDCALL;
    return OnDrawIndexedPrimitive(type, minIndex, numVertices, startIndex, primitiveCount);
}

// ------------------------------------------------------------------ state blocks

DeviceState* StateDevice::stateBlock(DWORD token) {
    if (token == 0 || token > stateBlocks_.size()) return nullptr;
    return stateBlocks_[token - 1].get();
}

HRESULT StateDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) {
    if (!token || type != D3DSBT_ALL) return D3DERR_INVALIDCALL;
    // The slot of a deleted block is taken again, so making and deleting blocks runs on.
    auto free = std::find(stateBlocks_.begin(), stateBlocks_.end(), nullptr);
    if (free == stateBlocks_.end()) free = stateBlocks_.insert(free, nullptr);
    *free = std::make_unique<DeviceState>(state_);
    *token = static_cast<DWORD>(free - stateBlocks_.begin() + 1);
    return D3D_OK;
}

HRESULT StateDevice::ApplyStateBlock(DWORD token) {
    const DeviceState* block = stateBlock(token);
    if (!block) return D3DERR_INVALIDCALL;
    // Everything but the targets and the scene bracket, which a block does not hold.
    Surface* const renderTarget = state_.renderTarget;
    Surface* const depthStencil = state_.depthStencil;
    const bool inScene = state_.inScene;
    state_ = *block;
    state_.renderTarget = renderTarget;
    state_.depthStencil = depthStencil;
    state_.inScene = inScene;
    // The block's viewport goes with the target it was captured on; one that does not fit the
    // target in place now falls back to the whole target, as a target change would leave it.
    const D3DVIEWPORT8& v = state_.viewport;
    if (renderTarget && (uint64_t{v.X} + v.Width > renderTarget->width() ||
                         uint64_t{v.Y} + v.Height > renderTarget->height()))
        state_.viewport = WholeOf(*renderTarget);
    markDirty(kDirtyAll & ~kDirtyRenderTarget);
    return D3D_OK;
}

HRESULT StateDevice::CaptureStateBlock(DWORD token) {
    DeviceState* block = stateBlock(token);
    if (!block) return D3DERR_INVALIDCALL;
    *block = state_;
    return D3D_OK;
}

HRESULT StateDevice::DeleteStateBlock(DWORD token) {
    if (!stateBlock(token)) return D3DERR_INVALIDCALL;
    stateBlocks_[token - 1].reset();
    return D3D_OK;
}

HRESULT StateDevice::CopyRects(Surface* source, const RECT* sourceRects, UINT count,
                               Surface* destination, const POINT* destinationPoints) {
    if (!source || !destination || source->format() != destination->format())
        return D3DERR_INVALIDCALL;
    if ((sourceRects == nullptr) != (destinationPoints == nullptr) || (sourceRects && count == 0))
        return D3DERR_INVALIDCALL;
    // Memory to memory here, render target to render target in the back end.
    if (source->lockable() != destination->lockable()) return D3DERR_INVALIDCALL;
    std::vector<SurfaceCopy> copies;
    if (!sourceRects) {
        copies.push_back(
            {RECT{0, 0, static_cast<INT>(source->width()), static_cast<INT>(source->height())},
             POINT{0, 0}});
    } else {
        for (UINT i = 0; i < count; ++i) copies.push_back({sourceRects[i], destinationPoints[i]});
    }
    const auto inside = [](INT a, INT b, UINT limit) {
        return a >= 0 && b > a && b <= static_cast<INT>(limit);
    };
    for (const SurfaceCopy& c : copies) {
        const INT w = c.from.right - c.from.left, h = c.from.bottom - c.from.top;
        if (!inside(c.from.left, c.from.right, source->width()) ||
            !inside(c.from.top, c.from.bottom, source->height()) ||
            !inside(c.to.x, c.to.x + w, destination->width()) ||
            !inside(c.to.y, c.to.y + h, destination->height()))
            return D3DERR_INVALIDCALL;
    }
    if (!source->lockable()) return OnCopyRects(*source, *destination, copies);
    const std::vector<uint8_t>& from = source->mutableBits();
    std::vector<uint8_t>& to = destination->mutableBits();
    const size_t texel = FormatBytesPerPixel(source->format());
    const auto at = [texel](const Surface& s, INT x, INT y) {
        return static_cast<size_t>(y) * static_cast<size_t>(s.pitch()) +
               static_cast<size_t>(x) * texel;
    };
    for (const SurfaceCopy& c : copies) {
        const size_t bytes = static_cast<size_t>(c.from.right - c.from.left) * texel;
        for (INT y = c.from.top; y < c.from.bottom; ++y)
            std::memcpy(to.data() + at(*destination, c.to.x, c.to.y + y - c.from.top),
                        from.data() + at(*source, c.from.left, y), bytes);
    }
    destination->markChanged();
    return D3D_OK;
}

HRESULT StateDevice::ReadPixels(Surface* surface, std::vector<uint32_t>& argb) {
    if (!surface) return D3DERR_INVALIDCALL;
    const UINT w = surface->width(), h = surface->height();
    argb.assign(static_cast<size_t>(w) * h, 0xFF000000u);
    const auto& bits = surface->bits();
    if (bits.empty()) return D3D_OK;  // nothing drawn into memory: black
    if (surface->format() != D3DFMT_A8R8G8B8 && surface->format() != D3DFMT_X8R8G8B8)
        return D3DERR_INVALIDCALL;
    for (UINT y = 0; y < h; ++y) {
        const uint8_t* row = bits.data() + static_cast<size_t>(y) * surface->pitch();
        for (UINT x = 0; x < w; ++x) {
            uint32_t v;
            std::memcpy(&v, row + 4 * x, 4);
            if (surface->format() == D3DFMT_X8R8G8B8) v |= 0xFF000000u;
            argb[static_cast<size_t>(y) * w + x] = v;
        }
    }
    return D3D_OK;
}

}  // namespace gfx
