#include "audio/SoundtrackPlayer.h"

#include "audio/OutputLatency.h"
#include "audio/ShiftedSoundtrack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/Clock.h"
#include "support/SineMp3.h"

namespace {

using audio::StartResult;
using testsupport::EncodeSineMp3;

class SilentPlayerTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::UseVirtualClock(1000);
        mp3 = EncodeSineMp3({44100, 2, 44100, 440.0, 96});  // exactly 1 s: 176400 bytes
    }
    void TearDown() override { platform::UseRealClock(); }
    std::vector<uint8_t> mp3;
};

TEST_F(SilentPlayerTest, PositionFollowsTheVirtualClock) {
    auto player = audio::CreateSilentPlayer();
    EXPECT_EQ(player->Position(), 0u);
    EXPECT_FALSE(player->Length());
    std::string error;
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, &error), StartResult::Started) << error;
    EXPECT_EQ(player->Length(), 176400u);
    EXPECT_EQ(player->Format().rate, 44100);
    EXPECT_EQ(player->Position(), 0u);
    platform::VirtualClockAdvance(500);
    EXPECT_EQ(player->Position(), 88200u);
    platform::VirtualClockAdvance(1);
    EXPECT_EQ(player->Position(), 88200u + 44 * 4);  // 44.1 frames: whole frames only
    EXPECT_STREQ(player->BackendName(), "none");
}

TEST_F(SilentPlayerTest, EndOfTrackStays) {
    auto player = audio::CreateSilentPlayer();
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, nullptr), StartResult::Started);
    platform::VirtualClockAdvance(999);
    EXPECT_LT(player->Position(), 176400u);
    platform::VirtualClockAdvance(1);
    EXPECT_EQ(player->Position(), 176400u);
    platform::VirtualClockAdvance(60000);
    EXPECT_EQ(player->Position(), 176400u);
}

TEST_F(SilentPlayerTest, StartsAtAnyPositionRoundedToWholeFrames) {
    auto player = audio::CreateSilentPlayer();
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 100003, nullptr), StartResult::Started);
    EXPECT_EQ(player->Position(), 100000u);
    platform::VirtualClockAdvance(10);
    EXPECT_EQ(player->Position(), 100000u + 441 * 4);

    auto late = audio::CreateSilentPlayer();
    ASSERT_EQ(late->Start(mp3.data(), mp3.size(), 1u << 30, nullptr), StartResult::Started);
    EXPECT_EQ(late->Position(), 176400u);
}

TEST_F(SilentPlayerTest, NeverGoesBackAndStopFreezes) {
    auto player = audio::CreateSilentPlayer();
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, nullptr), StartResult::Started);
    platform::VirtualClockAdvance(300);
    const uint64_t at300 = player->Position();
    platform::VirtualClockSet(1100);  // a clock stepped backwards
    EXPECT_EQ(player->Position(), at300);
    platform::VirtualClockSet(1400);
    player->Stop();
    const uint64_t stopped = player->Position();
    platform::VirtualClockAdvance(200);
    EXPECT_EQ(player->Position(), stopped);
    player->Stop();
}

TEST_F(SilentPlayerTest, ClockWrapWhilePlayingCountsForward) {
    platform::VirtualClockSet(0xFFFFFF00u);
    auto player = audio::CreateSilentPlayer();
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, nullptr), StartResult::Started);
    platform::VirtualClockAdvance(0x100 + 100);  // wraps, 356 ms in all
    EXPECT_EQ(player->Position(), 356u * 441 / 10 * 4);
}

