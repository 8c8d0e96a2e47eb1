// A RenderDevice that keeps every state and resource in memory and draws nothing.
//
// It is the common base of the OpenGL back end (which reads the state at each draw) and of
// the RecordingDevice test double, and on its own it is the device that discards drawing
// (used when frames must run their logic without being rendered).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "gfx/RenderDevice.h"
#include "gfx/VertexLayout.h"

namespace gfx::shader {
struct Program;
}

namespace gfx {

constexpr UINT kMaxVertexShaderConstants = 96;
static_assert(kMaxVertexShaderConstants == kDeclarationConstants);
constexpr UINT kMaxPixelShaderConstants = 8;
constexpr UINT kMaxStreams = 16;

struct StreamSource {
    VertexBuffer* buffer = nullptr;
    UINT stride = 0;
};

struct LightSlot {
    D3DLIGHT8 light{};
    bool set = false;
    bool enabled = false;
};

// Dirty bits a back end can consume to skip work for unchanged state.
enum DirtyBits : uint32_t {
    kDirtyRenderState = 1u << 0,
    kDirtyStageState = 1u << 1,
    kDirtyTextures = 1u << 2,
    kDirtyTransforms = 1u << 3,
    kDirtyLights = 1u << 4,
    kDirtyMaterial = 1u << 5,
    kDirtyClipPlanes = 1u << 6,
    kDirtyVertexShader = 1u << 7,
    kDirtyPixelShader = 1u << 8,
    kDirtyVsConstants = 1u << 9,
    kDirtyPsConstants = 1u << 10,
    kDirtyStreams = 1u << 11,
    kDirtyIndices = 1u << 12,
    kDirtyRenderTarget = 1u << 13,
    kDirtyViewport = 1u << 14,
    kDirtyAll = 0xFFFFFFFFu,
};

struct DeviceState {
    std::array<DWORD, D3DRS_COUNT> renderStates{};
    std::array<std::array<DWORD, D3DTSS_COUNT>, D3D_MAX_TEXTURE_STAGES> stageStates{};
    std::array<BaseTexture*, D3D_MAX_TEXTURE_STAGES> textures{};
    D3DMATRIX world{}, view{}, projection{};
    std::array<D3DMATRIX, D3D_MAX_TEXTURE_STAGES> textureTransforms{};
    D3DMATERIAL8 material{};
    std::vector<LightSlot> lights;  // grows to the highest index ever set
    std::array<std::array<float, 4>, D3DMAXUSERCLIPPLANES> clipPlanes{};
    DWORD vertexShader = 0;  // handle (bit 0 set) or FVF code
    DWORD pixelShader = 0;
    std::array<std::array<float, 4>, kMaxVertexShaderConstants> vsConstants{};
    std::array<std::array<float, 4>, kMaxPixelShaderConstants> psConstants{};
    std::array<StreamSource, kMaxStreams> streams{};
    IndexBuffer* indices = nullptr;
    UINT baseVertexIndex = 0;
    Surface* renderTarget = nullptr;
    Surface* depthStencil = nullptr;
    D3DVIEWPORT8 viewport{};  // inside renderTarget
    bool inScene = false;
};

// A creation that failed still gets a record and a handle, marked failed: the result is
// ignored by callers as it was by the original, and a draw with that handle then draws
// nothing instead of quietly taking another pipeline.
struct VertexShaderObject {
    std::vector<DWORD> declaration;
    std::vector<DWORD> function;  // empty: fixed-function processing through the declaration
    VertexLayout layout;
    std::unique_ptr<BackendObject> backend;
    bool failed = false;
};

struct PixelShaderObject {
    std::vector<DWORD> function;
    std::unique_ptr<BackendObject> backend;
    bool failed = false;
};

// Parameters the device is created with (the original's present parameters that matter).
struct DeviceParams {
    UINT width = 800;
    UINT height = 600;
    D3DFORMAT backBufferFormat = D3DFMT_X8R8G8B8;
    UINT backBufferCount = 1;
    bool hardwareVertexProcessing = true;
};

class StateDevice : public RenderDevice {
  public:
    explicit StateDevice(const DeviceParams& params);
    ~StateDevice() override;

    // The original runtime's power-on defaults (D3D8 documentation values).
    void ResetToApiDefaults();

    const DeviceState& state() const { return state_; }
    const DeviceParams& params() const { return params_; }
    uint32_t dirty() const { return dirty_; }
    void clearDirty(uint32_t bits = kDirtyAll) { dirty_ &= ~bits; }
    // The shader objects behind handles; null for an unknown handle or an FVF code.
    const VertexShaderObject* vertexShaderObject(DWORD handle) const;
    const PixelShaderObject* pixelShaderObject(DWORD handle) const;
    VertexShaderObject* vertexShaderObject(DWORD handle);
    PixelShaderObject* pixelShaderObject(DWORD handle);
    static bool IsShaderHandle(DWORD handleOrFvf) { return (handleOrFvf & 1u) != 0; }
    // Counters of the draws requested (whether or not a back end rendered them).
    uint64_t drawCallCount() const { return drawCalls_; }

