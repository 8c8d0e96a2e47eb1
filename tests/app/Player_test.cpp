// The player driven through the engine's main loop, headless: a presentation that records
// the position and clock of every frame it draws, a show control that records where it was
// asked to go, the silent soundtrack on the virtual clock, and keys pushed through SDL's queue
// as a keyboard would press them.
#include "app/Player.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Capture.h"
#include "app/Engine.h"
#include "app/PlayerLabels.h"
#include "app/Screenshot.h"
#include "app/ShowControl.h"
#include "assets/PackWriter.h"
#include "gfx/GlobalDevice.h"
#include "imaging/Decoders.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "support/GlTestDevice.h"
#include "support/SineMp3.h"
#include "support/TempDir.h"
#include "timeline/FrameClock.h"

namespace {

using testing::HasSubstr;

constexpr uint32_t kClockAtStart = 5000;
constexpr uint32_t kFrameMs = 16;
constexpr uint64_t kBytesPerSecond = 176400;  // 44100 Hz, stereo, 16 bits

// Where a still's clock stands at a position, from a made-up soundtrack start.
constexpr uint32_t kStillClock = 900000;

class FakeShowControl final : public app::ShowControl {
  public:
    uint32_t SeekTo(uint64_t position) override {
        targets.push_back(position);
        return app::ClockAt(kStillClock, position, {44100, 2});
    }
    std::vector<uint64_t> targets;
};

// Records what each frame reads and moves the virtual clock on by a frame's time.
class RecordingPresentation : public app::Presentation {
  public:
    struct Drawn {
        uint64_t position;
        uint32_t clock;
    };
    void Frame() override {
        frames.push_back({audio::SoundtrackPosition(), platform::timeGetTime()});
        if (onFrame) onFrame(frames.size());
        if (RenderDevice) {
            RenderDevice->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
            RenderDevice->Present(nullptr, nullptr, nullptr, nullptr);
        }
        platform::VirtualClockAdvance(kFrameMs);
        frameClock().Tick();
    }
    app::ShowControl* showControl() override { return control; }

    app::ShowControl* control = nullptr;
    std::vector<Drawn> frames;
    std::function<void(size_t)> onFrame;
    D3DCOLOR colour = 0xFF336699;
};

void Tap(int virtualKey) {
    ASSERT_TRUE(platform::PushKey(virtualKey, true));
    ASSERT_TRUE(platform::PushKey(virtualKey, false));
}

class PlayerTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platform::InitEvents(&error)) << error;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        platform::ClearKeyState();
        platform::UseVirtualClock(kClockAtStart);
        WritePack(12);
        options.packPath = packPath;
        options.headless = true;
        options.audio = audio::AudioBackend::None;
        options.quitAfterFrames = 200;
    }
    void TearDown() override {
        platform::ClearKeyState();
        platform::UseRealClock();
        platform::ShowCursor(true);
    }

    void WritePack(int seconds) {
        const std::vector<uint8_t> mp3 =
            testsupport::EncodeSineMp3({44100, 2, 44100 * seconds, 440.0, 96});
        assets::PackWriter w;
        w.Add("morvek.mp3", mp3);
        packPath = dir.file("kelvra.dat");
        ASSERT_TRUE(w.WriteFile(packPath));
    }

    // Runs the engine with `script` called after the keys of every pass of the main loop
    // (pass numbers from 1).
    int Run(const std::function<void(int pass, app::Player&)>& script) {
        app::Engine engine(options, presentation);
        int pass = 0;
        engine.setAfterInput([&](app::Player& player) { script(++pass, player); });
        const int status = engine.Run();
        framesShown = engine.framesShown();
        return status;
    }

    testsupport::TempDir dir;
    std::string packPath;
    app::Options options;
    RecordingPresentation presentation;
    FakeShowControl control;
    uint64_t framesShown = 0;
};

uint64_t Bytes(uint64_t milliseconds) { return milliseconds * 441 / 10 * 4; }

