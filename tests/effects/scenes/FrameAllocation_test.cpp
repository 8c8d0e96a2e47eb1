// Frames of the two loaded-scene segments allocate nothing: every allocation of this test
// program goes through a counting operator new, and the count must not move over frames of
// the pack's scenes (on the state-keeping device, so only our code is measured).
#include <gtest/gtest.h>

#include "assets/PackArchive.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/scenes/WaterScene.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "platform/Clock.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/SceneLog.h"
#include "support/AllocationCounter.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

class SegmentFrameAllocation : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = RenderDevice;
        RenderDevice = &device_;
        previousLog_ = scene3ds::SceneLogPath;
        scene3ds::SceneLogPath = dir_.file("engine.log");
        previousFlare_ = scene::FlarePicturePath;
        scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
        ASSERT_TRUE(assets::GlobalPack().Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat"));
        platform::UseVirtualClock(1000);
    }
    void TearDown() override {
        platform::UseRealClock();
        RenderDevice = previous_;
        scene3ds::SceneLogPath = previousLog_;
        scene::FlarePicturePath = previousFlare_;
    }

    testsupport::TempDir dir_;
    testsupport::ReportCapture reports_;
    gfx::StateDevice device_{gfx::DeviceParams{}};

  private:
    IDirect3DDevice8* previous_ = nullptr;
    std::string previousLog_, previousFlare_;
};

TEST_F(SegmentFrameAllocation, WaterFramesAllocateNothing) {
    effects::WaterScene water;
    scene::RandomGenerator random;
    const uint64_t beforeLoad = testsupport::AllocationCount();
    water.Load(random);
    EXPECT_GT(testsupport::AllocationCount(), beforeLoad);  // the counter does count
    ASSERT_NE(water.waterPlane, nullptr);
    effects::WaterSceneState state = water.StartState();
    ASSERT_FALSE(state.particles.emitters.empty());
    water.DrawFrame(state, random, 0.0f, 4);  // the device may grow its light table once
    const uint64_t before = testsupport::AllocationCount();
    for (int frame = 1; frame <= 30; ++frame)
        water.DrawFrame(state, random, 11.5f * static_cast<float>(frame), 1 + frame % 8);
    EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
}

TEST_F(SegmentFrameAllocation, ScreenFramesAllocateNothing) {
    effects::ScreenScene screen;
    scene::RandomGenerator random;
    screen.Load(random);
    screen.FindScreenObject();
    screen.LoadPictures();
    effects::ScreenSceneState state = screen.StartState();
    screen.DrawFrame(state, random, 0, 1);
    const uint64_t before = testsupport::AllocationCount();
    const uint32_t cameras[6] = {1, 6, 3, 4, 5, 2};
    for (uint32_t frame = 1; frame <= 36; ++frame) {
        platform::VirtualClockAdvance(100);
        screen.DrawFrame(state, random, frame % 6, cameras[frame % 6]);
    }
    EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
}

}  // namespace