    // ---- RenderDevice
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, void* destWindow,
                    const void* dirtyRegion) override;
    HRESULT GetDeviceCaps(DeviceCaps* caps) override;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, Texture** texture) override;
    HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              CubeTexture** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               VertexBuffer** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IndexBuffer** buffer) override;

    HRESULT GetBackBuffer(UINT index, Surface** surface) override;
    HRESULT GetRenderTarget(Surface** surface) override;
    HRESULT GetDepthStencilSurface(Surface** surface) override;
    HRESULT SetRenderTarget(Surface* color, Surface* depthStencil) override;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* viewport) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetClipPlane(DWORD index, const float* plane) override;
    HRESULT GetClipPlane(DWORD index, float* plane) override;

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, BaseTexture* texture) override;
    HRESULT GetTexture(DWORD stage, BaseTexture** texture) override;

    HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, UINT functionBytes,
                               DWORD* handle, DWORD usage) override;
    HRESULT CreatePixelShader(const DWORD* function, UINT functionBytes, DWORD* handle) override;
    HRESULT SetVertexShader(DWORD handleOrFvf) override;
    HRESULT GetVertexShader(DWORD* handleOrFvf) override;
    HRESULT SetPixelShader(DWORD handle) override;
    HRESULT GetPixelShader(DWORD* handle) override;
    HRESULT SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) override;
    HRESULT GetVertexShaderConstant(DWORD reg, void* data, DWORD count) override;
    HRESULT SetPixelShaderConstant(DWORD reg, const void* data, DWORD count) override;
    HRESULT GetPixelShaderConstant(DWORD reg, void* data, DWORD count) override;

    HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT stride) override;
    HRESULT SetIndices(IndexBuffer* indices, UINT baseVertexIndex) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount) override;

    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    HRESULT CopyRects(Surface* source, const RECT* sourceRects, UINT count, Surface* destination,
                      const POINT* destinationPoints) override;

    HRESULT ReadPixels(Surface* surface, std::vector<uint32_t>& argb) override;

    // Number of vertices a primitive count needs, 0 for an unknown type.
    static UINT VertexCountFor(D3DPRIMITIVETYPE type, UINT primitiveCount);

  protected:
    // Back ends draw here; the base has validated the call and counted it.
    virtual HRESULT OnDrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) { return D3D_OK; }
    virtual HRESULT OnDrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) {
        return D3D_OK;
    }
    // Gets at least one rectangle, each inside the viewport and not empty.
    virtual HRESULT OnClear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) { return D3D_OK; }
    virtual HRESULT OnPresent() { return D3D_OK; }
    // One rectangle of a checked CopyRects: source rectangle, destination corner.
    struct SurfaceCopy {
        RECT from;
        POINT to;
    };
    // Back ends copy here what has no memory to copy (render targets).
    virtual HRESULT OnCopyRects(Surface&, Surface&, const std::vector<SurfaceCopy>&) {
        return D3D_OK;
    }
    // Called after a shader object is created and its tokens decoded and checked (`program`
    // is null for a declaration without a function); a back end translates it here and may
    // refuse it (the creation then fails).
    virtual HRESULT OnCreateVertexShader(VertexShaderObject&, const shader::Program*) {
        return D3D_OK;
    }
    virtual HRESULT OnCreatePixelShader(PixelShaderObject&, const shader::Program&) {
        return D3D_OK;
    }
    // Whether SetRenderTarget may pair this depth-stencil surface with this colour target.
    // The original API wants the depth buffer at least as large as the target; a back end
    // whose depth buffer grows with the targets it serves may accept more.
    virtual bool DepthStencilFits(const Surface& depthStencil, const Surface& color) const {
        return depthStencil.width() >= color.width() && depthStencil.height() >= color.height();
    }
    // Drops every back-end object hung on resources and shader objects; back ends call it
    // while their context is still current, before the resources themselves go.
    void releaseBackendObjects();

    void markDirty(uint32_t bits) { dirty_ |= bits; }
    template <typename T>
    T* keep(std::unique_ptr<T> resource) {
        T* raw = resource.get();
        raw->setSerial(++resourceSerial_);
        resources_.push_back(std::move(resource));
        return raw;
    }

    Surface* backBuffer_ = nullptr;
    Surface* depthSurface_ = nullptr;
    DeviceState state_;

  private:
    // The block behind a token (token = index + 1), or null once deleted or never made.
    DeviceState* stateBlock(DWORD token);

    DeviceParams params_;
    uint32_t dirty_ = kDirtyAll;
    uint64_t drawCalls_ = 0;
    uint32_t resourceSerial_ = 0;
    std::vector<std::unique_ptr<Resource>> resources_;
    std::vector<std::unique_ptr<VertexShaderObject>> vertexShaders_;  // handle = (i + 1) * 2 + 1
    std::vector<std::unique_ptr<PixelShaderObject>> pixelShaders_;    // handle = i + 1
    std::vector<std::unique_ptr<DeviceState>> stateBlocks_;           // token = i + 1
};

// Reads 16 floats from a D3DMATRIX identity.
D3DMATRIX IdentityMatrix();

}  // namespace gfx
