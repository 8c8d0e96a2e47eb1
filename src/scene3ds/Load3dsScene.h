// The .3ds scene loader: a pack entry (or a file image in memory) into a Scene, with an
// account of what was read in the scene log (engine.log).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scene3ds/SceneModel.h"

namespace scene3ds {

// Reads the pack entry `entryName` and appends what it describes to `scene`. A missing entry
// leaves the scene as it was, with an error line in the log. Returns 1.
int Load3dsScene(const std::string& entryName, Scene& scene);

// The same on a file image already in memory; `entryName` only names it in the log and in
// error lines. Nothing is read outside [data, data + size). Returns 1.
int Load3dsSceneFromMemory(const std::string& entryName, const uint8_t* data, size_t size,
                           Scene& scene);

}  // namespace scene3ds

using scene3ds::Load3dsScene;
using scene3ds::Load3dsSceneFromMemory;