TEST_F(SilentPlayerTest, PauseHoldsThePositionAndResumeGoesOnFromIt) {
    auto player = audio::CreateSilentPlayer();
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, nullptr), StartResult::Started);
    platform::VirtualClockAdvance(200);
    player->Pause();
    EXPECT_TRUE(player->paused());
    const uint64_t held = player->Position();
    EXPECT_EQ(held, 200u * 441 / 10 * 4);
    platform::VirtualClockAdvance(5000);
    EXPECT_EQ(player->Position(), held);
    player->Pause();  // again: nothing changes
    player->Resume();
    EXPECT_FALSE(player->paused());
    EXPECT_EQ(player->Position(), held);  // the paused time is not played
    platform::VirtualClockAdvance(100);
    EXPECT_EQ(player->Position(), held + 100u * 441 / 10 * 4);
}

TEST_F(SilentPlayerTest, APauseLeavesNoRoundingBehind) {
    // 7 ms are 308.7 sample frames: going on from the frame a pause froze at would drop the
    // fraction every time. Paused after every 7 ms, the track is where an unpaused one is.
    auto player = audio::CreateSilentPlayer();
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, nullptr), StartResult::Started);
    for (uint64_t played = 7; played <= 350; played += 7) {
        platform::VirtualClockAdvance(7);
        player->Pause();
        EXPECT_EQ(player->Position(), played * 44100 / 1000 * 4) << played;
        platform::VirtualClockAdvance(1000);
        player->Resume();
    }
}

TEST_F(SilentPlayerTest, SeekGoesBackOrOnPausedOrPlaying) {
    auto player = audio::CreateSilentPlayer();
    EXPECT_FALSE(player->Seek(4000));  // not started
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, nullptr), StartResult::Started);
    platform::VirtualClockAdvance(700);
    ASSERT_TRUE(player->Seek(40003));  // backwards, rounded down to a whole frame
    EXPECT_EQ(player->Position(), 40000u);
    platform::VirtualClockAdvance(10);
    EXPECT_EQ(player->Position(), 40000u + 441 * 4);
    player->Pause();
    ASSERT_TRUE(player->Seek(120000));
    platform::VirtualClockAdvance(300);
    EXPECT_EQ(player->Position(), 120000u);  // still paused
    player->Resume();
    platform::VirtualClockAdvance(10);
    EXPECT_EQ(player->Position(), 120000u + 441 * 4);
    ASSERT_TRUE(player->Seek(1u << 30));  // past the end: held there
    EXPECT_EQ(player->Position(), 176400u);
    player->Stop();
    EXPECT_FALSE(player->Seek(0));
    EXPECT_EQ(player->Position(), 176400u);
}

TEST_F(SilentPlayerTest, TheShiftedSoundtrackMovesTheReadingByItsOffset) {
    auto player = audio::CreateSilentPlayer();
    ASSERT_EQ(player->Start(mp3.data(), mp3.size(), 0, nullptr), StartResult::Started);
    audio::ShiftedSoundtrack shifted(*player);
    platform::VirtualClockAdvance(500);
    EXPECT_EQ(shifted.Position(), 88200u);
    shifted.setOffsetMilliseconds(-40);  // 40 ms of output latency: the pictures wait
    EXPECT_EQ(shifted.Position(), 88200u - 1764 * 4);
    EXPECT_EQ(shifted.lastPosition(), 88200u - 1764 * 4);
    shifted.setOffsetMilliseconds(130);
    EXPECT_EQ(shifted.Position(), 88200u + 5733 * 4);
    // Held inside the track at both ends.
    shifted.setOffsetMilliseconds(-900);
    EXPECT_EQ(shifted.Position(), 0u);
    shifted.setOffsetMilliseconds(700);
    EXPECT_EQ(shifted.Position(), 176400u);
    // A seek lands the reading on the target: the player goes to the target less the offset.
    shifted.setOffsetMilliseconds(-40);
    ASSERT_TRUE(shifted.Seek(100000));
    EXPECT_EQ(player->Position(), 100000u + 1764 * 4);
    EXPECT_EQ(shifted.Position(), 100000u);
    shifted.setOffsetMilliseconds(100);
    ASSERT_TRUE(shifted.Seek(4000));  // the player cannot go below 0
    EXPECT_EQ(player->Position(), 0u);
    // Pause and resume go to the player.
    shifted.Pause();
    EXPECT_TRUE(player->paused());
    shifted.Resume();
    EXPECT_FALSE(shifted.paused());
    EXPECT_EQ(shifted.Length(), 176400u);
    EXPECT_STREQ(shifted.BackendName(), "none");
}

