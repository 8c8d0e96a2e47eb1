// Test double: a StateDevice that records every device call with its arguments.
//
// Each call is kept as a name, its arguments formatted as text and, for calls that pass
// arrays (matrices, constants, lights, materials, clip planes), the numbers themselves.
// Text forms, used by tests to compare sequences:
//   SetRenderState(D3DRS_CULLMODE, 2)          values in decimal;
//   SetRenderState(D3DRS_AMBIENT, 0xFF505050)  colour states in hexadecimal;
//   SetRenderState(D3DRS_FOGDENSITY, 0.0025)   float states as the float (%g);
//   SetTextureStageState(0, D3DTSS_MAGFILTER, 2)
//   SetTexture(1, tex#7)                       resources as kind#serial, null as "null";
//   SetVertexShaderConstant(2, 4)              register and count (numbers in `floats`);
//   SetTransform(D3DTS_VIEW)                   matrix in `floats` (16, row by row);
//   SetViewport(0, 0, 256, 256)                MinZ, MaxZ in `floats`;
//   DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 24, 0, 12)
//   CreateTexture(256, 256, 1, 0x1, D3DFMT_X8R8G8B8, 0) -> tex#5
//   SetVertexShader(0x112) / SetVertexShader(vs#1) / SetPixelShader(ps#2) / SetPixelShader(0)
// The device keeps the full state, so tests can also query it with the Get* calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gfx/StateDevice.h"

namespace gfx {

struct RecordedCall {
    std::string name;
    std::vector<std::string> args;
    std::vector<float> floats;
    std::string result;  // "tex#5" for creations, empty otherwise

    std::string str() const;
};

const char* RenderStateName(D3DRENDERSTATETYPE state);
const char* TextureStageStateName(D3DTEXTURESTAGESTATETYPE type);
const char* PrimitiveTypeName(D3DPRIMITIVETYPE type);
const char* TransformName(D3DTRANSFORMSTATETYPE type);
// "tex#3", "cube#4", "vb#5", "ib#6", "surf#2", or "null".
std::string ResourceName(const Resource* resource);
// The text a render state value is recorded with (decimal, hex colour or float).
std::string RenderStateValueText(D3DRENDERSTATETYPE state, DWORD value);
std::string TextureStageValueText(D3DTEXTURESTAGESTATETYPE type, DWORD value);

class RecordingDevice : public StateDevice {
  public:
    explicit RecordingDevice(const DeviceParams& params = DeviceParams{});

    const std::vector<RecordedCall>& calls() const { return calls_; }
    std::vector<std::string> callStrings() const;
    // The calls with the given name, in order.
    std::vector<RecordedCall> callsNamed(std::string_view name) const;
    // Index of the first call at or after `from` whose text equals `text`, or -1.
    int find(std::string_view text, size_t from = 0) const;
    void clearCalls() { calls_.clear(); }
    void setRecording(bool on) { recording_ = on; }

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, void* destWindow,
                    const void* dirtyRegion) override;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, Texture** texture) override;
    HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              CubeTexture** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               VertexBuffer** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IndexBuffer** buffer) override;

    HRESULT GetRenderTarget(Surface** surface) override;
    HRESULT GetDepthStencilSurface(Surface** surface) override;
    HRESULT SetRenderTarget(Surface* color, Surface* depthStencil) override;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetClipPlane(DWORD index, const float* plane) override;

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetTexture(DWORD stage, BaseTexture* texture) override;

    HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, UINT functionBytes,
                               DWORD* handle, DWORD usage) override;
    HRESULT CreatePixelShader(const DWORD* function, UINT functionBytes, DWORD* handle) override;
    HRESULT SetVertexShader(DWORD handleOrFvf) override;
    HRESULT SetPixelShader(DWORD handle) override;
    HRESULT SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) override;
    HRESULT SetPixelShaderConstant(DWORD reg, const void* data, DWORD count) override;

    HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT stride) override;
    HRESULT SetIndices(IndexBuffer* indices, UINT baseVertexIndex) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount) override;

    // Recorded as CreateStateBlock(1) -> sb#1, ApplyStateBlock(sb#1) and so on.
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    // CopyRects(surf#1, surf#2, 1), the rectangle count 0 for a whole-surface copy.
    HRESULT CopyRects(Surface* source, const RECT* sourceRects, UINT count, Surface* destination,
                      const POINT* destinationPoints) override;

    // "vs#N" / "ps#N" / FVF in hex for shader selections.
    std::string VertexShaderName(DWORD handleOrFvf) const;
    static std::string PixelShaderName(DWORD handle);

  private:
    RecordedCall& record(std::string name, std::vector<std::string> args = {});

    std::vector<RecordedCall> calls_;
    bool recording_ = true;
};

}  // namespace gfx
