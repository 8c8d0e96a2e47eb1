// The presentation itself paused through the player, headless on the GL device: while paused
// nothing the run carries from frame to frame moves, and a run paused for a while and resumed
// draws exactly the frames of a run never paused.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Engine.h"
#include "app/Player.h"
#include "app/RuneplayPresentation.h"
#include "gfx/GlobalDevice.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "support/ReportCapture.h"
#include "support/ShowPack.h"
#include "timeline/ShowState.h"

namespace {

constexpr uint32_t kClockAtLoad = 300000;
constexpr uint32_t kPassMs = 16;

// Every timer and counter the show keeps between frames, as plain numbers.
std::vector<double> NumbersOf(const timeline::ShowState& s) {
    std::vector<double> n;
    auto timer = [&n](const timing::SceneTimer& t) {
        n.insert(n.end(), {double(t.running), double(t.startTime), double(t.nowTime), t.elapsed});
    };
    n.insert(n.end(), {double(s.position), double(s.shotIndex), s.speedFactor});
    for (int i = 0; i < timeline::kCutCount; ++i) {
        n.push_back(s.cutPending[i]);
        timer(s.cutTimers[i]);
    }
    for (const timing::SceneTimer* t :
         {&s.timerA, &s.timerB, &s.timerC, &s.timerE, &s.timerF, &s.timerG, &s.timerH, &s.timerI,
          &s.timerJ, &s.peopleFadeOut, &s.strengthRamp, &s.fadeTimer, &s.ringGlideTimer})
        timer(*t);
    for (const timing::SceneTimer& t : s.flashTimers) timer(t);
    for (const timing::SceneTimer& t : s.creditTimers) timer(t);
    n.push_back(s.screen.screenCounter);
    timer(s.screen.clipTimer);
    n.push_back(s.strength);
    n.push_back(s.random.state);
    const timeline::FrameClock& clock = s.frameClock;
    n.insert(n.end(), {double(clock.frameCount), clock.elapsedTicks, clock.framesPerSecond});
    return n;
}

std::vector<uint32_t> BackBuffer() {
    IDirect3DSurface8* back = nullptr;
    std::vector<uint32_t> argb;
    if (RenderDevice && SUCCEEDED(RenderDevice->GetBackBuffer(0, &back)) && back)
        RenderDevice->ReadPixels(back, argb);
    return argb;
}

class PausedShowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "paused");
    }
    static void TearDownTestSuite() { testsupport::SuiteShowPack::Remove(); }

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platform::InitEvents(&error)) << error;
        options.packPath = testsupport::SuiteShowPack::Path();
        options.headless = true;
        options.audio = audio::AudioBackend::None;
        options.width = 160;
        options.height = 120;
        // In the ring scene with its credits, where every frame moves something.
        options.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Bytes, 26500000};
        options.quitAfterFrames = 100;
    }
    void TearDown() override {
        audio::SetSoundtrack(nullptr);
        platform::UseRealClock();
        platform::ClearKeyState();
    }

    // A fresh show played with the clock moving on 16 ms after every pass of the loop, paused
    // or not, as a wall clock would; `script` runs after each pass's keys. Returns the back
    // buffer of the last frame.
    std::vector<uint32_t> Play(const std::function<void(int pass, app::Player&)>& script) {
        platform::UseVirtualClock(kClockAtLoad);
        presentation = std::make_unique<app::RuneplayPresentation>();
        std::vector<uint32_t> last;
        {
            app::Engine engine(options, *presentation);
            int pass = 0;
            engine.setAfterInput([&](app::Player& player) {
                script(++pass, player);
                platform::VirtualClockAdvance(kPassMs);
            });
            EXPECT_EQ(engine.Run(), 0);
            last = BackBuffer();
            audio::SetSoundtrack(nullptr);
        }
        return last;
    }

    static void Tap(int virtualKey) {
        ASSERT_TRUE(platform::PushKey(virtualKey, true));
        ASSERT_TRUE(platform::PushKey(virtualKey, false));
    }

    // The show's state as the last run left it.
    std::vector<double> ShowNumbers() const { return NumbersOf(presentation->show()); }

    testsupport::ReportCapture reports;
    app::Options options;
    std::unique_ptr<app::RuneplayPresentation> presentation;
};

TEST_F(PausedShowTest, NothingMovesWhilePausedAndAResumedRunDrawsWhatAnUnpausedOneDraws) {
    // Never paused: ten frames (Escape, tapped after the ninth pass, is taken after the tenth).
    const std::vector<uint32_t> unpaused = Play([](int pass, app::Player&) {
        if (pass == 9) Tap(platform::kVkEscape);
    });
    const std::vector<double> unpausedState = ShowNumbers();
    ASSERT_FALSE(unpaused.empty());

    // Paused after the fourth frame for eight passes, then the same ten frames.
    std::vector<double> atPause;
    std::vector<uint32_t> pausedFrame;
    int pausedPasses = 0;
    const std::vector<uint32_t> resumed = Play([&](int pass, app::Player& player) {
        if (pass == 3) Tap('P');  // taken in pass 4, after its frame
        if (player.paused()) {
            if (atPause.empty()) {
                atPause = ShowNumbers();
                pausedFrame = BackBuffer();
            } else {
                ++pausedPasses;
                EXPECT_EQ(ShowNumbers(), atPause) << "paused pass " << pass;
                EXPECT_EQ(BackBuffer(), pausedFrame) << "paused pass " << pass;
            }
        }
        if (pass == 11) Tap('P');
        if (pass == 17) Tap(platform::kVkEscape);
    });
    EXPECT_EQ(pausedPasses, 7);
    EXPECT_EQ(ShowNumbers(), unpausedState);
    EXPECT_TRUE(resumed == unpaused) << "the last frames differ";
    EXPECT_TRUE(reports.fatals.empty());
}

}  // namespace
