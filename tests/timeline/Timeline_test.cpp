#include "timeline/Timeline.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "effects/overlays/DigitCounter.h"
#include "effects/overlays/PictureSprite.h"
#include "effects/overlays/ScreenQuad.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "support/ShowFixture.h"

namespace {

using testing::ElementsAre;
using timeline::FrameTarget;
using timeline::GlowTargetA;
using timeline::GlowTargetB;

class TimelineTest : public testsupport::ShowFixture {
  protected:
    // The strength the glow used: c0 of the one prepare of the frame.
    float GlowStrength() {
        // The blur passes are the draws with shEf3 selected.
        for (const auto& d : dev().draws)
            if (d.pixelShader == effects::screenEffectQuad.shEf3) return d.c0[0];
        return -1.0f;
    }
    int DrawsWithTexture(const gfx::BaseTexture* texture) {
        return static_cast<int>(std::count_if(dev().draws.begin(), dev().draws.end(),
                                              [&](const auto& d) { return d.texture == texture; }));
    }
    std::string Name(const gfx::Resource* r) { return gfx::ResourceName(r); }
};

TEST_F(TimelineTest, FrameOutline) {
    FrameAt(1792000);
    const auto calls = dev().callStrings();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 4),
                ElementsAre("BeginScene()", "Clear(0, 0x7, 0xFF000000, 1, 0)",
                            "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
                            "SetRenderTarget(" + Name(FrameTarget.targetSurface) + ", " +
                                Name(FrameTarget.savedDepth) + ")"));
    EXPECT_THAT(std::vector<std::string>(calls.end() - 2, calls.end()),
                ElementsAre("EndScene()", "Present()"));
    EXPECT_EQ(timeline::GlobalFrameClock().frameCount, 21);  // ticked last
    EXPECT_EQ(show().position, 1792000u);
}

TEST_F(TimelineTest, AtTheFirstBoundaryNeitherTitleNorWaterIsDrawn) {
    FrameAt(1792000);
    EXPECT_EQ(show().timerA.running, 0);
    EXPECT_EQ(show().timerB.running, 0);
    EXPECT_EQ(effects::flashTimers[0].running, 0);  // the white flash waits for 1792001
    // Only the glow of the (black) frame: copy, shrink, ten blur passes, composite.
    EXPECT_EQ(dev().callsNamed("DrawPrimitive").size(), 13u);
    FrameAt(1792004);
    EXPECT_EQ(show().timerB.running, 1);
    EXPECT_EQ(effects::flashTimers[0].running, 1);
}

