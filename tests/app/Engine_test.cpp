#include "app/Engine.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/ShowControl.h"
#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "support/ReportCapture.h"
#include "support/SineMp3.h"
#include "support/TempDir.h"
#include "timeline/FrameClock.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

// A player that plays nothing and records what it was asked.
class FakePlayer final : public audio::SoundtrackPlayer {
  public:
    explicit FakePlayer(std::vector<std::string>& log) : log_(log) {}
    audio::StartResult Start(const uint8_t*, size_t size, uint64_t start, std::string*) override {
        log_.push_back("start " + std::to_string(size) + " at " + std::to_string(start));
        return audio::StartResult::Started;
    }
    uint64_t Position() override { return position; }
    // Says whether the cursor was already back when the sound stopped.
    void Stop() override {
        log_.push_back(platform::CursorShown() ? "stop, cursor shown" : "stop, cursor hidden");
    }
    std::optional<uint64_t> Length() const override { return 1u << 20; }
    audio::TrackFormat Format() const override { return {44100, 2}; }
    const char* BackendName() const override { return "fake"; }

    uint64_t position = 0;

  private:
    std::vector<std::string>& log_;
};

// Records its seeks in the log, with the soundtrack's position at the time, and leaves the
// clock where a run would have it.
class FakeShowControl final : public app::ShowControl {
  public:
    explicit FakeShowControl(std::vector<std::string>& log) : log_(log) {}
    uint32_t SeekTo(uint64_t position) override {
        log_.push_back("seek to " + std::to_string(position) + ", soundtrack " +
                       (audio::Soundtrack() ? audio::Soundtrack()->BackendName() : "off"));
        platform::VirtualClockSet(reading);
        return reading;
    }
    uint32_t reading = 4321;

  private:
    std::vector<std::string>& log_;
};

// Records the hooks in order and runs a per-frame script.
class ScriptedPresentation : public app::Presentation {
  public:
    explicit ScriptedPresentation(std::vector<std::string>& log) : control(log), log_(log) {}
    bool CreateDevice(platform::Window* window, const app::Options&, std::string* error) override {
        log_.push_back(window ? "device with window" : "device headless");
        if (failDevice) *error = "no GL 3.3";
        return !failDevice;
    }
    void LoadAssets() override {
        log_.push_back("load assets, pack entries " +
                       std::to_string(assets::GlobalPack().entryCount()) + ", soundtrack " +
                       (audio::Soundtrack() ? "on" : "off"));
    }
    void AfterSoundtrackStart() override {
        log_.push_back(std::string("after soundtrack, soundtrack ") +
                       (audio::Soundtrack() ? "on" : "off"));
    }
    void Frame() override {
        ++frames;
        if (onFrame) onFrame(frames);
        frameClock().Tick();
    }
    app::ShowControl* showControl() override { return seeking ? &control : nullptr; }

    bool failDevice = false;
    bool seeking = false;
    FakeShowControl control;
    int frames = 0;
    std::function<void(int)> onFrame;

  private:
    std::vector<std::string>& log_;
};

class EngineTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platform::InitEvents(&error)) << error;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        platform::ClearKeyState();
        platform::UseVirtualClock(5000);
        mp3 = testsupport::EncodeSineMp3({44100, 2, 44100, 440.0, 96});
        assets::PackWriter w;
        w.Add("!textures\\some.jpg", std::vector<uint8_t>{1, 2, 3});
        w.Add("morvek.mp3", mp3);
        packPath = dir.file("kelvra.dat");
        ASSERT_TRUE(w.WriteFile(packPath));
        options.packPath = packPath;
        options.headless = true;
        options.audio = audio::AudioBackend::None;
    }
    void TearDown() override {
        platform::ClearKeyState();
        platform::UseRealClock();
        platform::ShowCursor(true);
    }

    void UseFakePlayer(app::Engine& engine) {
        engine.setPlayerStarter(
            [this](const uint8_t* data, size_t size, uint64_t start, std::string* error) {
                auto p = std::make_unique<FakePlayer>(log);
                fake = p.get();
                p->Start(data, size, start, error);
                return p;
            });
    }

    static void PushQuit() {
        SDL_Event quit;
        std::memset(&quit, 0, sizeof quit);
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }

    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    std::vector<uint8_t> mp3;
    std::string packPath;
    app::Options options;
    std::vector<std::string> log;
    FakePlayer* fake = nullptr;
};

