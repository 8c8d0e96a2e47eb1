// A scene's omni and spot lights as device lights. The scene's lights take device indices
// 0, 1, 2 … in list order, omni lights first (flares skipped), then spot lights, both when
// the scene is prepared and at every update.
#pragma once

#include "gfx/RenderDevice.h"
#include "scene3ds/SceneModel.h"

namespace scene {

// The scene lights' colours are brought to the device's range by these factors.
constexpr float kLightDiffuseScale = 40.0f;
constexpr float kOmniSpecularScale = 3.0f;
constexpr float kSpotSpecularScale = 80.0f;

// A point light from an omni light. The colour (c0, c1, c2) goes to the device as
// (c0, c2, c1): a colour sampled from the colour track holds the file's red, blue, green.
D3DLIGHT8 MakeOmniLight(const scene3ds::SceneLight& light);

// A spot light aiming from position to target (the direction is not normalised), with its
// cone angles in radians. Its colour is never sampled, yet it goes to the device in the same
// channel order as an omni light's, so green and blue change places.
D3DLIGHT8 MakeSpotLight(const scene3ds::SceneSpotLight& light);

// SetLight(index, …) and LightEnable(index, TRUE) on the process-wide device.
void SetOmniLight(const scene3ds::SceneLight& light, DWORD index);
void SetSpotLight(const scene3ds::SceneSpotLight& light, DWORD index);

// Position and colour sampled at the frame.
void SampleOmniLight(scene3ds::SceneLight& light, float frame);
// Position, target, hotspot and falloff sampled at the frame.
void SampleSpotLight(scene3ds::SceneSpotLight& light, float frame);

}  // namespace scene
