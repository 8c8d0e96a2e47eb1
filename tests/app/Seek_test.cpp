// Seeking the presentation itself, rendered headless on the show pack at a small size: the
// frame after a seek, backward or forward, is the frame a still at that position shows (also
// when the player's keys and its bar ask for it, paused); a snapshot of the live run,
// restored, plays the same frames again; snapshots made ahead leave the live run as it was.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/Engine.h"
#include "app/Player.h"
#include "app/RuneplayPresentation.h"
#include "app/ShowSeeker.h"
#include "effects/scenes/WaterScene.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "scene/ScenePreparation.h"
#include "support/ReportCapture.h"
#include "support/ShowPack.h"
#include "support/ShowStateCompare.h"

namespace {

using Picture = std::vector<uint32_t>;

constexpr int kWidth = 160;
constexpr int kHeight = 120;

class SeekTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "seek");
    }
    static void TearDownTestSuite() { testsupport::SuiteShowPack::Remove(); }

    void SetUp() override {
        previousFlare_ = scene::FlarePicturePath;
        scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
        options_.packPath = testsupport::SuiteShowPack::Path();
        options_.headless = true;
        options_.audio = audio::AudioBackend::None;
        options_.width = kWidth;
        options_.height = kHeight;
    }
    void TearDown() override {
        engine_.reset();
        presentation_.reset();
        audio::SetSoundtrack(nullptr);
        platform::UseRealClock();
        scene::FlarePicturePath = previousFlare_;
    }

    // A fresh run loaded on the virtual clock as a still is, its soundtrack a stepped player.
    void Load() {
        engine_.reset();
        presentation_.reset();
        platform::UseVirtualClock(app::kRenderClockStart);
        presentation_ = std::make_unique<app::RuneplayPresentation>();
        std::string error;
        ASSERT_TRUE(presentation_->CreateDevice(nullptr, options_, &error)) << error;
        engine_ = std::make_unique<app::Engine>(options_, *presentation_);
        engine_->setPlayerStarter(
            [this](const uint8_t* data, size_t size, uint64_t start, std::string* why) {
                auto p = std::make_unique<app::SteppedSoundtrackPlayer>();
                player_ = p.get();
                std::unique_ptr<audio::SoundtrackPlayer> result;
                if (p->Start(data, size, start, why) == audio::StartResult::Started)
                    result = std::move(p);
                return result;
            });
        ASSERT_TRUE(engine_->LoadAll());
        ASSERT_NE(presentation_->seeker(), nullptr);
    }

    app::ShowSeeker& seeker() { return *presentation_->seeker(); }

    static Picture Read(gfx::Surface* surface) {
        Picture pixels;
        EXPECT_EQ(RenderDevice->ReadPixels(surface, pixels), D3D_OK);
        return pixels;
    }
    // One frame at `position` with the clock at `clock`, read back from the back buffer.
    Picture Frame(uint64_t position, uint32_t clock) {
        player_->SetPosition(position);
        platform::VirtualClockSet(clock);
        presentation_->Frame();
        gfx::Surface* back = nullptr;
        EXPECT_EQ(RenderDevice->GetBackBuffer(0, &back), D3D_OK);
        return Read(back);
    }
    // What the water's mirror and surface targets hold, one after the other.
    static Picture KeptTargets() {
        Picture both = Read(effects::waterScene.mirrorTarget.targetSurface);
        const Picture surface = Read(effects::waterScene.surfaceTarget.targetSurface);
        both.insert(both.end(), surface.begin(), surface.end());
        return both;
    }
    Picture FrameOfTheStillRun(uint64_t position) {
        return Frame(position, app::ClockAt(app::kRenderClockStart, position, player_->Format()));
    }

    // The still at `position` from a fresh load, through the presentation's frames alone:
    // every 60 fps frame before it with the last two drawn, then that frame.
    Picture Still(uint64_t position) {
        Load();
        EXPECT_TRUE(app::PreRoll(*presentation_, *player_, app::kRenderClockStart, position,
                                 [] { return false; }));
        return FrameOfTheStillRun(position);
    }

    // A seek as the player makes one: the show moved, then the frame at the clock it returned.
    // `kept`, when given, receives what the kept targets hold after that frame.
    Picture SeekAndShow(uint64_t position, Picture* kept = nullptr) {
        const uint32_t reading = seeker().SeekTo(position);
        Picture frame = Frame(position, reading);
        if (kept) *kept = KeptTargets();
        return frame;
    }

    // A few frames of a live run from `position` on, at uneven frame times.
    void PlayLive(uint64_t position, int frames) {
        uint32_t clock = platform::timeGetTime();
        for (int i = 0; i < frames; ++i) {
            clock += 16 + static_cast<uint32_t>(i % 3) * 9;
            position += 4 * 735 + static_cast<uint64_t>(i % 3) * 4 * 397;
            Frame(position, clock);
        }
    }

    testsupport::ReportCapture reports_;
    app::Options options_;
    std::unique_ptr<app::RuneplayPresentation> presentation_;
    std::unique_ptr<app::Engine> engine_;
    app::SteppedSoundtrackPlayer* player_ = nullptr;
    std::string previousFlare_;
};

