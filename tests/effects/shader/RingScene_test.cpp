#include "effects/shader/RingScene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ShaderScenesFixture.h"
#include "effects/objects/PointField.h"

namespace {

using namespace shaderscenes_test;
using effects::ringScene;

TEST(RingLookAtTest, GlidesInAlongTheDiagonalAndRests) {
    const D3DXVECTOR3 p = effects::RingLookAt(224.0f, 225.0f);
    EXPECT_NEAR(p.x, 228.21f, 0.005f);
    EXPECT_NEAR(p.y, 631.79f, 0.005f);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_FLOAT_EQ(p.x + p.y, 860.0f);
    EXPECT_EQ(effects::RingLookAt(449.5f, 450.5f), D3DXVECTOR3(430.0f, 430.0f, 0.0f));
    EXPECT_EQ(effects::RingLookAt(5000.0f, 5001.0f), D3DXVECTOR3(430.0f, 430.0f, 0.0f));
    // Far out at the start: g = 1 - 450/0.06.
    EXPECT_LT(effects::RingLookAt(0.06f, 1.0f).x, -1.0e6f);
    EXPECT_FALSE(std::isfinite(effects::RingLookAt(0.0f, 0.0f).x));
}

class RingSceneTest : public ShaderScenesTest {
  protected:
    // Starts the glide timer and runs it past the glide, so the next draw looks at the
    // resting point (430, 430, 0).
    void StartGlide() {
        ringScene.draw(0.0f, glide);
        platform::VirtualClockAdvance(2000);
        ringScene.draw(0.0f, glide);
        platform::VirtualClockAdvance(50000);
    }
};

TEST_F(RingSceneTest, InitLoadsSharedTexturesBuildsTheCubeMapMeshesAndPrograms) {
    InitRing();
    EXPECT_TRUE(reports.fatals.empty() && reports.reports.empty())
        << ::testing::PrintToString(reports.fatals);
    EXPECT_NE(ringScene.attenuationTexture, nullptr);
    EXPECT_NE(ringScene.bumpTexture, nullptr);
    EXPECT_NE(ringScene.ringSurfaceTexture, nullptr);
    EXPECT_NE(ringScene.centreSurfaceTexture, nullptr);
    ASSERT_NE(ringScene.cubeMap, nullptr);
    EXPECT_EQ(ringScene.cubeMapDescription.width, 512u);
    EXPECT_EQ(ringScene.cubeMapDescription.height, 512u);
    EXPECT_EQ(ringScene.cubeMapDescription.format, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(ringScene.ringMesh.drawable());
    EXPECT_TRUE(ringScene.centreMesh.drawable());
    EXPECT_NE(effects::pointField.vertexBuffer, nullptr);

    // Order: point field (its picture, its buffer), the four pictures, the cube map, the two
    // meshes, the four programs.
    std::vector<std::string> kinds;
    for (const std::string& c : device.callStrings()) {
        for (const char* k : {"CreateTexture(", "CreateCubeTexture(", "CreateVertexBuffer(",
                              "CreateVertexShader(", "CreatePixelShader("})
            if (c.rfind(k, 0) == 0 && (kinds.empty() || kinds.back() != k)) kinds.push_back(k);
    }
    const std::vector<std::string> expected = {
        "CreateTexture(",     "CreateVertexBuffer(", "CreateTexture(",
        "CreateCubeTexture(", "CreateVertexBuffer(", "CreateVertexShader(",
        "CreatePixelShader(", "CreateVertexShader(", "CreatePixelShader("};
    EXPECT_EQ(kinds, expected);
    // Ring mapping (0.1 x - 50, 0.1 y, 0.1 z), centre 55 p; tangents built.
    effects::ShaderVertex v[4];
    std::memcpy(v, ringScene.ringMesh.vertexBuffer->data(), sizeof v);
    EXPECT_FLOAT_EQ(v[1].position[0], -49.9f);
    EXPECT_FLOAT_EQ(v[3].position[1], 0.1f);
    EXPECT_EQ(v[3].tangent[0], 1.0f);
    std::memcpy(v, ringScene.centreMesh.vertexBuffer->data(), sizeof v);
    EXPECT_EQ(v[3].position[0], 55.0f);
    EXPECT_FLOAT_EQ(v[0].binormal[1], 1.0f);
}

TEST_F(RingSceneTest, FramesWhileTheGlideTimerReadsZeroDrawNothingOfTheScene) {
    InitRing();
    device.clearCalls();
    ringScene.draw(0.0f, glide);
    EXPECT_TRUE(device.callsNamed("DrawIndexedPrimitive").empty());
    EXPECT_TRUE(device.callsNamed("DrawPrimitive").empty());
    EXPECT_TRUE(glide.running);
    // Started and updated in the same millisecond: the next frame still reads e0 = 0.
    platform::VirtualClockAdvance(1000);
    ringScene.draw(0.0f, glide);
    EXPECT_TRUE(device.callsNamed("DrawIndexedPrimitive").empty());
    EXPECT_EQ(glide.elapsed, 60.0f);
    platform::VirtualClockAdvance(16);
    ringScene.draw(0.0f, glide);
    EXPECT_EQ(device.callsNamed("DrawIndexedPrimitive").size(), 18u);
    EXPECT_EQ(device.callsNamed("DrawPrimitive").size(), 2u);
}

TEST_F(RingSceneTest, GlideTimerValuesPlaceTheLookAtPoint) {
    InitRing();
    ringScene.draw(0.0f, glide);  // starts the glide timer at the current clock
    // Elapsed 224 before the update and 225 (3750 ms) after it.
    glide.elapsed = 224.0f;
    platform::VirtualClockSet(glide.startTime + 3750);
    device.clearCalls();
    ringScene.draw(0.0f, glide);
    D3DXMATRIX expected;
    const D3DXVECTOR3 eye(0, 520, 510), at = effects::RingLookAt(224.0f, 225.0f), up(0, 1, 0);
    D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
    EXPECT_EQ(ringScene.viewMatrix, expected);
    // Long after the glide: (430, 430, 0) exactly.
    platform::VirtualClockAdvance(100000);
    ringScene.draw(0.0f, glide);
    const D3DXVECTOR3 rest(430, 430, 0);
    D3DXMatrixLookAtLH(&expected, &eye, &rest, &up);
    EXPECT_EQ(ringScene.viewMatrix, expected);
}

TEST_F(RingSceneTest, EighteenDrawsWithTheirPassesConstantsAndCulling) {
    InitRing();
    StartGlide();
    device.clearCalls();
    ringScene.draw(0.0f, glide);

    const Registers start = RegistersBefore(device, device.calls().size());
    EXPECT_EQ(start[11], (std::array<float, 4>{245, 0, 0, 1}));
    EXPECT_EQ(start[12], (std::array<float, 4>{0, 520, 510, 0}));
    EXPECT_EQ(Bits(start[33][0]), 0x390BCD02u);

    const auto draws = CallsStartingWith(device, "DrawIndexedPrimitive(");
    ASSERT_EQ(draws.size(), 18u);
    // Copy 0 at t = 0: the quarter turn about x alone, taking +y to +z.
    const D3DXMATRIX world0 = WorldFrom(RegistersBefore(device, draws[0]));
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXVECTOR3 turned;
    D3DXVec3TransformNormal(&turned, &up, &world0);
    EXPECT_NEAR(turned.x, 0.0f, 1e-6f);
    EXPECT_NEAR(turned.y, 0.0f, 1e-6f);
    EXPECT_NEAR(turned.z, 1.0f, 1e-6f);
    // Copy i turns i eighths about y after the quarter turn.
    const D3DXMATRIX world3 = WorldFrom(RegistersBefore(device, draws[6]));
    D3DXMATRIX x, y;
    const D3DXVECTOR3 xAxis(1, 0, 0), yAxis(0, 1, 0);
    D3DXMatrixRotationAxis(&x, &xAxis, 1.5707964f);
    D3DXMatrixRotationAxis(&y, &yAxis, 3 * 0.7853982f);
    const D3DXMATRIX expected3 = x * y;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(world3.m[i][j], expected3.m[i][j], 1e-6f);

    // Light pass and surface pass alternate; the centre's light pass draws both sides.
    const auto calls = device.callStrings();
    const std::string metal = gfx::ResourceName(ringScene.ringSurfaceTexture);
    const std::string text = gfx::ResourceName(ringScene.centreSurfaceTexture);
    for (size_t d = 0; d < 18; ++d) {
        const std::string vs = d % 2 == 0 ? "vs#1" : "vs#2";
        const int select = device.find("SetVertexShader(" + vs + ")", d == 0 ? 0 : draws[d - 1]);
        ASSERT_GE(select, 0);
        EXPECT_LT(static_cast<size_t>(select), draws[d]) << d;
    }
    DWORD cull;
    EXPECT_EQ(calls[draws[0] - 1], "SetRenderState(D3DRS_CULLMODE, 2)");
    EXPECT_EQ(calls[draws[16] - 1], "SetRenderState(D3DRS_CULLMODE, 1)");
    EXPECT_GE(device.find("SetTexture(0, " + metal + ")", draws[0]), 0);
    EXPECT_GT(device.find("SetTexture(0, " + text + ")", draws[15]), static_cast<int>(draws[16]));
    device.GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));
}

