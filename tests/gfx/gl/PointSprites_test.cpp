// Point size, point scaling with distance, and sprite texture coordinates.
#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorVertex;
using testsupport::GlDeviceTest;

class PointSprites : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        dev().SetVertexShader(0x042);
        dev().SetStreamSource(0, vertexBuffer<ColorVertex>({{0, 0, 0.5f, 0xFFFFFFFF}}),
                              sizeof(ColorVertex));
    }
    // Width of the square drawn around the centre, measured along row 32.
    int width() {
        const auto img = read();
        int n = 0;
        for (int x = 0; x < 64; ++x) n += img[32 * 64 + x] != 0xFF000000u;
        return n;
    }
    void draw() {
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        ASSERT_EQ(dev().DrawPrimitive(D3DPT_POINTLIST, 0, 1), D3D_OK);
    }
};

TEST_F(PointSprites, SpriteCoordinatesRunFromTheTopLeft) {
    // Quadrants: top left red, top right green, bottom left blue, bottom right white.
    dev().SetTexture(0, texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    dev().SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    dev().SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(16.0f));
    draw();
    EXPECT_EQ(pixel(25, 25), 0xFFFF0000u);
    EXPECT_EQ(pixel(38, 25), 0xFF00FF00u);
    EXPECT_EQ(pixel(25, 38), 0xFF0000FFu);
    EXPECT_EQ(pixel(38, 38), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(23, 32), 0xFF000000u);
    EXPECT_EQ(pixel(24, 32), 0xFF0000FFu);
    EXPECT_EQ(pixel(40, 32), 0xFF000000u);
}

TEST_F(PointSprites, ScalingWithDistanceAndClamping) {
    dev().SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    dev().SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(0.125f));
    // size = viewport height * 0.125 * sqrt(1 / (A + B d + C d^2)), d = 0.5
    dev().SetRenderState(D3DRS_POINTSCALE_A, FloatToDWORD(0.0f));
    dev().SetRenderState(D3DRS_POINTSCALE_B, FloatToDWORD(0.0f));
    dev().SetRenderState(D3DRS_POINTSCALE_C, FloatToDWORD(1.0f));
    draw();
    EXPECT_EQ(width(), 16);
    dev().SetRenderState(D3DRS_POINTSCALE_C, FloatToDWORD(4.0f));
    draw();
    EXPECT_EQ(width(), 8);
    dev().SetRenderState(D3DRS_POINTSCALE_C, FloatToDWORD(0.0f));
    dev().SetRenderState(D3DRS_POINTSCALE_A, FloatToDWORD(0.25f));  // sqrt(1 / 0.25) = 2
    draw();
    EXPECT_EQ(width(), 16);
    dev().SetRenderState(D3DRS_POINTSCALE_A, FloatToDWORD(0.0f));
    dev().SetRenderState(D3DRS_POINTSCALE_B, FloatToDWORD(2.0f));  // B d = 1
    draw();
    EXPECT_EQ(width(), 8);
    dev().SetRenderState(D3DRS_POINTSIZE_MAX, FloatToDWORD(4.0f));
    draw();
    EXPECT_EQ(width(), 4);
}

TEST_F(PointSprites, SizeLimits) {
    dev().SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(10.0f));
    draw();
    EXPECT_EQ(width(), 10);
    dev().SetRenderState(D3DRS_POINTSIZE_MIN, FloatToDWORD(20.0f));
    draw();
    EXPECT_EQ(width(), 20);
    dev().SetRenderState(D3DRS_POINTSIZE_MIN, FloatToDWORD(0.0f));
    dev().SetRenderState(D3DRS_POINTSIZE_MAX, FloatToDWORD(6.0f));
    draw();
    EXPECT_EQ(width(), 6);
}

TEST_F(PointSprites, WithoutSpritesThePointUsesItsVertexCoordinates) {
    dev().SetTexture(0, texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    dev().SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(16.0f));
    draw();  // no coordinates in the format: (0, 0), the red texel, all over
    EXPECT_EQ(pixel(38, 38), 0xFFFF0000u);
}

TEST_F(PointSprites, LineStripsDrawLines) {
    dev().SetStreamSource(
        0,
        vertexBuffer<ColorVertex>(
            {{-1, 0.0f, 0.5f, 0xFFF00000}, {1, 0.0f, 0.5f, 0xFFF00000}, {1, -1, 0.5f, 0xFFF00000}}),
        sizeof(ColorVertex));
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_LINESTRIP, 0, 2), D3D_OK);
    const auto img = read();
    int lit = 0;
    for (uint32_t p : img) lit += p == 0xFFF00000u;
    EXPECT_GE(lit, 64 + 28);  // one row across, most of a column down
    EXPECT_LE(lit, 64 + 34);
}

}  // namespace
