// The schedule's positions: those that repeat another position are that position, so moving a
// segment limit or a camera cut moves what fires there with it.
#include "timeline/Schedule.h"

#include <gtest/gtest.h>

namespace {

using namespace timeline;

TEST(Schedule, WhiteFlashesFireAtTheLimitsOfTheWaterSegments) {
    ASSERT_EQ(std::size(kWhiteFlashes), 3u);
    EXPECT_EQ(kWhiteFlashes[0].number, 0);
    EXPECT_EQ(kWhiteFlashes[0].after, 1792000u);
    EXPECT_EQ(kWhiteFlashes[0].after, kSegmentA.before);
    EXPECT_EQ(kWhiteFlashes[1].number, 8);
    EXPECT_EQ(kWhiteFlashes[1].after, 12620800u);
    EXPECT_EQ(kWhiteFlashes[1].after, kSegmentB.before);
    EXPECT_EQ(kWhiteFlashes[2].number, 24);
    EXPECT_EQ(kWhiteFlashes[2].after, 18048000u);
}

TEST(Schedule, InsertFlashesBeginWithTheirSegments) {
    EXPECT_EQ(kInsertFlashesC[0], 12620800u);
    EXPECT_EQ(kInsertFlashesG[0], 36992000u);
    EXPECT_EQ(kInsertFlashesC[44], 17536000u);
    EXPECT_EQ(kInsertFlashesG[7], 39372800u);
    for (size_t i = 1; i < std::size(kInsertFlashesC); ++i)
        EXPECT_LT(kInsertFlashesC[i - 1], kInsertFlashesC[i]) << i;
    // Every insert flash of a segment lies inside it.
    for (uint32_t at : kInsertFlashesC) EXPECT_TRUE(kSegmentC.contains(at + 1)) << at;
    for (uint32_t at : kInsertFlashesG) EXPECT_TRUE(kSegmentG.contains(at + 1)) << at;
    for (uint32_t at : kLongFlashes) EXPECT_TRUE(kSegmentE.contains(at + 1)) << at;
    for (const auto& place : kCreditPlaces) EXPECT_TRUE(kSegmentE.contains(place.startsAfter + 1));
}

TEST(Schedule, ScreenSceneShotBeginsOnlyAboveItsThreshold) {
    EXPECT_EQ(ScreenSceneShotAt(18022401), 0u);
    EXPECT_EQ(ScreenSceneShotAt(18719232), 0u);
    EXPECT_EQ(ScreenSceneShotAt(18719233), 1u);
    EXPECT_EQ(ScreenSceneShotAt(19000000), 1u);
    EXPECT_EQ(ScreenSceneShotAt(19394049), 2u);
    EXPECT_EQ(ScreenSceneShotAt(20076801), 3u);
    EXPECT_EQ(ScreenSceneShotAt(20736001), 4u);
    EXPECT_EQ(ScreenSceneShotAt(21435648), 4u);
    EXPECT_EQ(ScreenSceneShotAt(21435649), 5u);
    EXPECT_EQ(ScreenSceneShotAt(23080703), 5u);
    for (uint32_t threshold : kScreenSceneThresholds)
        EXPECT_TRUE(kSegmentD.contains(threshold)) << threshold;
}

}  // namespace
