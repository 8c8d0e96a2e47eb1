// Turns a loaded scene into one that can be drawn every frame: material textures, normals,
// vertex and index buffers, track tangents, material surfaces, hierarchy depths, the device
// lights for frame 0, the particle emitters and the flare points. All allocation, file reading
// and buffer creation of a scene happens here, once.
#pragma once

#include <string>

#include "gfx/RenderDevice.h"
#include "scene/Random.h"
#include "scene3ds/SceneModel.h"

namespace scene {

// The flare sprite picture, read from the file system (not the pack): "point.bmp" beside the
// program, which is the current directory. Tools and tests may point it elsewhere.
extern std::string FlarePicturePath;

// Prepares the scene with the process-wide ScenePathPrefix and RenderDevice. Call once, after
// loading, after the segment has selected camera 1 and set the aspect, lighting and fog
// fields. Missing pictures are reported in message boxes captioned with the entry name
// ("TextureError!!!!", "OpacityError!!!!") and the scene goes on without them. The emitters'
// spawn points are drawn from `random`. Returns 1.
int PrepareScene(scene3ds::Scene& scene, RandomGenerator& random);

// ---- the steps, in the order PrepareScene runs them

// Loads every material's texture and opacity map (JPEG, managed pool) and gives opacity maps
// their blue as alpha.
void PrepareMaterials(scene3ds::Scene& scene);

// Every A8R8G8B8 level of the texture gets alpha = blue, rows stepped by the level's own
// pitch. A level that cannot be locked gives the message box "Error!!!!" and is skipped.
void AlphaFromBlue(IDirect3DTexture8& texture);

// Track set-up of every camera and its position, target, roll and field of view at frame 0.
void PrepareCameras(scene3ds::Scene& scene);
// The same for one camera.
void PrepareCamera(scene3ds::SceneCamera& camera);

// Material binding, normals, bounds, buffers, tracks, the frame-0 world matrix, isStatic,
// restMatrix, surface and visibility of every object.
void PrepareObjects(scene3ds::Scene& scene);

// The box of the object's positions widened to hold its origin, its centre (the origin) and
// its eight corners.
void ComputeBounds(scene3ds::SceneObject& object);

// The device material of an object bound to `material`. Without one (an object that has no
// material group, a scene without materials) a neutral mid grey, opaque and without highlight.
D3DMATERIAL8 SurfaceFromMaterial(const scene3ds::Material* material);

// One pass over every pair (A, B): a child B of A gets A's depth + 1, using the depth A has
// when its turn comes (an object listed before its parent hands on a depth too small). Sets
// MaxHierarchyDepth to this scene's deepest level (0 without objects).
void ComputeHierarchyDepths(scene3ds::Scene& scene);

// Track set-up of the omni and spot lights and the device lights for frame 0 (omni lights at
// their loaded position and colour, spot lights sampled at frame 0); flares are counted and
// never become device lights.
void PrepareLights(scene3ds::Scene& scene);

// One emitter record per emitter object, in object order, with the current ScenePathPrefix.
void PrepareEmitters(scene3ds::Scene& scene, RandomGenerator& random);

// The flare texture from FlarePicturePath (a failure is not reported) and a buffer holding one
// white point per flare light at its loaded position.
void PrepareFlares(scene3ds::Scene& scene);

}  // namespace scene