TEST_F(TimelineTest, GlowCopiesShrinksBlursFiveTimesAndAdds) {
    FrameAt(1792000);
    const auto calls = dev().callStrings();
    const std::string back = Name(FrameTarget.savedColour), depth = Name(FrameTarget.savedDepth);
    const int start = dev().find("SetRenderTarget(" + back + ", " + depth + ")");
    ASSERT_NE(start, -1);
    std::vector<std::string> glow;
    for (size_t i = static_cast<size_t>(start); i < calls.size(); ++i) {
        const std::string& c = calls[i];
        // The quads' own state calls are tested with the quads; keep the glow's own steps.
        if (c.rfind("SetRenderTarget", 0) == 0 || c.rfind("SetTexture(", 0) == 0 ||
            c.rfind("DrawPrimitive", 0) == 0 || c.find("BLEND") != std::string::npos ||
            c.find("FILTER") != std::string::npos || c.find("ADDRESSU, 1") != std::string::npos)
            glow.push_back(c);
        if (c == "EndScene") break;
    }
    const std::string a = Name(GlowTargetA.texture), b = Name(GlowTargetB.texture);
    const std::string intoA =
        "SetRenderTarget(" + Name(GlowTargetA.targetSurface) + ", " + depth + ")";
    const std::string intoB =
        "SetRenderTarget(" + Name(GlowTargetB.targetSurface) + ", " + depth + ")";
    std::vector<std::string> expected = {"SetRenderTarget(" + back + ", " + depth + ")",
                                         "SetRenderState(D3DRS_SRCBLEND, 2)",
                                         "SetRenderState(D3DRS_DESTBLEND, 1)",
                                         "SetTextureStageState(0, D3DTSS_MAGFILTER, 1)",
                                         "SetTextureStageState(0, D3DTSS_MINFILTER, 1)",
                                         "SetTextureStageState(0, D3DTSS_MIPFILTER, 1)",
                                         "SetTexture(0, " + Name(FrameTarget.texture) + ")",
                                         "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)",
                                         "SetTextureStageState(0, D3DTSS_MAGFILTER, 2)",
                                         "SetTextureStageState(0, D3DTSS_MINFILTER, 2)",
                                         "SetTextureStageState(0, D3DTSS_MIPFILTER, 2)",
                                         "SetTextureStageState(0, D3DTSS_MIPFILTER, 1)",
                                         "SetRenderState(D3DRS_SRCBLEND, 2)",
                                         "SetRenderState(D3DRS_DESTBLEND, 1)",
                                         intoA,
                                         "SetTexture(0, " + Name(FrameTarget.texture) + ")",
                                         "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)",
                                         "SetRenderTarget(" + back + ", " + depth + ")",
                                         "SetRenderState(D3DRS_SRCBLEND, 2)",
                                         "SetRenderState(D3DRS_DESTBLEND, 1)",
                                         "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)"};
    for (int pass = 0; pass < 5; ++pass) {
        expected.push_back(intoB);
        for (int s = 0; s < 4; ++s)
            expected.push_back("SetTexture(" + std::to_string(s) + ", " + a + ")");
        expected.push_back("DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)");
        expected.push_back(intoA);
        for (int s = 0; s < 4; ++s)
            expected.push_back("SetTexture(" + std::to_string(s) + ", " + b + ")");
        expected.push_back("DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)");
    }
    expected.push_back("SetRenderTarget(" + back + ", " + depth + ")");
    for (int s = 0; s < 4; ++s)
        expected.push_back("SetTextureStageState(" + std::to_string(s) + ", D3DTSS_ADDRESSU, 1)");
    for (const std::string& c :
         {std::string("SetRenderState(D3DRS_SRCBLEND, 2)"),
          std::string("SetRenderState(D3DRS_DESTBLEND, 2)"), "SetTexture(0, " + a + ")",
          std::string("DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)"),
          std::string("SetRenderState(D3DRS_SRCBLEND, 2)"),
          std::string("SetRenderState(D3DRS_DESTBLEND, 1)"),
          std::string("SetTextureStageState(0, D3DTSS_MIPFILTER, 2)")})
        expected.push_back(c);
    // What follows the glow at this position: the flashes' blend states.
    ASSERT_GE(glow.size(), expected.size());
    glow.resize(expected.size());
    EXPECT_EQ(glow, expected);
}

