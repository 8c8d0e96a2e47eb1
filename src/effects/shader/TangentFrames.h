// Per-vertex tangent frames for bump mapping: the directions in which the texture's u and v
// grow across the surface, from the faces' positions and texture coordinates.
#pragma once

#include <cstdint>

#include "effects/shader/ShaderMesh.h"

namespace effects {

// Fills tangent (along +u) and binormal (along +v) of every vertex from the faces that use
// it: each face adds its solution of the texture-space equations, one position axis at a
// time, to its three vertices; the sums are then normalised (D3DXVec3Normalize, so a vertex
// no face uses keeps zeros). Faces whose texture coordinates enclose no area have no such
// solution and add nothing; faces naming a vertex beyond vertexCount are skipped too.
void BuildTangentFrames(ShaderVertex* vertices, UINT vertexCount, const uint16_t* indices,
                        UINT faceCount);

// The same over a prepared mesh's buffers (the ShaderVertex buffer is read back and written).
void buildTangentFrames(ShaderMesh& mesh);

}  // namespace effects
