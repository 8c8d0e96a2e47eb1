#include "effects/objects/RenderTarget.h"

#include <cmath>

#include "gfx/GlobalDevice.h"

namespace effects {

namespace {

// Sizes the device can hold; anything else (negative, not a number) is refused up front
// rather than converted with undefined results.
bool ValidSize(float v) { return std::isfinite(v) && v >= 1.0f && v <= 16384.0f; }

}  // namespace

bool RenderTargetRecord::create() {
    if (!RenderDevice || !ValidSize(width) || !ValidSize(height)) return false;
    texture = nullptr;
    if (FAILED(RenderDevice->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), 1,
                                           D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                           &texture)) ||
        !texture) {
        texture = nullptr;
        return false;
    }
    RenderDevice->GetRenderTarget(&savedColour);
    RenderDevice->GetDepthStencilSurface(&savedDepth);
    texture->GetSurfaceLevel(0, &targetSurface);
    RenderDevice->SetRenderTarget(targetSurface, savedDepth);
    clearTarget();
    RenderDevice->SetRenderTarget(savedColour, savedDepth);
    return true;
}

void RenderTargetRecord::clearTarget() {
    RenderDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
}

void RenderTargetRecord::reset() {
    if (!created()) return;
    IDirect3DSurface8* colour = nullptr;
    IDirect3DSurface8* depth = nullptr;
    RenderDevice->GetRenderTarget(&colour);
    RenderDevice->GetDepthStencilSurface(&depth);
    RenderDevice->SetRenderTarget(targetSurface, savedDepth);
    clearTarget();
    RenderDevice->SetRenderTarget(colour, depth);
}

void RenderTarget::begin(int clear) {
    if (!created()) return;
    RenderDevice->SetRenderTarget(targetSurface, savedDepth);
    if (clear) clearTarget();
    active = 1;
}

void RenderTarget::end() {
    if (!created()) return;
    RenderDevice->SetRenderTarget(savedColour, savedDepth);
}

void NestedRenderTarget::begin(int clear) {
    if (!created()) return;
    if (active == 0) RenderDevice->GetRenderTarget(&savedColour);
    active = 1;
    RenderDevice->SetRenderTarget(targetSurface, savedDepth);
    if (clear) clearTarget();
}

void NestedRenderTarget::end() {
    if (!created()) return;
    RenderDevice->SetRenderTarget(savedColour, savedDepth);
    active = 0;
}

}  // namespace effects
