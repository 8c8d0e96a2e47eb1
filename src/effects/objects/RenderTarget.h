// Render-to-texture targets.
//
// A RenderTarget draws into its texture between begin and end and then returns to the
// colour buffer that was current when it was created (the back buffer). A
// NestedRenderTarget returns to whatever colour buffer was current when it was begun, so it
// can be used inside another target. Both keep the depth-stencil surface that was current at
// creation while drawing into the texture. They draw through the process-wide device.
#pragma once

#include <cstdint>

#include "gfx/RenderDevice.h"

namespace effects {

// The record and creation step both kinds share.
class RenderTargetRecord {
  public:
    virtual ~RenderTargetRecord() = default;

    // Creates the X8R8G8B8 render-target texture of width x height (truncated), captures the
    // current colour and depth-stencil surfaces and leaves the texture cleared to opaque
    // black with the render target as it was. Returns false (and leaves the target unusable,
    // begin and end doing nothing) when the device refuses the texture.
    bool create();
    bool created() const { return targetSurface != nullptr; }
    // Puts the texture back to what create leaves (opaque black, depth 1) and the render
    // target back to what it was: a run restored to an earlier point starts its kept targets
    // from there, as a run that never drew them does.
    void reset();

    uint8_t active = 0;
    float width = 256.0f;
    float height = 256.0f;
    IDirect3DTexture8* texture = nullptr;
    IDirect3DSurface8* targetSurface = nullptr;
    IDirect3DSurface8* savedColour = nullptr;
    IDirect3DSurface8* savedDepth = nullptr;

  protected:
    void clearTarget();
};

class RenderTarget : public RenderTargetRecord {
  public:
    // Makes the texture the render target, clearing colour and depth when `clear` is nonzero.
    void begin(int clear);
    // Returns to the colour buffer captured by create; `active` stays as it is.
    void end();
};

class NestedRenderTarget : public RenderTargetRecord {
  public:
    // Captures the current colour buffer unless already active, then makes the texture the
    // render target, clearing it when `clear` is nonzero.
    void begin(int clear);
    // Returns to the colour buffer captured by the first begin and becomes inactive.
    void end();
};

}  // namespace effects