TEST_F(RingSceneTest, ThePointFieldFollowsWithTheSameCameraAndTheGlideTime) {
    InitRing();
    StartGlide();
    device.clearCalls();
    ringScene.draw(40.0f, glide);
    const auto points = CallsStartingWith(device, "DrawPrimitive(D3DPT_POINTLIST");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_GT(points[0], CallsStartingWith(device, "DrawIndexedPrimitive(").back());
    D3DXMATRIX world;
    device.GetTransform(D3DTS_WORLD, &world);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(world, identity);
    D3DXMATRIX view, projection;
    device.GetTransform(D3DTS_VIEW, &view);
    device.GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_EQ(view, ringScene.viewMatrix);
    EXPECT_EQ(projection, ringScene.projectionMatrix);
    // The field's time is the glide timer's, not the segment's.
    const float e1 = glide.elapsed;
    effects::PointFieldVertex v;
    std::memcpy(&v, effects::pointField.vertexBuffer->data() + 16 * 700, sizeof v);
    EXPECT_NEAR(v.x, effects::PointField::Position(700, e1).x, 2e-5);
    EXPECT_NEAR(v.z, effects::PointField::Position(700, e1).z, 2e-5);
}

TEST_F(RingSceneTest, WithoutACubeMapTheSurfacePassBindsNone) {
    InitRing();
    ringScene.cubeMap = nullptr;
    StartGlide();
    device.clearCalls();
    ringScene.draw(0.0f, glide);
    EXPECT_EQ(device.callsNamed("DrawIndexedPrimitive").size(), 18u);
    EXPECT_GE(device.find("SetTexture(2, null)"), 0);
}

}  // namespace
