#include "effects/objects/PointField.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/RecordingDevice.h"
#include "support/EffectPack.h"
#include "support/ReportCapture.h"

namespace {

using effects::PointField;
using effects::PointFieldVertex;

std::vector<PointFieldVertex> Contents(const gfx::VertexBuffer* vb) {
    std::vector<PointFieldVertex> v(PointField::kPointCount);
    std::memcpy(v.data(), vb->data(), v.size() * sizeof(PointFieldVertex));
    return v;
}

TEST(PointFieldPositionTest, PointZeroFollowsTheClosedForm) {
    for (float t : {0.0f, 1.0f, 137.5f, 2400.0f}) {
        const double T1 = 0.012 * t, T2 = 0.02 * t;
        const D3DXVECTOR3 p = PointField::Position(0, t);
        EXPECT_NEAR(p.x, 31.0 * std::sin(T1), 1e-5) << t;
        EXPECT_NEAR(p.y, 20.0 * (std::sin(std::cos(T2)) + std::sin(T2)) + 31.0, 1e-5) << t;
        EXPECT_NEAR(p.z, 20.0 * (std::sin(T2) + 1.0), 1e-5) << t;
    }
}

TEST(PointFieldPositionTest, TheFrameLoopAgreesWithTheSumsForEveryPoint) {
    PointField field;
    field.amplitude = 31.0f;
    std::vector<PointFieldVertex> v(PointField::kPointCount);
    for (float t : {0.0f, 59.25f, 1000.0f, 7777.0f}) {
        field.computePositions(t, v.data());
        double worst = 0;
        for (UINT i = 0; i < PointField::kPointCount; ++i) {
            const D3DXVECTOR3 p = PointField::Position(i, t);
            worst = std::max({worst, std::fabs(double{p.x} - v[i].x),
                              std::fabs(double{p.y} - v[i].y), std::fabs(double{p.z} - v[i].z)});
            ASSERT_EQ(v[i].colour, PointField::kSpriteColour);
        }
        // Single-precision agreement: values reach about 90, whose float spacing is 7.6e-6.
        EXPECT_LE(worst, 2e-5) << t;
    }
}

class PointFieldDrawTest : public ::testing::Test {
  protected:
    PointFieldDrawTest() : scope(&device) {}
    void SetUp() override {
        ASSERT_TRUE(pack.ok()) << pack.error();
        field.init();
        ASSERT_NE(field.vertexBuffer, nullptr);
        D3DXMatrixIdentity(&field.worldMatrix);
        D3DXMatrixIdentity(&field.viewMatrix);
        D3DXMatrixIdentity(&field.projectionMatrix);
        field.viewMatrix.m[3][2] = 300.0f;
    }

    testsupport::ReportCapture reports;
    testsupport::EffectPack pack;
    gfx::RecordingDevice device;
    testsupport::GlobalDeviceScope scope;
    PointField field;
};

TEST_F(PointFieldDrawTest, InitLoadsThePictureAndMakesAPointBuffer) {
    EXPECT_TRUE(reports.fatals.empty() && reports.reports.empty());
    EXPECT_NE(field.texture, nullptr);
    EXPECT_EQ(field.pointSize, 3.5f);
    EXPECT_EQ(field.amplitude, 31.0f);
    const auto creations = device.callsNamed("CreateVertexBuffer");
    ASSERT_EQ(creations.size(), 1u);
    EXPECT_EQ(creations[0].str(), "CreateVertexBuffer(40000, 0x40, 0x42, 1) -> " +
                                      gfx::ResourceName(field.vertexBuffer));
    // Filled once, for time 0.
    const auto v = Contents(field.vertexBuffer);
    const D3DXVECTOR3 p = PointField::Position(1234, 0.0f);
    EXPECT_NEAR(v[1234].x, p.x, 2e-5);
    EXPECT_EQ(v[1234].colour, PointField::kSpriteColour);
}

TEST_F(PointFieldDrawTest, SpritesThenTheRedLineStripWithTheirStates) {
    device.clearCalls();
    field.draw(200.0f);
    const std::string tex = gfx::ResourceName(field.texture);
    const std::string vb = gfx::ResourceName(field.vertexBuffer);
    const std::vector<std::string> expected = {
        "SetTransform(D3DTS_VIEW)",
        "SetTransform(D3DTS_PROJECTION)",
        "SetTransform(D3DTS_WORLD)",
        "SetRenderState(D3DRS_POINTSPRITEENABLE, 1)",
        "SetRenderState(D3DRS_POINTSCALEENABLE, 1)",
        "SetRenderState(D3DRS_LIGHTING, 0)",
        "SetRenderState(D3DRS_ZWRITEENABLE, 0)",
        "SetRenderState(D3DRS_POINTSIZE, 3.5)",
        "SetRenderState(D3DRS_POINTSIZE_MIN, 1.5)",
        "SetRenderState(D3DRS_POINTSCALE_A, 1.5)",
        "SetRenderState(D3DRS_POINTSCALE_B, 1.5)",
        "SetRenderState(D3DRS_POINTSCALE_C, 0.5)",
        "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
        "SetRenderState(D3DRS_SRCBLEND, 2)",
        "SetRenderState(D3DRS_DESTBLEND, 2)",
        "SetTexture(0, " + tex + ")",
        "SetTexture(1, null)",
        "SetTexture(2, null)",
        "SetTexture(3, null)",
        "SetPixelShader(0)",
        "SetStreamSource(0, " + vb + ", 16)",
        "SetVertexShader(0x42)",
        "DrawPrimitive(D3DPT_POINTLIST, 0, 2500)",
        "SetRenderState(D3DRS_POINTSPRITEENABLE, 0)",
        "SetRenderState(D3DRS_POINTSCALEENABLE, 0)",
        "SetTexture(0, null)",
        "SetTexture(1, null)",
        "SetTexture(2, null)",
        "SetTexture(3, null)",
        "SetPixelShader(0)",
        "SetStreamSource(0, " + vb + ", 16)",
        "SetVertexShader(0x42)",
        "DrawPrimitive(D3DPT_LINESTRIP, 0, 2498)",
        "SetRenderState(D3DRS_LIGHTING, 1)",
        "SetRenderState(D3DRS_ZWRITEENABLE, 1)",
    };
    EXPECT_EQ(device.callStrings(), expected);
    EXPECT_EQ(device.callsNamed("SetTransform")[0].floats[14], 300.0f);

    // Blending stays on, ONE and ONE; sprites off; lighting and depth writes back on.
    DWORD v;
    device.GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, TRUE);
    device.GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
    device.GetRenderState(D3DRS_DESTBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
    device.GetRenderState(D3DRS_POINTSPRITEENABLE, &v);
    EXPECT_EQ(v, FALSE);
}

TEST_F(PointFieldDrawTest, TheBufferEndsRedAtTheFramesPositionsAndRepeatsForTheSameTime) {
    field.draw(321.0f);
    const auto first = Contents(field.vertexBuffer);
    for (UINT i = 0; i < PointField::kPointCount; i += 499) {
        const D3DXVECTOR3 p = PointField::Position(i, 321.0f);
        EXPECT_NEAR(first[i].x, p.x, 2e-5) << i;
        EXPECT_NEAR(first[i].y, p.y, 2e-5) << i;
        EXPECT_NEAR(first[i].z, p.z, 2e-5) << i;
    }
    for (const PointFieldVertex& v : first) ASSERT_EQ(v.colour, PointField::kLineColour);
    field.draw(10.0f);
    field.draw(321.0f);
    const auto second = Contents(field.vertexBuffer);
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof first[0]), 0);
}

}  // namespace
