#include "timeline/FrameClock.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/Clock.h"

namespace {

using timeline::FrameClock;

class FrameClockTest : public testing::Test {
  protected:
    void SetUp() override { platform::UseVirtualClock(50000); }
    void TearDown() override { platform::UseRealClock(); }
};

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
