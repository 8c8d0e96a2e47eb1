// The presentation this engine plays: the rendering device, the load routine's steps between
// opening the pack and starting the soundtrack, and the timeline frame.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Presentation.h"
#include "app/ShowSeeker.h"
#include "scene3ds/SceneModel.h"
#include "timeline/ShowState.h"

namespace gfx::gl {
class Device;
}

namespace app {

class RuneplayPresentation : public Presentation, private SeekableShow {
  public:
    RuneplayPresentation();
    ~RuneplayPresentation() override;

    // Headless (EGL) without a window, else presenting into it; the size and format come from
    // the setup dialog's settings when it has filled them, else from the command line. A run
    // that plays (no still, no capture) makes the seeking snapshots while it plays.
    bool CreateDevice(platform::Window* window, const Options& options,
                      std::string* error) override;
    // Load steps 2 to 22: overlays, glow, render targets, the six object scenes and their
    // effects, every picture, sprites, the two loaded-scene segments, the frame target.
    void LoadAssets() override;
    // speedFactor 0.7; the run's state as it stands now is where seeks start from.
    void AfterSoundtrackStart() override;
    // One timeline frame of the run; it ticks the run's frame clock last. While playing, one
    // more seeking snapshot after it until every one is made (a few milliseconds).
    void Frame() override;
    timeline::FrameClock& frameClock() override { return show_.frameClock; }
    // Exact seeking once the soundtrack has started (null before, or without a device).
    ShowControl* showControl() override;
    // Through the GL device's window overlay; false for a headless device.
    bool SetWindowOverlay(std::function<void(int width, int height)> draw) override;

    gfx::gl::Device* device() const { return device_.get(); }
    // Everything the run has changed so far.
    timeline::ShowState& show() { return show_; }
    ShowSeeker* seeker() { return seeker_.get(); }

  private:
    void PlayFrame(timeline::ShowState& show, uint32_t position, bool draw) override;
    std::vector<gfx::Surface*> KeptTargets() override;
    void ResetKeptTargets() override;
    bool DrawsIntoKeptTargets(uint32_t position) override;

    std::unique_ptr<gfx::gl::Device> device_;
    timeline::ShowState show_;
    std::unique_ptr<ShowSeeker> seeker_;
    // A run that plays (not a still or a capture) makes the snapshots seeks use a few
    // milliseconds a frame, so that loading takes no longer and seeks soon find them made.
    bool snapshotsWhilePlaying_ = false;
    bool windowed_ = false;
    // The object scenes of the load routine; the effects keep pointers into them.
    std::unique_ptr<Scene> metalScene_, ringScene_, centreScene_, rotatingScene_, gridScene_,
        endScene_;
};

// The pieces of the load routine that stand alone (tests call them on their own device).

// Reads a scene from the pack into `scene` with ScenePathPrefix "Objs\".
void LoadObjectScene(const std::string& entryName, Scene& scene);
// Normals and buffers of every object, tangents of the first camera's four tracks and that
// camera sampled at frame 0 (position, target, roll, field of view). Null without a camera.
SceneCamera* PrepareEndScene(Scene& scene);
// The last object whose name begins with "ekr", or null.
SceneObject* FindScreenObject(const Scene* scene);

}  // namespace app
