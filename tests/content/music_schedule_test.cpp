// The soundtrack's schedule: accent tables and the tempo grid that carries the song onto them.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "content/music/Schedule.h"

using namespace content::music;

TEST(MusicSchedule, AccentTablesAreCompleteSortedAndFrameAligned) {
    EXPECT_EQ(WhiteFlashPositions().size(), 3u);
    EXPECT_EQ(CutPositions().size(), 7u);
    EXPECT_EQ(InsertFlashesC().size(), 45u);
    EXPECT_EQ(InsertFlashesG().size(), 8u);
    EXPECT_EQ(SceneCutPositions().size(), 5u);
    EXPECT_EQ(LongFlashPositions().size(), 4u);
    const auto& all = Accents();
    ASSERT_EQ(all.size(), 72u);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].bytePos % kBytesPerFrame, 0u) << all[i].bytePos;
        if (i) {
            EXPECT_LE(all[i - 1].bytePos, all[i].bytePos);
        }
    }
    // cuts one bar of 332800 bytes apart
    for (size_t i = 1; i < CutPositions().size(); ++i)
        EXPECT_EQ(CutPositions()[i] - CutPositions()[i - 1], 332800u);
}

TEST(MusicSchedule, GridIsPinnedToAccentsAndSectionStarts) {
    const TempoGrid& g = SongGrid();
    EXPECT_EQ(g.FrameAt(step::kWater), FrameOfByte(pos::kWaterStart));
    EXPECT_EQ(g.FrameAt(step::kBreak), FrameOfByte(pos::kBackwardsStart));
    EXPECT_EQ(g.FrameAt(step::kScreen), FrameOfByte(pos::kScreenStart));
    EXPECT_EQ(g.FrameAt(step::kCube), FrameOfByte(pos::kCubeStart));
    EXPECT_EQ(g.FrameAt(step::kMesh), FrameOfByte(pos::kMeshStart));
    EXPECT_EQ(g.FrameAt(step::kEnd), FrameOfByte(pos::kEndSceneStart));
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(g.FrameAt(step::kCuts + 16 * k), FrameOfByte(CutPositions()[k])) << k;
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(g.FrameAt(SceneCutSteps()[k]), FrameOfByte(SceneCutPositions()[k])) << k;
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(g.FrameAt(step::kLong + 16 * k), FrameOfByte(LongFlashPositions()[k])) << k;
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(g.FrameAt(InsertGSteps()[k]), FrameOfByte(InsertFlashesG()[k])) << k;
}

TEST(MusicSchedule, BreakdownFlashesSitOnItsThirteenStepGrid) {
    const TempoGrid& g = SongGrid();
    const int64_t c0 = FrameOfByte(pos::kBackwardsStart);
    int offGrid = 0;
    for (uint32_t p : InsertFlashesC()) {
        const double u = g.StepAt(static_cast<double>(FrameOfByte(p))) - step::kBreak;
        const double frac = std::fabs(u - std::round(u));
        EXPECT_LT(frac, 0.11) << p;
        if (frac > 1e-6) ++offGrid;
        EXPECT_NEAR(g.Frame(std::round(u) + step::kBreak), c0 + std::round(u) * 6400.0, 1e-6);
    }
    EXPECT_EQ(offGrid, 1);  // 12828160 comes a tenth of a step late and keeps its own time
    // the breakdown ends exactly where the screen scene's first beat is
    EXPECT_EQ(g.FrameAt(step::kBreak + 13 * step::kBreakBars + 4), FrameOfByte(pos::kScreenStart));
}

TEST(MusicSchedule, TempoStaysMusicalAndMonotone) {
    const TempoGrid& g = SongGrid();
    auto bpm = [&](double s) { return 60.0 * kSampleRate / (4 * g.FramesPerStep(s)); };
    for (double s = step::kIntro; s < step::kFinal; s += 0.25) {
        ASSERT_GT(g.Frame(s + 0.25), g.Frame(s)) << s;
        if (s >= step::kRitard && s <= step::kScreen) continue;  // the breakdown's own pulse
        if (s >= step::kFinal - 32) continue;                    // the closing broadening
        EXPECT_GT(bpm(s), 118.0) << "step " << s;
        EXPECT_LT(bpm(s), 131.0) << "step " << s;
    }
    // the breakdown: 13 steps of 6400 frames to the bar
    EXPECT_NEAR(g.FramesPerStep(step::kBreak + 50), 6400.0, 1e-3);
    EXPECT_GT(bpm(step::kFinal - 2), 100.0);
}

TEST(MusicSchedule, StepAtInvertsFrame) {
    const TempoGrid& g = SongGrid();
    for (double s : {-10.0, 0.0, 123.4, 600.5, 931.0, 1700.25, 2280.0})
        EXPECT_NEAR(g.StepAt(g.Frame(s)), s, 1e-6);
}

TEST(MusicSchedule, RejectsAnchorsThatDoNotIncrease) {
    using T = TempoGrid::Tangent;
    EXPECT_THROW(TempoGrid({{0, 0, T::Smooth}}), std::invalid_argument);
    EXPECT_THROW(TempoGrid({{0, 100, T::Smooth}, {16, 50, T::Smooth}}), std::invalid_argument);
    EXPECT_THROW(TempoGrid({{4, 0, T::Smooth}, {4, 50, T::Smooth}}), std::invalid_argument);
}

TEST(MusicSchedule, TrackEndsAfterTheEndScreenWithinFiveMinutes) {
    const double seconds = static_cast<double>(TrackFrames()) / kSampleRate;
    EXPECT_GE(seconds, 280.0);
    EXPECT_LE(seconds, 300.0);
    EXPECT_GT(TrackFrames(), FrameOfByte(pos::kEndScreen) + 30 * kSampleRate);
}
