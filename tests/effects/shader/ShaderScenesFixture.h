// The four bump-lit scenes set up on a RecordingDevice from hand-made meshes, the way the load
// routine does it: the ring scene first, its shared textures and cube map lent to the others.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "effects/shader/CubeGridScene.h"
#include "effects/shader/EndMeshScene.h"
#include "effects/shader/RingScene.h"
#include "effects/shader/RotatingMeshScene.h"
#include "gfx/RecordingDevice.h"
#include "platform/Clock.h"
#include "scene/ObjectBuffers.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "support/EffectPack.h"
#include "support/ReportCapture.h"

namespace shaderscenes_test {

using Registers = std::array<std::array<float, 4>, gfx::kMaxVertexShaderConstants>;

// The vertex constants as they stood just before call `index` of the recording.
inline Registers RegistersBefore(const gfx::RecordingDevice& device, size_t index) {
    Registers r{};
    const auto& calls = device.calls();
    for (size_t i = 0; i < index && i < calls.size(); ++i) {
        if (calls[i].name != "SetVertexShaderConstant") continue;
        const size_t reg = std::stoul(calls[i].args[0]);
        for (size_t k = 0; k < calls[i].floats.size() && reg + k / 4 < r.size(); ++k)
            r[reg + k / 4][k % 4] = calls[i].floats[k];
    }
    return r;
}

// Indices of the calls whose text starts with `prefix`.
inline std::vector<size_t> CallsStartingWith(const gfx::RecordingDevice& device,
                                             const std::string& prefix) {
    std::vector<size_t> out;
    const auto calls = device.callStrings();
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind(prefix, 0) == 0) out.push_back(i);
    return out;
}

// The world matrix held in c2..c5 (transposed there).
inline D3DXMATRIX WorldFrom(const Registers& r) {
    D3DXMATRIX m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m.m[j][i] = r[2 + i][j];
    return m;
}

inline uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// A unit square in the plane z = 0 with texture coordinates running with x and y.
inline std::unique_ptr<scene3ds::SceneObject> Square(const std::string& name) {
    return testsupport::MakeMeshObject(name, {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0},
                                       {0, 0, 1, 0, 0, 1, 1, 1}, {0, 1, 2, 2, 1, 3});
}

class ShaderScenesTest : public ::testing::Test {
  protected:
    ShaderScenesTest()
        : pack({{"Nrm\\ring.nrm", testsupport::NormalsEntry(4)},
                {"Nrm\\centre.nrm", testsupport::NormalsEntry(4)},
                {"Nrm\\knot.nrm", testsupport::NormalsEntry(4)},
                {"Nrm\\cube.nrm", testsupport::NormalsEntry(4)},
                {"Nrm\\crown.nrm", testsupport::NormalsEntry(4)}}),
          scope(&device),
          ring(Square("ring")),
          centre(Square("centre")),
          knot(Square("knot")),
          cube(Square("cube")),
          crown(Square("crown")) {}

    void SetUp() override {
        ASSERT_TRUE(pack.ok()) << pack.error();
        platform::UseVirtualClock(100000);
        glide = timing::SceneTimer{};
    }
    void TearDown() override { platform::UseRealClock(); }

    void InitRing() {
        effects::ringScene = effects::RingScene{};
        effects::ringScene.ringObject = ring.get();
        effects::ringScene.centreObject = centre.get();
        effects::ringScene.init();
    }
    template <typename Scene>
    void Lend(Scene& scene) {
        scene.attenuationTexture = effects::ringScene.attenuationTexture;
        scene.bumpTexture = effects::ringScene.bumpTexture;
        scene.cubeMap = effects::ringScene.cubeMap;
    }
    void InitRotating() {
        effects::rotatingMeshScene = effects::RotatingMeshScene{};
        effects::rotatingMeshScene.object = knot.get();
        Lend(effects::rotatingMeshScene);
        effects::rotatingMeshScene.init();
    }
    void InitGrid() {
        effects::cubeGridScene = effects::CubeGridScene{};
        effects::cubeGridScene.object = cube.get();
        Lend(effects::cubeGridScene);
        effects::cubeGridScene.init();
    }
    // The end scene's object arrives with normals and buffers, its camera with tracks set up
    // and sampled at frame 0, as the load routine leaves them.
    void InitEnd(scene3ds::SceneCamera* camera) {
        scene::LoadObjectNormals(*crown);
        scene::BuildObjectBuffers(*crown);
        if (camera) scene::PrepareCamera(*camera);
        effects::endMeshScene = effects::EndMeshScene{};
        effects::endMeshScene.camera = camera;
        effects::endMeshScene.object = crown.get();
        Lend(effects::endMeshScene);
        effects::endMeshScene.init();
    }

    testsupport::ReportCapture reports;
    testsupport::EffectPack pack;
    gfx::RecordingDevice device;
    testsupport::GlobalDeviceScope scope;
    std::unique_ptr<scene3ds::SceneObject> ring, centre, knot, cube, crown;
    // The ring scene's glide clock, part of what a run changes.
    timing::SceneTimer glide;
};

}  // namespace shaderscenes_test