TEST_F(PlayerTest, PauseHoldsEverythingARunChangesAndResumeGoesOnFromThere) {
    struct Pass {
        size_t frames;
        uint32_t clock;
        uint64_t heard;
        int32_t frameCount;
        bool paused;
    };
    std::vector<Pass> passes;
    Run([&](int pass, app::Player& player) {
        passes.push_back({presentation.frames.size(), platform::timeGetTime(),
                          audio::Soundtrack()->Position(), presentation.frameClock().frameCount,
                          player.paused()});
        if (pass == 3) Tap('P');
        if (pass == 12) Tap(app::keys::kPause);  // the Pause key resumes as well
        if (pass == 15) Tap(platform::kVkEscape);
    });
    // A key pushed after pass n is taken in pass n + 1, after that pass's frame.
    ASSERT_EQ(passes.size(), 15u);
    // Passes 4 to 12: paused after the fourth frame. Not a frame more is drawn, and neither
    // the clock, the sound nor the frame clock move, however long the loop waits.
    for (int p = 3; p < 12; ++p) {
        EXPECT_TRUE(passes[p].paused) << p;
        EXPECT_EQ(passes[p].frames, 4u) << p;
        EXPECT_EQ(passes[p].clock, passes[3].clock) << p;
        EXPECT_EQ(passes[p].heard, passes[3].heard) << p;
        EXPECT_EQ(passes[p].frameCount, passes[3].frameCount) << p;
    }
    EXPECT_FALSE(passes[12].paused);
    // Sound and clock go on together from where they stopped: the fifth frame is the one
    // that would have followed the fourth.
    ASSERT_GE(presentation.frames.size(), 5u);
    EXPECT_EQ(presentation.frames[4].clock, presentation.frames[3].clock + kFrameMs);
    EXPECT_EQ(presentation.frames[4].position, Bytes(4 * kFrameMs));
    EXPECT_EQ(framesShown, 16u);
}

TEST_F(PlayerTest, SeeksAskTheShowControlAndTheSoundAndClockFollow) {
    presentation.control = &control;
    std::vector<uint64_t> expected;
    Run([&](int pass, app::Player&) {
        switch (pass) {
            case 2:  // frame 2 lies at 16 ms
                Tap(app::keys::kRight);
                break;
            case 4:
                Tap(app::keys::kPageDown);  // past the end: held to the track's length
                break;
            case 6:
                Tap(app::keys::kLeft);
                break;
            case 8:
                Tap(app::keys::kPageUp);  // before the start: 0
                break;
            case 10:
                Tap(app::keys::kRight);
                break;
            case 12:
                Tap(app::keys::kHome);
                break;
            case 14:
                Tap(platform::kVkEscape);
                break;
        }
    });
    const uint64_t length = 12 * kBytesPerSecond;
    // Each key is taken after the frame that follows it, and a seek goes from the frame on
    // screen: the third frame at 32 ms, the end (drawn once more, then held there), ...
    ASSERT_EQ(control.targets.size(), 6u);
    EXPECT_EQ(control.targets[0], Bytes(32) + 5 * kBytesPerSecond);
    EXPECT_EQ(control.targets[1], length);
    EXPECT_EQ(control.targets[2], length - 5 * kBytesPerSecond);
    EXPECT_EQ(control.targets[3], 0u);
    EXPECT_EQ(control.targets[4], 5 * kBytesPerSecond);
    EXPECT_EQ(control.targets[5], 0u);
    // The frame after each seek is drawn at exactly the target, with the clock at the reading
    // SeekTo returned (as a still there shows it). Sound and clock then go on together from
    // there: the time this presentation lets pass inside the held frame moved neither.
    for (size_t i = 0; i < control.targets.size(); ++i) {
        const size_t frame = 2 * i + 3;
        ASSERT_LT(frame + 1, presentation.frames.size());
        const uint64_t target = control.targets[i];
        const uint32_t clock = app::ClockAt(kStillClock, target, {44100, 2});
        EXPECT_EQ(presentation.frames[frame].position, target) << i;
        EXPECT_EQ(presentation.frames[frame].clock, clock) << i;
        EXPECT_EQ(presentation.frames[frame + 1].position, target) << i;
        EXPECT_EQ(presentation.frames[frame + 1].clock, clock) << i;
    }
}

TEST_F(PlayerTest, TwoSeeksBeforeAFrameAddUp) {
    presentation.control = &control;
    Run([&](int pass, app::Player&) {
        if (pass == 1) {
            Tap(app::keys::kRight);
            Tap(app::keys::kRight);
        }
        if (pass == 4) Tap(platform::kVkEscape);
    });
    // The second goes on from the first one's target, not from the frame on screen.
    ASSERT_EQ(control.targets.size(), 2u);
    const uint64_t target = Bytes(16) + 10 * kBytesPerSecond;
    EXPECT_EQ(control.targets[1], target);
    const uint32_t clock = app::ClockAt(kStillClock, target, {44100, 2});
    ASSERT_EQ(presentation.frames.size(), 5u);
    EXPECT_EQ(presentation.frames[2].position, target);
    EXPECT_EQ(presentation.frames[2].clock, clock);
    EXPECT_EQ(presentation.frames[4].position, target + Bytes(kFrameMs));
    EXPECT_EQ(presentation.frames[4].clock, clock + kFrameMs);
}

