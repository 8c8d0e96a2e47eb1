// Texture coordinate transforms of fixed-function vertex processing: the stage's matrix, the
// count of coordinates passed on and the projective divide, for coordinates from the vertex
// and generated ones.
#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::GlDeviceTest;
using testsupport::MeshVertex;

// A 2 x 2 texture, one colour per quadrant, sampled with point filtering and clamping, so a
// coordinate pair reads as the quadrant it falls in.
constexpr uint32_t kTopLeft = 0xFFFF0000, kTopRight = 0xFF00FF00, kBottomLeft = 0xFF0000FF,
                   kBottomRight = 0xFFFFFFFF;

class TextureTransforms : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().SetTexture(0, texture(2, 2, {kTopLeft, kTopRight, kBottomLeft, kBottomRight}));
        dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        for (auto s : {D3DTSS_ADDRESSU, D3DTSS_ADDRESSV})
            dev().SetTextureStageState(0, s, D3DTADDRESS_CLAMP);
        const D3DMATRIX proj = testsupport::PerspectiveFovLH(1.5707964f, 1.0f, 1.0f, 100.0f);
        dev().SetTransform(D3DTS_PROJECTION, &proj);
    }
    void flags(DWORD value) { dev().SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, value); }
    void matrix(const D3DMATRIX& m) { dev().SetTransform(D3DTS_TEXTURE0, &m); }
    // A quad filling the view at depth z whose four vertices all carry (u, v).
    uint32_t drawWith(float u, float v, float z = 2.0f) {
        const float s = z * 1.2f;
        gfx::VertexBuffer* vb = vertexBuffer<MeshVertex>({{-s, s, z, 0, 0, -1, u, v},
                                                          {s, s, z, 0, 0, -1, u, v},
                                                          {s, -s, z, 0, 0, -1, u, v},
                                                          {-s, -s, z, 0, 0, -1, u, v}});
        dev().SetVertexShader(0x112);
        dev().SetStreamSource(0, vb, sizeof(MeshVertex));
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
        return pixel(32, 32);
    }
};

// A pair (u, v) enters the matrix as (u, v, 1, 0): its third row translates it, its fourth
// row does nothing.
TEST_F(TextureTransforms, TwoCoordinatesAreMovedByTheThirdRow) {
    D3DMATRIX m = testsupport::Identity();
    m.m[2][0] = 0.5f;
    matrix(m);
    flags(D3DTTFF_COUNT2);
    EXPECT_EQ(drawWith(0.25f, 0.25f), kTopRight);
    m = testsupport::Identity();
    m.m[3][1] = 0.5f;
    matrix(m);
    EXPECT_EQ(drawWith(0.25f, 0.25f), kTopLeft);
    flags(D3DTTFF_DISABLE);  // the matrix is ignored again
    m.m[2][0] = 0.5f;
    matrix(m);
    EXPECT_EQ(drawWith(0.25f, 0.75f), kBottomLeft);
}

// Camera-space position (x, y, z, 1) of a quad at depth 3 through a matrix giving
// (z / 4, 3 z / 4, z, 0): divided by the third coordinate, (0.25, 0.75); undivided it would
// clamp to the bottom right.
TEST_F(TextureTransforms, ProjectedCoordinatesAreDividedByTheLastOnePassed) {
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION);
    D3DMATRIX m{};
    m.m[2][0] = 0.25f;
    m.m[2][1] = 0.75f;
    m.m[2][2] = 1.0f;
    matrix(m);
    flags(D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    EXPECT_EQ(drawWith(0, 0, 3.0f), kBottomLeft);
    flags(D3DTTFF_COUNT3);
    EXPECT_EQ(drawWith(0, 0, 3.0f), kBottomRight);
    // COUNT4: the fourth coordinate (here z as well) is the divisor.
    m.m[2][2] = 0.0f;
    m.m[2][3] = 1.0f;
    matrix(m);
    flags(D3DTTFF_COUNT4 | D3DTTFF_PROJECTED);
    EXPECT_EQ(drawWith(0, 0, 3.0f), kBottomLeft);
}

// The camera-space normal (0, 0, -1) enters as (0, 0, -1, 1): the fourth row translates it.
TEST_F(TextureTransforms, GeneratedCoordinatesAreTransformedToo) {
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    D3DMATRIX m{};
    m.m[2][0] = -0.25f;  // u = 0.25 - nz / 4 ... from nz = -1
    m.m[2][1] = -0.75f;  // v = 0.75
    m.m[3][0] = 0.5f;    // u += 0.5
    matrix(m);
    flags(D3DTTFF_COUNT2);
    EXPECT_EQ(drawWith(0, 0), kBottomRight);
    // Reflection of the eye direction off the quad, straight back at the eye: (0, 0, -1).
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    dev().SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    EXPECT_EQ(drawWith(0, 0), kBottomRight);
}

// Pre-transformed vertices are not processed: their coordinates reach the stage unchanged.
TEST_F(TextureTransforms, ScreenSpaceVerticesKeepTheirCoordinates) {
    D3DMATRIX m = testsupport::Identity();
    m.m[2][0] = 0.5f;
    m.m[3][0] = 0.5f;
    matrix(m);
    flags(D3DTTFF_COUNT2);
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawScreenQuad(0, 0, 64, 64, 0xFFFFFFFF, 0.25f, 0.75f, 0.25f, 0.75f);
    EXPECT_EQ(pixel(32, 32), kBottomLeft);
}

// Each stage uses its own matrix and flags.
TEST_F(TextureTransforms, EachStageHasItsOwnMatrix) {
    dev().SetTexture(1, texture(2, 2, {kTopLeft, kTopRight, kBottomLeft, kBottomRight}));
    dev().SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    for (auto s : {D3DTSS_ADDRESSU, D3DTSS_ADDRESSV})
        dev().SetTextureStageState(1, s, D3DTADDRESS_CLAMP);
    D3DMATRIX m = testsupport::Identity();
    m.m[2][1] = 0.5f;  // stage 1 moves down
    dev().SetTransform(D3DTS_TEXTURE1, &m);
    dev().SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    // Stage 0 reads the top-left red, stage 1 the bottom-left blue: magenta.
    EXPECT_EQ(drawWith(0.25f, 0.25f), 0xFFFF00FFu);
}

}  // namespace
