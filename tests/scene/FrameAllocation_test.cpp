// Updating and drawing a prepared scene allocates nothing: every allocation of this test
// program goes through a counting operator new, and the count must not move over frames of
// the pack's two loaded scenes (on the state-keeping device, so only our code is measured).
#include <gtest/gtest.h>

#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/AllocationCounter.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

class FrameAllocation : public ::testing::TestWithParam<const char*> {};

TEST_P(FrameAllocation, UpdateAndDrawAllocateNothing) {
    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::StateDevice device{gfx::DeviceParams{}};
    IDirect3DDevice8* previous = RenderDevice;
    RenderDevice = &device;
    const std::string previousLog = scene3ds::SceneLogPath;
    scene3ds::SceneLogPath = dir.file("engine.log");
    ASSERT_TRUE(assets::GlobalPack().Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat"));

    const std::string entry = GetParam();
    // The flare sprite lies beside the pack, as beside the program in a real run.
    scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
    Scene scene;
    ScenePathPrefix = entry.substr(0, entry.find('\\') + 1);
    Load3dsScene(entry, scene);
    scene::SelectCamera(scene, 1);
    scene.fogEnable = 1;
    scene::RandomGenerator random;
    const uint64_t beforePreparation = testsupport::AllocationCount();
    scene::PrepareScene(scene, random);
    EXPECT_GT(testsupport::AllocationCount(), beforePreparation);  // the counter does count
    ASSERT_NE(scene.objects, nullptr);
    scene::SceneParticles particles = scene::StartParticles(scene);

    // The first frame may let the device grow its light table.
    scene::UpdateScene(scene, 0, particles, random);
    scene::DrawScene(scene, particles);
    const uint64_t before = testsupport::AllocationCount();
    for (int frame = 1; frame <= 40; ++frame) {
        scene::SelectCamera(scene, 1 + frame % 9);
        scene::UpdateScene(scene, 7.5f * frame, particles, random);
        scene::DrawScene(scene, particles);
    }
    const uint64_t during = testsupport::AllocationCount() - before;
    EXPECT_EQ(during, 0u);

    RenderDevice = previous;
    scene3ds::SceneLogPath = previousLog;
}

INSTANTIATE_TEST_SUITE_P(PackScenes, FrameAllocation,
                         ::testing::Values("scene3\\scene123.3DS", "Scene2\\Scene.3ds"));

}  // namespace
