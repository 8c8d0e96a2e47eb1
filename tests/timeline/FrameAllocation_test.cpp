// A frame of the timeline allocates nothing: counted through the program's operator new
// while frames run on a device that keeps every state and draws nothing.
#include <gtest/gtest.h>

#include "support/AllocationCounter.h"
#include "support/ShowFixture.h"

namespace {

class FrameAllocationTest : public testsupport::ShowFixture {
  protected:
    void SetUp() override {
        gfx::DeviceParams params;
        device_ = std::make_unique<gfx::StateDevice>(params);
        previousDevice_ = RenderDevice;
        RenderDevice = device_.get();
        app::SetDefaultState(*device_);
        platform::UseVirtualClock(kClockStart);
        platform::ClearKeyState();
        ASSERT_TRUE(assets::GlobalPack().Open(showPack()));
        presentation_ = std::make_unique<app::RuneplayPresentation>();
        presentation_->LoadAssets();
        audio::SetSoundtrack(&player_);
        presentation_->AfterSoundtrackStart();
        presentation_->frameClock().Start();
    }
    void TearDown() override {
        audio::SetSoundtrack(nullptr);
        presentation_.reset();
        RenderDevice = previousDevice_;
        platform::UseRealClock();
        platform::ClearKeyState();
    }
    std::unique_ptr<gfx::StateDevice> device_;
};

TEST_F(FrameAllocationTest, NoSegmentAllocatesInItsFrames) {
    // Every segment, the cuts, each flash family, the credits, and the counter.
    platform::KeyState[platform::kVkSpace] = 1;
    for (uint64_t start : {100000u, 1792001u, 9907201u, 12620801u, 18030000u, 19000000u, 22700000u,
                           23080705u, 26200000u, 32946689u, 35000000u, 39400000u, 42756097u}) {
        FrameAt(start);  // first frames of a segment may start timers; nothing to allocate
        const uint64_t before = testsupport::AllocationCount();
        for (int i = 1; i <= 30; ++i) FrameAt(start + 2940u * static_cast<uint64_t>(i));
        EXPECT_EQ(testsupport::AllocationCount() - before, 0u) << "frames from " << start;
    }
}

}  // namespace
