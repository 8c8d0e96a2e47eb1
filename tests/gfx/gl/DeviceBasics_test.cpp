// Clearing, reading back, screen-space rasterisation, orientation and the discard switch.
#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::GlDeviceTest;

class DeviceBasics : public GlDeviceTest {};

std::vector<uint32_t> Pattern(UINT w, UINT h) {
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            p[y * w + x] = 0xFF000000u | (x * 4) << 16 | (y * 4) << 8 | ((x * 7 + y * 13) & 0xFF);
    return p;
}

void PointFilters(gfx::RenderDevice& d) {
    d.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    d.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    d.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    d.SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d.SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
}

TEST_F(DeviceBasics, ClearFillsTheTargetAndRectanglesOnlyTheirPixels) {
    ASSERT_EQ(dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0), D3D_OK);
    for (uint32_t p : read()) ASSERT_EQ(p, 0xFF336699u);
    const D3DRECT rect{4, 2, 10, 5};
    ASSERT_EQ(dev().Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(pixel(4, 2), 0xFFFF0000u);
    EXPECT_EQ(pixel(9, 4), 0xFFFF0000u);
    EXPECT_EQ(pixel(10, 4), 0xFF336699u);
    EXPECT_EQ(pixel(9, 5), 0xFF336699u);
    EXPECT_EQ(pixel(3, 2), 0xFF336699u);
    // An X8R8G8B8 back buffer reads back opaque whatever alpha the clear asked for.
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0x00102030, 1.0f, 0);
    EXPECT_EQ(pixel(0, 0), 0xFF102030u);
}

TEST_F(DeviceBasics, ClearIgnoresWriteMasks) {
    dev().SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    EXPECT_EQ(pixel(7, 7), 0xFF00FF00u);
}

TEST_F(DeviceBasics, ScreenQuadCoversExactlyItsPixelsFromTheTopLeft) {
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawScreenQuad(0, 0, 16, 8, 0xFFFF0000);
    const auto img = read();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(img[y * 64 + x], x < 16 && y < 8 ? 0xFFFF0000u : 0xFF000000u)
                << "at " << x << ", " << y;
}

TEST_F(DeviceBasics, FullScreenPointFilteredQuadCopiesATexturePixelForPixel) {
    plainStates();
    const auto pattern = Pattern(64, 64);
    dev().SetTexture(0, texture(64, 64, pattern));
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    PointFilters(dev());
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(read(), pattern);
}

TEST_F(DeviceBasics, RenderTargetTexturesKeepTheBackBuffersOrientation) {
    gfx::Texture* rt = nullptr;
    ASSERT_EQ(dev().CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                  D3DPOOL_DEFAULT, &rt),
              D3D_OK);
    gfx::Surface *back = nullptr, *depth = nullptr, *target = nullptr;
    dev().GetRenderTarget(&back);
    dev().GetDepthStencilSurface(&depth);
    rt->GetSurfaceLevel(0, &target);
    ASSERT_EQ(dev().SetRenderTarget(target, depth), D3D_OK);
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    drawScreenQuad(0, 0, 8, 4, 0xFFFF0000);  // a red bar at the top left
    EXPECT_EQ(pixel(0, 0, target), 0xFFFF0000u);
    EXPECT_EQ(pixel(7, 3, target), 0xFFFF0000u);
    EXPECT_EQ(pixel(8, 3, target), 0xFF0000FFu);
    EXPECT_EQ(pixel(0, 63, target), 0xFF0000FFu);

    // Drawn on the back buffer through a full-screen quad, the texture lands the same way up.
    ASSERT_EQ(dev().SetRenderTarget(back, depth), D3D_OK);
    dev().SetTexture(0, rt);
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    PointFilters(dev());
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(read(), read(target));
    EXPECT_EQ(pixel(3, 1), 0xFFFF0000u);
    EXPECT_EQ(pixel(3, 60), 0xFF0000FFu);
}

