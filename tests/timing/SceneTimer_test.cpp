#include "timing/SceneTimer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "platform/Clock.h"

namespace {

using timing::SceneTimer;

class VirtualClockTest : public testing::Test {
  protected:
    void SetUp() override { platform::UseVirtualClock(50000); }
    void TearDown() override { platform::UseRealClock(); }
};

using SceneTimerTest = VirtualClockTest;

TEST_F(SceneTimerTest, ConstructedStopped) {
    SceneTimer t;
    EXPECT_EQ(t.running, 0);
    EXPECT_EQ(t.elapsed, 0.0f);
}

TEST_F(SceneTimerTest, ThousandMillisecondsAreSixtyTicks) {
    SceneTimer t;
    t.Start();
    EXPECT_EQ(t.running, 1);
    EXPECT_EQ(t.startTime, 50000u);
    EXPECT_EQ(t.nowTime, 50000u);
    platform::VirtualClockAdvance(1000);
    EXPECT_EQ(t.elapsed, 0.0f);  // only Update moves it
    t.Update();
    EXPECT_EQ(t.nowTime, 51000u);
    EXPECT_EQ(t.elapsed, 1000.0f * 0.06f);
    EXPECT_NEAR(t.elapsed, 60.0f, 1e-4f);
}

TEST_F(SceneTimerTest, SecondStartChangesNothing) {
    SceneTimer t;
    t.Start();
    platform::VirtualClockAdvance(500);
    t.Update();
    t.Start();
    EXPECT_EQ(t.startTime, 50000u);
    EXPECT_EQ(t.elapsed, 500.0f * 0.06f);
    platform::VirtualClockAdvance(500);
    t.Update();
    EXPECT_EQ(t.elapsed, 1000.0f * 0.06f);
}

TEST_F(SceneTimerTest, StartAfterResetCountsAfresh) {
    SceneTimer t;
    t.Start();
    platform::VirtualClockAdvance(2000);
    t.Update();
    t.Reset();
    EXPECT_EQ(t.running, 0);
    EXPECT_EQ(t.elapsed, 0.0f);
    EXPECT_EQ(t.startTime, 52000u);
    EXPECT_EQ(t.nowTime, 0u);
    platform::VirtualClockAdvance(300);
    t.Start();
    EXPECT_EQ(t.startTime, 52300u);
    EXPECT_EQ(t.elapsed, 0.0f);
    platform::VirtualClockAdvance(100);
    t.Update();
    EXPECT_EQ(t.elapsed, 100.0f * 0.06f);
}

TEST_F(SceneTimerTest, WrapOfTheMillisecondClockGivesSmallPositiveTime) {
    platform::VirtualClockSet(0xFFFFFFF0u);
    SceneTimer t;
    t.Start();
    platform::VirtualClockAdvance(0x30);  // past the wrap
    t.Update();
    EXPECT_EQ(t.nowTime, 0x20u);
    EXPECT_EQ(t.elapsed, 48.0f * 0.06f);
}

TEST(TickConstantTest, IsTheSinglePrecisionPointZeroSix) {
    EXPECT_EQ(std::bit_cast<uint32_t>(timing::kTicksPerMillisecond), 0x3D75C28Fu);
}

}  // namespace