TEST_F(EngineTest, LoadAllRunsItsStepsInOrderAndStartsTheFrameClockLast) {
    ScriptedPresentation presentation(log);
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    platform::VirtualClockSet(7777);
    ASSERT_TRUE(engine.LoadAll());
    EXPECT_THAT(log, ElementsAre("load assets, pack entries 2, soundtrack off",
                                 "start " + std::to_string(mp3.size()) + " at 0",
                                 "after soundtrack, soundtrack on"));
    EXPECT_EQ(presentation.frameClock().startTime, 7777u);
    // The timeline reads the player through the A/V offset (none here).
    ASSERT_NE(engine.soundtrack(), nullptr);
    EXPECT_EQ(audio::Soundtrack(), engine.soundtrack());
    EXPECT_EQ(&engine.soundtrack()->player(), engine.player());
    EXPECT_EQ(engine.soundtrack()->offsetMilliseconds(), 0);
}

TEST_F(EngineTest, EscapeHeldFromTheStartStillDrawsOneFrame) {
    ScriptedPresentation presentation(log);
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    ASSERT_TRUE(platform::PushKey(27, true));
    platform::ShowCursor(false);
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_EQ(presentation.frames, 1);
    // The cursor comes back first, then the sound stops.
    EXPECT_EQ(log.back(), "stop, cursor shown");
    EXPECT_TRUE(platform::CursorShown());
    EXPECT_TRUE(reports.reports.empty());
}

// A tap shorter than a frame (segment F runs at about 13 frames a second on software GL)
// still ends the show after the frame it fell into.
TEST_F(EngineTest, EscapePressedAndReleasedWithinOneFrameEndsTheShow) {
    ScriptedPresentation presentation(log);
    presentation.onFrame = [](int frame) {
        if (frame == 2) {
            platform::PushKey(27, true);
            platform::PushKey(27, false);
        }
    };
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_EQ(presentation.frames, 2);
    EXPECT_EQ(log.back(), "stop, cursor shown");
}

TEST_F(EngineTest, EscapeTappedWhileCatchingUpEndsTheShowAfterOneFrame) {
    options.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Milliseconds, 4000};
    ScriptedPresentation presentation(log);
    presentation.onFrame = [](int frame) {
        if (frame == 1) {
            platform::PushKey(27, true);
            platform::PushKey(27, false);
        }
    };
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    EXPECT_EQ(engine.Run(), 0);
    // The catch-up looks after its first frame and stops; the loop draws one frame.
    EXPECT_EQ(presentation.frames, 2);
    EXPECT_EQ(log.back(), "stop, cursor shown");
}

TEST_F(EngineTest, ClosingTheWindowEndsAtOnceWithoutCursorOrSound) {
    ScriptedPresentation presentation(log);
    presentation.onFrame = [](int frame) {
        if (frame == 3) {
            PushQuit();
            platform::PushKey(27, true);  // behind the quit: never seen
        }
    };
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    platform::ShowCursor(false);
    EXPECT_EQ(engine.Run(), 1);
    EXPECT_EQ(presentation.frames, 3);
    EXPECT_EQ(log.back().rfind("stop", 0), std::string::npos);
    EXPECT_FALSE(platform::CursorShown());
}

TEST_F(EngineTest, QuitAfterFramesPressesEscapeThroughTheQueue) {
    options.quitAfterFrames = 5;
    ScriptedPresentation presentation(log);
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_EQ(presentation.frames, 5);
    EXPECT_EQ(engine.framesDrawn(), 5u);
    EXPECT_EQ(platform::KeyState[27], 1);
    EXPECT_EQ(log.back(), "stop, cursor shown");
}

TEST_F(EngineTest, EscapeAtPositionOnTheSilentPlayerAndVirtualClock) {
    options.escapeAt = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Milliseconds, 100};
    ScriptedPresentation presentation(log);
    presentation.onFrame = [](int) { platform::VirtualClockAdvance(16); };
    app::Engine engine(options, presentation);
    EXPECT_EQ(engine.Run(), 0);
    // 16 ms per frame: the seventh frame is the first at or past 100 ms.
    EXPECT_EQ(presentation.frames, 7);
    ASSERT_NE(engine.player(), nullptr);
    EXPECT_STREQ(engine.player()->BackendName(), "none");
    EXPECT_EQ(engine.player()->Position(), 112u * 441 / 10 * 4);
}