// A show control that plays the show on its own stepped soundtrack and clock, as a catch-up
// does, and leaves them as a catch-up leaves them.
class CatchingUpShowControl final : public app::ShowControl {
  public:
    uint32_t SeekTo(uint64_t position) override {
        targets.push_back(position);
        audio::SetSoundtrack(nullptr);
        platform::UseRealClock();
        return app::ClockAt(kStillClock, position, {44100, 2});
    }
    std::vector<uint64_t> targets;
};

TEST_F(PlayerTest, AfterASeekTheFrameReadsTheShowsSoundtrackAndClockWhateverTheSeekLeft) {
    CatchingUpShowControl catchingUp;
    presentation.control = &catchingUp;
    Run([&](int pass, app::Player&) {
        if (pass == 1) Tap(app::keys::kRight);
        if (pass == 3) Tap(platform::kVkEscape);
    });
    ASSERT_EQ(catchingUp.targets.size(), 1u);
    const uint64_t target = Bytes(16) + 5 * kBytesPerSecond;
    ASSERT_EQ(presentation.frames.size(), 4u);
    EXPECT_EQ(presentation.frames[2].position, target);
    EXPECT_EQ(presentation.frames[2].clock, app::ClockAt(kStillClock, target, {44100, 2}));
    EXPECT_EQ(presentation.frames[3].position, target);
    EXPECT_TRUE(platform::IsVirtualClock());
}

TEST_F(PlayerTest, StepsMoveOneSixtiethOfASecondWhilePausedOnly) {
    presentation.control = &control;
    Run([&](int pass, app::Player&) {
        switch (pass) {
            case 2:
                Tap(app::keys::kPeriod);  // playing: no step
                break;
            case 3:
                Tap('P');
                break;
            case 4:
                Tap(app::keys::kPeriod);
                Tap(app::keys::kPeriod);
                break;
            case 6:
                Tap(app::keys::kComma);
                break;
            case 8:
                Tap(platform::kVkEscape);
                break;
        }
    });
    // Paused after the fourth frame, at 48 ms (2116 sample frames). The 60 fps grid lies at
    // multiples of 735 sample frames: forward to 3 x 735, on to 4 x 735 (only that one is
    // drawn), back to 3 x 735.
    ASSERT_EQ(control.targets.size(), 3u);
    EXPECT_EQ(control.targets[0], 3u * 735 * 4);
    EXPECT_EQ(control.targets[1], 4u * 735 * 4);
    EXPECT_EQ(control.targets[2], 3u * 735 * 4);
    // Each step draws its one frame there and stays.
    ASSERT_EQ(presentation.frames.size(), 6u);
    EXPECT_EQ(presentation.frames[4].position, 4u * 735 * 4);
    EXPECT_EQ(presentation.frames[5].position, 3u * 735 * 4);
    EXPECT_EQ(presentation.frames[5].clock, app::ClockAt(kStillClock, 3u * 735 * 4, {44100, 2}));
}

TEST_F(PlayerTest, StepsBackStopAtTheStart) {
    presentation.control = &control;
    Run([&](int pass, app::Player& player) {
        if (pass == 1) {
            player.TogglePause();
            player.Step(-1);
            player.Step(-1);
        }
        if (pass == 3) Tap(platform::kVkEscape);
    });
    EXPECT_EQ(control.targets, (std::vector<uint64_t>{0, 0}));
}

TEST_F(PlayerTest, LoopStartsOverWhenTheSoundtrackEnds) {
    WritePack(1);
    options.packPath = packPath;
    options.loop = true;
    presentation.control = &control;
    Run([&](int, app::Player&) {
        if (!control.targets.empty() && presentation.frames.back().position == 0)
            Tap(platform::kVkEscape);
    });
    ASSERT_EQ(control.targets.size(), 1u);
    EXPECT_EQ(control.targets[0], 0u);
    // After the 63rd frame (at 992 ms) the sound reaches the end of the 1 s track; the next
    // frame starts over at 0, with the clock where a still at 0 has it.
    ASSERT_EQ(presentation.frames.size(), 65u);
    EXPECT_EQ(presentation.frames[62].position, Bytes(992));
    EXPECT_EQ(presentation.frames[63].position, 0u);
    EXPECT_EQ(presentation.frames[63].clock, kStillClock);
    EXPECT_EQ(presentation.frames[64].position, 0u);
    EXPECT_EQ(presentation.frames[64].clock, kStillClock);
}

