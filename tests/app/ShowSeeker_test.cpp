// The seeker on a show whose frames only count: where an unseen run starts, which frames it
// draws, where snapshots are made, and what a seek leaves of the clock, the live state and the
// device's state.
#include "app/ShowSeeker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Capture.h"
#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "platform/Clock.h"
#include "support/ShowFixture.h"

namespace {

using testing::ElementsAre;

constexpr uint64_t kSecond = 176400;  // bytes of 44.1 kHz stereo PCM

// Each frame records itself, moves the run on (position, frame count, frame clock) and leaves
// a device state that depends on the frame.
class CountingShow final : public app::SeekableShow {
  public:
    struct Frame {
        uint32_t position;
        bool drawn;
        uint32_t clock;
    };

    void PlayFrame(timeline::ShowState& show, uint32_t position, bool draw) override {
        frames.push_back({position, draw, platform::timeGetTime()});
        show.position = position;
        ++show.shotIndex;
        show.frameClock.Tick();
        RenderDevice->SetRenderState(D3DRS_TEXTUREFACTOR, position);
    }
    std::vector<gfx::Surface*> KeptTargets() override { return {}; }
    void ResetKeptTargets() override { resets.push_back(frames.size()); }
    bool DrawsIntoKeptTargets(uint32_t position) override { return position < keptUntil; }

    uint32_t keptUntil = UINT32_MAX;

    std::vector<Frame> frames;
    std::vector<size_t> resets;  // frames played before each reset
};

class ShowSeekerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = RenderDevice;
        RenderDevice = &device_;
        device_.setRecording(false);
        platform::UseVirtualClock(app::kRenderClockStart);
        player_.length = 60 * kSecond;
        audio::SetSoundtrack(&player_);
        seeker_ = std::make_unique<app::ShowSeeker>(show_, live_);
    }
    void TearDown() override {
        seeker_.reset();
        audio::SetSoundtrack(nullptr);
        platform::UseRealClock();
        RenderDevice = previous_;
    }

    DWORD TextureFactor() {
        DWORD value = 0;
        device_.GetRenderState(D3DRS_TEXTUREFACTOR, &value);
        return value;
    }
    // Positions of the 60 fps grid.
    static uint32_t At(uint64_t frame) { return static_cast<uint32_t>(frame * 735 * 4); }

    struct Player final : audio::SoundtrackPlayer {
        audio::StartResult Start(const uint8_t*, size_t, uint64_t, std::string*) override {
            return audio::StartResult::Started;
        }
        uint64_t Position() override { return 0; }
        void Stop() override {}
        std::optional<uint64_t> Length() const override { return length; }
        audio::TrackFormat Format() const override { return {44100, 2}; }
        const char* BackendName() const override { return "test"; }
        uint64_t length = 0;
    };

    gfx::RecordingDevice device_;
    Player player_;
    CountingShow show_;
    timeline::ShowState live_;
    std::unique_ptr<app::ShowSeeker> seeker_;

  private:
    gfx::RenderDevice* previous_ = nullptr;
};

TEST_F(ShowSeekerTest, AFirstSeekPlaysFromTheStartAndDrawsOnlyTheLastTwoFrames) {
    const uint32_t reading = seeker_->SeekTo(kSecond);
    ASSERT_EQ(show_.frames.size(), 60u);  // 60 frames lie below one second
    for (size_t k = 0; k < 60; ++k) {
        EXPECT_EQ(show_.frames[k].position, At(k)) << k;
        EXPECT_EQ(show_.frames[k].drawn, k >= 58) << k;
        EXPECT_EQ(show_.frames[k].clock, app::ClockAt(app::kRenderClockStart, At(k), {44100, 2}))
            << k;
    }
    EXPECT_THAT(show_.resets, ElementsAre(58u));  // just before the first drawn frame
    EXPECT_EQ(live_.shotIndex, 60);
    EXPECT_EQ(live_.frameClock.startTime, app::kRenderClockStart);
    EXPECT_EQ(reading, app::kRenderClockStart + 1000);
    EXPECT_TRUE(platform::IsVirtualClock());
    EXPECT_EQ(platform::timeGetTime(), reading);
    // The snapshot at frame 0 is where loading left the run.
    EXPECT_EQ(seeker_->snapshotCount(), 1u);
    EXPECT_EQ(seeker_->framesPlayed(), 60u);
}