::testing::AssertionResult SamePicture(const Picture& a, const Picture& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return ::testing::AssertionFailure() << "pixel (" << i % kWidth << ", " << i / kWidth
                                                 << ") is " << std::hex << a[i] << ", not " << b[i];
    return ::testing::AssertionSuccess();
}

class SeekEqualsStill : public SeekTest, public ::testing::WithParamInterface<uint64_t> {};

// After the still's own run: a seek forward past the position, live frames there, then back
// to it; then back to the start, live frames, and forward to it again through the snapshots
// the first seek made.
// The kept render targets too hold what the still's run left there.
TEST_P(SeekEqualsStill, BackwardAndForward) {
    const uint64_t position = GetParam();
    const Picture still = Still(position);
    ASSERT_FALSE(still.empty());
    const Picture stillTargets = KeptTargets();
    Picture targets;

    SeekAndShow(position + 5 * 176400);
    PlayLive(position + 5 * 176400, 20);
    EXPECT_TRUE(SamePicture(SeekAndShow(position, &targets), still)) << "back to " << position;
    EXPECT_TRUE(targets == stillTargets) << "back to " << position;

    SeekAndShow(0);
    PlayLive(0, 20);
    EXPECT_TRUE(SamePicture(SeekAndShow(position, &targets), still)) << "forward to " << position;
    EXPECT_TRUE(targets == stillTargets) << "forward to " << position;
    EXPECT_GT(seeker().snapshotCount(), position / 176400 / 2);
    EXPECT_TRUE(reports_.fatals.empty());
}

// A position in each segment: A title, B water shots (the sixth, whose mirror shows what
// earlier shots left there), C water backwards with
// the metal object, D picture screen, I people fading in over it, E credits, F cube grid,
// G rotating mesh, H end mesh, J the end screen over it.
INSTANTIATE_TEST_SUITE_P(Segments, SeekEqualsStill,
                         ::testing::Values(1000000u, 11466000u, 15030000u, 20000000u, 22700000u,
                                           26500000u, 35500000u, 38000000u, 40000000u, 43000000u));

uint64_t Hash(const Picture& p) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t v : p) h = (h ^ v) * 1099511628211ull;
    return h;
}

