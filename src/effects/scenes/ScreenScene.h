// The loaded-scene segment in fog with a screen showing a five-picture loop
// ("Scene2\Scene.3ds"): the plain select-camera, update and draw of a prepared scene, cutting
// between six cameras at fixed soundtrack positions.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx/RenderDevice.h"
#include "scene3ds/SceneModel.h"
#include "timeline/SceneTimer.h"

namespace effects {

namespace screen {

inline constexpr const char* kSceneEntry = "Scene2\\Scene.3ds";
inline constexpr const char* kScenePrefix = "Scene2\\";

// Soundtrack positions (bytes) after which shots 1 to 5 begin; shot 0 begins with the segment.
inline constexpr uint32_t kShotStarts[5] = {18719232, 19394048, 20076800, 20736000, 21435648};
inline constexpr uint32_t kShotCameras[6] = {1, 6, 3, 4, 5, 2};
// Each shot restarts the animation this many ticks earlier than the one before.
inline constexpr float kShotRewind = 200.0f;
inline constexpr float kFramesPerTick = 0.7f;
// The picture loop: 33 frames, eight per picture and one for the fifth.
inline constexpr uint32_t kCounterLast = 32;
inline constexpr uint32_t kFramesPerPicture = 8;

// The shot a position lies in: how many shot starts it is above (0..5).
uint32_t ShotAt(uint32_t position);

// The picture (0..4) the screen shows for a counter value.
inline uint32_t PictureFor(uint32_t counter) {
    const uint32_t picture = counter / kFramesPerPicture;
    return picture < 5 ? picture : 4;
}

}  // namespace screen

class ScreenScene {
  public:
    virtual ~ScreenScene() = default;

    // Loads and prepares the scene with its fog and lighting settings.
    void Load();
    // The load routine's part: the last object whose name begins with "ekr" becomes the
    // screen (none when there is no such object), and the five pictures are loaded.
    void FindScreenObject();
    void LoadPictures();
    // One frame at the given soundtrack position (camera cuts at fixed positions). Without a
    // screen object the picture loop is skipped.
    void DrawFrame(uint32_t position);

    scene3ds::Scene* scene = nullptr;
    // The last object whose name begins with "ekr", found by the load routine; may be null.
    scene3ds::SceneObject* screenObject = nullptr;
    // "!textures\k1.jpg" … "!textures\k5.jpg", loaded by the load routine.
    gfx::Texture* pictures[5] = {};
    // Frame counter 0..32 of the picture loop.
    uint32_t screenCounter = 0;
    timeline::SceneTimer clipTimer;

  private:
    std::unique_ptr<scene3ds::Scene> ownedScene_;
};

extern ScreenScene screenScene;

}  // namespace effects
