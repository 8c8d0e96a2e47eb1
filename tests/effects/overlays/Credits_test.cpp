#include "effects/overlays/Credits.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Clock.h"
#include "support/OverlayFixture.h"
#include "timeline/Schedule.h"

namespace {

class CreditsTest : public testsupport::OverlayFixture {
  protected:
    void SetUp() override {
        OverlayFixture::SetUp();
        platform::UseVirtualClock(7000);
        effects::ScreenScale = 1.25f;
        effects::NameCreditSprites();
        effects::CreateCreditSprites();
        dev().draws.clear();
    }
    void TearDown() override {
        effects::ScreenScale = 1.0f;
        platform::UseRealClock();
        OverlayFixture::TearDown();
    }
    // The clock `ms` milliseconds after the credit timers of these tests start.
    void At(uint32_t ms) { platform::VirtualClockSet(7000 + ms); }
    // One frame of the credits at `position`, at the show's places.
    void Draw(uint32_t position) {
        effects::DrawCredits(timers, position, timeline::kCreditPlaces);
    }

    effects::CreditTimers timers;
};

TEST(CreditCurves, SpreadAndFade) {
    EXPECT_FLOAT_EQ(effects::CreditSpread(0), 100.0f);
    EXPECT_FLOAT_EQ(effects::CreditSpread(40), 50.0f);
    EXPECT_FLOAT_EQ(effects::CreditSpread(80), 0.0f);
    EXPECT_FLOAT_EQ(effects::CreditSpread(200), 0.0f);
    EXPECT_FLOAT_EQ(effects::CreditFade(100), 1.0f);
    EXPECT_NEAR(effects::CreditFade(115), 0.5f, 1e-6f);
    EXPECT_NEAR(effects::CreditFade(130), 0.0f, 1e-6f);
}

TEST_F(CreditsTest, FirstFrameSmearsTwentyCopiesAHundredPixelsWide) {
    Draw(26163201);  // credit 0 only, e = 0
    ASSERT_EQ(dev().draws.size(), 20u);
    float lowest = 1e9f, highest = -1e9f;
    for (int i = 0; i < 20; ++i) {
        const auto& d = dev().draws[i];
        const float x = d.vertices[0].x / 1.25f;
        EXPECT_NEAR(x, 100.0f + 100.0f * std::sin(static_cast<float>(i)), 1e-3f) << i;
        EXPECT_FLOAT_EQ(d.vertices[0].y, 125.0f);
        EXPECT_FLOAT_EQ(d.c0[0], 0.05f);
        EXPECT_EQ(d.texture, effects::creditSprites[0].texture);
        lowest = std::min(lowest, x - 100.0f);
        highest = std::max(highest, x - 100.0f);
    }
    EXPECT_NEAR(lowest, -99.999f, 1e-3f);
    EXPECT_NEAR(highest, 99.061f, 1e-3f);
}

TEST_F(CreditsTest, ContractsHoldsAndFades) {
    Draw(26163201);  // starts credit 0's timer
    dev().draws.clear();
    At(667);         // 40.02 ticks
    Draw(26163201);  // updates to 40.02
    dev().draws.clear();
    Draw(26163201);  // draws with e = 40.02: spread about 50
    ASSERT_EQ(dev().draws.size(), 20u);
    EXPECT_NEAR(dev().draws[1].vertices[0].x / 1.25f, 100.0f + 49.975f * std::sin(1.0f), 1e-2f);

    At(1917);  // 115.02 ticks
    Draw(26163201);
    dev().draws.clear();
    Draw(26163201);
    ASSERT_EQ(dev().draws.size(), 20u);
    EXPECT_NEAR(dev().draws[0].c0[0], 0.025f, 1e-4f);          // fade 0.5
    EXPECT_NEAR(dev().draws[5].vertices[0].x, 125.0f, 1e-4f);  // no spread left

    At(2167);  // 130.02 ticks: gone
    Draw(26163201);
    dev().draws.clear();
    Draw(26163201);
    EXPECT_TRUE(dev().draws.empty());
}

TEST_F(CreditsTest, CreditsFourAndFiveShareAPlaceButNotATimer) {
    At(0);
    Draw(28851201);  // credits 0..4 start now
    EXPECT_EQ(timers[4].running, 1);
    EXPECT_EQ(timers[5].running, 0);
    At(1000);
    Draw(29562113);  // credit 5 starts a second later
    EXPECT_EQ(timers[5].running, 1);
    EXPECT_NEAR(timers[4].elapsed, 60.0f, 1e-3f);
    EXPECT_EQ(timers[5].elapsed, 0.0f);
    EXPECT_EQ(timeline::kCreditPlaces[4].x, timeline::kCreditPlaces[5].x);
    EXPECT_EQ(timeline::kCreditPlaces[4].y, timeline::kCreditPlaces[5].y);
}

}  // namespace