TEST_F(PlayerTest, WithoutLoopTheEndStaysOnScreen) {
    WritePack(1);
    options.packPath = packPath;
    options.quitAfterFrames = 80;
    presentation.control = &control;
    EXPECT_EQ(Run([](int, app::Player&) {}), 0);
    EXPECT_TRUE(control.targets.empty());
    EXPECT_EQ(presentation.frames.back().position, kBytesPerSecond);
}

TEST_F(PlayerTest, WithoutAShowControlSeekingIsRefusedOnceAndTheShowGoesOn) {
    options.loop = true;
    testing::internal::CaptureStderr();
    Run([&](int pass, app::Player&) {
        if (pass == 2 || pass == 3) Tap(app::keys::kRight);
        if (pass == 4) Tap(app::keys::kHome);
        if (pass == 6) Tap(platform::kVkEscape);
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("runeplay: seeking is not available"));
    EXPECT_EQ(err.find("seeking"), err.rfind("seeking"));
    ASSERT_EQ(presentation.frames.size(), 7u);
    for (size_t i = 0; i < presentation.frames.size(); ++i)
        EXPECT_EQ(presentation.frames[i].position, Bytes(i * kFrameMs)) << i;
}

TEST_F(PlayerTest, TheAvOffsetMovesThePositionTheTimelineReads) {
    options.avOffsetMs = 100;
    Run([&](int pass, app::Player& player) {
        if (pass == 2) Tap(app::keys::kOpenBracket);
        if (pass == 3) {
            Tap(app::keys::kCloseBracket);
            Tap(app::keys::kCloseBracket);
        }
        if (pass == 4) {
            EXPECT_EQ(player.avOffsetMs(), 110);
            Tap(platform::kVkEscape);
        }
    });
    ASSERT_EQ(presentation.frames.size(), 5u);
    EXPECT_EQ(presentation.frames[0].position, Bytes(100));
    EXPECT_EQ(presentation.frames[1].position, Bytes(16 + 100));
    EXPECT_EQ(presentation.frames[2].position, Bytes(32 + 100));
    EXPECT_EQ(presentation.frames[3].position, Bytes(48 + 90));
    EXPECT_EQ(presentation.frames[4].position, Bytes(64 + 110));
}

// A fake SDL output, so the engine asks for the output latency.
class SdlNamedPlayer final : public audio::SoundtrackPlayer {
  public:
    audio::StartResult Start(const uint8_t*, size_t, uint64_t, std::string*) override {
        return audio::StartResult::Started;
    }
    uint64_t Position() override { return 441000; }
    void Stop() override {}
    std::optional<uint64_t> Length() const override { return 12 * kBytesPerSecond; }
    audio::TrackFormat Format() const override { return {44100, 2}; }
    const char* BackendName() const override { return "sdl"; }
};

TEST_F(PlayerTest, AReportedOutputLatencyIsTakenOffAndSaid) {
    options.avOffsetMs = -150;
    options.quitAfterFrames = 1;
    app::Engine engine(options, presentation);
    engine.setPlayerStarter([](const uint8_t*, size_t, uint64_t, std::string*) {
        return std::make_unique<SdlNamedPlayer>();
    });
    engine.setLatencyProbe([] {
        return audio::OutputLatency{40, "PulseAudio reports 40 ms of output latency"};
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                HasSubstr("runeplay: PulseAudio reports 40 ms of output latency; the pictures "
                          "wait for it"));
    EXPECT_EQ(engine.outputLatencyMs(), 40);
    EXPECT_EQ(engine.soundtrack()->offsetMilliseconds(), -190);
    ASSERT_EQ(presentation.frames.size(), 1u);
    EXPECT_EQ(presentation.frames[0].position, 441000u - Bytes(190));
}

TEST_F(PlayerTest, TheSilentPlayerAsksNoSoundServer) {
    options.quitAfterFrames = 1;
    app::Engine engine(options, presentation);
    bool asked = false;
    engine.setLatencyProbe([&asked] {
        asked = true;
        return audio::OutputLatency{};
    });
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_FALSE(asked);
}

class PlayerScreenshotTest : public PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        std::string error;
        device = testsupport::MakeHeadlessDevice(32, 24, &error);
        if (!device) GTEST_SKIP() << "no headless OpenGL: " << error;
        previous = RenderDevice;
        RenderDevice = device.get();
        cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override {
        if (device) {
            std::filesystem::current_path(cwd);
            RenderDevice = previous;
        }
        PlayerTest::TearDown();
    }

    static imaging::Picture Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        imaging::Picture picture;
        std::string error;
        EXPECT_TRUE(imaging::DecodePng(bytes.data(), bytes.size(), picture, error)) << error;
        return picture;
    }

    std::unique_ptr<gfx::gl::Device> device;
    IDirect3DDevice8* previous = nullptr;
    std::filesystem::path cwd;
};

