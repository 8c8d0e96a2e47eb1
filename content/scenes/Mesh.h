// Triangle meshes as the scene builders make them, in the engine's y-up frame, and the finishing
// step that gives them smooth vertex normals split at hard edges.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "content/scenes/SceneMath.h"

namespace content::scenes {

// Faces are listed so that (b - a) x (c - a) points out of the surface. The .3ds writer reverses
// them on the way out (see Scene3ds.cpp). Texture coordinates use v downwards, as the engine
// samples them; a texture reads unmirrored from the outside when (b - a, c - a) turn the same way
// in (u, v) as in space, i.e. the face's area in (u, v) is positive.
struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;
    std::vector<std::array<uint32_t, 3>> faces;

    uint32_t Vertex(Vec3 p, Vec2 uv);
    void Tri(uint32_t a, uint32_t b, uint32_t c) { faces.push_back({a, b, c}); }
    // a, b, c, d around the face, outward as for triangles.
    void Quad(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
    void Append(const Mesh& other);
    // Moves every vertex through `f` (a rigid or scaling map that keeps orientation).
    void Transform(const std::function<Vec3(Vec3)>& f);
    void Translate(Vec3 t);
    // Reverses every face: for surfaces seen from inside (a sky dome).
    void FlipFaces();
};

// What goes into the file: vertex order, positions, texture coordinates, unit normals, faces.
struct FinishedMesh {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;
    std::vector<Vec3> normals;
    std::vector<std::array<uint16_t, 3>> faces;
};

// Smooth normals: every corner takes the angle-weighted normals of the faces meeting at the same
// position whose planes lie within `creaseDegrees` of its own face; vertices whose corners end up
// with different normals are split. Corners with equal position, texture coordinate and normal
// share one vertex. Faces without area are dropped. Throws when the result does not fit the
// format's 16-bit counts.
FinishedMesh Finish(const Mesh& mesh, float creaseDegrees);

// A flat-shaded finish (every face its own normal), for faceted pieces.
inline FinishedMesh FinishFaceted(const Mesh& mesh) { return Finish(mesh, 0.5f); }

// The normals file: vertexCount x (x, y, z) little-endian floats in vertex order.
std::vector<uint8_t> EncodeNormals(const FinishedMesh& mesh);

// Signed volume (positive when the faces point outwards); for checks of closed pieces.
double SignedVolume(const FinishedMesh& mesh);

}  // namespace content::scenes
