// Viewports and clears: the rectangle and depth range draws map into, what Clear covers, and
// SetRenderTarget resetting the viewport to the whole new target.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorVertex;
using testsupport::GlDeviceTest;

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u,
                   kBlue = 0xFF0000FFu;

class Viewports : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        clear(kBlack);
    }
    void clear(uint32_t colour) {
        ASSERT_EQ(dev().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0),
                  D3D_OK);
    }
    // A quad covering the whole clip-space square at depth z.
    void drawClipQuad(D3DCOLOR colour, float z = 0.5f) {
        gfx::VertexBuffer* vb = vertexBuffer<ColorVertex>(
            {{-1, 1, z, colour}, {1, 1, z, colour}, {1, -1, z, colour}, {-1, -1, z, colour}});
        dev().SetVertexShader(0x042);
        dev().SetStreamSource(0, vb, sizeof(ColorVertex));
        ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    }
    HRESULT viewport(DWORD x, DWORD y, DWORD w, DWORD h, float minZ = 0.0f, float maxZ = 1.0f) {
        const D3DVIEWPORT8 vp{x, y, w, h, minZ, maxZ};
        return dev().SetViewport(&vp);
    }
    // Bounds of the pixels that are not black: x0, y0, x1, y1 (exclusive), or all -1.
    std::array<int, 4> litBounds(gfx::Surface* surface = nullptr) {
        const auto img = read(surface);
        const int w = surface ? static_cast<int>(surface->width()) : 64;
        std::array<int, 4> b{-1, -1, -1, -1};
        for (int i = 0; i < static_cast<int>(img.size()); ++i) {
            if (img[static_cast<size_t>(i)] == kBlack) continue;
            const int x = i % w, y = i / w;
            if (b[0] < 0) b = {x, y, x + 1, y + 1};
            b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1),
                 std::max(b[3], y + 1)};
        }
        return b;
    }
};

TEST_F(Viewports, StartAsTheWholeTargetAndAreKept) {
    D3DVIEWPORT8 vp{};
    ASSERT_EQ(dev().GetViewport(&vp), D3D_OK);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Y, 0u);
    EXPECT_EQ(vp.Width, 64u);
    EXPECT_EQ(vp.Height, 64u);
    EXPECT_EQ(vp.MinZ, 0.0f);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    ASSERT_EQ(viewport(8, 4, 16, 32, 0.25f, 0.75f), D3D_OK);
    ASSERT_EQ(dev().GetViewport(&vp), D3D_OK);
    EXPECT_EQ(vp.X, 8u);
    EXPECT_EQ(vp.Y, 4u);
    EXPECT_EQ(vp.Width, 16u);
    EXPECT_EQ(vp.Height, 32u);
    EXPECT_EQ(vp.MinZ, 0.25f);
    EXPECT_EQ(vp.MaxZ, 0.75f);
}

