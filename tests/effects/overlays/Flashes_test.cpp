#include "effects/overlays/Flashes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "effects/overlays/ScreenQuad.h"
#include "platform/Clock.h"
#include "support/OverlayFixture.h"
#include "timeline/Schedule.h"

namespace {

using testing::ElementsAre;

class FlashTest : public testsupport::OverlayFixture {
  protected:
    void SetUp() override {
        OverlayFixture::SetUp();
        platform::UseVirtualClock(50000);
        effects::fadeQuad = effects::ScreenQuad{};
        effects::pictureQuad = effects::ScreenQuad{};
        ASSERT_TRUE(effects::fadeQuad.Create("!shaders\\fade.pso", false));
        ASSERT_TRUE(effects::pictureQuad.Create("!shaders\\logo.pso", true));
        dev().clearCalls();
    }
    void TearDown() override {
        platform::UseRealClock();
        OverlayFixture::TearDown();
    }
    // Draws the flash once per step of `ms` milliseconds; returns the alphas drawn (-1 for a
    // frame without a draw).
    template <typename Fn>
    std::vector<int> Frames(int count, uint32_t ms, Fn flash) {
        std::vector<int> alphas;
        for (int i = 0; i < count; ++i) {
            const size_t before = dev().draws.size();
            flash();
            alphas.push_back(dev().draws.size() > before
                                 ? static_cast<int>(dev().draws.back().c0[0] * 255.0f + 0.5f)
                                 : -1);
            platform::VirtualClockAdvance(ms);
        }
        return alphas;
    }

    effects::FlashTimers timers;
};

TEST(FlashAlpha, FallsLinearlyAndKeepsTheLowByte) {
    EXPECT_EQ(effects::FlashAlpha(0.0f, 0.06666667f), 255);
    EXPECT_EQ(effects::FlashAlpha(7.5f, 0.06666667f), 127);  // integer part of 127.5
    EXPECT_EQ(effects::FlashAlpha(74.9f, 0.013333334f), 0);  // integer part of 0.34
    EXPECT_EQ(effects::FlashAlpha(14.9f, 0.06666667f), 1);
}

TEST_F(FlashTest, NothingHappensUntilThePositionHasPassed) {
    effects::WhiteFlash(timers, 1792000, 0, 1792000);
    effects::LongFlash(timers, 32946688, 0, timeline::kLongFlashes);
    EXPECT_TRUE(dev().calls().empty());
    EXPECT_EQ(timers[0].running, 0);
}

TEST_F(FlashTest, WhiteFlashAddsTheFadeQuadUntextured) {
    effects::WhiteFlash(timers, 1792001, 0, 1792000);
    const std::string vb = gfx::ResourceName(effects::fadeQuad.fullVertexBuffer);
    EXPECT_THAT(
        dev().callStrings(),
        ElementsAre("SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
                    "SetRenderState(D3DRS_SRCBLEND, 5)", "SetRenderState(D3DRS_DESTBLEND, 2)",
                    "SetTexture(0, null)", "SetPixelShader(ps#1)", "SetPixelShaderConstant(0, 1)",
                    "SetRenderState(D3DRS_CULLMODE, 1)", "SetRenderState(D3DRS_ZENABLE, 0)",
                    "SetVertexShader(0x144)", "SetStreamSource(0, " + vb + ", 28)",
                    "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", "SetRenderState(D3DRS_ZENABLE, 1)"));
    EXPECT_EQ(timers[0].running, 1);
}

TEST_F(FlashTest, FifteenTickFlashFadesOutOnce) {
    // 125 ms is 7.5 ticks. The timer is read before it is updated, so the frame that starts
    // it and the next both show e = 0 (full strength); then 127, then gone for good.
    EXPECT_THAT(
        Frames(
            5, 125,
            [&] { effects::SceneCutFlash(timers, 18719233, 0, timeline::kScreenSceneThresholds); }),
        ElementsAre(255, 255, 127, -1, -1));
    EXPECT_EQ(timers[50].running, 1);
    EXPECT_EQ(dev().draws[0].srcBlend, static_cast<DWORD>(D3DBLEND_SRCALPHA));
}

TEST_F(FlashTest, LongFlashLastsSeventyFiveTicks) {
    // 1248 ms = 74.88 ticks gives alpha 0 (still drawn); at 75 ticks nothing.
    auto flash = [&] { effects::LongFlash(timers, 33000000, 0, timeline::kLongFlashes); };
    EXPECT_THAT(Frames(4, 1248, flash), ElementsAre(255, 255, 0, -1));
    timers[150] = timing::SceneTimer{};
    EXPECT_THAT(Frames(3, 1250, flash), ElementsAre(255, 255, -1));
    EXPECT_EQ(dev().draws[0].srcBlend, static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(dev().draws[0].destBlend, static_cast<DWORD>(D3DBLEND_ONE));
}

TEST_F(FlashTest, InsertFlashesUseTheBoundPictureAndTheirOwnPoolNumbers) {
    gfx::Texture* picture = nullptr;
    ASSERT_EQ(dev().CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &picture), D3D_OK);
    dev().SetTexture(0, picture);
    // Flash 0 of group C started some frames before flash 1's position is passed.
    for (int frame = 0; frame < 3; ++frame) {
        const uint32_t position = frame < 2 ? 12650000 : 12672001;
        for (int i = 0; i < 45; ++i)
            effects::InsertFlash(timers, position, i, effects::kInsertFlashBaseC,
                                 timeline::kInsertFlashesC);
        platform::VirtualClockAdvance(17);
    }
    EXPECT_EQ(timers[200].running, 1);
    EXPECT_EQ(timers[201].running, 1);
    EXPECT_EQ(timers[202].running, 0);
    EXPECT_GT(timers[200].elapsed, timers[201].elapsed);
    ASSERT_EQ(dev().draws.size(), 4u);
    for (const auto& d : dev().draws) EXPECT_EQ(d.texture, picture);
    EXPECT_EQ(dev().draws.back().pixelShader, effects::pictureQuad.pixelProgram);
    // Out of the table: nothing.
    effects::InsertFlash(timers, 40000000, 8, effects::kInsertFlashBaseG,
                         timeline::kInsertFlashesG);
    effects::SceneCutFlash(timers, 40000000, 5, timeline::kScreenSceneThresholds);
    effects::LongFlash(timers, 40000000, -1, timeline::kLongFlashes);
    EXPECT_EQ(dev().draws.size(), 4u);
}

}  // namespace
