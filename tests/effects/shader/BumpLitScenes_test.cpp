// The rotating mesh, cube grid and end mesh scenes against the recording device.
#include <gtest/gtest.h>

#include <cmath>

#include "ShaderScenesFixture.h"
#include "scene/Track.h"

namespace {

using namespace shaderscenes_test;
using effects::cubeGridScene;
using effects::endMeshScene;
using effects::rotatingMeshScene;

// ---------------------------------------------------------------- rotating mesh

TEST_F(ShaderScenesTest, RotatingMeshAtTimeZero) {
    InitRing();
    InitRotating();
    EXPECT_TRUE(reports.fatals.empty() && reports.reports.empty());
    effects::ShaderVertex v[4];
    std::memcpy(v, rotatingMeshScene.mesh.vertexBuffer->data(), sizeof v);
    EXPECT_EQ(v[3].position[0], 125.0f);
    EXPECT_EQ(v[3].tangent[0], 1.0f);

    device.clearCalls();
    rotatingMeshScene.draw(0.0f);
    const auto draws = CallsStartingWith(device, "DrawIndexedPrimitive(");
    ASSERT_EQ(draws.size(), 2u);
    const Registers r = RegistersBefore(device, draws[0]);
    EXPECT_EQ(r[11], (std::array<float, 4>{0, 500, 500, 1}));
    EXPECT_EQ(r[12], (std::array<float, 4>{0, 220, 310, 0}));
    EXPECT_EQ(Bits(r[33][0]), 0x3979A199u);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(WorldFrom(r), identity);
    // The light pass first (shading), then the surface pass with the scene's own picture.
    EXPECT_EQ(
        device.find("SetTexture(0, " + gfx::ResourceName(rotatingMeshScene.surfaceTexture) + ")"),
        static_cast<int>(draws[0]) + 7);
    DWORD value;
    device.GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CW));
    device.GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_DESTCOLOR));
    device.GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ZERO));
}

TEST_F(ShaderScenesTest, RotatingMeshTurnsAboutItsTiltedAxisUnderAFixedCamera) {
    InitRing();
    InitRotating();
    rotatingMeshScene.draw(0.0f);
    const D3DXMATRIX view0 = rotatingMeshScene.viewMatrix;
    const D3DXMATRIX projection0 = rotatingMeshScene.projectionMatrix;
    device.clearCalls();
    rotatingMeshScene.draw(100.0f);
    EXPECT_EQ(rotatingMeshScene.viewMatrix, view0);
    EXPECT_EQ(rotatingMeshScene.projectionMatrix, projection0);
    D3DXMATRIX expected;
    const D3DXVECTOR3 axis(0.7f, 0.4f, 0.2f);
    D3DXMatrixRotationAxis(&expected, &axis, 0.5f);
    EXPECT_EQ(WorldFrom(RegistersBefore(device, device.calls().size())), expected);
    // The turn is about the normalised axis: the axis itself stays put.
    D3DXVECTOR3 unit, turned;
    D3DXVec3Normalize(&unit, &axis);
    D3DXVec3TransformNormal(&turned, &unit, &expected);
    EXPECT_NEAR(turned.x, unit.x, 1e-6f);
    EXPECT_NEAR(turned.z, unit.z, 1e-6f);
    const Registers r = RegistersBefore(device, device.calls().size());
    EXPECT_FLOAT_EQ(r[11][0], static_cast<float>(545 * std::sin(3.0)));
    EXPECT_FLOAT_EQ(r[11][1], static_cast<float>(500 * std::cos(3.3)));
    EXPECT_FLOAT_EQ(r[11][2], static_cast<float>(500 * std::cos(2.0)));
}

// ---------------------------------------------------------------- cube grid

TEST(CubeGridPathsTest, ValuesAtTimeZero) {
    const effects::CubeGridFrame f = effects::CubeGridAt(0.0f);
    EXPECT_NEAR(f.spacing, 410.349f, 0.0005f);
    EXPECT_EQ(f.lightB[0], 0.0f);
    EXPECT_NEAR(f.lightB[1], 112.825f, 0.0005f);
    EXPECT_EQ(f.lightB[2], 0.0f);
    EXPECT_EQ(f.lightB[3], 1.0f);
    EXPECT_NEAR(f.lightA[0], -409.101f, 0.0005f);
    EXPECT_NEAR(f.lightA[1], 299.896f, 0.0005f);
    EXPECT_NEAR(f.lightA[2], 50.252f, 0.0005f);
    EXPECT_EQ(f.lightA[3], 1.0f);
    EXPECT_NEAR(f.eye.x, -162.807f, 0.0005f);
    EXPECT_NEAR(f.eye.y, 244.191f, 0.0005f);
    EXPECT_NEAR(f.eye.z, 249.678f, 0.0005f);
    // The spacing breathes between 400 and 418.
    for (float t = 0; t < 300; t += 7) {
        const float s = effects::CubeGridAt(t).spacing;
        EXPECT_GE(s, 400.0f);
        EXPECT_LE(s, 418.0f);
    }
}