// Copies between render targets go across unscaled and the same way up; the render target
// the device draws into afterwards is the one it had.
TEST_F(DeviceBasics, CopyRectsCopiesBetweenRenderTargets) {
    gfx::Texture *a = nullptr, *b = nullptr;
    for (gfx::Texture** t : {&a, &b})
        ASSERT_EQ(dev().CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                      D3DPOOL_DEFAULT, t),
                  D3D_OK);
    gfx::Surface *back = nullptr, *depth = nullptr;
    dev().GetRenderTarget(&back);
    dev().GetDepthStencilSurface(&depth);
    plainStates();
    ASSERT_EQ(dev().SetRenderTarget(a->level(0), depth), D3D_OK);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    drawScreenQuad(0, 0, 8, 4, 0xFFFF0000);
    ASSERT_EQ(dev().SetRenderTarget(b->level(0), depth), D3D_OK);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);

    ASSERT_EQ(dev().CopyRects(a->level(0), nullptr, 0, b->level(0), nullptr), D3D_OK);
    EXPECT_EQ(read(b->level(0)), read(a->level(0)));
    const RECT corner{0, 0, 4, 2};
    const POINT to{20, 30};
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    ASSERT_EQ(dev().CopyRects(a->level(0), &corner, 1, b->level(0), &to), D3D_OK);
    EXPECT_EQ(pixel(20, 30, b->level(0)), 0xFFFF0000u);
    EXPECT_EQ(pixel(23, 31, b->level(0)), 0xFFFF0000u);
    EXPECT_EQ(pixel(24, 31, b->level(0)), 0xFF00FF00u);
    EXPECT_EQ(pixel(20, 29, b->level(0)), 0xFF00FF00u);
    // Drawing goes on into the target that was current.
    drawScreenQuad(0, 0, 1, 1, 0xFFFFFFFF);
    EXPECT_EQ(pixel(0, 0, b->level(0)), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(0, 0, a->level(0)), 0xFFFF0000u);
    // Outside either surface, or to a picture of another kind: refused.
    const POINT past{30, 31};
    EXPECT_EQ(dev().CopyRects(a->level(0), &corner, 1, b->level(0), &past), D3DERR_INVALIDCALL);
    gfx::Texture* picture = texture(32, 32, std::vector<uint32_t>(32 * 32, 0xFF000000u));
    EXPECT_EQ(dev().CopyRects(picture->level(0), nullptr, 0, b->level(0), nullptr),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(dev().SetRenderTarget(back, depth), D3D_OK);
}

TEST_F(DeviceBasics, UploadedPicturesShowRowZeroAtTheTop) {
    plainStates();
    std::vector<uint32_t> img(4 * 4, 0xFF00FF00);
    for (int x = 0; x < 4; ++x) img[x] = 0xFFFF0000;  // row 0 red
    dev().SetTexture(0, texture(4, 4, img));
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    PointFilters(dev());
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(pixel(30, 2), 0xFFFF0000u);
    EXPECT_EQ(pixel(30, 40), 0xFF00FF00u);
}

