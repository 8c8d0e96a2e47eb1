// Playing a prepared scene: select a camera, update everything to a frame, draw. A segment
// calls the three once per displayed frame, between BeginScene and EndScene; it may update and
// draw more than once per frame (a reflection pass). Frames are floats in the scene file's
// frame units. Nothing here allocates.
#pragma once

#include <cstdint>

#include "scene/D3DXMath.h"
#include "scene/Emitters.h"
#include "scene3ds/SceneModel.h"

namespace scene {

constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 54000.0f;
// Device lights the update switches off before it sets the scene's own.
constexpr DWORD kSceneLightSlots = 8;

// The deepest object hierarchy level found by the latest preparation, for every scene: the
// hierarchy composition of each update reads this one value (levels 1 and 2 are composed
// when it is at least 1 and 2).
extern int32_t MaxHierarchyDepth;

// Makes the camera with this 1-based index the active one; an index above the count takes
// the last camera and 0 the first. A scene without cameras keeps no active camera, and its
// updates leave the view and projection as they were.
void SelectCamera(scene3ds::Scene& scene, uint32_t index);

// Position, target, roll and field of view (degrees) sampled at the frame.
void SampleCamera(scene3ds::SceneCamera& camera, float frame);

// (sin roll, cos roll, 0) for a roll in degrees.
D3DXVECTOR3 CameraUpVector(float rollDegrees);

// The object's world matrix at the frame: scale · rotation · translation from its tracks.
void SetObjectMatrix(scene3ds::SceneObject& object, float frame);

// Composes children with their parents' world matrices: depth 1 when MaxHierarchyDepth is at
// least 1, then depth 2 when it is at least 2. Deeper objects keep their own matrices.
void ComposeHierarchy(scene3ds::Scene& scene);

// Moves the active camera, every object, light and emitter to the frame; sets the projection
// (one degree wider than the camera's track, written back into `fov` in radians), the view
// and the device lights (0-7 switched off first). Each object's envMapMatrix becomes its
// world matrix, so sphere-mapped objects reflect in view space. The emitters move the
// particles of `particles` (one entry per emitter; those missing stay still), drawing from
// `random`.
void UpdateScene(scene3ds::Scene& scene, float frame, SceneParticles& particles,
                 RandomGenerator& random);

// The opaque objects, then the transparent ones blended without depth writes (opacity maps
// through stage 1 with an alpha test), then the emitters' `particles` as additive point
// sprites. Leaves fog off, lighting on, culling clockwise, blending off with factors ONE and
// ONE.
void DrawScene(scene3ds::Scene& scene, const SceneParticles& particles);

// Rewrites the texture coordinates of the object's vertex buffer from its normals through
// envMapMatrix · view: u = (n·M column 0 + 1) / 2, v = (n·M column 1 + 1) / 2.
void ApplySphereMap(scene3ds::SceneObject& object, const D3DXMATRIX& view);

}  // namespace scene