// The position holds at the end of the track, so a scripted end there or past it must still
// come: "end" is the end, and a later position (refused on the command line, but the engine
// may be driven directly) counts as the end too. A frame count ends a run after the end.
TEST_F(EngineTest, ScriptedEndsAtOrPastTheEndOfTheTrackEndTheRun) {
    struct Case {
        const char* what;
        std::optional<app::SoundtrackPosition> escapeAt;
        bool atEnd;
        std::optional<uint64_t> frames;
    };
    const app::SoundtrackPosition nineMinutes{app::SoundtrackPosition::Unit::Milliseconds,
                                              9 * 60000};
    for (const Case& c : {Case{"--escape-at end", std::nullopt, true, std::nullopt},
                          Case{"--escape-at 9:00", nineMinutes, false, std::nullopt},
                          Case{"--quit-after-frames 150", std::nullopt, false, 150}}) {
        SCOPED_TRACE(c.what);
        platform::ClearKeyState();
        options.escapeAt = c.escapeAt;
        options.escapeAtEnd = c.atEnd;
        options.quitAfterFrames = c.frames;
        ScriptedPresentation presentation(log);
        // 10 ms a frame on a one-second track: its end comes at the hundredth frame.
        presentation.onFrame = [](int frame) {
            platform::VirtualClockAdvance(10);
            if (frame > 1000) platform::PushKey(27, true);  // the test's own way out
        };
        app::Engine engine(options, presentation);
        EXPECT_EQ(engine.Run(), 0);
        EXPECT_EQ(presentation.frames, c.frames ? 150 : 100);
        ASSERT_NE(engine.player(), nullptr);
        EXPECT_EQ(engine.player()->Position(), 44100u * 4);
    }
}

TEST_F(EngineTest, StartTimeIsConvertedWithTheTracksFormat) {
    options.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Milliseconds, 500};
    options.quitAfterFrames = 1;
    ScriptedPresentation presentation(log);
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_THAT(log, testing::Contains("start " + std::to_string(mp3.size()) + " at 88200"));
}

// A run started part-way first has the show moved there as a 60 fps run from the start has it,
// then the music starts there and the clock runs on from the reading such a run has there.
TEST_F(EngineTest, AStartPartWayMovesTheShowThereBeforeTheMusicStarts) {
    options.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Milliseconds, 500};
    ScriptedPresentation presentation(log);
    presentation.seeking = true;
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    platform::VirtualClockSet(7000);
    ASSERT_TRUE(engine.LoadAll());
    // The after-soundtrack step runs once, where the (silent) soundtrack starts, before the
    // seek: run again after it, it would undo what the seek put in place.
    EXPECT_THAT(log,
                ElementsAre("load assets, pack entries 2, soundtrack off",
                            "after soundtrack, soundtrack on", "seek to 88200, soundtrack none",
                            "start " + std::to_string(mp3.size()) + " at 88200"));
    EXPECT_EQ(presentation.frames, 0);
    EXPECT_TRUE(platform::IsVirtualClock());
    EXPECT_EQ(platform::timeGetTime(), 4321u);
    // Started where the soundtrack starts; the seek of a real show puts it where a run has it.
    EXPECT_EQ(presentation.frameClock().startTime, 7000u);
    EXPECT_EQ(audio::Soundtrack(), engine.soundtrack());
}