// A snapshot of the live run at 1:00 (the water shots, a picture cut on screen), ten seconds
// of frames at uneven frame times, the snapshot restored and the same frames again.
TEST_F(SeekTest, ARestoredSnapshotPlaysTheSameFramesAgain) {
    Load();
    const uint64_t minute = 60 * 176400;
    SeekAndShow(minute - 176400);
    PlayLive(minute - 176400, 30);
    const uint64_t from = player_->Position();
    const auto snapshot = seeker().Snapshot();
    auto play = [&] {
        std::vector<uint64_t> hashes;
        uint32_t clock = platform::timeGetTime();
        uint64_t position = from;
        while (position < minute + 10 * 176400) {
            const uint32_t step = 16 + static_cast<uint32_t>(hashes.size() % 4) * 11;
            clock += step;
            position += uint64_t{step} * 44100 / 1000 * 4;
            hashes.push_back(Hash(Frame(position, clock)));
        }
        return hashes;
    };
    const std::vector<uint64_t> first = play();
    seeker().Restore(*snapshot);
    const std::vector<uint64_t> again = play();
    ASSERT_EQ(first.size(), again.size());
    size_t differing = 0;
    for (size_t i = 0; i < first.size(); ++i) differing += first[i] != again[i];
    EXPECT_EQ(differing, 0u) << "of " << first.size() << " frames";
}

TEST_F(SeekTest, MakingSnapshotsAheadLeavesTheLiveRunAsItWas) {
    Load();
    SeekAndShow(20 * 176400);
    PlayLive(20 * 176400, 10);
    const timeline::ShowState before = presentation_->show();
    const auto* device = dynamic_cast<gfx::StateDevice*>(RenderDevice);
    ASSERT_NE(device, nullptr);
    const gfx::DeviceState deviceBefore = device->state();
    const uint32_t clock = platform::timeGetTime();
    gfx::Surface* mirror = effects::waterScene.mirrorTarget.targetSurface;
    Picture mirrorBefore, mirrorAfter;
    ASSERT_EQ(RenderDevice->ReadPixels(mirror, mirrorBefore), D3D_OK);

    seeker().MakeSnapshots(UINT64_MAX);
    EXPECT_GT(seeker().snapshotCount(), 100u);  // the whole track, every two seconds

    testsupport::ExpectSameShowState(presentation_->show(), before);
    testsupport::ExpectSameDeviceState(device->state(), deviceBefore);
    EXPECT_EQ(platform::timeGetTime(), clock);
    ASSERT_EQ(RenderDevice->ReadPixels(mirror, mirrorAfter), D3D_OK);
    EXPECT_TRUE(SamePicture(mirrorAfter, mirrorBefore));
}

