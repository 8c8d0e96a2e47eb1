// The loaded-scene segment in fog with a screen showing a five-picture loop
// ("Scene2\Scene.3ds"): the plain select-camera, update and draw of a prepared scene, cutting
// between cameras at soundtrack positions the schedule fixes.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx/RenderDevice.h"
#include "scene/Emitters.h"
#include "scene/Random.h"
#include "scene3ds/SceneModel.h"
#include "timing/SceneTimer.h"

namespace effects {

namespace screen {

inline constexpr const char* kSceneEntry = "Scene2\\Scene.3ds";
inline constexpr const char* kScenePrefix = "Scene2\\";

// Each shot restarts the animation this many ticks earlier than the one before.
inline constexpr float kShotRewind = 200.0f;
inline constexpr float kFramesPerTick = 0.7f;
// The picture loop: 33 frames, eight per picture and one for the fifth.
inline constexpr uint32_t kCounterLast = 32;
inline constexpr uint32_t kFramesPerPicture = 8;

// The picture (0..4) the screen shows for a counter value.
inline uint32_t PictureFor(uint32_t counter) {
    const uint32_t picture = counter / kFramesPerPicture;
    return picture < 5 ? picture : 4;
}

}  // namespace screen

// What a run changes of the segment: the picture loop's counter, the clip timer and the
// scene's particles.
struct ScreenSceneState {
    uint32_t screenCounter = 0;  // 0..32
    timing::SceneTimer clipTimer;
    scene::SceneParticles particles;
};

class ScreenScene {
  public:
    virtual ~ScreenScene() = default;

    // Loads and prepares the scene with its fog and lighting settings.
    void Load(scene::RandomGenerator& random);
    // The load routine's part: the last object whose name begins with "ekr" becomes the
    // screen (none when there is no such object), and the five pictures are loaded.
    void FindScreenObject();
    void LoadPictures();
    // One frame of shot `shot` (0 for the segment's first, one more at every camera cut),
    // through the camera with 1-based index `cameraIndex`. Without a screen object the
    // picture loop is skipped.
    void DrawFrame(ScreenSceneState& state, scene::RandomGenerator& random, uint32_t shot,
                   uint32_t cameraIndex);
    // What a run starts with: the counter and timer at zero, the particles as prepared.
    ScreenSceneState StartState() const;

    scene3ds::Scene* scene = nullptr;
    // The last object whose name begins with "ekr", found by the load routine; may be null.
    scene3ds::SceneObject* screenObject = nullptr;
    // "!textures\k1.jpg" … "!textures\k5.jpg", loaded by the load routine.
    gfx::Texture* pictures[5] = {};

  private:
    std::unique_ptr<scene3ds::Scene> ownedScene_;
};

extern ScreenScene screenScene;

}  // namespace effects