TEST_F(EngineTest, AStartPastTheEndOfTheTrackMovesTheShowOnlyToItsEnd) {
    // The track is one second long.
    for (const app::SoundtrackPosition start :
         {app::SoundtrackPosition{app::SoundtrackPosition::Unit::Milliseconds, 300 * 60000},
          app::SoundtrackPosition{app::SoundtrackPosition::Unit::Bytes, 4'000'000'000}}) {
        log.clear();
        options.start = start;
        ScriptedPresentation presentation(log);
        presentation.seeking = true;
        app::Engine engine(options, presentation);
        UseFakePlayer(engine);
        ASSERT_TRUE(engine.LoadAll());
        EXPECT_THAT(log, testing::Contains("seek to 176400, soundtrack none"));
        EXPECT_THAT(log, testing::Contains("start " + std::to_string(mp3.size()) + " at 176400"));
    }
}

// Without a show control the show is played up to the start unseen, as a still is.
TEST_F(EngineTest, AShowThatCannotBeMovedIsPlayedUpToTheStartFirst) {
    options.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Milliseconds, 500};
    ScriptedPresentation presentation(log);
    std::vector<std::pair<uint32_t, uint64_t>> seen;  // clock and position of each frame
    std::vector<std::string> backends;
    presentation.onFrame = [&](int) {
        seen.emplace_back(platform::timeGetTime(), audio::Soundtrack()->Position());
        backends.push_back(audio::Soundtrack()->BackendName());
    };
    app::Engine engine(options, presentation);
    UseFakePlayer(engine);
    platform::VirtualClockSet(7000);
    ASSERT_TRUE(engine.LoadAll());
    // 500 ms at 44100 Hz: frames 0..29 lie below 22050 sample frames.
    ASSERT_EQ(seen.size(), 30u);
    for (size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].second, k * 735 * 4) << k;
        EXPECT_EQ(seen[k].first, 7000u + k * 735 * 1000 / 44100) << k;
        EXPECT_EQ(backends[k], "none") << k;
    }
    // The after-soundtrack step runs once, where the (silent) soundtrack starts, before the
    // frames that catch up: run again after them it would undo what they changed.
    EXPECT_THAT(log, ElementsAre("load assets, pack entries 2, soundtrack off",
                                 "after soundtrack, soundtrack on",
                                 "start " + std::to_string(mp3.size()) + " at 88200"));
    EXPECT_TRUE(platform::IsVirtualClock());
    EXPECT_EQ(platform::timeGetTime(), 7500u);
    // Started with the soundtrack, as a whole run's.
    EXPECT_EQ(presentation.frameClock().startTime, 7000u);
    EXPECT_EQ(audio::Soundtrack(), engine.soundtrack());
}

TEST_F(EngineTest, MissingPackIsFatalBeforeAnythingLoads) {
    options.packPath = dir.file("absent.dat");
    ScriptedPresentation presentation(log);
    app::Engine engine(options, presentation);
    EXPECT_EQ(engine.Run(), platform::kFatalExitStatus);
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("absent.dat"));
    EXPECT_THAT(log, ElementsAre("device headless"));
    EXPECT_EQ(presentation.frames, 0);
}

TEST_F(EngineTest, PackWithoutSoundtrackIsFatal) {
    assets::PackWriter w;
    w.Add("other", std::vector<uint8_t>{1});
    ASSERT_TRUE(w.WriteFile(packPath));
    ScriptedPresentation presentation(log);
    app::Engine engine(options, presentation);
    EXPECT_EQ(engine.Run(), platform::kFatalExitStatus);
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("\"morvek.mp3\" is not in the pack file"));
    EXPECT_EQ(presentation.frames, 0);
}

TEST_F(EngineTest, UnplayableSoundtrackIsFatal) {
    assets::PackWriter w;
    w.Add("morvek.mp3", std::vector<uint8_t>(5000, 0x42));
    ASSERT_TRUE(w.WriteFile(packPath));
    ScriptedPresentation presentation(log);
    app::Engine engine(options, presentation);
    EXPECT_EQ(engine.Run(), platform::kFatalExitStatus);
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("The soundtrack \"morvek.mp3\" in \"" + packPath));
    EXPECT_THAT(reports.fatals[0], HasSubstr("cannot be played"));
}

TEST_F(EngineTest, DeviceFailureIsFatal) {
    ScriptedPresentation presentation(log);
    presentation.failDevice = true;
    app::Engine engine(options, presentation);
    EXPECT_EQ(engine.Run(), platform::kFatalExitStatus);
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("Cannot create the rendering device: no GL 3.3"));
}

TEST_F(EngineTest, TheEmptyPresentationTicksTheFrameClock) {
    options.quitAfterFrames = 3;
    app::Presentation presentation;
    app::Engine engine(options, presentation);
    const int32_t before = presentation.frameClock().frameCount;
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_EQ(presentation.frameClock().frameCount, before + 3);
}

}  // namespace
