// The RenderDevice on OpenGL 3.3 core.
//
// All state lives in the StateDevice base; each draw reads it, consuming the dirty bits, and
// brings GL in line: render target, vertex input, textures and samplers, the program for the
// current vertex and pixel stages, the shared uniform blocks and the fixed GL states. Nothing
// is sent twice: resources upload when their content version moves, programs are linked once
// per pair of stages, uniform blocks upload when their bytes change.
//
// Conventions (one place each):
//  - orientation: row 0 of every surface is the top of the picture, for uploaded pictures,
//    render-target textures and the back buffer alike, so a render target sampled later
//    looks like the back buffer (GlslBuilder.h flips y; Present flips once more into the
//    window);
//  - culling: D3DCULL_CW culls what the original saw clockwise on screen (StateApply.cpp);
//  - screen-space (XYZRHW) vertices: x, y are GL window coordinates, pixel centres at +0.5.
//    The half-pixel offset of the original rasterisation is not emulated for triangles and
//    lines: a full-screen quad (0, 0)-(W, H) with u, v 0..1 under POINT filtering copies a
//    texture pixel for pixel, a quad 256 x 256 at the top-left covers exactly those pixels,
//    and linear filtering of such copies does not blur by half a texel. Points follow the
//    original's pixel centres (GlslBuilder.h);
//  - viewports: GL's viewport and depth range are the D3D8 viewport's (rows count from the
//    top in both); screen-space vertices keep their positions and depths, and a viewport
//    smaller than the target also scissors, so wide points stay inside it;
//  - the back buffer is an offscreen RGBA8 colour texture plus the device's one D24S8
//    depth-stencil renderbuffer, shared by every render target; the renderbuffer grows to
//    the largest render-target texture, so targets larger than the display still get depth.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gfx/StateDevice.h"
#include "gfx/gl/Device.h"
#include "gfx/gl/GlResources.h"
#include "gfx/gl/ProgramCache.h"
#include "gfx/gl/StateApply.h"
#include "gfx/gl/VertexInput.h"
#include "gfx/gl/context/GlContext.h"
#include "gfx/gl/ff/StateKey.h"
#include "gfx/gl/ff/VertexStageGen.h"
#include "gfx/shader/GlslBuilder.h"

struct SDL_Window;

namespace gfx::gl {

class GlRenderDevice final : public Device {
  public:
    GlRenderDevice(std::unique_ptr<GlContext> context, const DeviceParams& params,
                   const DeviceOptions& options);
    ~GlRenderDevice() override;
    GlRenderDevice(const GlRenderDevice&) = delete;
    GlRenderDevice& operator=(const GlRenderDevice&) = delete;

    // Checks the GL version and creates the device's own objects. False with a reason.
    bool initialize(std::string* error);

    void setDiscardDraws(bool discard) override { discard_ = discard; }
    bool discardDraws() const override { return discard_; }
    void setDrawnWhileDiscarding(std::vector<const Surface*> targets) override {
        drawnWhileDiscarding_ = std::move(targets);
    }
    DeviceStats stats() const override;
    void setTiming(bool on) override { timing_ = on; }
    std::string description() const override;
    void makeCurrent() override;
    void finish() override;

    void setWindowOverlay(WindowOverlay draw) override { windowOverlay_ = std::move(draw); }

    HRESULT GetDeviceCaps(DeviceCaps* caps) override;
    // Values asking for something not drawn here are reported once; the state is kept.
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, Texture** texture) override;
    // Render-target surfaces (the back buffer, render-target texture levels) are read from
    // GL; other surfaces from their system copy.
    HRESULT ReadPixels(Surface* surface, std::vector<uint32_t>& argb) override;
    // Makes the context current and binds render target `surface` (the back buffer, a
    // render-target texture level) as GL's read framebuffer, for read-backs outside the
    // device (FrameReadback.h). False for any other surface.
    bool bindForReading(Surface* surface);