TEST_F(TimelineTest, TitleFadesInOverNineHundredThirtyTicks) {
    FrameAt(0);
    EXPECT_EQ(show().timerA.running, 1);
    EXPECT_NEAR(GlowStrength(), 0.255f, 1e-6f);
    ASSERT_FALSE(dev().draws.empty());
    const auto title = std::find_if(dev().draws.begin(), dev().draws.end(), [](const auto& d) {
        return d.texture == effects::titleSprite.texture;
    });
    ASSERT_NE(title, dev().draws.end());
    EXPECT_EQ(title->c0[0], 0.0f);  // first frame: e = 0
    // The blend factors of the first frame are the device's (ONE, ONE).
    EXPECT_EQ(title->srcBlend, static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(title->destBlend, static_cast<DWORD>(D3DBLEND_ONE));
    // Held at full strength from 930 ticks on (the segment itself ends after about 609).
    player_.position = 1000;
    platform::VirtualClockSet(kClockStart + 16000);
    show().Frame();
    show().Frame();
    EXPECT_EQ(effects::titleSprite.alpha, 1.0f);
}

TEST_F(TimelineTest, FirstPictureCutHoldsThirtyTicksThenTheNextShot) {
    int frames = 0, cutFrames = 0;
    uint64_t position = 9907200 - 2 * 2940;
    const gfx::BaseTexture* cut = timeline::showPictures.cuts[0];
    ASSERT_NE(cut, nullptr);
    while (show().cutPending[0] == 1 && frames < 200) {
        dev().draws.clear();
        FrameAt(position);
        const int shown = DrawsWithTexture(cut);
        if (position <= 9907200) {
            EXPECT_EQ(shown, 0);
        }
        if (shown) {
            ++cutFrames;
            // The picture replaces the frame: strength 255 under ONE, ZERO.
            const auto& d = *std::find_if(dev().draws.begin(), dev().draws.end(),
                                          [&](const auto& x) { return x.texture == cut; });
            EXPECT_EQ(d.srcBlend, static_cast<DWORD>(D3DBLEND_ONE));
            EXPECT_EQ(d.destBlend, static_cast<DWORD>(D3DBLEND_ZERO));
            EXPECT_FLOAT_EQ(d.c0[0], 1.0f);
        }
        position += 2940;
        ++frames;
    }
    // Shown until the first frame that finds more than 30 ticks on the cut's timer: 31 or 32
    // frames at 60 frames per second, depending on how the milliseconds fall.
    EXPECT_GE(cutFrames, 31);
    EXPECT_LE(cutFrames, 32);
    EXPECT_GT(show().cutTimers[0].elapsed, 30.0f);
    EXPECT_LT(show().cutTimers[0].elapsed, 31.1f);
    EXPECT_EQ(show().shotIndex, 1);
    EXPECT_EQ(show().speedFactor, 1.0f);
    EXPECT_EQ(show().cutPending[1], 1);
    EXPECT_EQ(show().timerB.running, 0);  // reset: the next shot counts from zero
    dev().draws.clear();
    FrameAt(position);
    EXPECT_EQ(show().timerB.running, 1);
    EXPECT_EQ(show().timerB.elapsed, 0.0f);
    EXPECT_EQ(DrawsWithTexture(cut), 0);
}

TEST_F(TimelineTest, OverlapOfWaterAndScreenDrawsBothWaterFirst) {
    FrameAt(18030000);
    EXPECT_EQ(show().timerC.running, 1);
    // C sets 0.265, D then 0.258: the glow uses D's.
    EXPECT_NEAR(GlowStrength(), 0.258f, 1e-6f);
    // C's insert flashes are drawn with the fifth insert picture bound, before the glow.
    const int inserts =
        dev().find("SetTexture(0, " + Name(timeline::showPictures.inserts[4]) + ")");
    const int glow = dev().find("SetRenderTarget(" + Name(FrameTarget.savedColour) + ", " +
                                Name(FrameTarget.savedDepth) + ")");
    EXPECT_NE(inserts, -1);
    EXPECT_LT(inserts, glow);
}

TEST_F(TimelineTest, AtNineteenMillionTheSceneCutFlashHasFired) {
    FrameAt(19000000);
    EXPECT_EQ(effects::flashTimers[50].running, 1);
    EXPECT_EQ(effects::flashTimers[51].running, 0);
    EXPECT_NEAR(GlowStrength(), 0.258f, 1e-6f);
    EXPECT_EQ(show().timerC.running, 0);
}

TEST_F(TimelineTest, ScreenCounterRunsThroughThirtyThreeFrames) {
    if (!effects::screenScene.scene) GTEST_SKIP() << "the picture screen scene is not loaded yet";
    std::vector<uint32_t> seen;
    for (int i = 0; i < 35; ++i) {
        seen.push_back(effects::screenScene.screenCounter);
        FrameAt(19000000 + 2940 * static_cast<uint64_t>(i));
    }
    EXPECT_EQ(seen[0], 0u);
    EXPECT_EQ(seen[32], 32u);
    EXPECT_EQ(seen[33], 0u);
    EXPECT_EQ(seen[34], 1u);
}

TEST_F(TimelineTest, PeopleFadeInIsNotClamped) {
    FrameAt(22609921);
    EXPECT_EQ(show().timerI.running, 1);
    show().timerI.elapsed = 120.0f;  // 0.016666668 x 120 x 255 = 510
    dev().draws.clear();
    show().SegmentI();
    EXPECT_EQ(effects::pictureQuad.alpha, 510);
    ASSERT_FALSE(dev().draws.empty());
    EXPECT_GT(dev().draws.back().c0[0], 1.0f);
    EXPECT_EQ(dev().draws.back().srcBlend, static_cast<DWORD>(D3DBLEND_SRCALPHA));
}

TEST_F(TimelineTest, EndFadeStartsAtHalfWhiteAndEndScreenComesIn) {
    FrameAt(42756097);  // H and J
    EXPECT_EQ(show().timerH.running, 1);
    EXPECT_EQ(show().fadeTimer.running, 1);
    EXPECT_EQ(show().timerJ.running, 1);
    // H's fade is the first fade-quad draw of the frame (the flashes that have all passed
    // fire after it): half strength.
    const auto fade = std::find_if(dev().draws.begin(), dev().draws.end(), [](const auto& d) {
        return d.pixelShader == effects::fadeQuad.pixelProgram;
    });
    ASSERT_NE(fade, dev().draws.end());
    EXPECT_NEAR(fade->c0[0] * 255.0f, 128.0f, 1e-3f);
    show().timerJ.elapsed = 240.0f;
    show().SegmentJ();
    EXPECT_EQ(effects::pictureQuad.alpha, 255);  // v held at 1
}

TEST_F(TimelineTest, GlowRisesAtTheEndOfTheRotatingMesh) {
    FrameAt(39421696);
    EXPECT_NEAR(GlowStrength(), 0.26f, 1e-6f);
    EXPECT_EQ(show().strengthRamp.running, 0);
    FrameAt(39421697);
    EXPECT_EQ(show().strengthRamp.running, 1);
    FrameAt(39421697 + 176400);  // one second later: the timer reads 60 ticks next frame
    dev().draws.clear();
    FrameAt(39421697 + 176400);
    EXPECT_NEAR(GlowStrength(), 0.26f + 60 * 0.0025f, 1e-3f);
}

TEST_F(TimelineTest, PeopleFadeOutAtTheStartOfTheRingScene) {
    FrameAt(23080705);
    EXPECT_EQ(show().peopleFadeOut.running, 1);
    EXPECT_EQ(effects::pictureQuad.alpha, 255);
    EXPECT_NEAR(GlowStrength(), 0.0f, 1e-6f);  // p = 0: the glow starts from nothing
    EXPECT_EQ(DrawsWithTexture(timeline::showPictures.people), 1);
}

TEST_F(TimelineTest, CounterOnlyWhileSpaceIsHeld) {
    FrameAt(5000000);
    EXPECT_EQ(DrawsWithTexture(effects::digitCounter.pictures[10]), 0);
    platform::KeyState[platform::kVkSpace] = 1;
    timeline::GlobalFrameClock().framesPerSecond = 60.0f;
    dev().draws.clear();
    FrameAt(5002940);
    // "60." in the top-left corner, after everything else.
    ASSERT_GE(dev().draws.size(), 3u);
    const auto* pictures = effects::digitCounter.pictures;
    const size_t n = dev().draws.size();
    EXPECT_EQ(dev().draws[n - 3].texture, pictures[6]);
    EXPECT_EQ(dev().draws[n - 2].texture, pictures[0]);
    EXPECT_EQ(dev().draws[n - 1].texture, pictures[10]);
    EXPECT_EQ(dev().draws[n - 3].vertices[0].x, 0.0f);
    EXPECT_EQ(dev().draws[n - 3].vertices[0].y, 0.0f);
    EXPECT_EQ(dev().draws.back().pixelShader, 0u);
}

}  // namespace
