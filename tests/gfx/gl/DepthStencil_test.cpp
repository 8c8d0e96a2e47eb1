// Depth test and writes, stencil functions and operations, culling.
#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::GlDeviceTest;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlack = 0xFF000000;

class DepthTest : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        dev().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, kBlack, 1.0f,
                    0);
    }
};

TEST_F(DepthTest, LessEqualKeepsTheNearerSurface) {
    dev().SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    drawScreenQuad(0, 0, 64, 64, kRed, 0, 0, 1, 1, 0.5f);
    drawScreenQuad(0, 0, 64, 64, kGreen, 0, 0, 1, 1, 0.7f);
    EXPECT_EQ(pixel(10, 10), kRed);
    drawScreenQuad(0, 0, 32, 64, kGreen, 0, 0, 1, 1, 0.5f);  // equal depth passes
    EXPECT_EQ(pixel(10, 10), kGreen);
    EXPECT_EQ(pixel(40, 10), kRed);
}

TEST_F(DepthTest, ComparisonFunctions) {
    drawScreenQuad(0, 0, 64, 64, kRed, 0, 0, 1, 1, 0.5f);
    dev().SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
    drawScreenQuad(0, 0, 32, 64, kGreen, 0, 0, 1, 1, 0.7f);
    drawScreenQuad(32, 0, 64, 64, kGreen, 0, 0, 1, 1, 0.3f);
    EXPECT_EQ(pixel(10, 10), kGreen);
    EXPECT_EQ(pixel(40, 10), kRed);
    dev().SetRenderState(D3DRS_ZFUNC, D3DCMP_NEVER);
    drawScreenQuad(0, 0, 64, 64, 0xFF0000FF, 0, 0, 1, 1, 0.0f);
    EXPECT_EQ(pixel(10, 10), kGreen);
}

TEST_F(DepthTest, DisabledWritesLeaveTheDepthBufferAlone) {
    dev().SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    drawScreenQuad(0, 0, 64, 64, kRed, 0, 0, 1, 1, 0.5f);
    dev().SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    drawScreenQuad(0, 0, 64, 64, kGreen, 0, 0, 1, 1, 0.7f);
    EXPECT_EQ(pixel(10, 10), kGreen);
}

TEST_F(DepthTest, DisabledTestDrawsEverything) {
    drawScreenQuad(0, 0, 64, 64, kRed, 0, 0, 1, 1, 0.2f);
    dev().SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawScreenQuad(0, 0, 64, 64, kGreen, 0, 0, 1, 1, 0.9f);
    EXPECT_EQ(pixel(10, 10), kGreen);
}

TEST_F(DepthTest, ClearingDepthOfASmallTargetLeavesTheRestOfTheSharedBuffer) {
    drawScreenQuad(0, 0, 64, 64, kRed, 0, 0, 1, 1, 0.2f);  // depth 0.2 everywhere
    gfx::Texture* rt = nullptr;
    dev().CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt);
    gfx::Surface *back, *depth, *target;
    dev().GetRenderTarget(&back);
    dev().GetDepthStencilSurface(&depth);
    rt->GetSurfaceLevel(0, &target);
    dev().SetRenderTarget(target, depth);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    dev().SetRenderTarget(back, depth);
    drawScreenQuad(0, 0, 64, 64, kGreen, 0, 0, 1, 1, 0.5f);
    EXPECT_EQ(pixel(5, 5), kGreen);  // depth cleared by the small target's clear
    EXPECT_EQ(pixel(40, 40), kRed);  // outside it the depth stayed 0.2
}

class StencilTest : public DepthTest {};

TEST_F(StencilTest, MarkThenDrawWhereUnmarkedAsTheWaterPassDoes) {
    dev().SetRenderState(D3DRS_STENCILENABLE, TRUE);
    dev().SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    dev().SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    dev().SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    dev().SetRenderState(D3DRS_STENCILREF, 1);
    dev().SetRenderState(D3DRS_STENCILMASK, 0xFFFF);
    drawScreenQuad(0, 0, 32, 64, kRed, 0, 0, 1, 1, 0.5f);
    dev().SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    dev().SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    dev().SetRenderState(D3DRS_STENCILREF, 0);
    dev().SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawScreenQuad(0, 0, 64, 64, kGreen, 0, 0, 1, 1, 0.1f);
    EXPECT_EQ(pixel(10, 10), kRed);
    EXPECT_EQ(pixel(40, 10), kGreen);
}

