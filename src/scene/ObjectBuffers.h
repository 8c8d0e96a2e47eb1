// The two per-object steps of scene preparation that effects also use on single objects:
// normals from the pack and the object's own vertex and index buffers.
#pragma once

#include "scene3ds/SceneModel.h"

namespace scene {

// Stride of an object's vertices: position, normal, one texture coordinate pair (FVF 0x112).
constexpr UINT kObjectVertexStride = 32;
constexpr DWORD kObjectVertexFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// Reads "Nrm\" + name + ".nrm" whole and copies its first vertexCount × 3 floats, in vertex
// order and as stored, over `normals`. Every object reads its entry, geometry or not. An entry
// shorter than the object needs is reported on standard error (naming the entry) and the
// missing normals are left zero.
void LoadObjectNormals(scene3ds::SceneObject& object);

// When the object has positions, vertices and faces: a managed write-only vertex buffer of
// vertexCount × 32 bytes (positions minus pivot, normals, texture coordinates) and a managed
// 16-bit index buffer of faceCount × 6 bytes, both filled with D3DLOCK_DISCARD. Otherwise both
// stay null and the object is never drawn. Uses the process-wide RenderDevice.
void BuildObjectBuffers(scene3ds::SceneObject& object);

}  // namespace scene