TEST(OutputLatencyTest, OnlyASoundServerIsAsked) {
    for (const char* driver : {"alsa", "dummy", "disk", "jack"}) {
        const audio::OutputLatency latency = audio::ProbeOutputLatency(driver);
        EXPECT_FALSE(latency.milliseconds) << driver;
        EXPECT_THAT(latency.description, testing::HasSubstr(driver));
        EXPECT_THAT(latency.description, testing::HasSubstr("reports no latency"));
    }
    EXPECT_THAT(audio::ProbeOutputLatency("").description,
                testing::HasSubstr("no sound driver is open"));
}

TEST(SoundtrackTest, BadTrackIsRefusedByEveryBackend) {
    std::vector<uint8_t> junk(3000, 0x55);
    std::string error;
    EXPECT_EQ(audio::CreateSilentPlayer()->Start(junk.data(), junk.size(), 0, &error),
              StartResult::BadTrack);
    EXPECT_EQ(
        audio::StartSoundtrack(audio::AudioBackend::None, junk.data(), junk.size(), 0, &error),
        nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(SoundtrackTest, ProcessWideSoundtrack) {
    platform::UseVirtualClock(0);
    const std::vector<uint8_t> mp3 = EncodeSineMp3({22050, 1, 22050, 440.0, 48});
    auto player =
        audio::StartSoundtrack(audio::AudioBackend::None, mp3.data(), mp3.size(), 0, nullptr);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(audio::SoundtrackPosition(), 0u);
    audio::SetSoundtrack(player.get());
    platform::VirtualClockAdvance(100);
    EXPECT_EQ(audio::SoundtrackPosition(), 2205u * 2);
    audio::SetSoundtrack(nullptr);
    EXPECT_EQ(audio::SoundtrackPosition(), 0u);
    platform::UseRealClock();
}

// SDL's output, run on its dummy driver, which consumes buffers in real time without a
// sound card.
class SdlPlayerTest : public testing::Test {
  protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override { unsetenv("SDL_AUDIODRIVER"); }
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

TEST_F(SdlPlayerTest, PositionTracksTheSoundAndStaysAtTheEnd) {
    const std::vector<uint8_t> mp3 = EncodeSineMp3({44100, 2, 22050, 440.0, 96});  // 0.5 s
    auto player = audio::CreateSdlPlayer();
    std::string error;
    const auto t0 = std::chrono::steady_clock::now();
    StartResult result = player->Start(mp3.data(), mp3.size(), 0, &error);
    if (result == StartResult::NoOutput) GTEST_SKIP() << error;
    ASSERT_EQ(result, StartResult::Started) << error;
    EXPECT_EQ(player->Length(), 88200u);
    uint64_t previous = 0;
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const uint64_t p = player->Position();
        const double heard = p / 176400.0;
        const double elapsed = Seconds(std::chrono::steady_clock::now() - t0);
        EXPECT_GE(p, previous);
        EXPECT_EQ(p % 4, 0u);
        // Never ahead of the clock (what was decoded ahead is not heard yet). How far behind it
        // may fall depends on the machine's load, so lag is measured in bench/, not here.
        EXPECT_LE(heard, elapsed + 0.02) << i;
        previous = p;
    }
    // It reaches the end and stays there, however slowly a loaded machine plays it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (player->Position() < 88200u && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(player->Position(), 88200u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(player->Position(), 88200u);
    player->Stop();
    EXPECT_EQ(player->Position(), 88200u);
}

TEST_F(SdlPlayerTest, StartsAtTheRequestedPosition) {
    const std::vector<uint8_t> mp3 = EncodeSineMp3({48000, 1, 48000, 440.0, 64});
    auto player = audio::CreateSdlPlayer();
    std::string error;
    StartResult result = player->Start(mp3.data(), mp3.size(), 48001, &error);
    if (result == StartResult::NoOutput) GTEST_SKIP() << error;
    ASSERT_EQ(result, StartResult::Started) << error;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(player->Position(), 48000u);
    // It moves on from the start position and is never ahead of the time that has passed.
    const auto deadline = t0 + std::chrono::seconds(10);
    uint64_t p = player->Position();
    while (p <= 48000u + 96 * 40 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        p = player->Position();
    }
    const double elapsed = Seconds(std::chrono::steady_clock::now() - t0);
    EXPECT_GT(p, 48000u + 96 * 40);  // more than 40 ms on
    EXPECT_LE(p, 48000u + 96 * static_cast<uint64_t>((elapsed + 0.02) * 1000));
    player->Stop();
    const uint64_t stopped = player->Position();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(player->Position(), stopped);
}

// The dummy driver consumes buffers in real time, so only what a pause and a seek guarantee
// whatever the load is checked: a frozen position while paused, and a position that starts
// from the target and never runs ahead of the time since.
TEST_F(SdlPlayerTest, PauseFreezesAndSeekMovesThePosition) {
    const std::vector<uint8_t> mp3 = EncodeSineMp3({44100, 2, 88200, 440.0, 96});  // 2 s
    auto player = audio::CreateSdlPlayer();
    std::string error;
    StartResult result = player->Start(mp3.data(), mp3.size(), 0, &error);
    if (result == StartResult::NoOutput) GTEST_SKIP() << error;
    ASSERT_EQ(result, StartResult::Started) << error;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    player->Pause();
    EXPECT_TRUE(player->paused());
    const uint64_t held = player->Position();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(player->Position(), held);

    ASSERT_TRUE(player->Seek(200001));
    EXPECT_EQ(player->Position(), 200000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(player->Position(), 200000u);  // still paused

    const auto resumed = std::chrono::steady_clock::now();
    player->Resume();
    EXPECT_FALSE(player->paused());
    const auto deadline = resumed + std::chrono::seconds(10);
    uint64_t p = player->Position();
    while (p <= 200000u + 176 * 40 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        p = player->Position();
    }
    const double elapsed = Seconds(std::chrono::steady_clock::now() - resumed);
    EXPECT_GT(p, 200000u + 176 * 40);
    EXPECT_LE(p, 200000u + 176 * static_cast<uint64_t>((elapsed + 0.02) * 1000));

    // Backwards while playing.
    ASSERT_TRUE(player->Seek(40000));
    EXPECT_EQ(player->Position(), 40000u);
    player->Stop();
    EXPECT_FALSE(player->Seek(0));
}

TEST_F(SdlPlayerTest, BadTrackIsNotAMissingDevice) {
    std::vector<uint8_t> junk(3000, 0x55);
    std::string error;
    EXPECT_EQ(audio::CreateSdlPlayer()->Start(junk.data(), junk.size(), 0, &error),
              StartResult::BadTrack);
}

TEST(SdlFallbackTest, NoDeviceFallsBackToTheSilentPlayer) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::vector<uint8_t> mp3 = EncodeSineMp3({22050, 1, 2205, 440.0, 48});
    testing::internal::CaptureStdout();
    std::string error;
    auto player =
        audio::StartSoundtrack(audio::AudioBackend::Sdl, mp3.data(), mp3.size(), 0, &error);
    const std::string out = testing::internal::GetCapturedStdout();
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_NE(player, nullptr) << error;
    EXPECT_STREQ(player->BackendName(), "none");
    EXPECT_THAT(out, testing::HasSubstr("playing without sound"));
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
}

}  // namespace
