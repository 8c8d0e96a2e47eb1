// Primitive types and the fixed-function vertex formats the engine draws with.
#include <gtest/gtest.h>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorVertex;
using testsupport::GlDeviceTest;

class Primitives : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    int count(uint32_t colour) {
        int n = 0;
        for (uint32_t p : read()) n += p == colour;
        return n;
    }
};

TEST_F(Primitives, TriangleStripsAndLineLists) {
    // A strip of two triangles covering the left half.
    dev().SetVertexShader(0x042);
    dev().SetStreamSource(0,
                          vertexBuffer<ColorVertex>({{-1, 1, 0.5f, 0xFFFF0000},
                                                     {0, 1, 0.5f, 0xFFFF0000},
                                                     {-1, -1, 0.5f, 0xFFFF0000},
                                                     {0, -1, 0.5f, 0xFFFF0000}}),
                          sizeof(ColorVertex));
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(count(0xFFFF0000), 32 * 64);
    // Two separate horizontal lines.
    dev().SetStreamSource(0,
                          vertexBuffer<ColorVertex>({{0, 0.5f, 0.5f, 0xFF00FF00},
                                                     {1, 0.5f, 0.5f, 0xFF00FF00},
                                                     {0, -0.5f, 0.5f, 0xFF00FF00},
                                                     {1, -0.5f, 0.5f, 0xFF00FF00}}),
                          sizeof(ColorVertex));
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_LINELIST, 0, 2), D3D_OK);
    EXPECT_EQ(count(0xFF00FF00), 2 * 32);
}

TEST_F(Primitives, TwoCoordinateSetsOfTheMetalFormat) {
    // 0x212: position, normal, two coordinate sets; stage 1 reads set 1 added to stage 0.
    struct V {
        float x, y, z, nx, ny, nz, u0, v0, u1, v1;
    };
    const V quad[] = {{-1, 1, 0.5f, 0, 0, -1, 0.25f, 0.5f, 0.75f, 0.5f},
                      {1, 1, 0.5f, 0, 0, -1, 0.25f, 0.5f, 0.75f, 0.5f},
                      {1, -1, 0.5f, 0, 0, -1, 0.25f, 0.5f, 0.75f, 0.5f},
                      {-1, -1, 0.5f, 0, 0, -1, 0.25f, 0.5f, 0.75f, 0.5f}};
    gfx::Texture* tex = texture(2, 1, {0xFF400000, 0xFF004000});
    dev().SetTexture(0, tex);
    dev().SetTexture(1, tex);
    for (DWORD s = 0; s < 2; ++s) {
        dev().SetTextureStageState(s, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        dev().SetTextureStageState(s, D3DTSS_MINFILTER, D3DTEXF_POINT);
    }
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    dev().SetVertexShader(0x212);
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), sizeof(V));
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(32, 32), 0xFF404000u);
}

TEST_F(Primitives, PositionAndCoordinatesOfTheEffectQuadFormat) {
    // 0x102 with lighting on: no normal, so only the ambient and emissive terms remain.
    struct V {
        float x, y, z, u, v;
    };
    const V quad[] = {{-1, -1, 1, 0, 1}, {1, -1, 1, 1, 1}, {1, 1, 1, 1, 0}, {-1, 1, 1, 0, 0}};
    dev().SetRenderState(D3DRS_LIGHTING, TRUE);
    dev().SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    D3DMATERIAL8 m{};
    m.Ambient = {1, 0.5f, 0.25f, 1};
    m.Diffuse = {1, 1, 1, 1};
    dev().SetMaterial(&m);
    dev().SetVertexShader(0x102);
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), sizeof(V));
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_TRUE(testsupport::ColorNear(pixel(32, 32), 0xFF402010, 1));
}

TEST_F(Primitives, CameraSpacePositionCoordinates) {
    dev().SetTexture(0, texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    dev().SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION);
    drawMeshQuad(0.1f, 0.1f, 0.9f, 0.9f, 0.5f);  // camera-space x, y 0.1..0.9 as u, v
    // u grows to the right and v upwards on the screen: the top right reads texel (1, 1).
    EXPECT_EQ(pixel(60, 5), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(36, 28), 0xFFFF0000u);
}

}  // namespace