TEST_F(PlayerScreenshotTest, F12SavesTheFrameOnScreenNamedByItsPosition) {
    testing::internal::CaptureStderr();
    Run([&](int pass, app::Player&) {
        if (pass == 2) Tap(app::keys::kF12);              // taken after the third frame
        if (pass == 3) presentation.colour = 0xFF00FF00;  // the frames after it differ
        if (pass == 5) Tap(platform::kVkEscape);
    });
    const std::string name = app::ScreenshotName(Bytes(32));
    EXPECT_EQ(name, "runeplay-5644.png");
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                HasSubstr("runeplay: saved the frame on screen as " + name));
    const imaging::Picture picture = Read(dir.file(name));
    ASSERT_EQ(picture.width, 32u);
    ASSERT_EQ(picture.height, 24u);
    for (uint32_t y = 0; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x)
            ASSERT_EQ(picture.pixel(x, y), 0xFF336699u) << x << "," << y;
    // Nothing else was left in the folder (no temporary file, no ImGui settings).
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2);  // the pack and the picture
}

TEST_F(PlayerScreenshotTest, AScreenshotThatCannotBeWrittenIsReportedAndTheShowGoesOn) {
    // A folder where the file would go: the rename into place fails.
    std::filesystem::create_directory(dir.path() / app::ScreenshotName(Bytes(16)));
    testing::internal::CaptureStderr();
    const int status = Run([&](int pass, app::Player&) {
        if (pass == 1) Tap(app::keys::kF12);
        if (pass == 3) Tap(platform::kVkEscape);
    });
    EXPECT_EQ(status, 0);
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                HasSubstr("runeplay: the screenshot \"runeplay-2820.png\" cannot be written: "));
    EXPECT_EQ(presentation.frames.size(), 4u);
}

TEST(PlayerLabelsTest, PositionsSegmentsAndOffsets) {
    const audio::TrackFormat format{44100, 2};
    EXPECT_EQ(app::FormatPosition(0, format), "0:00.000");
    EXPECT_EQ(app::FormatPosition(kBytesPerSecond * 83 + Bytes(450) + 3, format), "1:23.450");
    EXPECT_EQ(app::FormatPosition(Bytes(1) - 4, format), "0:00.000");
    EXPECT_EQ(app::FormatPosition(kBytesPerSecond * 3600, format), "60:00.000");
    EXPECT_EQ(app::SegmentsAt(0), "A");
    EXPECT_EQ(app::SegmentsAt(1792000), "none");  // between A and B
    EXPECT_EQ(app::SegmentsAt(18030000), "C D");
    EXPECT_EQ(app::SegmentsAt(22700000), "D I");
    EXPECT_EQ(app::SegmentsAt(45000000), "H J");
    EXPECT_EQ(app::SegmentsAt(uint64_t{1} << 40), "J");
    EXPECT_EQ(app::AvOffsetText(30, 0), "A/V offset +30 ms");
    EXPECT_EQ(app::AvOffsetText(-20, 45), "A/V offset -20 ms (and 45 ms output latency)");
}

TEST(PlayerOverlayTest, TheBarMapsThePointerToWholeSampleFrames) {
    EXPECT_EQ(app::PositionOnBar(0, 200, 1000, 4), 0u);
    EXPECT_EQ(app::PositionOnBar(100, 200, 1000, 4), 500u);
    EXPECT_EQ(app::PositionOnBar(101, 200, 1000, 4), 504u);  // 505 down to a whole frame
    EXPECT_EQ(app::PositionOnBar(-30, 200, 1000, 4), 0u);
    EXPECT_EQ(app::PositionOnBar(900, 200, 1000, 4), 1000u);
    EXPECT_EQ(app::PositionOnBar(50, 0, 1000, 4), 0u);
    EXPECT_EQ(app::PositionOnBar(50, 200, 0, 4), 0u);
}

}  // namespace
