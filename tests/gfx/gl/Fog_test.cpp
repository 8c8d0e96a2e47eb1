// Table fog on eye distance, vertex fog, and fog after pixel programs.
#include <gtest/gtest.h>

#include <cmath>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::GlDeviceTest;

class Fog : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        // 90 degrees vertical field of view: a quad at depth 100 spanning +-100 fills the view.
        D3DMATRIX proj = testsupport::PerspectiveFovLH(1.5707964f, 1.0f, 1.0f, 1000.0f);
        dev().SetTransform(D3DTS_PROJECTION, &proj);
        dev().SetRenderState(D3DRS_FOGENABLE, TRUE);
        dev().SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);
        dev().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void drawWhiteAt(float depth) {
        using testsupport::ColorVertex;
        const float s = depth * 1.2f;
        gfx::VertexBuffer* vb = vertexBuffer<ColorVertex>({{-s, s, depth, 0xFFFFFFFF},
                                                           {s, s, depth, 0xFFFFFFFF},
                                                           {s, -s, depth, 0xFFFFFFFF},
                                                           {-s, -s, depth, 0xFFFFFFFF}});
        dev().SetVertexShader(0x042);
        dev().SetStreamSource(0, vb, sizeof(ColorVertex));
        dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    }
    // White fogged towards red by factor f: red stays 255, green and blue become 255 f.
    static uint32_t Fogged(double f) {
        const uint32_t v = static_cast<uint32_t>(std::lround(255.0 * f));
        return 0xFFFF0000u | v << 8 | v;
    }
};

TEST_F(Fog, TableExpUsesTheEyeDistance) {
    dev().SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.0025f));
    drawWhiteAt(400.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(std::exp(-1.0)), 2));
    EXPECT_TRUE(ColorNear(pixel(3, 60), Fogged(std::exp(-1.0)), 2));  // w, not the radial distance
}

TEST_F(Fog, TableExp2AndLinear) {
    dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
    dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.005f));
    drawWhiteAt(100.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(std::exp(-0.25)), 2));
    dev().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    dev().SetRenderState(D3DRS_FOGSTART, FloatToDWORD(50.0f));
    dev().SetRenderState(D3DRS_FOGEND, FloatToDWORD(150.0f));
    drawWhiteAt(125.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(0.25), 2));
}

TEST_F(Fog, VertexFogWhenTheTableIsOff) {
    dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    dev().SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    dev().SetRenderState(D3DRS_FOGSTART, FloatToDWORD(0.0f));
    dev().SetRenderState(D3DRS_FOGEND, FloatToDWORD(200.0f));
    drawWhiteAt(150.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(0.25), 2));
}

TEST_F(Fog, DisabledFogLeavesColoursAlone) {
    dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.01f));
    dev().SetRenderState(D3DRS_FOGENABLE, FALSE);
    drawWhiteAt(400.0f);
    EXPECT_EQ(pixel(32, 32), 0xFFFFFFFFu);
}

TEST_F(Fog, AppliesAfterAPixelProgram) {
    // ps.1.1: mov r0, c0
    const DWORD ps[] = {0xFFFF0101u, 0x00000001u, 0x800F0000u, 0xA0E40000u, 0x0000FFFFu};
    DWORD handle = 0;
    ASSERT_EQ(dev().CreatePixelShader(ps, sizeof ps, &handle), D3D_OK);
    const float white[4] = {1, 1, 1, 1};
    dev().SetPixelShaderConstant(0, white, 1);
    dev().SetPixelShader(handle);
    dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.0025f));
    drawWhiteAt(400.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(std::exp(-1.0)), 2));
}

// Switching fog between draws of one program (fixed-function or a pixel program) gives each
// draw its own: fogged draws use the general build, the others the plain one.
TEST_F(Fog, EachDrawHasTheFogOfItsOwnStates) {
    const DWORD ps[] = {0xFFFF0101u, 0x00000001u, 0x800F0000u, 0xA0E40000u, 0x0000FFFFu};
    DWORD handle = 0;
    ASSERT_EQ(dev().CreatePixelShader(ps, sizeof ps, &handle), D3D_OK);
    const float white[4] = {1, 1, 1, 1};
    dev().SetPixelShaderConstant(0, white, 1);
    for (const DWORD program : {DWORD{0}, handle}) {
        dev().SetPixelShader(program);
        dev().SetRenderState(D3DRS_FOGENABLE, TRUE);
        dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
        dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.0025f));
        drawWhiteAt(400.0f);
        EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(std::exp(-1.0)), 2)) << program;
        dev().SetRenderState(D3DRS_FOGENABLE, FALSE);
        drawWhiteAt(400.0f);
        EXPECT_EQ(pixel(32, 32), 0xFFFFFFFFu) << program;
        dev().SetRenderState(D3DRS_FOGENABLE, TRUE);
        dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
        dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.005f));
        drawWhiteAt(100.0f);
        EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(std::exp(-0.25)), 2)) << program;
        dev().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
}

}  // namespace
