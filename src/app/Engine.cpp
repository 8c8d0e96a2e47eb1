#include "app/Engine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/Capture.h"
#include "app/Player.h"
#include "app/ShowControl.h"
#include "assets/PackArchive.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "timeline/FrameClock.h"

namespace app {

void Engine::BlockDeleter::operator()(uint8_t* block) const { assets::FreePackEntry(block); }

Engine::Engine(Options options, Presentation& presentation)
    : options_(std::move(options)), presentation_(presentation) {
    startPlayer_ = [this](const uint8_t* data, size_t size, uint64_t start, std::string* error) {
        return audio::StartSoundtrack(options_.audio, data, size, start, error);
    };
    probeLatency_ = [] { return audio::ProbeOutputLatency(); };
}

Engine::~Engine() {
    if (audio::Soundtrack() == player_.get() || audio::Soundtrack() == soundtrack_.get())
        audio::SetSoundtrack(nullptr);
}

int Engine::Run() {
    std::string error;
    if (!platform::InitEvents(&error)) {
        platform::FatalError("Cannot start SDL's event queue: " + error);
        return platform::kFatalExitStatus;
    }
    if (!options_.headless && !OpenWindow()) return platform::kFatalExitStatus;
    if (!presentation_.CreateDevice(window_.get(), options_, &error)) {
        platform::FatalError("Cannot create the rendering device: " + error);
        return platform::kFatalExitStatus;
    }
    if (!LoadAll()) return platform::kFatalExitStatus;
    if (closedWhileCatchingUp_) return 1;
    return MainLoop();
}

bool Engine::OpenWindow() {
    platform::WindowOptions windowOptions;
    windowOptions.width = options_.width;
    windowOptions.height = options_.height;
    windowOptions.mode = options_.windowMode;
    windowOptions.bitsPerPixel = options_.bitsPerPixel;
    windowOptions.refreshRate = options_.refreshRate;
    std::string error;
    window_ = platform::Window::Create(windowOptions, &error);
    if (!window_) {
        platform::FatalError("Cannot open the window: " + error +
                             " (runeplay --headless runs without a display)");
        return false;
    }
    platform::ShowCursor(false);
    return true;
}

bool Engine::LoadAll() {
    if (!assets::GlobalPack().Open(options_.packPath)) return false;
    presentation_.LoadAssets();
    if (!StartSoundtrack()) return false;
    // A part-way start ran both where its soundtrack started and has put the frame clock
    // where a whole run has it.
    if (caughtUp_) return true;
    presentation_.AfterSoundtrackStart();
    // Last, so the frame clock counts from the moment the music starts.
    presentation_.frameClock().Start();
    return true;
}

bool Engine::StartSoundtrack() {
    uint8_t* data = assets::ReadPackEntry(kSoundtrackEntry);
    if (!data) return false;
    soundtrackData_.reset(data);
    soundtrackSize_ = assets::GlobalPack().lastSize;

    std::string error;
    uint64_t start = 0;
    if (options_.start) {
        audio::Mp3Decoder probe;
        // Past its end the track holds its last position, so there is nothing more to catch up.
        if (probe.Open(data, soundtrackSize_, &error))
            start = std::min(options_.start->ToBytes(probe.format()), probe.lengthBytes());
    }
    if (error.empty() && start > 0) {
        CatchUp(data, soundtrackSize_, start);
        if (closedWhileCatchingUp_) return true;
    }
    if (error.empty()) player_ = startPlayer_(data, soundtrackSize_, start, &error);
    if (!player_) {
        platform::FatalError("The soundtrack \"" + std::string(kSoundtrackEntry) + "\" in \"" +
                             options_.packPath + "\" cannot be played: " + error);
        return false;
    }
    // SDL cannot see what the sound system adds after its own buffer; where the server says,
    // the pictures wait for it.
    if (std::strcmp(player_->BackendName(), "sdl") == 0 && probeLatency_) {
        const audio::OutputLatency latency = probeLatency_();
        latencyMs_ = static_cast<int>(latency.milliseconds.value_or(0));
        std::fprintf(stderr, "runeplay: %s%s\n", latency.description.c_str(),
                     latency.milliseconds ? "; the pictures wait for it" : "");
    }
    soundtrack_ = std::make_unique<audio::ShiftedSoundtrack>(*player_);
    soundtrack_->setOffsetMilliseconds(options_.avOffsetMs - latencyMs_);
    audio::SetSoundtrack(soundtrack_.get());
    // The position never passes the track's end, so a later point would never be reached.
    const std::optional<uint64_t> length = player_->Length();
    if (options_.escapeAt) escapeAtBytes_ = options_.escapeAt->ToBytes(player_->Format());
    if (options_.escapeAtEnd || (escapeAtBytes_ && length && *escapeAtBytes_ > *length))
        escapeAtBytes_ = length;
    return true;
}

void Engine::CatchUp(const uint8_t* data, size_t size, uint64_t start) {
    SteppedSoundtrackPlayer stepped;
    std::string error;
    // A track that cannot be read is reported when the real player starts.
    if (stepped.Start(data, size, start, &error) != audio::StartResult::Started) return;
    // The show starts where its soundtrack does, then moves to the start position.
    const bool wasVirtual = platform::IsVirtualClock();
    const uint32_t clockAtStart = platform::timeGetTime();
    audio::SetSoundtrack(&stepped);
    presentation_.AfterSoundtrackStart();
    presentation_.frameClock().Start();
    caughtUp_ = true;
    // The music starts there and the clock goes on from the reading a whole run has there, so
    // every timer keeps counting.
    uint32_t reading = 0;
    if (ShowControl* control = presentation_.showControl()) {
        reading = control->SeekTo(start);
    } else {
        // A show that cannot be moved is played up to there unseen, as a still is.
        platform::UseVirtualClock(clockAtStart);
        PreRoll(presentation_, stepped, clockAtStart, start, [this] {
            if (platform::PumpMessages()) closedWhileCatchingUp_ = true;
            if (platform::TakeKeyPress(platform::kVkEscape)) escapeDuringCatchUp_ = true;
            // The main loop then ends after one frame.
            return closedWhileCatchingUp_ || escapeDuringCatchUp_;
        });
        reading = ClockAt(clockAtStart, start, stepped.Format());
    }
    audio::SetSoundtrack(nullptr);
    if (wasVirtual)
        platform::VirtualClockSet(reading);
    else
        platform::UseRealClockFrom(reading);
    if (closedWhileCatchingUp_ || escapeDuringCatchUp_) return;
    const audio::TrackFormat format = stepped.Format();
    const uint64_t ms = start / std::max<uint64_t>(format.bytesPerFrame(), 1) * 1000 /
                        static_cast<uint64_t>(std::max(format.rate, 1));
    std::fprintf(stderr, "runeplay: the show starts at %llu:%02llu.%03llu (soundtrack byte %llu)\n",
                 static_cast<unsigned long long>(ms / 60000),
                 static_cast<unsigned long long>(ms / 1000 % 60),
                 static_cast<unsigned long long>(ms % 1000),
                 static_cast<unsigned long long>(start));
}

void Engine::PressScriptedEscape() {
    if (scriptedEscapePressed_) return;
    bool due = options_.quitAfterFrames && shown_ >= *options_.quitAfterFrames;
    if (escapeAtBytes_ && player_ && player_->Position() >= *escapeAtBytes_) due = true;
    if (!due) return;
    scriptedEscapePressed_ = true;
    // Through the event queue, so the pump handles it exactly like a real key press.
    if (!platform::PushKey(platform::kVkEscape, true)) platform::KeyState[platform::kVkEscape] = 1;
}

int Engine::MainLoop() {
    // A presentation driven without LoadAll (tests) reads no soundtrack of ours.
    SteppedSoundtrackPlayer none;
    audio::ShiftedSoundtrack unshifted(none);
    PlayerSettings settings;
    settings.loop = options_.loop;
    settings.avOffsetMs = options_.avOffsetMs;
    settings.latencyMs = latencyMs_;
    Player player(presentation_, soundtrack_ ? *soundtrack_ : unshifted, window_.get(), settings);
    bool escape = escapeDuringCatchUp_;
    for (;;) {
        if (player.FrameWanted()) {
            presentation_.Frame();
            ++frames_;
            player.FrameDrawn();
        } else {
            player.ShowHeldFrame();
        }
        ++shown_;
        PressScriptedEscape();
        if (platform::PumpMessages()) return 1;  // window closed: end at once
        // The latch, so a tap shorter than a frame is not lost; the state, for a key held
        // since before the latch was last taken.
        if (platform::TakeKeyPress(platform::kVkEscape) || escape ||
            platform::KeyState[platform::kVkEscape])
            break;
        player.HandleInput();
        if (afterInput_) afterInput_(player);
    }
    platform::ShowCursor(true);
    if (player_) player_->Stop();
    return 0;
}

void Engine::EndAfterFatal() {
    platform::ShowCursor(true);
    if (player_) player_->Stop();
}

}  // namespace app
