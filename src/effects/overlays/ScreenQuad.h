// The full-screen quads: one textured rectangle in screen pixels drawn through a small pixel
// program whose strength comes from an alpha value 0..255. The picture quad ("logo.pso")
// draws whatever texture the caller bound to stage 0, over the whole screen or over a
// rectangle at the top-left corner; the fade quad ("fade.pso") draws a white of that
// strength with no texture of its own. Callers choose the blend states and bind the texture.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/RenderDevice.h"

namespace effects {

// Vertex of every screen-space overlay: D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(ScreenVertex) == 28);
constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(kScreenVertexFvf == 0x144);
constexpr UINT kScreenQuadBytes = 4 * sizeof(ScreenVertex);

// The pixel constant c0 for a strength 0..255: alpha ÷ 255 in all four components, the
// alpha taken as an unsigned 32-bit number (so a value above 255 gives more than 1, which
// the pixel stage limits to full strength).
void StrengthConstant(int32_t alpha, float c0[4]);

// The display size: the back buffer's width and height (0 without a device).
void DisplaySize(float& width, float& height);

class ScreenQuad {
  public:
    virtual ~ScreenQuad() = default;

    // Writes the full-screen buffer once, creates the pixel program from the pack entry and,
    // with `withSizedBuffer` (the picture quad), the buffer of sized draws. False when there
    // is no device or a buffer cannot be made; draws then do nothing.
    bool Create(const std::string& programName, bool withSizedBuffer);

    // The bound stage-0 texture over the whole screen (picture quad).
    void DrawFull();
    // The bound stage-0 texture over width x height pixels at the top-left corner.
    void DrawSized(int width, int height);
    // The whole screen, without touching addressing or lighting (fade quad).
    void DrawFade();

    int32_t alpha = 0;  // strength of the next draw, 0..255 in normal use
    DWORD pixelProgram = 0;
    IDirect3DVertexBuffer8* fullVertexBuffer = nullptr;
    IDirect3DVertexBuffer8* sizedVertexBuffer = nullptr;
};

// The two instances, created by the load routine: fade quad first, then picture quad.
extern ScreenQuad pictureQuad;
extern ScreenQuad fadeQuad;

}  // namespace effects
