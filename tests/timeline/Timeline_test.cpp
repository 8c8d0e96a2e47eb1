#include "timeline/Timeline.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "effects/overlays/DigitCounter.h"
#include "effects/overlays/Flashes.h"
#include "effects/overlays/PictureSprite.h"
#include "effects/overlays/ScreenQuad.h"
#include "effects/scenes/WaterScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "scene/Track.h"
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

    // Index of the first run of `sequence` in the calls at or after `from`, or -1.
    int FindSequence(const std::vector<std::string>& sequence, size_t from = 0) {
        const auto calls = dev().callStrings();
        for (size_t i = from; i + sequence.size() <= calls.size(); ++i)
            if (std::equal(sequence.begin(), sequence.end(), calls.begin() + i))
                return static_cast<int>(i);
        return -1;
    }
    // Where the glow begins: the frame target ends, rendering is back on the back buffer.
    int GlowStart() {
        return dev().find("SetRenderTarget(" + Name(FrameTarget.savedColour) + ", " +
                          Name(FrameTarget.savedDepth) + ")");
    }
    // Where the segments begin: right after the frame target is made current and cleared.
    int SegmentsStart() {
        return FindSequence({"SetRenderTarget(" + Name(FrameTarget.targetSurface) + ", " +
                                 Name(FrameTarget.savedDepth) + ")",
                             "Clear(0, 0x3, 0xFF000000, 1, 0)"}) +
               2;
    }
    // The entry of dev().draws made by the DrawPrimitive at call `index`.
    size_t DrawAt(int index) {
        size_t n = 0;
        const auto& calls = dev().calls();
        for (int i = 0; i < index; ++i)
            if (calls[static_cast<size_t>(i)].name == "DrawPrimitive") ++n;
        return n;
    }
    // Indices of the calls in [from, to) whose text begins with `prefix`.
    std::vector<int> CallsStartingWith(const std::string& prefix, int from, int to) {
        std::vector<int> found;
        const auto calls = dev().callStrings();
        for (int i = std::max(from, 0); i < to && i < static_cast<int>(calls.size()); ++i)
            if (calls[static_cast<size_t>(i)].rfind(prefix, 0) == 0) found.push_back(i);
        return found;
    }
    // The draws in [from, to) of the calls with `texture` on stage 0.
    std::vector<testsupport::ScreenDraw> DrawsWith(const gfx::BaseTexture* texture, int from = 0,
                                                   int to = 1 << 30) {
        std::vector<testsupport::ScreenDraw> found;
        const size_t first = DrawAt(std::max(from, 0));
        const size_t last = std::min(DrawAt(std::min(to, static_cast<int>(dev().calls().size()))),
                                     dev().draws.size());
        for (size_t i = first; i < last; ++i)
            if (dev().draws[i].texture == texture) found.push_back(dev().draws[i]);
        return found;
    }

    // The water scene was drawn through camera `index` (1-based) at clip time `clip`: the
    // camera sampled at scene frame 0.5 x clip.
    void ExpectWaterFrame(float clip, uint32_t index) {
        scene3ds::Scene* scene = effects::waterScene.scene;
        ASSERT_NE(scene, nullptr);
        scene3ds::SceneCamera* camera = scene->cameras;
        for (uint32_t i = 1; i < index && camera; ++i) camera = camera->next;
        ASSERT_NE(camera, nullptr) << "camera " << index;
        EXPECT_EQ(scene->activeCamera, camera) << "camera " << index;
        const D3DXVECTOR3 at = scene::SampleVectorTrack(camera->positionTrack, 0.5f * clip);
        EXPECT_EQ(camera->position[0], at.x) << "clip time " << clip;
        EXPECT_EQ(camera->position[1], at.y) << "clip time " << clip;
        EXPECT_EQ(camera->position[2], at.z) << "clip time " << clip;
    }
    // The camera path moves between the two clip times (so ExpectWaterFrame tells them apart).
    void ExpectCameraMoves(uint32_t index, float a, float b) {
        scene3ds::SceneCamera* camera = effects::waterScene.scene->cameras;
        for (uint32_t i = 1; i < index && camera; ++i) camera = camera->next;
        ASSERT_NE(camera, nullptr);
        const D3DXVECTOR3 pa = scene::SampleVectorTrack(camera->positionTrack, 0.5f * a);
        const D3DXVECTOR3 pb = scene::SampleVectorTrack(camera->positionTrack, 0.5f * b);
        EXPECT_TRUE(pa.x != pb.x || pa.y != pb.y || pa.z != pb.z);
    }
};

