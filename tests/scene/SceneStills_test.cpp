// The two loaded scenes of the generated pack, each through two cameras, rendered headless at
// 320 x 240 and compared with the committed pictures in tests/data/scenes/ (tolerance in
// support/ReferenceImages.h: channels within 24, at most 2 % of pixels beyond, mean difference
// at most 3). RUNEPLAY_UPDATE_REFERENCES=1 rewrites the references from this run, for when
// the pack's content or the drawing changes on purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/DeviceSetup.h"
#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "scene/Random.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/GlTestDevice.h"
#include "support/ReferenceImages.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

constexpr UINT kWidth = 320;
constexpr UINT kHeight = 240;

struct Still {
    const char* entry;
    uint32_t camera;
    float frame;
    const char* reference;
};

void PrintTo(const Still& s, std::ostream* os) { *os << s.reference; }

class SceneStills : public ::testing::TestWithParam<Still> {
  protected:
    void SetUp() override {
        std::string error;
        device_ = testsupport::MakeHeadlessDevice(kWidth, kHeight, &error);
        if (!device_) GTEST_SKIP() << "no headless OpenGL device: " << error;
        app::SetDefaultState(*device_);
        previousDevice_ = RenderDevice;
        RenderDevice = device_.get();
        previousLog_ = scene3ds::SceneLogPath;
        scene3ds::SceneLogPath = dir_.file("engine.log");
        previousPrefix_ = ScenePathPrefix;
        ASSERT_TRUE(assets::GlobalPack().Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat"));
    }

    void TearDown() override {
        if (!device_) return;
        RenderDevice = previousDevice_;
        scene3ds::SceneLogPath = previousLog_;
        ScenePathPrefix = previousPrefix_;
    }

    std::unique_ptr<gfx::gl::GlRenderDevice> device_;

  private:
    testsupport::TempDir dir_;
    testsupport::ReportCapture reports_;
    IDirect3DDevice8* previousDevice_ = nullptr;
    std::string previousLog_, previousPrefix_;
};

// The settings each segment makes before it prepares its scene.
void SegmentSettings(const std::string& entry, Scene& scene) {
    scene.aspectRatio = static_cast<float>(kWidth) / static_cast<float>(kHeight);
    if (entry.rfind("Scene2", 0) == 0) {
        scene.lightAttenuation[0] = 0.94f;
        scene.lightAttenuation[1] = 0.0035f;
        scene.lightAttenuation[2] = 0.000001f;
        scene.ambientColor = 0x00B1B132;
        scene.fogEnable = 1;
        scene.fogDensity = 0.0005f;
        scene.fogColor = 0x0014140A;
    } else {
        scene.lightAttenuation[0] = 0.95f;
        scene.lightAttenuation[1] = 0.03f;
        scene.lightAttenuation[2] = 0.0f;
        scene.ambientColor = 0x00B78832;
    }
}

TEST_P(SceneStills, MatchesTheReferencePicture) {
    const Still& still = GetParam();
    const std::string entry = still.entry;
    // The flare sprite lies beside the pack, as beside the program in a real run.
    scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
    Scene scene;
    ScenePathPrefix = entry.substr(0, entry.find('\\') + 1);
    Load3dsScene(entry, scene);
    ASSERT_NE(scene.cameras, nullptr);
    scene::SelectCamera(scene, 1);
    SegmentSettings(entry, scene);
    scene::RandomGenerator random;
    scene::PrepareScene(scene, random);
    scene::SceneParticles particles = scene::StartParticles(scene);
    scene::SelectCamera(scene, still.camera);

    // Particles in flight as after two seconds of play at 60 updates a second.
    for (int i = 120; i > 0; --i)
        scene::UpdateScene(scene, std::max(0.0f, still.frame - 0.5f * i), particles, random);
    device_->BeginScene();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000,
                   1.0f, 0);
    scene::UpdateScene(scene, still.frame, particles, random);
    scene::DrawScene(scene, particles);
    device_->EndScene();

    gfx::Surface* back = nullptr;
    ASSERT_EQ(device_->GetBackBuffer(0, &back), D3D_OK);
    std::vector<uint32_t> pixels;
    ASSERT_EQ(device_->ReadPixels(back, pixels), D3D_OK);
    EXPECT_TRUE(testsupport::MatchesReference(
        std::string(RUNEPLAY_TEST_DATA) + "/scenes/" + still.reference, pixels, kWidth, kHeight));
}

INSTANTIATE_TEST_SUITE_P(
    PackScenes, SceneStills,
    ::testing::Values(Still{"scene3\\scene123.3DS", 2, 200.0f, "water_cam2_f200.png"},
                      Still{"scene3\\scene123.3DS", 7, 200.0f, "water_cam7_f200.png"},
                      Still{"Scene2\\Scene.3ds", 1, 0.0f, "screen_cam1_f0.png"},
                      Still{"Scene2\\Scene.3ds", 3, 200.0f, "screen_cam3_f200.png"}),
    [](const ::testing::TestParamInfo<Still>& info) {
        std::string name = info.param.reference;
        return name.substr(0, name.find('.'));
    });

}  // namespace