TEST_F(ShaderScenesTest, CubeGridDrawsFourBatchesOfTheWholeGrid) {
    InitRing();
    InitRotating();
    InitGrid();
    EXPECT_TRUE(reports.fatals.empty() && reports.reports.empty());
    EXPECT_NE(cubeGridScene.bumpTexture, effects::ringScene.bumpTexture);
    device.clearCalls();
    cubeGridScene.draw(0.0f);
    const effects::CubeGridFrame f = effects::CubeGridAt(0.0f);
    const float s = f.spacing;

    const auto draws = CallsStartingWith(device, "DrawIndexedPrimitive(");
    ASSERT_EQ(draws.size(), 256u);
    const Registers first = RegistersBefore(device, draws[0]);
    EXPECT_EQ(Bits(first[33][0]), 0x3B02F0E9u);
    EXPECT_EQ(first[12], (std::array<float, 4>{f.eye.x, f.eye.y, f.eye.z, 0}));

    struct Expect {
        const float* light;
        DWORD src, dest;
        DWORD vs;
    };
    const DWORD light = cubeGridScene.programs.lightVertex;
    const DWORD surface = cubeGridScene.programs.surfaceVertex;
    const Expect batches[4] = {{f.lightA, D3DBLEND_ONE, D3DBLEND_ZERO, light},
                               {f.lightB, D3DBLEND_ONE, D3DBLEND_ONE, light},
                               {f.lightA, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, surface},
                               {f.lightB, D3DBLEND_ONE, D3DBLEND_ONE, surface}};
    const std::array<float, 16> viewProj0 = [&] {
        std::array<float, 16> a{};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) a[4 * i + j] = first[14 + i][j];
        return a;
    }();
    for (int b = 0; b < 4; ++b) {
        const size_t firstDraw = draws[64 * b], lastDraw = draws[64 * b + 63];
        const Registers at = RegistersBefore(device, firstDraw);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(at[11][c], batches[b].light[c]) << b;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) EXPECT_EQ(at[14 + i][j], viewProj0[4 * i + j]);
        // The first copy at (-500, -500, -500), k changing fastest, the last at 3s - 500.
        D3DXMATRIX w = WorldFrom(at);
        EXPECT_EQ(D3DXVECTOR3(w.m[3][0], w.m[3][1], w.m[3][2]),
                  D3DXVECTOR3(-500.0f, -500.0f, -500.0f));
        EXPECT_EQ(w.m[0][0], 1.0f);
        w = WorldFrom(RegistersBefore(device, draws[64 * b + 1]));
        EXPECT_EQ(D3DXVECTOR3(w.m[3][0], w.m[3][1], w.m[3][2]),
                  D3DXVECTOR3(-500.0f, -500.0f, s - 500.0f));
        w = WorldFrom(RegistersBefore(device, lastDraw));
        EXPECT_EQ(D3DXVECTOR3(w.m[3][0], w.m[3][1], w.m[3][2]),
                  D3DXVECTOR3(3 * s - 500.0f, 3 * s - 500.0f, 3 * s - 500.0f));
        // Blend factors once per batch, before its first draw and not inside it.
        DWORD src = 0, dest = 0;
        const auto calls = device.calls();
        for (size_t i = 0; i < firstDraw; ++i) {
            if (calls[i].str().rfind("SetRenderState(D3DRS_SRCBLEND", 0) == 0)
                src = static_cast<DWORD>(std::stoul(calls[i].args[1]));
            if (calls[i].str().rfind("SetRenderState(D3DRS_DESTBLEND", 0) == 0)
                dest = static_cast<DWORD>(std::stoul(calls[i].args[1]));
        }
        EXPECT_EQ(src, batches[b].src) << b;
        EXPECT_EQ(dest, batches[b].dest) << b;
        for (size_t i = firstDraw; i < lastDraw; ++i)
            EXPECT_EQ(calls[i].str().find("BLEND"), std::string::npos) << calls[i].str();
        const int select =
            device.find("SetVertexShader(" + device.VertexShaderName(batches[b].vs) + ")",
                        b == 0 ? 0 : draws[64 * b - 1]);
        EXPECT_GE(select, 0);
        EXPECT_LT(select, static_cast<int>(firstDraw));
    }
    DWORD value;
    device.GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CW));
}

// ---------------------------------------------------------------- end mesh

// A camera moving along a straight line: at frame f its position is (f, 2f, 3f).
std::unique_ptr<scene3ds::SceneCamera> LineCamera() {
    auto c = std::make_unique<scene3ds::SceneCamera>();
    auto key = [](float frame, D3DVECTOR v) {
        VectorKey k{};
        k.frame = frame;
        k.value = v;
        return k;
    };
    c->positionTrack.reset(2);
    c->positionTrack.keys = {key(0, {0, 0, 0}), key(100, {100, 200, 300})};
    c->targetTrack.reset(1);
    c->targetTrack.keys = {key(0, {0, -50, 0})};
    c->rollTrack.reset(1);
    c->fovTrack.reset(1);
    c->fovTrack.keys[0].value = 60.0f;
    return c;
}

