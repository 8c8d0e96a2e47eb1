// Stills of the shader scenes and the metal object rendered headless from the generated pack
// and compared with the references in tests/data/shader_stills/: at most 0.5 % of the pixels
// off by more than 24 in a channel and a mean difference of at most 1.5 (ReferenceImages.h).
//
// Regenerate the references with RUNEPLAY_UPDATE_REFERENCES=1. RUNEPLAY_STILLS_DIR=<folder>
// also writes every still there, and RUNEPLAY_STILLS_SIZE=<w>x<h> renders them at another size
// (for looking at them; comparisons are skipped then). RUNEPLAY_STILLS_PACK=<file> renders from
// another pack than the build's.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/DeviceSetup.h"
#include "app/RuneplayPresentation.h"
#include "assets/PackArchive.h"
#include "effects/objects/MetalObject.h"
#include "effects/shader/CubeGridScene.h"
#include "effects/shader/EndMeshScene.h"
#include "effects/shader/RingScene.h"
#include "effects/shader/RotatingMeshScene.h"
#include "platform/Clock.h"
#include "scene/SceneDrawing.h"
#include "scene3ds/Load3dsScene.h"
#include "support/EffectPack.h"
#include "support/GlTestDevice.h"
#include "support/ReferenceImages.h"
#include "support/ReportCapture.h"

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

UINT StillWidth() {
    unsigned w = 320, h = 240;
    std::sscanf(EnvOr("RUNEPLAY_STILLS_SIZE", "320x240").c_str(), "%ux%u", &w, &h);
    return w;
}
UINT StillHeight() {
    unsigned w = 320, h = 240;
    std::sscanf(EnvOr("RUNEPLAY_STILLS_SIZE", "320x240").c_str(), "%ux%u", &w, &h);
    return h;
}

class ShaderStillsTest : public testsupport::GlDeviceTest {
  protected:
    ShaderStillsTest() : GlDeviceTest(StillWidth(), StillHeight()) {}

    void SetUp() override {
        GlDeviceTest::SetUp();
        if (HasFatalFailure()) return;
        scope_ = std::make_unique<testsupport::GlobalDeviceScope>(device_.get());
        const std::string pack =
            EnvOr("RUNEPLAY_STILLS_PACK", std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat");
        ASSERT_TRUE(assets::GlobalPack().Open(pack)) << pack;
        app::SetDefaultState(dev());
        platform::UseVirtualClock(50000);
        glide = timing::SceneTimer{};
    }
    void TearDown() override {
        platform::UseRealClock();
        scope_.reset();
        GlDeviceTest::TearDown();
    }

    // The ring scene's glide clock, part of what a run changes.
    timing::SceneTimer glide;

    // Loads "Objs\<file>" into a scene kept for the test's lifetime.
    Scene& Load(const std::string& file) {
        scenes_.push_back(std::make_unique<Scene>());
        app::LoadObjectScene("Objs\\" + file, *scenes_.back());
        return *scenes_.back();
    }

    void InitRing() {
        effects::ringScene = effects::RingScene{};
        effects::ringScene.ringObject = Load("hau.3ds").objects;
        effects::ringScene.centreObject = Load("tlo.3ds").objects;
        effects::ringScene.init();
    }
    template <typename S>
    void Lend(S& scene) {
        scene.attenuationTexture = effects::ringScene.attenuationTexture;
        scene.bumpTexture = effects::ringScene.bumpTexture;
        scene.cubeMap = effects::ringScene.cubeMap;
    }

    void BeginFrame() {
        dev().BeginScene();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000,
                    1.0f, 0);
        dev().SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    }

