// Frames read back through the ring of pixel buffers while later frames render.
#include "gfx/gl/FrameReadback.h"

#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::GlDeviceTest;

class FrameReadbackTest : public GlDeviceTest {
  protected:
    FrameReadbackTest() : GlDeviceTest(48, 32) {}

    // Frame k: a clear colour of its own and a quad that moves with k.
    void DrawFrame(int k) {
        plainStates();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u | (k * 40) << 16 | (255 - k * 30),
                    1.0f, 0);
        const float x = static_cast<float>(4 * k);
        drawScreenQuad(x, 4, x + 6, 20, 0xFF00FF00u | (k * 20));
    }

    static std::vector<uint32_t> Opaque(const uint8_t* bgra, UINT w, UINT h) {
        std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
        for (size_t i = 0; i < argb.size(); ++i)
            argb[i] = 0xFF000000u | bgra[4 * i + 2] << 16 | bgra[4 * i + 1] << 8 | bgra[4 * i];
        return argb;
    }
};

TEST_F(FrameReadbackTest, EachFrameComesBackInOrderWhileLaterOnesRender) {
    std::vector<std::vector<uint32_t>> expected;
    for (int k = 0; k < 7; ++k) {
        DrawFrame(k);
        expected.push_back(read());
    }

    gfx::gl::FrameReadback ring(dev(), 3);
    gfx::Surface* back = nullptr;
    dev().GetBackBuffer(0, &back);
    std::vector<std::vector<uint32_t>> got;
    auto take = [&](const uint8_t* bgra, UINT w, UINT h) {
        EXPECT_EQ(w, 48u);
        EXPECT_EQ(h, 32u);
        got.push_back(Opaque(bgra, w, h));
    };
    for (int k = 0; k < 7; ++k) {
        DrawFrame(k);
        ASSERT_TRUE(ring.Start(back));
        if (ring.full()) {
            ASSERT_TRUE(ring.Finish(take));
        }
    }
    EXPECT_EQ(ring.pending(), 2u);
    while (ring.pending() > 0) ASSERT_TRUE(ring.Finish(take));
    ASSERT_EQ(got.size(), 7u);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(got[k], expected[k]) << "frame " << k;
}

TEST_F(FrameReadbackTest, RefusesAFullRingAnEmptyOneAndSurfacesThatAreNoTargets) {
    gfx::gl::FrameReadback ring(dev(), 2);
    gfx::Surface* back = nullptr;
    dev().GetBackBuffer(0, &back);
    auto ignore = [](const uint8_t*, UINT, UINT) {};
    EXPECT_FALSE(ring.Finish(ignore));
    EXPECT_TRUE(ring.Start(back));
    EXPECT_TRUE(ring.Start(back));
    EXPECT_FALSE(ring.Start(back));
    EXPECT_TRUE(ring.Finish(ignore));

    gfx::Texture* plain = texture(4, 4, std::vector<uint32_t>(16, 0xFF123456u));
    gfx::Surface* level = nullptr;
    plain->GetSurfaceLevel(0, &level);
    EXPECT_FALSE(ring.Start(level));
    EXPECT_FALSE(ring.Start(nullptr));
    EXPECT_EQ(ring.pending(), 1u);
}

TEST_F(FrameReadbackTest, ReadsARenderTargetTextureAndDrawsGoOnToTheBackBuffer) {
    gfx::Texture* rt = nullptr;
    ASSERT_EQ(
        dev().CreateTexture(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt),
        D3D_OK);
    gfx::Surface *back = nullptr, *depth = nullptr, *target = nullptr;
    dev().GetRenderTarget(&back);
    dev().GetDepthStencilSurface(&depth);
    rt->GetSurfaceLevel(0, &target);
    dev().SetRenderTarget(target, nullptr);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0x80402010u, 1.0f, 0);

    gfx::gl::FrameReadback ring(dev(), 2);
    ASSERT_TRUE(ring.Start(target));
    // Reading bound another framebuffer: the next clear must still reach the back buffer.
    dev().SetRenderTarget(back, depth);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
    ASSERT_TRUE(ring.Finish([](const uint8_t* bgra, UINT w, UINT h) {
        ASSERT_EQ(w, 16u);
        ASSERT_EQ(h, 8u);
        EXPECT_EQ(bgra[0], 0x10);
        EXPECT_EQ(bgra[1], 0x20);
        EXPECT_EQ(bgra[2], 0x40);
        EXPECT_EQ(bgra[3], 0x80);  // a target with alpha keeps it
    }));
    EXPECT_EQ(pixel(3, 3), 0xFF0000FFu);
}

}  // namespace