TEST_F(ShaderScenesTest, EndMeshCameraPlaysFromFrameFiftyAtAThirdOfAFramePerTick) {
    InitRing();
    auto camera = LineCamera();
    crown->positionTrack.reset(1);
    crown->positionTrack.keys[0].value = {10, 20, 30};
    crown->scaleTrack.reset(1);
    crown->scaleTrack.keys[0].value = {2, 2, 2};
    crown->rotationTrack.reset(1);
    crown->rotationTrack.keys[0].quaternion = {0, 0, 0, 1};  // no turn
    InitEnd(camera.get());
    EXPECT_TRUE(reports.fatals.empty() && reports.reports.empty());

    for (const auto& [t, frame] : {std::pair{0.0f, 50.0f}, std::pair{100.0f, 85.0f}}) {
        device.clearCalls();
        endMeshScene.draw(t);
        const Registers r = RegistersBefore(device, device.calls().size());
        const D3DXVECTOR3 sampled = scene::SampleVectorTrack(camera->positionTrack, frame);
        EXPECT_EQ(r[12], (std::array<float, 4>{sampled.x, sampled.y, sampled.z, 0})) << t;
        EXPECT_NEAR(r[12][0], frame, 1e-4f);
        EXPECT_NEAR(r[12][2], 3 * frame, 1e-3f);
        EXPECT_EQ(r[11], (std::array<float, 4>{0, 89, 0, 1}));
        EXPECT_EQ(Bits(r[33][0]), 0x394229AB);
        D3DXMATRIX view;
        const D3DXVECTOR3 at(0, -50, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &sampled, &at, &up);
        EXPECT_EQ(endMeshScene.viewMatrix, view);
        // Placed by its tracks at frame 0: scale 2 then the move to (10, 20, 30).
        const D3DXMATRIX world = WorldFrom(r);
        EXPECT_EQ(world.m[0][0], 2.0f);
        EXPECT_EQ(D3DXVECTOR3(world.m[3][0], world.m[3][1], world.m[3][2]),
                  D3DXVECTOR3(10, 20, 30));
        // The fixed-function transforms are left alone.
        EXPECT_TRUE(device.callsNamed("SetTransform").empty());
    }
    EXPECT_NEAR(camera->position[0], 85.0f, 1e-4f);
}

TEST_F(ShaderScenesTest, EndMeshBufferCarriesNoTextureCoordinatesOrTangents) {
    InitRing();
    auto camera = LineCamera();
    InitEnd(camera.get());
    ASSERT_TRUE(endMeshScene.mesh.drawable());
    effects::ShaderVertex v[4];
    std::memcpy(v, endMeshScene.mesh.vertexBuffer->data(), sizeof v);
    for (const auto& s : v) {
        EXPECT_EQ(s.uv[0], 0.0f);
        EXPECT_EQ(s.uv[1], 0.0f);
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(s.tangent[a], 0.0f);
            EXPECT_EQ(s.binormal[a], 0.0f);
        }
    }
    EXPECT_EQ(v[3].position[1], 1.0f);
    EXPECT_EQ(v[0].normal[2], -1.0f);
}

TEST_F(ShaderScenesTest, EndMeshWritesDepthEverywhereButItsSurfacePass) {
    InitRing();
    auto camera = LineCamera();
    InitEnd(camera.get());
    device.clearCalls();
    endMeshScene.draw(10.0f);
    const auto draws = CallsStartingWith(device, "DrawIndexedPrimitive(");
    ASSERT_EQ(draws.size(), 2u);
    const int off = device.find("SetRenderState(D3DRS_ZWRITEENABLE, 0)");
    const int on = device.find("SetRenderState(D3DRS_ZWRITEENABLE, 1)");
    EXPECT_GT(off, static_cast<int>(draws[0]));
    EXPECT_LT(off, static_cast<int>(draws[1]));
    EXPECT_EQ(on, static_cast<int>(draws[1]) + 1);
    EXPECT_EQ(static_cast<size_t>(on) + 1, device.calls().size());
    DWORD value;
    device.GetRenderState(D3DRS_ZWRITEENABLE, &value);
    EXPECT_EQ(value, TRUE);
    // The cube map on stages 1 to 3 and the shading32 programs for the surface.
    const std::string cube = gfx::ResourceName(effects::ringScene.cubeMap);
    for (int stage = 1; stage <= 3; ++stage)
        EXPECT_GT(device.find("SetTexture(" + std::to_string(stage) + ", " + cube + ")"), off);
    gfx::BaseTexture* bound = nullptr;
    device.GetTexture(0, &bound);
    EXPECT_EQ(bound, endMeshScene.surfaceTexture);
    DWORD vs;
    device.GetVertexShader(&vs);
    EXPECT_EQ(vs, endMeshScene.programs.surfaceVertex);
    device.GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_DESTCOLOR));
}

TEST_F(ShaderScenesTest, EndMeshWithoutACameraDrawsNothing) {
    InitRing();
    InitEnd(nullptr);
    device.clearCalls();
    endMeshScene.draw(0.0f);
    EXPECT_TRUE(device.callsNamed("DrawIndexedPrimitive").empty());
}

}  // namespace
