#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(ClockTest, VirtualClockMovesOnlyWhenToldAndWraps) {
    platform::UseVirtualClock(1234);
    EXPECT_TRUE(platform::IsVirtualClock());
    EXPECT_EQ(platform::timeGetTime(), 1234u);
    EXPECT_EQ(platform::timeGetTime(), 1234u);
    platform::VirtualClockAdvance(16);
    EXPECT_EQ(platform::timeGetTime(), 1250u);
    platform::VirtualClockSet(0xFFFFFFFFu);
    platform::VirtualClockAdvance(2);
    EXPECT_EQ(platform::timeGetTime(), 1u);
    platform::UseRealClock();
    EXPECT_FALSE(platform::IsVirtualClock());
}

TEST(ClockTest, RealClockCountsMilliseconds) {
    platform::UseRealClock();
    const uint32_t before = platform::timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint32_t passed = platform::timeGetTime() - before;  // unsigned, wrap-safe
    EXPECT_GE(passed, 29u);
    EXPECT_LT(passed, 2000u);
}

// A run started part-way hands timers from the virtual clock to the real one without a jump.
TEST(ClockTest, RealClockCanGoOnFromAVirtualReading) {
    platform::UseVirtualClock(0xFFFFFF00u);
    platform::UseRealClockFrom(platform::timeGetTime());
    EXPECT_FALSE(platform::IsVirtualClock());
    const uint32_t first = platform::timeGetTime();
    EXPECT_LT(first - 0xFFFFFF00u, 1000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_GE(platform::timeGetTime() - first, 29u);  // runs on across the wrap
    platform::UseRealClock();
}

}  // namespace
