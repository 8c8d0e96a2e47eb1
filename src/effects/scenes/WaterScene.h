// The loaded-scene segment above rippling water that mirrors it ("scene3\scene123.3DS").
#pragma once

#include <cstdint>

#include "scene3ds/SceneModel.h"

namespace effects {

class WaterScene {
  public:
    virtual ~WaterScene() = default;

    // Loads and prepares the scene, builds the bump texture and the two render targets.
    void Load();
    // One frame: scene frame = 0.5 × clip time, through the camera with that 1-based index.
    void DrawFrame(float clipTime, uint32_t cameraIndex);

    // The loaded scene (null before Load); the timeline changes its ambient colour and light
    // attenuation in one segment.
    scene3ds::Scene* scene = nullptr;
};

extern WaterScene waterScene;

}  // namespace effects