  protected:
    HRESULT OnDrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) override;
    HRESULT OnDrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                   UINT startIndex, UINT count) override;
    HRESULT OnClear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                    DWORD stencil) override;
    HRESULT OnPresent() override;
    HRESULT OnCopyRects(Surface& source, Surface& destination,
                        const std::vector<SurfaceCopy>& copies) override;
    HRESULT OnCreateVertexShader(VertexShaderObject& shader,
                                 const shader::Program* program) override;
    HRESULT OnCreatePixelShader(PixelShaderObject& shader, const shader::Program& program) override;
    bool DepthStencilFits(const Surface& depthStencil, const Surface& color) const override;

  private:
    // Stage N: its 2D texture on unit N, its cube texture on unit CubeUnit(N), one sampler
    // object on both.
    struct Unit {
        GLuint texture2D = 0, textureCube = 0, sampler = 0;
    };

    void ensureCurrent();
    // Whether draws and clears into the current render target are skipped.
    bool discarding() const;
    bool prepareDraw(D3DPRIMITIVETYPE type);
    bool resolveLayout();
    void bindTarget();
    GlTarget* targetFor(Surface& surface);
    void growDepth(UINT width, UINT height);
    void syncTextures(uint32_t dirty);
    void activeUnit(unsigned unit);
    bool selectProgram(uint32_t dirty, D3DPRIMITIVETYPE type);
    void updateUniforms(uint32_t dirty, D3DPRIMITIVETYPE type);
    void updateFixed(uint32_t dirty);
    void upload(GLuint buffer, const void* data, size_t bytes);

    std::unique_ptr<GlContext> context_;
    DeviceOptions options_;
    bool discard_ = false;
    std::vector<const Surface*> drawnWhileDiscarding_;
    bool timing_ = false;
    bool initialized_ = false;
    std::string renderer_;
    float maxPointSize_ = 64.0f;
    GLint maxTextureSize_ = 2048;

    // Render target as bound in GL.
    Surface* boundColor_ = nullptr;
    Surface* boundDepth_ = nullptr;
    bool targetHasAlpha_ = false;
    UINT boundColorSize_[2] = {0, 0};
    GLuint depthBuffer_ = 0;
    UINT depthWidth_ = 0, depthHeight_ = 0;

    // Vertex input.
    std::map<DWORD, VertexLayout> fvfLayouts_;
    const VertexLayout* layout_ = nullptr;
    const VertexShaderObject* vertexProgram_ = nullptr;  // null: fixed-function vertex stage
    VertexInput vertexInput_;

    // Textures and samplers.
    std::array<Unit, D3D_MAX_TEXTURE_STAGES> units_{};
    std::array<GLuint, D3D_MAX_TEXTURE_STAGES> stageSamplers_{};
    std::array<GLuint, D3D_MAX_TEXTURE_STAGES> oneLevelSamplers_{};
    unsigned activeUnit_ = ~0u;
    SamplerCache samplers_;

    // Programs.
    ProgramCache programs_;
    ff::VertexKey vertexKey_;
    ff::PixelKey pixelKey_;
    PixelProgram* pixelProgram_ = nullptr;  // the pixel program of pixelStage_, if any
    shader::PixelVariant pixelVariant_;     // and its variant
    const CompiledShader* vertexStage_ = nullptr;
    const CompiledShader* pixelStage_ = nullptr;
    uint32_t linkedVertex_ = 0, linkedPixel_ = 0;
    GLuint program_ = 0;
    GLuint boundProgram_ = 0;

    // Uniform blocks: GL buffers and the bytes they hold.
    GLuint vsConstantsBuffer_ = 0, psConstantsBuffer_ = 0, commonBuffer_ = 0, fixedBuffer_ = 0;
    shader::CommonBlock common_{};
    ff::FixedBlock fixed_{};
    bool commonValid_ = false, fixedValid_ = false, fixedStale_ = true;

    GlStateCache glState_;
    DeviceStats stats_;
    WindowOverlay windowOverlay_;
};

}  // namespace gfx::gl