TEST_F(Viewports, MustLieInsideTheTarget) {
    EXPECT_EQ(viewport(0, 0, 65, 64), D3DERR_INVALIDCALL);
    EXPECT_EQ(viewport(60, 0, 8, 8), D3DERR_INVALIDCALL);
    EXPECT_EQ(viewport(0, 0, 64, 64, -0.5f, 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(viewport(0, 0, 64, 64, 0.0f, 1.5f), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev().SetViewport(nullptr), D3DERR_INVALIDCALL);
    D3DVIEWPORT8 vp{};
    dev().GetViewport(&vp);
    EXPECT_EQ(vp.Width, 64u);  // a refused viewport changes nothing
}

TEST_F(Viewports, DrawsMapClipSpaceIntoTheViewport) {
    ASSERT_EQ(viewport(16, 8, 32, 16), D3D_OK);
    drawClipQuad(kRed);
    EXPECT_EQ(litBounds(), (std::array<int, 4>{16, 8, 48, 24}));
}

// Screen-space vertices keep their window positions; the viewport only cuts them off.
TEST_F(Viewports, ScreenSpaceVerticesAreClippedNotMoved) {
    ASSERT_EQ(viewport(16, 16, 32, 32), D3D_OK);
    drawScreenQuad(0, 0, 24, 24, kGreen);
    EXPECT_EQ(litBounds(), (std::array<int, 4>{16, 16, 24, 24}));
}

TEST_F(Viewports, MinZAndMaxZMapDepth) {
    dev().SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev().SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    ASSERT_EQ(viewport(0, 0, 64, 64, 0.5f, 1.0f), D3D_OK);
    drawClipQuad(kRed, 0.0f);  // depth 0.5
    ASSERT_EQ(viewport(0, 0, 64, 64), D3D_OK);
    drawClipQuad(kGreen, 0.4f);  // depth 0.4: in front
    EXPECT_EQ(pixel(32, 32), kGreen);
    drawClipQuad(kBlue, 0.6f);  // depth 0.6: behind
    EXPECT_EQ(pixel(32, 32), kGreen);
}

TEST_F(Viewports, ClearCoversTheViewportAndClipsRectanglesToIt) {
    ASSERT_EQ(viewport(16, 16, 16, 16), D3D_OK);
    clear(kRed);
    EXPECT_EQ(litBounds(), (std::array<int, 4>{16, 16, 32, 32}));
    clear(kBlack);
    const D3DRECT rect{0, 0, 24, 20};
    ASSERT_EQ(dev().Clear(1, &rect, D3DCLEAR_TARGET, kGreen, 1.0f, 0), D3D_OK);
    EXPECT_EQ(litBounds(), (std::array<int, 4>{16, 16, 24, 20}));
}

TEST_F(Viewports, SettingARenderTargetResetsTheViewportToIt) {
    ASSERT_EQ(viewport(4, 4, 8, 8, 0.2f, 0.4f), D3D_OK);
    gfx::Texture* rt = nullptr;
    ASSERT_EQ(dev().CreateTexture(32, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                  D3DPOOL_DEFAULT, &rt),
              D3D_OK);
    gfx::Surface *target = nullptr, *depth = nullptr;
    rt->GetSurfaceLevel(0, &target);
    dev().GetDepthStencilSurface(&depth);
    ASSERT_EQ(dev().SetRenderTarget(target, depth), D3D_OK);
    D3DVIEWPORT8 vp{};
    dev().GetViewport(&vp);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Y, 0u);
    EXPECT_EQ(vp.Width, 32u);
    EXPECT_EQ(vp.Height, 16u);
    EXPECT_EQ(vp.MinZ, 0.0f);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    clear(kBlack);
    drawClipQuad(kRed);
    EXPECT_EQ(litBounds(target), (std::array<int, 4>{0, 0, 32, 16}));
}

// Clear(0, rects) clears nothing; Clear(n, NULL) clears the whole viewport; an empty or
// inverted rectangle clears nothing, and rectangles reaching outside are cut to the target.
TEST_F(Viewports, ClearRectangleCountsAndEmptyRectangles) {
    const D3DRECT rects[2] = {{0, 0, 8, 8}, {40, 40, 48, 48}};
    EXPECT_EQ(dev().Clear(0, rects, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    EXPECT_EQ(litBounds()[0], -1);
    EXPECT_EQ(dev().Clear(2, nullptr, D3DCLEAR_TARGET, kGreen, 1.0f, 0), D3D_OK);
    EXPECT_EQ(pixel(0, 0), kGreen);
    EXPECT_EQ(pixel(63, 63), kGreen);
    clear(kBlack);
    const D3DRECT odd[3] = {{10, 10, 10, 20}, {30, 30, 20, 40}, {-8, 60, 4, 80}};
    EXPECT_EQ(dev().Clear(3, odd, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
    EXPECT_EQ(litBounds(), (std::array<int, 4>{0, 60, 4, 64}));
}

}  // namespace