TEST_F(DeviceBasics, DiscardSkipsDrawsAndClearsButKeepsStates) {
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0);
    dev().setDiscardDraws(true);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    drawScreenQuad(0, 0, 64, 64, 0xFFFF0000);
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF445566);
    EXPECT_EQ(dev().Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(pixel(10, 10), 0xFF112233u);
    DWORD tf = 0;
    dev().GetRenderState(D3DRS_TEXTUREFACTOR, &tf);
    EXPECT_EQ(tf, 0xFF445566u);
    EXPECT_EQ(dev().stats().draws, 0u);
    EXPECT_EQ(dev().stats().presents, 0u);
    dev().setDiscardDraws(false);
    drawScreenQuad(0, 0, 64, 64, 0xFFFF0000);
    EXPECT_EQ(pixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(dev().Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev().stats().presents, 1u);
}

// A seek brings the targets that keep their picture up to date without drawing the rest.
TEST_F(DeviceBasics, TargetsDrawnWhileDiscardingGetTheirDrawsAndClearsAlone) {
    plainStates();
    gfx::Texture* texture = nullptr;
    ASSERT_EQ(dev().CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                  D3DPOOL_DEFAULT, &texture),
              D3D_OK);
    gfx::Surface* kept = texture->level(0);
    gfx::Surface* back = nullptr;
    gfx::Surface* depth = nullptr;
    ASSERT_EQ(dev().GetBackBuffer(0, &back), D3D_OK);
    ASSERT_EQ(dev().GetDepthStencilSurface(&depth), D3D_OK);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0);
    dev().setDiscardDraws(true);
    dev().setDrawnWhileDiscarding({kept});
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    drawScreenQuad(0, 0, 64, 64, 0xFFFF0000);
    ASSERT_EQ(dev().SetRenderTarget(kept, depth), D3D_OK);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    drawScreenQuad(0, 0, 8, 16, 0xFF00FF00);
    EXPECT_EQ(pixel(2, 2, kept), 0xFF00FF00u);
    EXPECT_EQ(pixel(12, 2, kept), 0xFF0000FFu);
    ASSERT_EQ(dev().SetRenderTarget(back, depth), D3D_OK);
    drawScreenQuad(0, 0, 64, 64, 0xFFFF0000);
    EXPECT_EQ(dev().Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev().stats().draws, 1u);
    EXPECT_EQ(dev().stats().presents, 0u);
    // Emptied, the list leaves every draw discarded again.
    dev().setDrawnWhileDiscarding({});
    ASSERT_EQ(dev().SetRenderTarget(kept, depth), D3D_OK);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    EXPECT_EQ(pixel(12, 2, kept), 0xFF0000FFu);
    ASSERT_EQ(dev().SetRenderTarget(back, depth), D3D_OK);
    dev().setDiscardDraws(false);
    EXPECT_EQ(pixel(10, 10), 0xFF112233u);
}

TEST_F(DeviceBasics, DrawsThatWouldReadPastTheirBuffersAreRefused) {
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawScreenQuad(0, 0, 64, 64, 0xFFFF0000);
    // Four vertices in the buffer: a fan of three triangles needs five.
    EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 2, 2), D3DERR_INVALIDCALL);
    dev().SetIndices(indexBuffer({0, 1, 2, 0, 2, 9}), 0);
    EXPECT_EQ(dev().DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev().DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev().DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK);
    dev().SetIndices(indexBuffer({0, 1, 2}), 2);  // base 2 + index 2 = vertex 4: outside
    EXPECT_EQ(dev().DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev().stats().refusedDraws, 5u);
    EXPECT_EQ(dev().SetStreamSource(0, nullptr, 0), D3D_OK);
    EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3DERR_INVALIDCALL);
}

TEST_F(DeviceBasics, IndexedDrawsHonourTheBaseVertexIndex) {
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    using testsupport::ScreenVertex;
    // Two quads; indices address the second through the base vertex index.
    gfx::VertexBuffer* vb = vertexBuffer<ScreenVertex>({{0, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                                        {8, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                                        {8, 8, 0.5f, 1, 0xFFFF0000, 0, 0},
                                                        {0, 8, 0.5f, 1, 0xFFFF0000, 0, 0},
                                                        {32, 32, 0.5f, 1, 0xFF00FF00, 0, 0},
                                                        {40, 32, 0.5f, 1, 0xFF00FF00, 0, 0},
                                                        {40, 40, 0.5f, 1, 0xFF00FF00, 0, 0},
                                                        {32, 40, 0.5f, 1, 0xFF00FF00, 0, 0}});
    dev().SetVertexShader(0x144);
    dev().SetStreamSource(0, vb, sizeof(ScreenVertex));
    dev().SetIndices(indexBuffer({0, 1, 2, 0, 2, 3}), 4);
    ASSERT_EQ(dev().DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(pixel(35, 35), 0xFF00FF00u);
}

TEST_F(DeviceBasics, ValuesThatAreNotDrawnAreReportedOnceAndStillKept) {
    ::testing::internal::CaptureStderr();
    dev().SetRenderState(D3DRS_WRAP3, 5);
    dev().SetRenderState(D3DRS_WRAP3, 5);
    dev().SetRenderState(D3DRS_ZBIAS, 0);  // the default: nothing to say
    dev().SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);  // emulated
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "gfx: D3DRS_WRAP3 = 5 is not emulated\n");
    DWORD v = 0;
    dev().GetRenderState(D3DRS_WRAP3, &v);
    EXPECT_EQ(v, 5u);
}

}  // namespace
