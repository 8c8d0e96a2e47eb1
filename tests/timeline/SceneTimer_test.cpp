#include "timeline/SceneTimer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "platform/Clock.h"
#include "timeline/FrameClock.h"

namespace {

using timeline::FrameClock;
using timeline::SceneTimer;

class VirtualClockTest : public testing::Test {
  protected:
    void SetUp() override { platform::UseVirtualClock(50000); }
    void TearDown() override { platform::UseRealClock(); }
};

using SceneTimerTest = VirtualClockTest;
using FrameClockTest = VirtualClockTest;

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
    EXPECT_EQ(std::bit_cast<uint32_t>(timeline::kTicksPerMillisecond), 0x3D75C28Fu);
}

TEST_F(FrameClockTest, StartsWithTheOddInitialValues) {
    FrameClock c;
    EXPECT_EQ(c.frameCount, 20);
    EXPECT_EQ(c.prevFrameCount, 10);
    EXPECT_EQ(c.prevTime, 100u);
    EXPECT_EQ(c.framesPerSecond, 0.0f);
}

TEST_F(FrameClockTest, FramesSixteenAndTwentyMillisecondsApartAverage56Point25) {
    FrameClock c;
    c.Start();
    c.prevTime = 50000;  // as if the previous frame had just been counted
    c.prevFrameCount = c.frameCount;
    platform::VirtualClockAdvance(16);
    c.Tick();
    EXPECT_EQ(c.framesPerSecond, 0.0f);  // one rate: not averaged yet
    platform::VirtualClockAdvance(20);
    c.Tick();
    EXPECT_FLOAT_EQ(c.framesPerSecond, 56.25f);
    EXPECT_EQ(c.rateSamples, 0.0f);
    EXPECT_EQ(c.rateSum, 0.0f);
    EXPECT_EQ(c.elapsedTicks, 36.0f * 0.06f);
}

TEST_F(FrameClockTest, FirstRateUsesTheInitialValues) {
    // The first tick counts 11 frames since prevFrameCount 10 over the time since 100 ms.
    platform::VirtualClockSet(1100);
    FrameClock c;
    c.Start();
    c.Tick();
    EXPECT_EQ(c.frameCount, 21);
    EXPECT_EQ(c.prevFrameCount, 21);
    EXPECT_EQ(c.prevTime, 1100u);
    EXPECT_FLOAT_EQ(c.rateSum, 11.0f);
    platform::VirtualClockAdvance(10);
    c.Tick();
    EXPECT_FLOAT_EQ(c.framesPerSecond, (11.0f + 100.0f) / 2.0f);
}

TEST_F(FrameClockTest, ZeroIntervalEntersTheAverageAsInfinity) {
    FrameClock c;
    c.Start();
    c.Tick();
    c.Tick();  // same millisecond
    EXPECT_TRUE(std::isinf(c.framesPerSecond));
}

TEST_F(FrameClockTest, ElapsedTicksCountFromStartAcrossTheWrap) {
    platform::VirtualClockSet(0xFFFFFF00u);
    FrameClock c;
    c.Start();
    platform::VirtualClockAdvance(0x200);
    c.Tick();
    EXPECT_EQ(c.elapsedTicks, 512.0f * 0.06f);
}

}  // namespace
