// The program's outer frame: window, load routine, main loop and the orderly end.
//
//   Run():  window (unless headless) -> Presentation::CreateDevice -> LoadAll -> MainLoop
//   LoadAll(): open the pack -> Presentation::LoadAssets -> start the soundtrack from
//              "morvek.mp3" -> Presentation::AfterSoundtrackStart -> start the frame clock.
//              With --start past 0 (held to the track's length) both run where the
//              soundtrack starts, then the presentation's ShowControl moves the show to the
//              start position exactly as a still there finds it, before the music starts
//              there (a presentation without one is played up to there with draws
//              discarded, as a still is); the clock then runs on from the reading a whole
//              run has there.
//   MainLoop(): Presentation::Frame (or, while the player is paused, the frame on screen
//               again), PumpMessages (window closed: status 1 at once, nothing else is
//               touched), then Escape ends the loop: cursor shown, sound stopped, status 0;
//               else the player takes the keys pressed meanwhile (Player.h). Escape counts
//               when it went down at all since the last test, however briefly. Playing, the
//               loop never sleeps.
//
// The timeline reads the soundtrack through a ShiftedSoundtrack: the heard position, less the
// output latency the sound system reports (said on standard error) plus --av-offset.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/Presentation.h"
#include "audio/OutputLatency.h"
#include "audio/ShiftedSoundtrack.h"
#include "audio/SoundtrackPlayer.h"
#include "platform/Window.h"

namespace app {

class Player;

// The entry of the soundtrack in the pack.
inline constexpr const char* kSoundtrackEntry = "morvek.mp3";

class Engine {
  public:
    Engine(Options options, Presentation& presentation);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The whole run; returns the exit status (0 Escape, 1 window closed, kFatalExitStatus
    // when a fatal error was reported and the fatal handler returned).
    int Run();

    // The parts of Run, for tests and for callers with their own sequence.
    bool OpenWindow();
    bool LoadAll();
    int MainLoop();

    // Replaces how the soundtrack is started (tests inject their own player). The default is
    // audio::StartSoundtrack with the --audio choice.
    using PlayerStarter = std::function<std::unique_ptr<audio::SoundtrackPlayer>(
        const uint8_t* data, size_t size, uint64_t startPosition, std::string* error)>;
    void setPlayerStarter(PlayerStarter starter) { startPlayer_ = std::move(starter); }

    // Replaces how the output latency is found for SDL's sound output (tests); the default
    // asks the sound server (audio::ProbeOutputLatency).
    void setLatencyProbe(std::function<audio::OutputLatency()> probe) {
        probeLatency_ = std::move(probe);
    }

    // For the fatal handler of the program: show the cursor and stop the sound.
    void EndAfterFatal();

    const Options& options() const { return options_; }
    platform::Window* window() const { return window_.get(); }
    // The sound output, and the soundtrack as the timeline reads it.
    audio::SoundtrackPlayer* player() const { return player_.get(); }
    audio::ShiftedSoundtrack* soundtrack() const { return soundtrack_.get(); }
    int outputLatencyMs() const { return latencyMs_; }
    // Timeline frames drawn, and frames shown (held frames of a paused player included;
    // --quit-after-frames counts these).
    uint64_t framesDrawn() const { return frames_; }
    uint64_t framesShown() const { return shown_; }

    // Runs once per main-loop pass, after the key presses were handled (tests drive the
    // player from here).
    void setAfterInput(std::function<void(Player&)> hook) { afterInput_ = std::move(hook); }

  private:
    bool StartSoundtrack();
    void CatchUp(const uint8_t* data, size_t size, uint64_t start);
    void PressScriptedEscape();

    struct BlockDeleter {
        void operator()(uint8_t* block) const;
    };

    Options options_;
    Presentation& presentation_;
    PlayerStarter startPlayer_;
    std::function<audio::OutputLatency()> probeLatency_;
    std::function<void(Player&)> afterInput_;
    std::unique_ptr<platform::Window> window_;
    // The soundtrack's memory block outlives the player that plays from it.
    std::unique_ptr<uint8_t, BlockDeleter> soundtrackData_;
    uint32_t soundtrackSize_ = 0;
    std::unique_ptr<audio::SoundtrackPlayer> player_;
    // Reads player_, so it goes first.
    std::unique_ptr<audio::ShiftedSoundtrack> soundtrack_;
    int latencyMs_ = 0;
    uint64_t frames_ = 0;
    uint64_t shown_ = 0;
    // Escape went down while the show was caught up to its start.
    bool escapeDuringCatchUp_ = false;
    std::optional<uint64_t> escapeAtBytes_;
    bool scriptedEscapePressed_ = false;
    bool closedWhileCatchingUp_ = false;
    // The part-way start has run the presentation's after-soundtrack step and started the
    // frame clock; neither may run twice.
    bool caughtUp_ = false;
};

}  // namespace app