TEST_F(ShowSeekerTest, SnapshotsEveryTwoSecondsAreMadeAsSeeksPassThemAndUsedAfterwards) {
    seeker_->SeekTo(5 * kSecond);  // frames 0..299
    ASSERT_EQ(seeker_->snapshotCount(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(seeker_->snapshot(i).frame, 120 * i);
        EXPECT_EQ(seeker_->snapshot(i).show.shotIndex, static_cast<int32_t>(120 * i));
    }
    // Back to 4.5 s: frames 0..269, of which 240..269 are played from the snapshot at 240.
    show_.frames.clear();
    show_.resets.clear();
    seeker_->SeekTo(4 * kSecond + kSecond / 2);
    ASSERT_EQ(show_.frames.size(), 30u);
    EXPECT_EQ(show_.frames.front().position, At(240));
    EXPECT_EQ(show_.frames.back().position, At(269));
    EXPECT_EQ(live_.shotIndex, 270);
    EXPECT_EQ(TextureFactor(), At(269));
    EXPECT_THAT(show_.resets, ElementsAre(28u));
}

TEST_F(ShowSeekerTest, TheDrawnFramesNeverStartAfterTheNearestSnapshot) {
    seeker_->SeekTo(5 * kSecond);
    // Frames below 241 end at 240; the two drawn ones (239, 240) need the snapshot at 120.
    show_.frames.clear();
    seeker_->SeekTo(At(240) + 4);
    ASSERT_EQ(show_.frames.size(), 121u);
    EXPECT_EQ(show_.frames.front().position, At(120));
    EXPECT_TRUE(show_.frames[119].drawn);
    EXPECT_FALSE(show_.frames[118].drawn);
}

TEST_F(ShowSeekerTest, TargetsAreHeldToTheTrackAndToWholeSampleFrames) {
    EXPECT_EQ(seeker_->SeekTo(kSecond + 3), app::kRenderClockStart + 1000);
    EXPECT_EQ(live_.position, At(59));
    show_.frames.clear();
    EXPECT_EQ(seeker_->SeekTo(uint64_t{1} << 40), app::kRenderClockStart + 60000);
    EXPECT_EQ(show_.frames.back().position, At(3599));
}

TEST_F(ShowSeekerTest, ASeekToTheStartPlaysNothingAndResetsTheTargets) {
    live_.shotIndex = 99;
    EXPECT_EQ(seeker_->SeekTo(0), app::kRenderClockStart);
    EXPECT_TRUE(show_.frames.empty());
    EXPECT_THAT(show_.resets, ElementsAre(0u));
    EXPECT_EQ(live_.shotIndex, 0);
}

TEST_F(ShowSeekerTest, ARealClockStaysRealAndGoesOnFromTheReading) {
    platform::UseRealClock();
    const uint32_t reading = seeker_->SeekTo(10 * kSecond);
    EXPECT_FALSE(platform::IsVirtualClock());
    const uint32_t now = platform::timeGetTime();
    EXPECT_GE(now, reading);
    EXPECT_LT(now - reading, 1000u);
}

TEST_F(ShowSeekerTest, MakingSnapshotsAheadLeavesTheLiveRunAlone) {
    live_.shotIndex = 77;
    device_.SetRenderState(D3DRS_TEXTUREFACTOR, 5);
    platform::VirtualClockSet(123456);
    seeker_->MakeSnapshots(10 * kSecond);  // frames 0..599
    EXPECT_EQ(seeker_->snapshotCount(), 5u);
    EXPECT_EQ(show_.frames.size(), 480u);  // up to the last snapshot, no further
    for (const auto& f : show_.frames) EXPECT_FALSE(f.drawn);
    EXPECT_TRUE(show_.resets.empty());
    EXPECT_EQ(live_.shotIndex, 77);
    EXPECT_EQ(TextureFactor(), 5u);
    EXPECT_EQ(platform::timeGetTime(), 123456u);
    // Asked again for less, it has nothing to do.
    seeker_->MakeSnapshots(3 * kSecond);
    EXPECT_EQ(show_.frames.size(), 480u);
    // A seek past them starts from the last one.
    show_.frames.clear();
    seeker_->SeekTo(9 * kSecond);
    EXPECT_EQ(show_.frames.front().position, At(480));
}

TEST_F(ShowSeekerTest, FramesThatLeaveTheKeptTargetsAloneAreNotDrawn) {
    show_.keptUntil = At(59);  // frame 58 draws into them, 59 does not
    seeker_->SeekTo(kSecond);
    ASSERT_EQ(show_.frames.size(), 60u);
    EXPECT_TRUE(show_.frames[58].drawn);
    EXPECT_FALSE(show_.frames[59].drawn);
    EXPECT_THAT(show_.resets, ElementsAre(58u));
    show_.frames.clear();
    show_.resets.clear();
    seeker_->SeekTo(2 * kSecond);
    EXPECT_EQ(std::count_if(show_.frames.begin(), show_.frames.end(),
                            [](const CountingShow::Frame& f) { return f.drawn; }),
              0);
    EXPECT_THAT(show_.resets, ElementsAre(show_.frames.size()));  // reset all the same
}

TEST_F(ShowSeekerTest, SnapshotsOneAtATimeUpToTheEndOfTheTrack) {
    live_.shotIndex = 5;
    platform::VirtualClockSet(777);
    int made = 0;
    while (seeker_->MakeNextSnapshot()) ++made;
    // 60 s is 3600 frames: snapshots at 0, 120, ... 3480.
    EXPECT_EQ(made, 29);
    EXPECT_EQ(seeker_->snapshotCount(), 30u);
    EXPECT_EQ(seeker_->snapshot(29).frame, 3480u);
    EXPECT_EQ(show_.frames.size(), 3480u);
    EXPECT_EQ(live_.shotIndex, 5);
    EXPECT_EQ(platform::timeGetTime(), 777u);
    EXPECT_FALSE(seeker_->MakeNextSnapshot());
}

TEST_F(ShowSeekerTest, ASnapshotOfTheLiveRunBringsBackItsStateDeviceStateAndClock) {
    live_.shotIndex = 3;
    live_.water.particles.emitters.assign(1, std::vector<scene::Particle>(4));
    live_.water.particles.emitters[0][2].x = 7.0f;
    device_.SetRenderState(D3DRS_TEXTUREFACTOR, 11);
    platform::VirtualClockSet(4000);
    const auto snapshot = seeker_->Snapshot();

    live_.shotIndex = 4;
    live_.water.particles.emitters[0][2].x = 8.0f;
    live_.water.particles.emitters[0].push_back({});
    device_.SetRenderState(D3DRS_TEXTUREFACTOR, 12);
    platform::VirtualClockSet(9000);

    seeker_->Restore(*snapshot);
    EXPECT_EQ(live_.shotIndex, 3);
    ASSERT_EQ(live_.water.particles.emitters[0].size(), 4u);
    EXPECT_EQ(live_.water.particles.emitters[0][2].x, 7.0f);
    EXPECT_EQ(TextureFactor(), 11u);
    EXPECT_EQ(platform::timeGetTime(), 4000u);
    EXPECT_TRUE(platform::IsVirtualClock());
}

}  // namespace