TEST_F(StencilTest, IncrementDecrementAndDepthFailOperations) {
    dev().SetRenderState(D3DRS_STENCILENABLE, TRUE);
    dev().SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    dev().SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    dev().SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCRSAT);
    drawScreenQuad(0, 0, 64, 64, kRed, 0, 0, 1, 1, 0.5f);  // stencil 1, depth 0.5
    drawScreenQuad(0, 0, 32, 64, kRed, 0, 0, 1, 1, 0.5f);  // left: 2
    // Behind the surface: the depth test fails and the z-fail operation runs.
    dev().SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_DECRSAT);
    dev().SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    drawScreenQuad(0, 0, 64, 32, kRed, 0, 0, 1, 1, 0.9f);  // top: minus 1
    dev().SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    dev().SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev().SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    dev().SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    dev().SetRenderState(D3DRS_STENCILREF, 1);
    drawScreenQuad(0, 0, 64, 64, kGreen);
    EXPECT_EQ(pixel(10, 10), kGreen);  // 2 - 1
    EXPECT_EQ(pixel(40, 10), kBlack);  // 1 - 1
    EXPECT_EQ(pixel(10, 40), kBlack);  // 2
    EXPECT_EQ(pixel(40, 40), kGreen);  // 1
}

TEST_F(StencilTest, MaskedComparison) {
    dev().SetRenderState(D3DRS_STENCILENABLE, TRUE);
    dev().SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    dev().SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    dev().SetRenderState(D3DRS_STENCILREF, 0x13);
    dev().SetRenderState(D3DRS_STENCILWRITEMASK, 0x0F);  // writes 0x03
    drawScreenQuad(0, 0, 32, 64, kRed);
    dev().SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    dev().SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    dev().SetRenderState(D3DRS_STENCILREF, 0xF3);
    dev().SetRenderState(D3DRS_STENCILMASK, 0x0F);  // compares the low bits only
    drawScreenQuad(0, 0, 64, 64, kGreen);
    EXPECT_EQ(pixel(10, 10), kGreen);
    EXPECT_EQ(pixel(40, 10), kBlack);
}

class CullTest : public GlDeviceTest {};

// A triangle the viewer sees clockwise: top left, top right, bottom left.
TEST_F(CullTest, ClockwiseCullingRemovesScreenClockwiseTriangles) {
    plainStates();
    using testsupport::ScreenVertex;
    gfx::VertexBuffer* screen = vertexBuffer<ScreenVertex>(
        {{0, 0, 0.5f, 1, kRed, 0, 0}, {64, 0, 0.5f, 1, kRed, 0, 0}, {0, 64, 0.5f, 1, kRed, 0, 0}});
    using testsupport::ColorVertex;
    gfx::VertexBuffer* world = vertexBuffer<ColorVertex>(
        {{-1, 1, 0.5f, kGreen}, {1, 1, 0.5f, kGreen}, {-1, -1, 0.5f, kGreen}});
    struct Case {
        DWORD cull;
        bool drawn;
    } cases[] = {{D3DCULL_CW, false}, {D3DCULL_CCW, true}, {D3DCULL_NONE, true}};
    for (const Case& c : cases) {
        dev().SetRenderState(D3DRS_CULLMODE, c.cull);
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        dev().SetVertexShader(0x144);
        dev().SetStreamSource(0, screen, sizeof(ScreenVertex));
        dev().DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        EXPECT_EQ(pixel(5, 5), c.drawn ? kRed : kBlack) << "screen vertices, cull " << c.cull;
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        dev().SetVertexShader(0x042);
        dev().SetStreamSource(0, world, sizeof(ColorVertex));
        dev().DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        EXPECT_EQ(pixel(5, 5), c.drawn ? kGreen : kBlack)
            << "transformed vertices, cull " << c.cull;
    }
}

}  // namespace
