// Fixture for tests of the whole frame on a RecordingDevice: the show pack (support/
// ShowPack.h), the load routine's steps run on a fresh capturing device, the virtual clock,
// and a soundtrack whose position the test sets. Each test's presentation holds a run of its
// own, so tests do not see each other's timers.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <memory>
#include <optional>
#include <string>

#include "app/DeviceSetup.h"
#include "app/RuneplayPresentation.h"
#include "assets/PackArchive.h"
#include "audio/SoundtrackPlayer.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "support/OverlayFixture.h"
#include "support/ShowPack.h"
#include "timeline/ShowState.h"
#include "timeline/Timeline.h"

namespace testsupport {

// A soundtrack at whatever position the test sets.
class SetPositionPlayer final : public audio::SoundtrackPlayer {
  public:
    audio::StartResult Start(const uint8_t*, size_t, uint64_t, std::string*) override {
        return audio::StartResult::Started;
    }
    uint64_t Position() override { return position; }
    void Stop() override {}
    std::optional<uint64_t> Length() const override { return uint64_t{1} << 32; }
    audio::TrackFormat Format() const override { return {44100, 2}; }
    const char* BackendName() const override { return "test"; }
    uint64_t position = 0;
};

class ShowFixture : public ::testing::Test {
  protected:
    static constexpr uint32_t kClockStart = 100000;

    static void SetUpTestSuite() {
        showPack() = ::testing::TempDir() + "runeplay-show-" + std::to_string(getpid()) + ".dat";
        std::string error;
        ASSERT_TRUE(WriteShowPack(RUNEPLAY_PLAY_DIR "/kelvra.dat", showPack(), &error)) << error;
    }
    static void TearDownTestSuite() { std::remove(showPack().c_str()); }

    void SetUp() override {
        gfx::DeviceParams params;
        params.width = width_;
        params.height = height_;
        device_ = std::make_unique<CapturingDevice>(params);
        previousDevice_ = RenderDevice;
        RenderDevice = device_.get();
        app::SetDefaultState(*device_);  // what device creation leaves
        platform::UseVirtualClock(kClockStart);
        platform::ClearKeyState();
        ASSERT_TRUE(assets::GlobalPack().Open(showPack()));
        presentation_ = std::make_unique<app::RuneplayPresentation>();
        presentation_->LoadAssets();
        audio::SetSoundtrack(&player_);
        presentation_->AfterSoundtrackStart();
        presentation_->frameClock().Start();
        device_->clearCalls();
        device_->draws.clear();
    }
    void TearDown() override {
        audio::SetSoundtrack(nullptr);
        presentation_.reset();
        RenderDevice = previousDevice_;
        platform::UseRealClock();
        platform::ClearKeyState();
    }

    // One frame at `position`, the clock at the soundtrack start plus the position's time.
    void FrameAt(uint64_t position) {
        player_.position = position;
        platform::VirtualClockSet(kClockStart + static_cast<uint32_t>(position / 4 * 1000 / 44100));
        presentation_->Frame();
    }

    static std::string& showPack() {
        static std::string path;
        return path;
    }

    CapturingDevice& dev() { return *device_; }
    timeline::ShowState& show() { return presentation_->show(); }

    UINT width_ = 800, height_ = 600;
    ReportCapture reports_;
    std::unique_ptr<CapturingDevice> device_;
    gfx::RenderDevice* previousDevice_ = nullptr;
    std::unique_ptr<app::RuneplayPresentation> presentation_;
    SetPositionPlayer player_;
};

}  // namespace testsupport
