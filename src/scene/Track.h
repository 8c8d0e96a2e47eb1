// Keyframe tracks as functions of time: Kochanek–Bartels tangents computed once after
// loading, then cubic Hermite sampling at any frame (in the scene file's frame units).
#pragma once

#include "scene/D3DXMath.h"
#include "scene3ds/SceneModel.h"

namespace scene {

// Both tangents of every key; nothing below three keys. Repeatable: only tangents change.
void SetupVectorTrack(Track<VectorKey>& track);
void SetupScalarTrack(Track<ScalarKey>& track);

// Composes the keys' relative rotations into absolute orientations. Not repeatable.
void SetupRotationTrack(Track<RotationKey>& track);

// One key: its value. Two keys: the straight line through them, extrapolated outside. Three
// or more: the Hermite segment holding the frame; the first key's value before the first
// key and the last key's value from the last key on.
D3DXVECTOR3 SampleVectorTrack(const Track<VectorKey>& track, float frame);

// Like the vector sampler from three keys on; with one or two keys the first key's value.
float SampleScalarTrack(const Track<ScalarKey>& track, float frame);

// The first key's orientation at every frame: rotations are not animated.
D3DXQUATERNION SampleRotationTrack(const Track<RotationKey>& track, float frame);

}  // namespace scene
