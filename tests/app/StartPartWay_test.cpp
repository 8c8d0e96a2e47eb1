// A run started part-way with --start against a whole run of the presentation itself: both
// on a recording device (drawing nothing), the virtual clock and the show pack, compared in
// everything the timeline carries from frame to frame.
#include <gtest/gtest.h>

#include <unistd.h>
#include <memory>
#include <string>

#include "app/Capture.h"
#include "app/DeviceSetup.h"
#include "app/Engine.h"
#include "app/RuneplayPresentation.h"
#include "effects/overlays/Credits.h"
#include "effects/overlays/Flashes.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "platform/Clock.h"
#include "support/ReportCapture.h"
#include "support/ShowFixture.h"
#include "support/ShowPack.h"
#include "timeline/Timeline.h"

namespace {

constexpr uint32_t kClockAtLoad = 250000;

// What the show carries from frame to frame, copied out of the process-wide objects.
struct ShowState {
    timeline::Timeline timeline;
    timeline::SceneTimer flashes[effects::kFlashTimerCount];
    timeline::SceneTimer credits[effects::kCreditCount];
    uint32_t screenCounter = 0;
    timeline::SceneTimer screenClip;
    float strength = 0.0f;

    static std::unique_ptr<ShowState> Now() {
        auto s = std::make_unique<ShowState>();
        s->timeline = timeline::theTimeline;
        for (size_t i = 0; i < effects::kFlashTimerCount; ++i)
            s->flashes[i] = effects::flashTimers[i];
        for (size_t i = 0; i < effects::kCreditCount; ++i) s->credits[i] = effects::creditTimers[i];
        s->screenCounter = effects::screenScene.screenCounter;
        s->screenClip = effects::screenScene.clipTimer;
        s->strength = effects::screenEffectQuad.strength;
        return s;
    }
};

void ExpectSameTimer(const timeline::SceneTimer& a, const timeline::SceneTimer& b,
                     const std::string& name) {
    EXPECT_EQ(a.running, b.running) << name;
    EXPECT_EQ(a.startTime, b.startTime) << name;
    EXPECT_EQ(a.nowTime, b.nowTime) << name;
    EXPECT_EQ(a.elapsed, b.elapsed) << name;
}

void ExpectSameState(const ShowState& a, const ShowState& b) {
    const timeline::Timeline &x = a.timeline, &y = b.timeline;
    EXPECT_EQ(x.position, y.position);
    EXPECT_EQ(x.shotIndex, y.shotIndex);
    EXPECT_EQ(x.speedFactor, y.speedFactor);
    for (int i = 0; i < timeline::kCutCount; ++i) {
        EXPECT_EQ(x.cutPending[i], y.cutPending[i]) << "cut " << i;
        ExpectSameTimer(x.cutTimers[i], y.cutTimers[i], "cut timer " + std::to_string(i));
    }
    const std::pair<const char*, timeline::SceneTimer timeline::Timeline::*> timers[] = {
        {"A", &timeline::Timeline::timerA},
        {"B", &timeline::Timeline::timerB},
        {"C", &timeline::Timeline::timerC},
        {"E", &timeline::Timeline::timerE},
        {"F", &timeline::Timeline::timerF},
        {"G", &timeline::Timeline::timerG},
        {"H", &timeline::Timeline::timerH},
        {"I", &timeline::Timeline::timerI},
        {"J", &timeline::Timeline::timerJ},
        {"people fade-out", &timeline::Timeline::peopleFadeOut},
        {"strength ramp", &timeline::Timeline::strengthRamp},
        {"fade", &timeline::Timeline::fadeTimer}};
    for (const auto& [name, timer] : timers)
        ExpectSameTimer(x.*timer, y.*timer, std::string("timer ") + name);
    for (size_t i = 0; i < effects::kFlashTimerCount; ++i)
        ExpectSameTimer(a.flashes[i], b.flashes[i], "flash " + std::to_string(i));
    for (size_t i = 0; i < effects::kCreditCount; ++i)
        ExpectSameTimer(a.credits[i], b.credits[i], "credit " + std::to_string(i));
    EXPECT_EQ(a.screenCounter, b.screenCounter);
    ExpectSameTimer(a.screenClip, b.screenClip, "screen clip");
    EXPECT_EQ(a.strength, b.strength);
}

class StartPartWayTest : public ::testing::TestWithParam<uint64_t> {
  protected:
    static void SetUpTestSuite() {
        testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "partway");
    }
    static void TearDownTestSuite() { testsupport::SuiteShowPack::Remove(); }
    static const std::string& pack() { return testsupport::SuiteShowPack::Path(); }