// The player in the engine's main loop on the real show, paused, moved by its keys and by a
// seek as its timeline bar makes one: backward and forward across the segments, each frame
// it then shows is the still there, and it stays on screen, with the sound held at that
// byte, until the next move. Resumed, the sound goes on from there.
TEST_F(SeekTest, ThePausedPlayersSeeksShowTheStillsFrames) {
    std::string error;
    ASSERT_TRUE(platform::InitEvents(&error)) << error;
    const audio::TrackFormat format{44100, 2};
    const uint64_t minute = 60 * 176400, fiveSeconds = 5 * 176400;
    const app::FrameGrid grid{format, app::kStillFramesPerSecond, 0};
    const uint64_t water = 11466000;  // the sixth water shot
    const uint64_t stepOn = grid.Position(grid.FramesBefore(water + 1));
    const uint64_t stepBack = grid.Position(grid.FramesBefore(stepOn) - 1);

    struct Move {
        const char* what;
        std::function<void(app::Player&)> ask;
        uint64_t to;
        Picture still;
    };
    auto key = [](int virtualKey) {
        return [virtualKey](app::Player&) {
            ASSERT_TRUE(platform::PushKey(virtualKey, true));
            ASSERT_TRUE(platform::PushKey(virtualKey, false));
        };
    };
    auto bar = [](uint64_t to) { return [to](app::Player& player) { player.SeekTo(to); }; };
    std::vector<Move> moves = {
        {"bar, on to the rotating mesh", bar(38000000), 38000000, {}},
        {"Page Up, back to the credits", key(app::keys::kPageUp), 38000000 - minute, {}},
        {"Left, back within them", key(app::keys::kLeft), 38000000 - minute - fiveSeconds, {}},
        {"Home", key(app::keys::kHome), 0, {}},
        {"bar, on to the water shots", bar(water), water, {}},
        {"'.', a frame on", key(app::keys::kPeriod), stepOn, {}},
        {"',', a frame back", key(app::keys::kComma), stepBack, {}},
        {"Page Down, a minute on", key(app::keys::kPageDown), stepBack + minute, {}},
    };
    for (Move& move : moves) {
        move.still = Still(move.to);
        ASSERT_FALSE(move.still.empty()) << move.what;
    }
    engine_.reset();
    presentation_.reset();
    audio::SetSoundtrack(nullptr);

    // From the picture screen, the sound silent on the virtual clock, which moves 16 ms a pass
    // while the show plays.
    platform::UseVirtualClock(300000);
    options_.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Bytes, 20000000};
    options_.quitAfterFrames = 400;  // should the moves never end
    auto presentation = std::make_unique<app::RuneplayPresentation>();
    app::Engine engine(options_, *presentation);
    enum class Phase { Pausing, Moving, Holding, Resuming, Done } phase = Phase::Pausing;
    size_t move = 0;
    int pass = 0, askedIn = 0;
    Picture held;
    uint64_t framesThen = 0;
    auto backBuffer = [] {
        gfx::Surface* back = nullptr;
        EXPECT_EQ(RenderDevice->GetBackBuffer(0, &back), D3D_OK);
        return Read(back);
    };
    auto askNext = [&](app::Player& player) {
        if (move < moves.size()) {
            moves[move].ask(player);
            askedIn = pass;
            phase = Phase::Moving;
        } else {
            key('P')(player);
            framesThen = engine.framesDrawn();
            phase = Phase::Resuming;
        }
    };
    engine.setAfterInput([&](app::Player& player) {
        ++pass;
        switch (phase) {
            case Phase::Pausing:
                if (player.paused())
                    askNext(player);
                else if (pass == 1)
                    key('P')(player);
                break;
            case Phase::Moving:
                // A key is taken in the next pass, its frame drawn in the one after.
                if (pass > askedIn && !player.FrameWanted()) {
                    const Move& m = moves[move];
                    EXPECT_EQ(player.position(), m.to) << m.what;
                    EXPECT_EQ(audio::Soundtrack()->Position(), m.to) << m.what;
                    held = backBuffer();
                    EXPECT_TRUE(SamePicture(held, m.still)) << m.what;
                    framesThen = engine.framesDrawn();
                    phase = Phase::Holding;
                }
                break;
            case Phase::Holding:
                EXPECT_TRUE(player.paused());
                EXPECT_EQ(engine.framesDrawn(), framesThen) << moves[move].what;
                EXPECT_EQ(audio::Soundtrack()->Position(), moves[move].to) << moves[move].what;
                EXPECT_TRUE(backBuffer() == held) << moves[move].what;
                ++move;
                askNext(player);
                break;
            case Phase::Resuming:
                if (engine.framesDrawn() > framesThen) {
                    const uint64_t from = moves.back().to;
                    EXPECT_FALSE(player.paused());
                    EXPECT_GE(presentation->show().position, from);
                    EXPECT_LE(presentation->show().position, from + 2 * 16 * 176400 / 1000);
                    key(platform::kVkEscape)(player);
                    phase = Phase::Done;
                }
                break;
            case Phase::Done:
                break;
        }
        // A wall clock: the player holds the show's clock still while paused.
        if (!player.paused()) platform::VirtualClockAdvance(16);
    });
    EXPECT_EQ(engine.Run(), 0);
    EXPECT_EQ(phase, Phase::Done);
    EXPECT_EQ(move, moves.size());
    EXPECT_TRUE(reports_.fatals.empty());
    audio::SetSoundtrack(nullptr);
    platform::ClearKeyState();
}

}  // namespace
