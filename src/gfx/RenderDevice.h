// The one rendering device, shaped like the Direct3D 8 device the engine was written for.
//
// Names, argument order and numeric values follow the original API so that code above gfx/
// reads as it did. Every state keeps its value until it is set again, across draws and frames.
// Implementations: StateDevice (all state and resources in memory, draws nothing), the
// RecordingDevice test double built on it, and the OpenGL back end in gfx/gl/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/Resources.h"
#include "gfx/d3d8types.h"

namespace gfx {

// What the setup dialog asks of the device's capabilities.
struct DeviceCaps {
    DWORD DevCaps = 0;  // non-zero when hardware transform and lighting is available
    UINT MaxTextureWidth = 0;
    UINT MaxTextureHeight = 0;
    DWORD VertexShaderVersion = 0;  // 0xFFFE0101 for vs.1.1
    DWORD PixelShaderVersion = 0;   // 0xFFFF0104 for ps.1.4
    UINT MaxVertexShaderConst = 0;
    // Range of ps.1.0-1.3 registers: [-1, 1], as on the hardware of the time (ps.1.4 programs
    // keep [-8, 8], which that version asks for).
    float MaxPixelShaderValue = 0.0f;
};

class RenderDevice {
  public:
    virtual ~RenderDevice() = default;

    // ---- frame
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // Clears the current render target (colour), the depth-stencil surface, or both.
    // count/rects select rectangles; 0/null clears the whole viewport.
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) = 0;
    // Shows the back buffer. The arguments are those of the original call (all null here).
    virtual HRESULT Present(const RECT* sourceRect = nullptr, const RECT* destRect = nullptr,
                            void* destWindow = nullptr, const void* dirtyRegion = nullptr) = 0;
    virtual HRESULT GetDeviceCaps(DeviceCaps* caps) = 0;

    // ---- resources (owned by the device; alive until the device is destroyed)
    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, Texture** texture) = 0;
    virtual HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                      D3DPOOL pool, CubeTexture** texture) = 0;
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       VertexBuffer** buffer) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IndexBuffer** buffer) = 0;

    // ---- render targets
    virtual HRESULT GetBackBuffer(UINT index, Surface** surface) = 0;
    virtual HRESULT GetRenderTarget(Surface** surface) = 0;
    virtual HRESULT GetDepthStencilSurface(Surface** surface) = 0;
    // A null colour surface keeps the current one; the depth surface may be null (no depth).
    virtual HRESULT SetRenderTarget(Surface* color, Surface* depthStencil) = 0;

    // Must lie inside the render target, with 0 <= MinZ, MaxZ <= 1. SetRenderTarget resets it
    // to the whole new target.
    virtual HRESULT SetViewport(const D3DVIEWPORT8* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT8* viewport) = 0;

    // ---- fixed-function transform and lighting
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL8* material) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL8* material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT8* light) = 0;
    // Fails (D3DERR_INVALIDCALL) for an index that never held a light.
    virtual HRESULT GetLight(DWORD index, D3DLIGHT8* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
    // Plane (a, b, c, d): points with a·x + b·y + c·z + d >= 0 are kept.
    virtual HRESULT SetClipPlane(DWORD index, const float* plane) = 0;
    virtual HRESULT GetClipPlane(DWORD index, float* plane) = 0;

    // ---- states
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD value) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD* value) = 0;
    virtual HRESULT SetTexture(DWORD stage, BaseTexture* texture) = 0;
    virtual HRESULT GetTexture(DWORD stage, BaseTexture** texture) = 0;

    // ---- programmable pipeline
    // `declaration` is a token list ending in D3DVSD_END(); `function` is a compiled vs.1.x
    // token stream of `functionBytes` bytes (null for a declaration-only fixed-function
    // shader). A malformed stream fails creation; the handle then stays 0.
    // Handles have bit 0 set, so SetVertexShader tells them from FVF codes.
    virtual HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function,
                                       UINT functionBytes, DWORD* handle, DWORD usage) = 0;
    virtual HRESULT CreatePixelShader(const DWORD* function, UINT functionBytes, DWORD* handle) = 0;
    // A handle from CreateVertexShader, or an FVF code for fixed-function processing.
    virtual HRESULT SetVertexShader(DWORD handleOrFvf) = 0;
    virtual HRESULT GetVertexShader(DWORD* handleOrFvf) = 0;
    // 0 returns to fixed-function pixel processing.
    virtual HRESULT SetPixelShader(DWORD handle) = 0;
    virtual HRESULT GetPixelShader(DWORD* handle) = 0;
    virtual HRESULT SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) = 0;
    virtual HRESULT GetVertexShaderConstant(DWORD reg, void* data, DWORD count) = 0;
    virtual HRESULT SetPixelShaderConstant(DWORD reg, const void* data, DWORD count) = 0;
    virtual HRESULT GetPixelShaderConstant(DWORD reg, void* data, DWORD count) = 0;

    // ---- drawing
    virtual HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT stride) = 0;
    virtual HRESULT SetIndices(IndexBuffer* indices, UINT baseVertexIndex) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                         UINT startIndex, UINT primitiveCount) = 0;

    // ---- state blocks and surface copies: what putting a run back where it was needs
    // A block of type D3DSBT_ALL holds every state a draw reads: render and texture stage
    // states, textures, transforms, lights and their enables, material, clip planes, both
    // shaders and their constants, streams and indices. As in the original, the render target
    // and depth-stencil surface are not part of it. Applying puts the device back as it was,
    // so a light first set after the capture is gone again. Creation captures the current
    // values; the token is never 0. The partial block types are not supported
    // (D3DERR_INVALIDCALL).
    virtual HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) = 0;
    // Sets every state the block holds.
    virtual HRESULT ApplyStateBlock(DWORD token) = 0;
    // Takes the current values of the block's states into it.
    virtual HRESULT CaptureStateBlock(DWORD token) = 0;
    virtual HRESULT DeleteStateBlock(DWORD token) = 0;
    // Copies `count` rectangles of `source` into `destination` of the same format, unscaled,
    // each to the matching point (rectangles and points both null: the whole source to the
    // top-left corner). Every rectangle must lie inside the source and land inside the
    // destination. The memory device copies surfaces that have memory; the GL back end copies
    // between render targets.
    virtual HRESULT CopyRects(Surface* source, const RECT* sourceRects, UINT count,
                              Surface* destination, const POINT* destinationPoints) = 0;

    // ---- additions of ours (not in the original API)
    // Reads a render-target surface (or any surface with a system copy) as 0xAARRGGBB
    // values, rows top to bottom. For formats without alpha the top byte is 0xFF.
    virtual HRESULT ReadPixels(Surface* surface, std::vector<uint32_t>& argb) = 0;
};

}  // namespace gfx

using IDirect3DDevice8 = gfx::RenderDevice;
