// User clip planes: world space for fixed-function vertices, clip space for programs.
#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::GlDeviceTest;

class ClipPlanes : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        dev().SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    // Rows drawn white, counted from the top in column 10.
    int whiteRows() {
        const auto img = read();
        int rows = 0;
        for (int y = 0; y < 64; ++y) rows += img[y * 64 + 10] == 0xFFFFFFFFu;
        return rows;
    }
};

TEST_F(ClipPlanes, FixedFunctionPlanesLieInWorldSpace) {
    // The quad spans y -0.5..1.5 in world space after a world shift of +0.5; the plane keeps
    // world y >= 0, the upper half of the screen. In object space it would keep a quarter.
    const D3DMATRIX world = testsupport::Translation(0, 0.5f, 0);
    dev().SetTransform(D3DTS_WORLD, &world);
    const float keepUpper[4] = {0, 1, 0, 0};
    dev().SetClipPlane(0, keepUpper);
    dev().SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    EXPECT_EQ(whiteRows(), 32);
    EXPECT_EQ(pixel(10, 5), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(10, 40), 0xFF000000u);
}

TEST_F(ClipPlanes, OnlyEnabledPlanesClip) {
    const float keepUpper[4] = {0, 1, 0, 0}, keepLeft[4] = {-1, 0, 0, 0};
    dev().SetClipPlane(0, keepUpper);
    dev().SetClipPlane(1, keepLeft);
    dev().SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE1);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    EXPECT_EQ(pixel(10, 50), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(50, 10), 0xFF000000u);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev().SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    EXPECT_EQ(pixel(50, 50), 0xFFFFFFFFu);
}

TEST_F(ClipPlanes, MirrorPassPlaneOfTheWaterScene) {
    // Plane (0, -1, 0, -1450) keeps y <= -1450: of a quad spanning world y -1500..-1400 seen
    // through a view that maps it onto the screen, the lower half stays.
    const D3DMATRIX view = testsupport::Translation(0, 1450, 0);
    D3DMATRIX scale = testsupport::Identity();
    scale.m[1][1] = 1.0f / 50.0f;
    dev().SetTransform(D3DTS_VIEW, &view);
    dev().SetTransform(D3DTS_PROJECTION, &scale);
    const float plane[4] = {0, -1, 0, -1450};
    dev().SetClipPlane(0, plane);
    dev().SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    drawMeshQuad(-1, -1500, 1, -1400, 0.5f);
    EXPECT_EQ(whiteRows(), 32);
    EXPECT_EQ(pixel(10, 50), 0xFFFFFFFFu);
}

TEST_F(ClipPlanes, ScreenSpaceVerticesAreNotClipped) {
    const float keepLeft[4] = {-1, 0, 0, 0};
    dev().SetClipPlane(0, keepLeft);
    dev().SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(pixel(60, 60), 0xFFFFFFFFu);
}

TEST_F(ClipPlanes, ProgramPlanesLieInClipSpace) {
    // vs.1.1: mov oPos, v0
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    const DWORD vs[] = {0xFFFE0101u, 0x00000001u, 0xC00F0000u, 0x90E40000u, 0x0000FFFFu};
    DWORD handle = 0;
    ASSERT_EQ(dev().CreateVertexShader(decl, vs, sizeof vs, &handle, 0), D3D_OK);
    const float quad[] = {-1, 1, 0.5f, 1, 1, 0.5f, 1, -1, 0.5f, -1, -1, 0.5f};
    dev().SetVertexShader(handle);
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), 12);
    const float keepUpper[4] = {0, 1, 0, 0};
    dev().SetClipPlane(0, keepUpper);
    dev().SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_EQ(whiteRows(), 32);
    EXPECT_EQ(pixel(10, 5), 0xFFFFFFFFu);
}

}  // namespace