    // Ends the frame, reads it back and compares it with tests/data/shader_stills/<name>.png.
    void EndFrameAndCompare(const std::string& name) {
        dev().EndScene();
        EXPECT_TRUE(reports_.fatals.empty()) << ::testing::PrintToString(reports_.fatals);
        const std::vector<uint32_t> argb = read();
        const int w = static_cast<int>(width_), h = static_cast<int>(height_);
        const std::string dir = EnvOr("RUNEPLAY_STILLS_DIR", "");
        if (!dir.empty()) {
            std::filesystem::create_directories(dir);
            testsupport::WritePng(dir + "/" + name + ".png", argb, w, h);
        }
        if (w != 320 || h != 240) return;
        testsupport::ImageTolerance tolerance;
        tolerance.channel = 24;
        tolerance.maxDifferent = 0.005;
        tolerance.maxMeanError = 1.5;
        EXPECT_TRUE(testsupport::MatchesReference(
            std::string(RUNEPLAY_TEST_DATA) + "/shader_stills/" + name + ".png", argb, w, h,
            tolerance));
    }

    testsupport::ReportCapture reports_;
    std::unique_ptr<testsupport::GlobalDeviceScope> scope_;
    std::vector<std::unique_ptr<Scene>> scenes_;
};

TEST_F(ShaderStillsTest, RingSceneMidGlideAndAtRest) {
    InitRing();
    // Mid-glide: e0 = 300, e1 = 301.
    glide.Start();
    glide.elapsed = 300.0f;
    platform::VirtualClockSet(glide.startTime + 5017);  // 301.02 ticks
    BeginFrame();
    effects::ringScene.draw(260.0f, glide);
    EndFrameAndCompare("ring_glide");

    platform::VirtualClockAdvance(60000);
    BeginFrame();
    effects::ringScene.draw(700.0f, glide);
    EndFrameAndCompare("ring_rest");
}

TEST_F(ShaderStillsTest, RotatingMesh) {
    InitRing();
    effects::rotatingMeshScene = effects::RotatingMeshScene{};
    effects::rotatingMeshScene.object = Load("stagi.3ds").objects;
    Lend(effects::rotatingMeshScene);
    effects::rotatingMeshScene.init();
    BeginFrame();
    dev().SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev().SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    effects::rotatingMeshScene.draw(180.0f);
    EndFrameAndCompare("rotating_mesh");
}

TEST_F(ShaderStillsTest, CubeGridInFog) {
    InitRing();
    effects::cubeGridScene = effects::CubeGridScene{};
    effects::cubeGridScene.object = Load("wcube.3ds").objects;
    Lend(effects::cubeGridScene);
    effects::cubeGridScene.init();
    BeginFrame();
    // The timeline's fog around the grid.
    dev().SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev().SetRenderState(D3DRS_FOGCOLOR, 0xFF000000);
    dev().SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    dev().SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.0025f));
    effects::cubeGridScene.draw(240.0f);
    dev().SetRenderState(D3DRS_FOGENABLE, FALSE);
    EndFrameAndCompare("cube_grid");
}

TEST_F(ShaderStillsTest, EndMesh) {
    InitRing();
    Scene& scene = Load("endscene.3ds");
    ASSERT_NE(scene.objects, nullptr);
    ASSERT_NE(scene.cameras, nullptr);
    effects::endMeshScene = effects::EndMeshScene{};
    effects::endMeshScene.camera = app::PrepareEndScene(scene);
    effects::endMeshScene.object = scene.objects;
    Lend(effects::endMeshScene);
    effects::endMeshScene.init();
    BeginFrame();
    effects::endMeshScene.draw(300.0f);
    EndFrameAndCompare("end_mesh");
}

TEST_F(ShaderStillsTest, MetalObject) {
    effects::metalObject = effects::MetalObject{};
    effects::metalObject.mesh = Load("szk.3ds").objects;
    effects::metalObject.init();
    BeginFrame();
    // Segment C draws it after the water scene, which leaves its blue ambient behind.
    dev().SetRenderState(D3DRS_AMBIENT, 0x001024BA);
    dev().SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev().SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    effects::metalObject.draw(1100.0f);
    EndFrameAndCompare("metal_object");
}

}  // namespace
