// Which distance fog measures: eye depth w only under a perspective-shaped projection,
// projected depth z otherwise and for screen-space vertices; linear fog with its start at its
// end; vertex fog by the absolute eye-space depth.
#include <gtest/gtest.h>

#include <cmath>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::ColorVertex;
using testsupport::GlDeviceTest;

class FogDistance : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().SetRenderState(D3DRS_FOGENABLE, TRUE);
        dev().SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);
        clear();
    }
    void clear() { dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0); }
    void tableFog(D3DFOGMODE mode) {
        dev().SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
        dev().SetRenderState(D3DRS_FOGTABLEMODE, mode);
    }
    void vertexFog(D3DFOGMODE mode) {
        dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        dev().SetRenderState(D3DRS_FOGVERTEXMODE, mode);
    }
    void linear(float start, float end) {
        dev().SetRenderState(D3DRS_FOGSTART, FloatToDWORD(start));
        dev().SetRenderState(D3DRS_FOGEND, FloatToDWORD(end));
    }
    void projection(const D3DMATRIX& m) { dev().SetTransform(D3DTS_PROJECTION, &m); }
    // A white quad at view depth z spanning x, y in -s..s.
    void drawWhiteAt(float z, float s) {
        gfx::VertexBuffer* vb = vertexBuffer<ColorVertex>({{-s, s, z, 0xFFFFFFFF},
                                                           {s, s, z, 0xFFFFFFFF},
                                                           {s, -s, z, 0xFFFFFFFF},
                                                           {-s, -s, z, 0xFFFFFFFF}});
        dev().SetVertexShader(0x042);
        dev().SetStreamSource(0, vb, sizeof(ColorVertex));
        ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    }
    // White fogged towards red by factor f (1: no fog).
    static uint32_t Fogged(double f) {
        const uint32_t v = static_cast<uint32_t>(std::lround(255.0 * f));
        return 0xFFFF0000u | v << 8 | v;
    }
    // An orthographic projection taking view depth 0..depthRange to 0..1.
    static D3DMATRIX Orthographic(float depthRange) {
        D3DMATRIX m = testsupport::Identity();
        m.m[2][2] = 1.0f / depthRange;
        return m;
    }
    static D3DMATRIX Perspective() {
        return testsupport::PerspectiveFovLH(1.5707964f, 1.0f, 1.0f, 1000.0f);
    }
};

// With the identity projection w is 1 everywhere: measuring w would fog the whole quad.
TEST_F(FogDistance, TableFogUnderAnAffineProjectionMeasuresTheProjectedDepth) {
    tableFog(D3DFOG_LINEAR);
    linear(0.0f, 1.0f);
    projection(testsupport::Identity());
    drawWhiteAt(0.25f, 1.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(0.75), 2));

    clear();
    tableFog(D3DFOG_EXP);
    dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(2.0f));
    projection(Orthographic(1000.0f));
    drawWhiteAt(500.0f, 1.0f);  // z = 0.5
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(std::exp(-1.0)), 2));
}

// A perspective matrix scaled so that _34 is not 1 is not the shape the eye-depth test looks
// for: its fog falls back to z as well.
TEST_F(FogDistance, OnlyAPerspectiveShapedProjectionGivesEyeDepth) {
    tableFog(D3DFOG_LINEAR);
    linear(0.0f, 200.0f);
    projection(Perspective());
    drawWhiteAt(100.0f, 120.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(0.5), 2));  // w = 100

    clear();
    D3DMATRIX scaled = Perspective();
    for (auto& row : scaled.m)
        for (float& v : row) v *= 2.0f;
    projection(scaled);
    linear(0.0f, 2.0f);
    // The same picture, but z = (100 - 1) * 1000 / 999 / 100 = 0.991 measured against 0..2.
    drawWhiteAt(100.0f, 120.0f);
    const double z = (100.0 - 1.0) * 1000.0 / 999.0 / 100.0;
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(1.0 - z / 2.0), 2));
}

// Screen-space vertices are fogged by their z even under a perspective projection; their w
// (1 / rhw = 2 here) would fog them completely.
TEST_F(FogDistance, ScreenSpaceVerticesUseTheirZ) {
    tableFog(D3DFOG_LINEAR);
    linear(0.0f, 1.0f);
    projection(Perspective());
    using testsupport::ScreenVertex;
    gfx::VertexBuffer* vb = vertexBuffer<ScreenVertex>({{0, 0, 0.25f, 0.5f, 0xFFFFFFFF, 0, 0},
                                                        {64, 0, 0.25f, 0.5f, 0xFFFFFFFF, 0, 0},
                                                        {64, 64, 0.25f, 0.5f, 0xFFFFFFFF, 0, 0},
                                                        {0, 64, 0.25f, 0.5f, 0xFFFFFFFF, 0, 0}},
                                                       0x144);
    dev().SetVertexShader(0x144);
    dev().SetStreamSource(0, vb, sizeof(ScreenVertex));
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(0.75), 2));
}

// Start at end: a step at that distance, nothing fogged before it and everything behind it.
TEST_F(FogDistance, LinearFogWithStartAtEndIsAStep) {
    projection(Perspective());
    linear(100.0f, 100.0f);
    for (const bool table : {true, false}) {
        if (table)
            tableFog(D3DFOG_LINEAR);
        else
            vertexFog(D3DFOG_LINEAR);
        clear();
        drawWhiteAt(50.0f, 60.0f);
        EXPECT_EQ(pixel(32, 32), 0xFFFFFFFFu) << (table ? "table" : "vertex");
        clear();
        drawWhiteAt(150.0f, 180.0f);
        EXPECT_EQ(pixel(32, 32), 0xFFFF0000u) << (table ? "table" : "vertex");
    }
}

// A projection keeping view depths -1..1 visible (z' = z / 2 + 1 / 2): the quad behind the eye
// plane at z = -0.5 is fogged by its distance 0.5, as the one in front at 0.5 is.
TEST_F(FogDistance, VertexFogMeasuresTheAbsoluteEyeDepth) {
    D3DMATRIX both = testsupport::Identity();
    both.m[2][2] = 0.5f;
    both.m[3][2] = 0.5f;
    projection(both);
    vertexFog(D3DFOG_LINEAR);
    linear(0.0f, 1.0f);
    for (const float z : {-0.5f, 0.5f}) {
        clear();
        drawWhiteAt(z, 1.0f);
        EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(0.5), 2)) << z;
    }
    vertexFog(D3DFOG_EXP);
    dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(2.0f));
    clear();
    drawWhiteAt(-0.5f, 1.0f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Fogged(std::exp(-1.0)), 2));
}

}  // namespace