constexpr DWORD kOne = D3DBLEND_ONE, kZero = D3DBLEND_ZERO, kSrcAlpha = D3DBLEND_SRCALPHA,
                kInvSrcAlpha = D3DBLEND_INVSRCALPHA;

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
    EXPECT_EQ(show().frameClock.frameCount, 21);  // ticked last
    EXPECT_EQ(show().position, 1792000u);
}

TEST_F(TimelineTest, AtTheFirstBoundaryNeitherTitleNorWaterIsDrawn) {
    FrameAt(1792000);
    EXPECT_EQ(show().timerA.running, 0);
    EXPECT_EQ(show().timerB.running, 0);
    EXPECT_EQ(show().flashTimers[0].running, 0);  // the white flash waits for 1792001
    // Only the glow of the (black) frame: copy, shrink, ten blur passes, composite.
    EXPECT_EQ(dev().callsNamed("DrawPrimitive").size(), 13u);
    FrameAt(1792004);
    EXPECT_EQ(show().timerB.running, 1);
    EXPECT_EQ(show().flashTimers[0].running, 1);
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
    presentation_->Frame();
    presentation_->Frame();
    EXPECT_EQ(effects::titleSprite.alpha, 1.0f);
}

TEST_F(TimelineTest, FirstPictureCutHoldsThirtyTicksThenTheNextShot) {
    int frames = 0, cutFrames = 0;
    uint64_t position = 9907200 - 2 * 2940;
    const gfx::BaseTexture* cut = timeline::showPictures.cuts[0];
    ASSERT_NE(cut, nullptr);
    while (show().cutPending[0] == 1 && frames < 200) {
        dev().draws.clear();
        const float e = show().timerB.elapsed;
        FrameAt(position);
        // The first shot: camera 4 at 0.7 x e until the cut has held.
        if (position <= 9907200) ExpectWaterFrame(0.7f * e, 4);
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
    // The next shot: camera 1 from clip time 400, now at full speed (400 + 1.0 x e).
    ExpectWaterFrame(400.0f, 1);
    for (int i = 0; i < 20; ++i) FrameAt(position += 2940);
    const float e = show().timerB.elapsed;
    FrameAt(position + 2940);
    ExpectWaterFrame(400.0f + e, 1);
    ExpectCameraMoves(1, 400.0f + e, 400.0f + 0.7f * e);
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
    EXPECT_EQ(show().flashTimers[50].running, 1);
    EXPECT_EQ(show().flashTimers[51].running, 0);
    EXPECT_NEAR(GlowStrength(), 0.258f, 1e-6f);
    EXPECT_EQ(show().timerC.running, 0);
}

TEST_F(TimelineTest, ScreenCounterRunsThroughThirtyThreeFrames) {
    if (!effects::screenScene.scene) GTEST_SKIP() << "the picture screen scene is not loaded yet";
    std::vector<uint32_t> seen;
    for (int i = 0; i < 35; ++i) {
        seen.push_back(show().screen.screenCounter);
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
    timeline::theTimeline.SegmentI(show());
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
    timeline::theTimeline.SegmentJ(show());
    EXPECT_EQ(effects::pictureQuad.alpha, 255);  // v held at 1
}

TEST_F(TimelineTest, CounterOnlyWhileSpaceIsHeld) {
    FrameAt(5000000);
    EXPECT_EQ(DrawsWithTexture(effects::digitCounter.pictures[10]), 0);
    platform::KeyState[platform::kVkSpace] = 1;
    show().frameClock.framesPerSecond = 60.0f;
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

// Segment C: the scene's new ambient colour and attenuation reach the device; after the
// water frame all four stages are emptied and the effect quad draws once over what the frame
// left bound (additive, no textures); then only depth and stencil are cleared for the metal
// object, under ONE, ZERO; the inserts carry the fifth insert picture.
TEST_F(TimelineTest, BackwardsWaterThenTheEffectQuadThenMetalAndInserts) {
    FrameAt(12700000);
    const scene3ds::Scene* scene = effects::waterScene.scene;
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->ambientColor, 0x001024BAu);
    EXPECT_EQ(scene->lightAttenuation[0], 0.95f);
    EXPECT_EQ(scene->lightAttenuation[1], 0.04f);
    EXPECT_EQ(scene->lightAttenuation[2], 0.0f);

    const int start = SegmentsStart();
    EXPECT_EQ(
        FindSequence({"SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
                      "SetRenderState(D3DRS_SRCBLEND, 2)", "SetRenderState(D3DRS_DESTBLEND, 1)"},
                     static_cast<size_t>(start)),
        start);
    const int quad = FindSequence(
        {"SetTexture(0, null)", "SetTexture(1, null)", "SetTexture(2, null)", "SetTexture(3, null)",
         "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", "SetRenderState(D3DRS_SRCBLEND, 2)",
         "SetRenderState(D3DRS_DESTBLEND, 1)", "Clear(0, 0x6, 0xFF000000, 1, 0)"},
        static_cast<size_t>(start));
    ASSERT_NE(quad, -1);
    // The water frame lies between: its ambient and lights are the segment's.
    EXPECT_NE(CallsStartingWith("SetRenderState(D3DRS_AMBIENT, 0x001024BA)", start, quad).size(),
              0u);
    // (Slots the scene leaves switched off may hold other scenes' lights.)
    std::set<std::string> lit;
    for (int i : CallsStartingWith("LightEnable(", start, quad))
        if (dev().calls()[static_cast<size_t>(i)].args.at(1) == "TRUE")
            lit.insert(dev().calls()[static_cast<size_t>(i)].args.at(0));
    EXPECT_FALSE(lit.empty());
    for (int i : CallsStartingWith("SetLight(", start, quad)) {
        if (!lit.count(dev().calls()[static_cast<size_t>(i)].args.at(0))) continue;
        const auto& floats = dev().calls()[static_cast<size_t>(i)].floats;
        ASSERT_GE(floats.size(), 23u);
        EXPECT_EQ(floats[20], 0.95f);
        EXPECT_EQ(floats[21], 0.04f);
        EXPECT_EQ(floats[22], 0.0f);
    }
    const testsupport::ScreenDraw& pass = dev().draws[DrawAt(quad + 4)];
    EXPECT_EQ(pass.texture, nullptr);
    EXPECT_EQ(pass.srcBlend, kOne);
    EXPECT_EQ(pass.destBlend, kOne);
    // t = 2000 - e: the first frame shows clip time 2000 through camera 4.
    ExpectWaterFrame(2000.0f, 4);

    // The metal object draws after the clear, before the inserts' picture is bound.
    const int inserts = dev().find("SetTexture(0, " + Name(timeline::showPictures.inserts[4]) + ")",
                                   static_cast<size_t>(quad));
    ASSERT_NE(inserts, -1);
    EXPECT_FALSE(CallsStartingWith("DrawIndexedPrimitive", quad + 8, inserts).empty());
    // Flashes 0 (12620800) and 1 (12672000) have both passed: drawn at full strength, added.
    const auto flashes = DrawsWith(timeline::showPictures.inserts[4], inserts, GlowStart());
    ASSERT_EQ(flashes.size(), 2u);
    for (const auto& d : flashes) {
        EXPECT_FLOAT_EQ(d.c0[0], 1.0f);
        EXPECT_EQ(d.srcBlend, kOne);
        EXPECT_EQ(d.destBlend, kOne);
    }

    // Running backwards: e ticks in, clip time 2000 - e.
    for (int i = 0; i < 30; ++i) FrameAt(12700000 + 2940u * static_cast<uint32_t>(i + 1));
    const float e = show().timerC.elapsed;
    FrameAt(12700000 + 2940u * 31);
    ExpectWaterFrame(2000.0f - e, 4);
}

// Segment E: stage-0 filters, then the title picture at 75 added; the people picture fading
// out over 50 ticks with the glow coming up; each long flash with its own picture bound.
TEST_F(TimelineTest, RingSegmentPicturesFadeAndLongFlashes) {
    FrameAt(23080705);
    const int start = SegmentsStart();
    const int title =
        FindSequence({"SetTextureStageState(0, D3DTSS_MAGFILTER, 2)",
                      "SetTextureStageState(0, D3DTSS_MINFILTER, 2)",
                      "SetTextureStageState(0, D3DTSS_MIPFILTER, 1)",
                      "SetRenderState(D3DRS_SRCBLEND, 2)", "SetRenderState(D3DRS_DESTBLEND, 2)",
                      "SetTexture(0, " + Name(timeline::showPictures.title) + ")"},
                     static_cast<size_t>(start));
    EXPECT_EQ(title, start);
    const auto titles = DrawsWith(timeline::showPictures.title, start, GlowStart());
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_FLOAT_EQ(titles[0].c0[0], 75.0f / 255.0f);
    EXPECT_EQ(titles[0].srcBlend, kOne);
    EXPECT_EQ(titles[0].destBlend, kOne);
    EXPECT_NE(dev().find("SetRenderState(D3DRS_FOGDENSITY, 0.0015)", static_cast<size_t>(start)),
              -1);

    // The people picture: alpha (1 - 0.02 p) x 255 over SRCALPHA, INVSRCALPHA; the glow
    // strength p x 0.02 x 0.259; nothing from p = 50 on.
    struct Case {
        float p;
        int32_t alpha;  // -1: not drawn
        float strength;
    };
    uint32_t position = 23080705;
    for (const Case c : {Case{0.0f, 255, 0.0f}, Case{25.0f, 127, 0.1295f},
                         Case{49.9f, 0, 0.258482f}, Case{50.0f, -1, 0.259f}}) {
        show().peopleFadeOut.elapsed = c.p;
        dev().clearCalls();
        dev().draws.clear();
        FrameAt(position += 2940);
        const auto people = DrawsWith(timeline::showPictures.people, 0, GlowStart());
        if (c.alpha < 0) {
            EXPECT_TRUE(people.empty()) << "p " << c.p;
        } else {
            ASSERT_EQ(people.size(), 1u) << "p " << c.p;
            EXPECT_FLOAT_EQ(people[0].c0[0], static_cast<float>(c.alpha) / 255.0f) << "p " << c.p;
            EXPECT_EQ(people[0].srcBlend, kSrcAlpha);
            EXPECT_EQ(people[0].destBlend, kInvSrcAlpha);
            EXPECT_EQ(people[0].blendEnable, static_cast<DWORD>(TRUE));
        }
        EXPECT_NEAR(GlowStrength(), c.strength, 1e-5f) << "p " << c.p;
    }

    // Long flash k shows "gret<k+1>" at full strength on its first frame, added. (A frame at
    // the flash's own position first: it does not fire there, and the flash before it, whose
    // timer lags a frame, reads its true age.)
    for (int k = 0; k < 4; ++k) {
        FrameAt(timeline::kLongFlashes[k]);
        dev().clearCalls();
        dev().draws.clear();
        FrameAt(timeline::kLongFlashes[k] + 4);
        for (int j = 0; j < 4; ++j) {
            const auto shown = DrawsWith(timeline::showPictures.gret[j], 0, GlowStart());
            if (j != k) {
                EXPECT_TRUE(shown.empty()) << "flash " << k << ", picture " << j + 1;
                continue;
            }
            ASSERT_EQ(shown.size(), 1u) << "flash " << k;
            EXPECT_FLOAT_EQ(shown[0].c0[0], 1.0f);
            EXPECT_EQ(shown[0].srcBlend, kOne);
            EXPECT_EQ(shown[0].destBlend, kOne);
        }
    }
}

// Segment F: the background picture at full strength, then exponential table fog with its
// five states around the cube grid and nothing else; fog is off again before the glow.
TEST_F(TimelineTest, CubeGridInFogOverTheBackground) {
    FrameAt(35000000);
    const int start = SegmentsStart(), glow = GlowStart();
    const auto background = DrawsWith(timeline::showPictures.p1, start, glow);
    ASSERT_EQ(background.size(), 1u);
    EXPECT_FLOAT_EQ(background[0].c0[0], 1.0f);
    const int fogOn = FindSequence(
        {"SetRenderState(D3DRS_FOGENABLE, 1)", "SetRenderState(D3DRS_FOGCOLOR, 0xFF000000)",
         "SetRenderState(D3DRS_FOGVERTEXMODE, 0)", "SetRenderState(D3DRS_FOGTABLEMODE, 1)",
         "SetRenderState(D3DRS_FOGDENSITY, 0.0025)"},
        static_cast<size_t>(start));
    ASSERT_NE(fogOn, -1);
    EXPECT_GT(static_cast<int>(DrawAt(fogOn)), static_cast<int>(DrawAt(start)));  // after p1
    const auto fogSwitches = CallsStartingWith("SetRenderState(D3DRS_FOGENABLE", fogOn + 1, glow);
    ASSERT_EQ(fogSwitches.size(), 1u);
    EXPECT_EQ(dev().callStrings()[static_cast<size_t>(fogSwitches[0])],
              "SetRenderState(D3DRS_FOGENABLE, 0)");
    const auto grid = CallsStartingWith("DrawIndexedPrimitive", start, glow);
    ASSERT_FALSE(grid.empty());
    EXPECT_GT(grid.front(), fogOn);
    EXPECT_LT(grid.back(), fogSwitches[0]);
    DWORD fog = 1;
    dev().GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(fog, 0u);
}

// Segment G: the stagi picture at 128 replacing the frame (ONE, ZERO), the rotating mesh over
// it, the inserts with the third insert picture added, and from 39421696 on a glow rising by
// 0.0025 a tick of the ramp timer.
TEST_F(TimelineTest, RotatingMeshOverStagiWithInsertsAndARisingGlow) {
    FrameAt(37324801);  // insert 1's first frame (insert 0's too: no frame came before)
    const int start = SegmentsStart(), glow = GlowStart();
    EXPECT_EQ(
        FindSequence({"SetRenderState(D3DRS_SRCBLEND, 2)", "SetRenderState(D3DRS_DESTBLEND, 1)",
                      "SetTexture(0, " + Name(timeline::showPictures.stagi) + ")"},
                     static_cast<size_t>(start)),
        start);
    const auto stagi = DrawsWith(timeline::showPictures.stagi, start, glow);
    ASSERT_EQ(stagi.size(), 1u);
    EXPECT_FLOAT_EQ(stagi[0].c0[0], 128.0f / 255.0f);
    EXPECT_EQ(stagi[0].srcBlend, kOne);
    EXPECT_EQ(stagi[0].destBlend, kZero);
    const int bound = dev().find("SetTexture(0, " + Name(timeline::showPictures.inserts[2]) + ")",
                                 static_cast<size_t>(start));
    ASSERT_NE(bound, -1);
    const auto mesh = CallsStartingWith("DrawIndexedPrimitive", start, glow);
    ASSERT_FALSE(mesh.empty());
    EXPECT_LT(mesh.back(), bound);
    const auto inserts = DrawsWith(timeline::showPictures.inserts[2], bound, glow);
    ASSERT_EQ(inserts.size(), 2u);
    for (const auto& d : inserts) {
        EXPECT_FLOAT_EQ(d.c0[0], 1.0f);
        EXPECT_EQ(d.srcBlend, kOne);
        EXPECT_EQ(d.destBlend, kOne);
    }
    EXPECT_NEAR(GlowStrength(), 0.26f, 1e-6f);

    dev().draws.clear();
    FrameAt(39421696);  // not yet past
    EXPECT_NEAR(GlowStrength(), 0.26f, 1e-6f);
    EXPECT_EQ(show().strengthRamp.running, 0);
    dev().draws.clear();
    FrameAt(39421697);  // r = 0 on the ramp's first frame
    EXPECT_EQ(show().strengthRamp.running, 1);
    EXPECT_NEAR(GlowStrength(), 0.26f, 1e-6f);
    show().strengthRamp.elapsed = 40.0f;
    dev().draws.clear();
    FrameAt(39421697 + 2940);
    EXPECT_NEAR(GlowStrength(), 0.26f + 40 * 0.0025f, 1e-6f);
    // One second after it began the timer has counted 60 ticks.
    FrameAt(39421697 + 176400);
    dev().draws.clear();
    FrameAt(39421697 + 176400);
    EXPECT_NEAR(GlowStrength(), 0.26f + 60 * 0.0025f, 1e-3f);
}

// Segment H: the p3 picture at full strength over the end mesh under the blend states the
// mesh left, then the white fade (int((1 - 0.0125 f) x 128) AND 0xFF, added) while f < 80.
TEST_F(TimelineTest, EndMeshUnderP3AndTheFade) {
    struct Case {
        float f;
        int32_t alpha;  // -1: not drawn
    };
    uint32_t position = 40000000;
    for (const Case c : {Case{0.0f, 128}, Case{40.0f, 64}, Case{79.9f, 0}, Case{80.0f, -1}}) {
        if (position > 40000000) show().fadeTimer.elapsed = c.f;
        dev().clearCalls();
        dev().draws.clear();
        FrameAt(position);
        position += 2940;
        const int start = SegmentsStart(), glow = GlowStart();
        // (The fade quad after it draws with p3 still bound but through its own program.)
        std::vector<testsupport::ScreenDraw> p3;
        for (const auto& d : DrawsWith(timeline::showPictures.p3, start, glow))
            if (d.pixelShader == effects::pictureQuad.pixelProgram) p3.push_back(d);
        ASSERT_EQ(p3.size(), 1u);
        EXPECT_FLOAT_EQ(p3[0].c0[0], 1.0f);
        // Nothing sets the blend factors between the end mesh and the picture.
        const auto mesh = CallsStartingWith("DrawIndexedPrimitive", start, glow);
        ASSERT_FALSE(mesh.empty());
        const int picture = dev().find("SetTexture(0, " + Name(timeline::showPictures.p3) + ")",
                                       static_cast<size_t>(mesh.back()));
        ASSERT_NE(picture, -1);
        EXPECT_TRUE(
            CallsStartingWith("SetRenderState(D3DRS_SRCBLEND", mesh.back(), picture).empty());
        EXPECT_TRUE(
            CallsStartingWith("SetRenderState(D3DRS_DESTBLEND", mesh.back(), picture).empty());

        std::vector<testsupport::ScreenDraw> fades;
        for (size_t i = DrawAt(start); i < DrawAt(glow); ++i)
            if (dev().draws[i].pixelShader == effects::fadeQuad.pixelProgram)
                fades.push_back(dev().draws[i]);
        if (c.alpha < 0) {
            EXPECT_TRUE(fades.empty()) << "f " << c.f;
            continue;
        }
        ASSERT_EQ(fades.size(), 1u) << "f " << c.f;
        EXPECT_FLOAT_EQ(fades[0].c0[0], static_cast<float>(c.alpha) / 255.0f) << "f " << c.f;
        EXPECT_EQ(fades[0].srcBlend, kOne);
        EXPECT_EQ(fades[0].destBlend, kOne);
    }
}

}  // namespace
