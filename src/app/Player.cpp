#include "app/Player.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/Capture.h"
#include "app/PlayerLabels.h"
#include "app/Presentation.h"
#include "app/Screenshot.h"
#include "app/ShowControl.h"
#include "gfx/GlobalDevice.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/Window.h"

namespace app {

namespace {

constexpr int64_t kSeekShortMs = 5000;
constexpr int64_t kSeekLongMs = 60000;
constexpr int kAvOffsetStepMs = 10;
constexpr int kMaxAvOffsetMs = 10000;
// Weight of the newest frame in the averaged frame time.
constexpr double kAverageWeight = 0.1;

}  // namespace

Player::Player(Presentation& presentation, audio::ShiftedSoundtrack& soundtrack,
               platform::Window* window, const PlayerSettings& settings)
    : presentation_(presentation),
      soundtrack_(soundtrack),
      window_(window),
      control_(presentation.showControl()),
      timelineSoundtrack_(audio::Soundtrack()),
      settings_(settings),
      avOffsetMs_(settings.avOffsetMs) {
    soundtrack_.setOffsetMilliseconds(avOffsetMs_ - settings_.latencyMs);
    if (!window_) return;
    std::string error;
    overlay_ = PlayerOverlay::Create(window_->sdlWindow(), &error);
    if (!overlay_) {
        std::fprintf(stderr, "runeplay: no overlay: %s\n", error.c_str());
        return;
    }
    if (!presentation_.SetWindowOverlay(
            [this](int width, int height) { overlay_->Draw(width, height, View()); })) {
        overlay_.reset();
        return;
    }
    platform::SetEventObserver([this](const SDL_Event& event) { overlay_->HandleEvent(event); });
}

Player::~Player() {
    if (overlay_) {
        platform::SetEventObserver({});
        presentation_.SetWindowOverlay({});
    }
}

uint64_t Player::position() const { return frameDue_ ? seekTarget_ : soundtrack_.lastPosition(); }

PlayerView Player::View() const {
    PlayerView view;
    view.position = position();
    view.length = soundtrack_.Length().value_or(0);
    view.format = soundtrack_.Format();
    view.paused = paused_;
    view.frameMs = frameMs_;
    view.framesPerSecond = averageFrameMs_ > 0 ? 1000.0 / averageFrameMs_ : 0.0;
    view.avOffsetMs = avOffsetMs_;
    view.latencyMs = settings_.latencyMs;
    view.canSeek = control_ != nullptr;
    return view;
}

void Player::FrameDrawn() {
    const auto now = std::chrono::steady_clock::now();
    if (lastFrame_ != std::chrono::steady_clock::time_point{}) {
        frameMs_ = std::chrono::duration<double, std::milli>(now - lastFrame_).count();
        averageFrameMs_ = averageFrameMs_ > 0
                              ? averageFrameMs_ + kAverageWeight * (frameMs_ - averageFrameMs_)
                              : frameMs_;
    }
    lastFrame_ = now;
    frameDue_ = false;
    if (!paused_) Release();
}

void Player::ShowHeldFrame() {
    // The back buffer still holds the frame: presenting it again puts it (and the overlay
    // over it) back into the window without running the timeline.
    if (RenderDevice) RenderDevice->Present(nullptr, nullptr, nullptr, nullptr);
    platform::WaitForMessage(kHeldFrameWaitMs);
    // Time spent paused is no frame time.
    lastFrame_ = {};
}

void Player::HandleInput() {
    platform::KeyPress press;
    while (platform::NextKeyPress(press)) HandleKey(press);
    if (overlay_)
        if (std::optional<uint64_t> target = overlay_->TakeSeekRequest()) SeekTo(*target);
    if (settings_.loop && !held_ && AtEnd()) SeekTo(0);
}

void Player::HandleKey(const platform::KeyPress& press) {
    using namespace keys;
    const int key = press.virtualKey;
    const bool plain = !press.alt && !press.ctrl;
    // Held keys repeat what moves (seeks, steps, the offset), never what switches.
    if (press.repeat && key != kLeft && key != kRight && key != kPageUp && key != kPageDown &&
        key != kComma && key != kPeriod && key != kOpenBracket && key != kCloseBracket)
        return;
    if (key == kReturn && press.alt) {
        ToggleFullscreen();
        return;
    }
    if (!plain) return;
    switch (key) {
        case 'P':
        case kPause:
            TogglePause();
            break;
        case kLeft:
            SeekBy(-kSeekShortMs);
            break;
        case kRight:
            SeekBy(kSeekShortMs);
            break;
        case kPageUp:
            SeekBy(-kSeekLongMs);
            break;
        case kPageDown:
            SeekBy(kSeekLongMs);
            break;
        case kHome:
            SeekTo(0);
            break;
        case kPeriod:
            Step(1);
            break;
        case kComma:
            Step(-1);
            break;
        case kF12:
            SaveScreenshot();
            break;
        case kTab:
            ToggleOverlay();
            break;
        case kF11:
            ToggleFullscreen();
            break;
        case kOpenBracket:
            ChangeAvOffset(-kAvOffsetStepMs);
            break;
        case kCloseBracket:
            ChangeAvOffset(kAvOffsetStepMs);
            break;
        default:
            break;
    }
}

void Player::Hold() {
    if (held_) return;
    held_ = true;
    soundtrack_.Pause();
    // A real clock is frozen where it stands, as a virtual one: both go on from there, or
    // from a seek's reading, when the sound does.
    heldClock_ = platform::timeGetTime();
    heldRealClock_ = !platform::IsVirtualClock();
    if (heldRealClock_) platform::UseVirtualClock(heldClock_);
}

void Player::Release() {
    if (!held_) return;
    held_ = false;
    // Whatever moved a virtual clock meanwhile (a seek's frame) did not move the sound.
    if (heldRealClock_)
        platform::UseRealClockFrom(heldClock_);
    else
        platform::VirtualClockSet(heldClock_);
    soundtrack_.Resume();
}

void Player::TogglePause() {
    paused_ = !paused_;
    if (paused_)
        Hold();
    else if (!frameDue_)
        Release();  // else once the seek's frame is drawn
}

bool Player::SeekTo(uint64_t target) {
    if (!control_) {
        if (!saidCannotSeek_)
            std::fprintf(stderr, "runeplay: seeking is not available in this presentation\n");
        saidCannotSeek_ = true;
        return false;
    }
    const uint64_t bpf = std::max<uint64_t>(soundtrack_.Format().bytesPerFrame(), 1);
    target = target / bpf * bpf;
    if (const std::optional<uint64_t> length = soundtrack_.Length())
        target = std::min(target, *length);
    Hold();
    heldClock_ = control_->SeekTo(target);
    // Whatever the seek played on its own clock and soundtrack, the held frame reads the
    // timeline's.
    platform::UseVirtualClock(heldClock_);
    audio::SetSoundtrack(timelineSoundtrack_);
    soundtrack_.Seek(target);
    seekTarget_ = target;
    frameDue_ = true;
    return true;
}

bool Player::SeekBy(int64_t milliseconds) {
    const uint64_t distance =
        soundtrack_.Format().BytesFromMilliseconds(static_cast<uint64_t>(std::abs(milliseconds)));
    const uint64_t from = position();
    return SeekTo(milliseconds < 0 ? from - std::min(from, distance) : from + distance);
}

bool Player::Step(int direction) {
    if (!paused_) return false;
    const FrameGrid grid{soundtrack_.Format(), kStillFramesPerSecond, 0};
    const uint64_t from = position();
    if (direction > 0) return SeekTo(grid.Position(grid.FramesBefore(from + 1)));
    const uint64_t before = grid.FramesBefore(from);  // grid frames below `from`
    return SeekTo(before > 0 ? grid.Position(before - 1) : 0);
}

bool Player::SaveScreenshot() {
    const std::string path = ScreenshotName(soundtrack_.lastPosition());
    std::string error;
    if (!SaveBackBuffer(path, &error)) {
        std::fprintf(stderr, "runeplay: the screenshot \"%s\" cannot be written: %s\n",
                     path.c_str(), error.c_str());
        return false;
    }
    std::fprintf(stderr, "runeplay: saved the frame on screen as %s\n", path.c_str());
    return true;
}

void Player::ToggleFullscreen() {
    if (!window_) return;
    std::string error;
    if (!window_->ToggleFullscreen(&error))
        std::fprintf(stderr, "runeplay: cannot switch between full screen and a window: %s\n",
                     error.c_str());
}

void Player::ToggleOverlay() {
    if (!overlay_) return;
    overlay_->setVisible(!overlay_->visible());
    // The bar is for the mouse; the show itself keeps the cursor hidden.
    platform::ShowCursor(overlay_->visible());
}

void Player::ChangeAvOffset(int milliseconds) {
    avOffsetMs_ = std::clamp(avOffsetMs_ + milliseconds, -kMaxAvOffsetMs, kMaxAvOffsetMs);
    soundtrack_.setOffsetMilliseconds(avOffsetMs_ - settings_.latencyMs);
    if (overlay_) overlay_->ShowNotice(AvOffsetText(avOffsetMs_, settings_.latencyMs));
}

bool Player::AtEnd() const {
    const std::optional<uint64_t> length = soundtrack_.Length();
    return length && *length > 0 && soundtrack_.player().Position() >= *length;
}

}  // namespace app
