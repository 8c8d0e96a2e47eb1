// A run started part-way with --start against a whole run of the presentation itself: both
// on a recording device (drawing nothing), the virtual clock and the show pack, compared in
// everything the show carries from frame to frame.
#include <gtest/gtest.h>

#include <unistd.h>
#include <memory>
#include <string>

#include "app/Capture.h"
#include "app/DeviceSetup.h"
#include "app/Engine.h"
#include "app/RuneplayPresentation.h"
#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "platform/Clock.h"
#include "support/ReportCapture.h"
#include "support/ShowFixture.h"
#include "support/ShowPack.h"
#include "support/ShowStateCompare.h"
#include "timeline/ShowState.h"

namespace {

constexpr uint32_t kClockAtLoad = 250000;

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
        platform::ClearKeyState();
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

    // The whole run: every 60 fps frame from the start of the track up to `start`, with the
    // clock as a still has it.
    platform::VirtualClockSet(app::kRenderClockStart);
    engine_ = NewEngine(options_);
    platform::VirtualClockSet(app::kRenderClockStart);
    ASSERT_TRUE(engine_->LoadAll());
    ASSERT_NE(player_, nullptr);
    const app::FrameGrid grid{player_->Format(), app::kStillFramesPerSecond, 0};
    for (uint64_t k = 0; grid.Position(k) < start; ++k) {
        player_->SetPosition(grid.Position(k));
        platform::VirtualClockSet(
            app::ClockAt(app::kRenderClockStart, grid.Position(k), player_->Format()));
        presentation_->Frame();
    }
    const auto whole = std::make_unique<timeline::ShowState>(presentation_->show());
    // Past the first picture cut the water shots run at full speed.
    EXPECT_EQ(whole->speedFactor, 1.0f);

    app::Options partWay = options_;
    partWay.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Bytes, start};
    engine_ = NewEngine(partWay);
    ASSERT_TRUE(engine_->LoadAll());
    const timeline::ShowState& started = presentation_->show();

    // The timers of cuts not shown yet hold only the clock reading of their loading.
    testsupport::ExpectSameShowState(*whole, started, false);
    // The clock runs on from the reading the whole run has at the start position.
    EXPECT_EQ(platform::timeGetTime(),
              app::ClockAt(app::kRenderClockStart, start, player_->Format()));
    EXPECT_TRUE(reports_.fatals.empty());
}

// In the water shots after three picture cuts, with the fourth holding the frame; in the
// picture screen scene past its first camera cut, with the screen loop running.
INSTANTIATE_TEST_SUITE_P(Positions, StartPartWayTest, ::testing::Values(10950000u, 18800000u));

}  // namespace
