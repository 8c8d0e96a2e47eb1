// The player: what the keys (and the overlay's timeline bar) do to the running show.
//
//   P, Pause         pause and resume: sound and clock stop and go on together; while
//                    paused the frame on screen is shown again and nothing of the run moves
//   Left, Right      5 s back, on         Page Up, Page Down   60 s back, on
//   Home             back to the start    . and , (paused)     one 60 fps frame on, back
//   F12              the frame on screen as runeplay-POSITION.png in the current folder
//   Tab              the overlay          F11, Alt+Enter        full screen <-> window
//   [ and ]          A/V offset 10 ms down, up (shown for a second in the corner)
//
// A seek asks ShowControl::SeekTo to put the show just before its frame at the target, moves
// the sound there, sets the clock to the reading SeekTo returned and draws that frame with
// both held, exactly as a still shows it; unless paused, sound and clock then go on
// together. With --loop the end of the soundtrack is a seek to the start. Escape and Space
// are not the player's: the main loop ends on the one, the timeline reads the other.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "app/PlayerOverlay.h"
#include "audio/ShiftedSoundtrack.h"
#include "platform/Input.h"

namespace platform {
class Window;
}

namespace app {

class Presentation;
class ShowControl;

struct PlayerSettings {
    bool loop = false;
    int avOffsetMs = 0;  // the viewer's, from --av-offset
    int latencyMs = 0;   // what the sound system reported, taken off as well
};

// Keys the player answers, as virtual-key codes.
namespace keys {
constexpr int kTab = 0x09;
constexpr int kReturn = 0x0D;
constexpr int kPause = 0x13;
constexpr int kPageUp = 0x21;
constexpr int kPageDown = 0x22;
constexpr int kHome = 0x24;
constexpr int kLeft = 0x25;
constexpr int kRight = 0x27;
constexpr int kF11 = 0x7A;
constexpr int kF12 = 0x7B;
constexpr int kComma = 0xBC;
constexpr int kPeriod = 0xBE;
constexpr int kOpenBracket = 0xDB;
constexpr int kCloseBracket = 0xDD;
}  // namespace keys

class Player {
  public:
    // `soundtrack` is what the timeline reads. With a window (and a presentation that can
    // paint into it) the overlay is made; the GL context must be current then, and when the
    // player goes.
    Player(Presentation& presentation, audio::ShiftedSoundtrack& soundtrack,
           platform::Window* window, const PlayerSettings& settings);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The main loop's steps. FrameWanted: run the timeline for the next frame (playing, or
    // a seek's frame to show); otherwise ShowHeldFrame shows the frame on screen again and
    // waits a moment for input.
    bool FrameWanted() const { return !paused_ || frameDue_; }
    void FrameDrawn();
    void ShowHeldFrame();
    // The key presses waiting, the overlay's bar and the end of the soundtrack.
    void HandleInput();
    void HandleKey(const platform::KeyPress& press);

    // What the keys do.
    void TogglePause();
    // False when the presentation cannot seek (said once on standard error).
    bool SeekTo(uint64_t position);
    bool SeekBy(int64_t milliseconds);
    // Paused only: to the next (or previous) position of the 60 fps grid from 0.
    bool Step(int direction);
    bool SaveScreenshot();
    void ToggleFullscreen();
    void ToggleOverlay();
    void ChangeAvOffset(int milliseconds);

    bool paused() const { return paused_; }
    // The frame on screen, or where a seek is taking it.
    uint64_t position() const;
    int avOffsetMs() const { return avOffsetMs_; }
    PlayerOverlay* overlay() const { return overlay_.get(); }
    PlayerView View() const;

    // How long a paused loop waits for input between showings of the held frame.
    static constexpr int kHeldFrameWaitMs = 15;

  private:
    void Hold();
    void Release();
    bool AtEnd() const;

    Presentation& presentation_;
    audio::ShiftedSoundtrack& soundtrack_;
    platform::Window* window_;
    ShowControl* control_;
    audio::SoundtrackPlayer* timelineSoundtrack_;  // the process-wide one, as it was
    PlayerSettings settings_;
    std::unique_ptr<PlayerOverlay> overlay_;

    bool paused_ = false;
    bool held_ = false;           // sound paused and clock frozen
    bool heldRealClock_ = false;  // the clock was real before the hold
    uint32_t heldClock_ = 0;      // where the clock stands while held
    bool frameDue_ = false;       // a seek's frame waits to be drawn
    uint64_t seekTarget_ = 0;     // where that frame lies
    bool saidCannotSeek_ = false;
    int avOffsetMs_ = 0;

    std::chrono::steady_clock::time_point lastFrame_{};
    double frameMs_ = 0.0;
    double averageFrameMs_ = 0.0;
};

}  // namespace app