    void SetUp() override {
        previous_ = RenderDevice;
        platform::UseVirtualClock(kClockAtLoad);
        options_.packPath = pack();
        options_.headless = true;
        options_.audio = audio::AudioBackend::None;
    }
    void TearDown() override {
        audio::SetSoundtrack(nullptr);
        RenderDevice = previous_;
        platform::UseRealClock();
    }

    // A fresh device, show state and presentation; the engine's soundtrack is a stepped
    // player, kept in `player_`.
    std::unique_ptr<app::Engine> NewEngine(const app::Options& options) {
        engine_.reset();
        presentation_.reset();
        audio::SetSoundtrack(nullptr);
        device_ = std::make_unique<gfx::RecordingDevice>();
        device_->setRecording(false);
        RenderDevice = device_.get();
        app::SetDefaultState(*device_);
        testsupport::ResetShowState();
        platform::VirtualClockSet(kClockAtLoad);
        presentation_ = std::make_unique<app::RuneplayPresentation>();
        auto engine = std::make_unique<app::Engine>(options, *presentation_);
        engine->setPlayerStarter(
            [this](const uint8_t* data, size_t size, uint64_t start, std::string* error) {
                auto p = std::make_unique<app::SteppedSoundtrackPlayer>();
                player_ = p.get();
                std::unique_ptr<audio::SoundtrackPlayer> result;
                if (p->Start(data, size, start, error) == audio::StartResult::Started)
                    result = std::move(p);
                return result;
            });
        return engine;
    }

    testsupport::ReportCapture reports_;
    app::Options options_;
    gfx::RenderDevice* previous_ = nullptr;
    std::unique_ptr<gfx::RecordingDevice> device_;
    std::unique_ptr<app::RuneplayPresentation> presentation_;
    std::unique_ptr<app::Engine> engine_;
    app::SteppedSoundtrackPlayer* player_ = nullptr;
};

TEST_P(StartPartWayTest, HoldsWhatAWholeRunHoldsThere) {
    const uint64_t start = GetParam();

    // The whole run: every 60 fps frame from the start of the track up to `start`.
    engine_ = NewEngine(options_);
    ASSERT_TRUE(engine_->LoadAll());
    ASSERT_NE(player_, nullptr);
    const app::FrameGrid grid{player_->Format(), app::kStillFramesPerSecond, 0};
    for (uint64_t k = 0; grid.Position(k) < start; ++k) {
        player_->SetPosition(grid.Position(k));
        platform::VirtualClockSet(app::ClockAt(kClockAtLoad, grid.Position(k), player_->Format()));
        presentation_->Frame();
    }
    const auto whole = ShowState::Now();
    // Past the first picture cut the water shots run at full speed.
    EXPECT_EQ(whole->timeline.speedFactor, 1.0f);

    app::Options partWay = options_;
    partWay.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Bytes, start};
    engine_ = NewEngine(partWay);
    ASSERT_TRUE(engine_->LoadAll());
    const auto started = ShowState::Now();

    ExpectSameState(*whole, *started);
    EXPECT_TRUE(reports_.fatals.empty());
}

// In the water shots after three picture cuts, with the fourth holding the frame; in the
// picture screen scene past its first camera cut, with the screen loop running.
INSTANTIATE_TEST_SUITE_P(Positions, StartPartWayTest, ::testing::Values(10950000u, 18800000u));

}  // namespace
