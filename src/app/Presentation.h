// What the engine plays: the hooks through which the rendering device and the timeline join
// the start-up sequence and the main loop. The base class is the empty presentation: nothing
// is drawn, and each frame only ticks the frame clock.
#pragma once

#include <functional>
#include <string>

#include "timeline/FrameClock.h"

namespace platform {
class Window;
}

namespace app {

struct Options;
class ShowControl;

class Presentation {
  public:
    virtual ~Presentation() = default;

    // After the window exists (null in a headless run) and before loading: create the
    // rendering device. False with a reason in `error` ends the run as a fatal error.
    virtual bool CreateDevice(platform::Window* window, const Options& options,
                              std::string* error) {
        (void)window;
        (void)options;
        (void)error;
        return true;
    }

    // The load steps between opening the pack and starting the soundtrack: overlays, render
    // targets, scenes, pictures and the two loaded-scene segments, in their fixed order.
    virtual void LoadAssets() {}

    // Right after the soundtrack has started, before the frame clock starts (the time scale
    // of the water reflection segment is set here).
    virtual void AfterSoundtrackStart() {}

    // One frame of the timeline: read the soundtrack position, draw, present, and tick the
    // frame clock last.
    virtual void Frame() { frameClock().Tick(); }

    // The clock the frames tick, started as the last step of loading.
    virtual timeline::FrameClock& frameClock() { return frameClock_; }

    // Seeking, for presentations that can be moved to any position; null where not.
    virtual ShowControl* showControl() { return nullptr; }

    // Has `draw` paint into the window after each presented frame, outside the back buffer,
    // so nothing it paints reaches stills, captures or screenshots (the player's overlay):
    // it gets the window's drawable size, with the device's GL context current. An empty
    // function removes it. False where there is no window to paint into.
    virtual bool SetWindowOverlay(std::function<void(int width, int height)> draw) {
        (void)draw;
        return false;
    }

  private:
    timeline::FrameClock frameClock_;
};

}  // namespace app
