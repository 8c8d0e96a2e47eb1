// The .3ds writer: the main chunk with its version, the editor section (materials, meshes,
// lights, cameras) and the keyframer section, in the chunk order and fixed positions that the
// engine's reader and the format's own tools rely on.
#pragma once

#include <cstdint>
#include <vector>

#include "content/scenes/ChunkWriter.h"
#include "content/scenes/SceneDesc.h"

namespace content::scenes {

// Throws std::invalid_argument when the description breaks the format's rules (names, counts,
// tracks out of frame order, unknown materials or parents).
std::vector<uint8_t> Write3ds(const SceneDesc& scene);

// Engine (x, y, z) is file (x, z, y).
inline Vec3 ToFile(Vec3 v) { return {v.x, v.z, v.y}; }

// Pieces shared by the editor and keyframer writers.
void WriteMaterial(ChunkWriter& w, const MaterialDesc& m);
void WriteKeyframer(ChunkWriter& w, const SceneDesc& scene);
// Node numbers as the editor section counts them: meshes one each, omni lights one, spot lights
// and cameras two (the second for their target); keyframer-only nodes follow.
struct NodeNumbers {
    std::vector<uint16_t> object, omni, spot, camera;
};
NodeNumbers NumberNodes(const SceneDesc& scene);

}  // namespace content::scenes
