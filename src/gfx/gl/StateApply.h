// Render states that map onto fixed GL state: blending, depth, stencil, culling, colour
// writes, fill mode, clip-plane enables; and texture sampling states as sampler objects.
// A shadow of what GL holds keeps every call away unless the value really changes.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <map>
#include <utility>

#include "gfx/StateDevice.h"

namespace gfx::gl {

// What the draw target and primitive add to the render states.
struct DrawContext {
    bool targetHasAlpha = false;  // X8R8G8B8 targets keep alpha at 1: alpha writes are masked
    bool pretransformed = false;  // no user clip planes; depth as given (range 0..1), clamped
    bool hasDepth = true;
    UINT targetWidth = 0, targetHeight = 0;  // a smaller viewport scissors too
};

class GlStateCache {
  public:
    // Applies the render states (all of them after invalidate()).
    void apply(const DeviceState& state, const DrawContext& ctx);
    // Forget what GL holds; the next apply writes all states.
    void invalidate() { valid_ = false; }

    // Opens every write mask for Clear and remembers that it did.
    void prepareClear();
    // The scissor was changed outside apply().
    void forgetScissor() { scissorValid_ = false; }

  private:
    bool valid_ = false;
    bool blend_ = false;
    GLenum blendSrc_ = 0, blendDst_ = 0, blendOp_ = 0;
    bool depthTest_ = false, depthWrite_ = false;
    GLenum depthFunc_ = 0;
    bool stencil_ = false;
    GLenum stencilFunc_ = 0;
    GLint stencilRef_ = 0;
    GLuint stencilMask_ = 0, stencilWriteMask_ = 0;
    GLenum stencilFail_ = 0, stencilZFail_ = 0, stencilPass_ = 0;
    bool cull_ = false;
    GLenum cullFace_ = 0;
    uint32_t colorMask_ = 0;
    GLenum polygonMode_ = 0;
    uint32_t clipMask_ = 0;
    bool depthClamp_ = false;
    D3DVIEWPORT8 viewport_{};
    float depthNear_ = 0.0f, depthFar_ = 1.0f;
    bool scissorValid_ = false, scissor_ = false;
    D3DVIEWPORT8 scissorRect_{};
};

// Sampler objects by sampling state, shared by all stages.
class SamplerCache {
  public:
    ~SamplerCache();
    void destroy();
    // Sampler for a stage's states (addressing, filters, border colour, LOD settings). For a
    // texture of one level the mip filter changes nothing, and `oneLevel` leaves it out:
    // software rasterisers then skip the per-pixel level of detail where min and mag agree.
    GLuint get(const std::array<DWORD, D3DTSS_COUNT>& stage, bool oneLevel = false);
    size_t size() const { return samplers_.size(); }

  private:
    std::map<std::pair<uint64_t, DWORD>, GLuint> samplers_;
};

// The name of a state whose value asks for something this back end does not draw (texture
// wrapping across seams, vertex blending, depth bias, line patterns, patches), or null when
// the value is drawn as asked or changes nothing.
const char* UnemulatedRenderState(D3DRENDERSTATETYPE state, DWORD value);
const char* UnemulatedStageState(D3DTEXTURESTAGESTATETYPE type, DWORD value);

// Exposed for tests.
GLenum GlCompare(DWORD d3dCmp);
GLenum GlStencilOp(DWORD d3dOp);
GLenum GlBlendFactor(DWORD d3dBlend);

}  // namespace gfx::gl
