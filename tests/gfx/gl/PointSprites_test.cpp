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

// A point of size s at window position (x, y) covers the pixels whose centres (at whole
// coordinates, the original's convention) lie in [x - s/2, x + s/2) across and down. The
// point at the centre of the 64 x 64 target sits at (32, 32).
TEST_F(PointSprites, PointsCoverThePixelsAroundTheirCentre) {
    for (const int size : {3, 4, 5}) {
        dev().SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(static_cast<float>(size)));
        draw();
        const auto img = read();
        const int first = 32 - size / 2, last = 32 + (size - 1) / 2;  // ceil(32 - s/2) ..
        for (int i = 26; i < 39; ++i) {
            const bool inside = i >= first && i <= last;
            EXPECT_EQ(img[32 * 64 + i] != 0xFF000000u, inside) << "size " << size << " x " << i;
            EXPECT_EQ(img[i * 64 + 32] != 0xFF000000u, inside) << "size " << size << " y " << i;
        }
    }
}

// Sprite coordinates run from 0 at the first covered pixel's outer edge to 1 at the last
// one's: each pixel of a 3-pixel sprite samples the centre of its texel of a 3 x 3 texture,
// so even linear filtering with wrapping shows each texel pure.
TEST_F(PointSprites, SpriteCoordinatesSpanExactlyTheCoveredPixels) {
    std::vector<uint32_t> texels(9);
    for (uint32_t i = 0; i < 9; ++i) texels[i] = 0xFF000000u | (i * 28 + 10) << 16 | (250 - i * 25);
    dev().SetTexture(0, texture(3, 3, texels));
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    dev().SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    dev().SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    dev().SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(3.0f));
    draw();
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            EXPECT_TRUE(testsupport::ColorNear(pixel(31 + col, 31 + row), texels[row * 3 + col], 1))
                << col << ", " << row;
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
