// The alpha test compares the pixel's 8-bit alpha with D3DRS_ALPHAREF.
#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::GlDeviceTest;

struct AlphaCase {
    D3DCMPFUNC func;
    bool pass21, pass22, pass23;
};

class AlphaTest : public GlDeviceTest, public ::testing::WithParamInterface<AlphaCase> {};

TEST_P(AlphaTest, ComparesBytesWithTheReference) {
    const AlphaCase& c = GetParam();
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev().SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev().SetRenderState(D3DRS_ALPHAREF, 22);
    dev().SetRenderState(D3DRS_ALPHAFUNC, c.func);
    drawScreenQuad(0, 0, 20, 64, 0x15FFFFFF);   // alpha 21
    drawScreenQuad(20, 0, 40, 64, 0x16FFFFFF);  // 22
    drawScreenQuad(40, 0, 64, 64, 0x17FFFFFF);  // 23
    EXPECT_EQ(pixel(10, 10), c.pass21 ? 0xFFFFFFFFu : 0xFF000000u);
    EXPECT_EQ(pixel(30, 10), c.pass22 ? 0xFFFFFFFFu : 0xFF000000u);
    EXPECT_EQ(pixel(50, 10), c.pass23 ? 0xFFFFFFFFu : 0xFF000000u);
}

INSTANTIATE_TEST_SUITE_P(Functions, AlphaTest,
                         ::testing::Values(AlphaCase{D3DCMP_NEVER, false, false, false},
                                           AlphaCase{D3DCMP_LESS, true, false, false},
                                           AlphaCase{D3DCMP_EQUAL, false, true, false},
                                           AlphaCase{D3DCMP_LESSEQUAL, true, true, false},
                                           AlphaCase{D3DCMP_GREATER, false, false, true},
                                           AlphaCase{D3DCMP_NOTEQUAL, true, false, true},
                                           AlphaCase{D3DCMP_GREATEREQUAL, false, true, true},
                                           AlphaCase{D3DCMP_ALWAYS, true, true, true}));

class AlphaTestOff : public GlDeviceTest {};

TEST_F(AlphaTestOff, DisabledTestKeepsEveryPixel) {
    plainStates();
    dev().SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    dev().SetRenderState(D3DRS_ALPHAREF, 200);
    dev().SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    drawScreenQuad(0, 0, 64, 64, 0x00FFFFFF);
    EXPECT_EQ(pixel(10, 10), 0xFFFFFFFFu);
}

// Switching the test between draws of one program, fixed-function or a pixel program: draws
// without it use the build that leaves it out, draws with it the one that has it.
TEST_F(AlphaTestOff, EachDrawHasTheTestOfItsOwnStates) {
    // ps.1.1: mov r0, c0
    const DWORD ps[] = {0xFFFF0101u, 0x00000001u, 0x800F0000u, 0xA0E40000u, 0x0000FFFFu};
    DWORD handle = 0;
    ASSERT_EQ(dev().CreatePixelShader(ps, sizeof ps, &handle), D3D_OK);
    const float faint[4] = {1, 1, 1, 0.1f};  // alpha 26, as the vertex colour below
    dev().SetPixelShaderConstant(0, faint, 1);
    plainStates();
    dev().SetRenderState(D3DRS_ALPHAREF, 100);
    dev().SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    for (const DWORD program : {DWORD{0}, handle}) {
        dev().SetPixelShader(program);
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        dev().SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        drawScreenQuad(0, 0, 32, 64, 0x1AFFFFFF);
        dev().SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        drawScreenQuad(32, 0, 64, 64, 0x1AFFFFFF);
        EXPECT_EQ(pixel(10, 10), 0xFF000000u) << program;  // alpha 26 is not above 100
        EXPECT_EQ(pixel(50, 10), 0xFFFFFFFFu) << program;
    }
}

}  // namespace
