// Mesh builders: lofts between rings (lathe, extrusion), sweeps along paths, bevelled boxes,
// height fields, and planar and box projections of texture coordinates.
#pragma once

#include <vector>

#include "content/scenes/Mesh.h"

namespace content::scenes {

// The two directions in a face's plane along which u and v grow so that a texture reads
// unmirrored from the side `n` points to: right x down = n.
struct FaceAxes {
    Vec3 right, down;
};
FaceAxes AxesFor(Vec3 n);

// Rings of points joined in order. Ring points go round the y axis in the direction of rising
// angle atan2(z, x), rings go upwards (more generally: the surface's outside is to the right of
// the way from one ring to the next, seen walking along the ring). Rings repeat their first
// point themselves if `closedRing` is set (the seam is shared in position, split in u).
// u of point k is us[k] (with us.size() == ring size + 1 when closed), v of ring i is vs[i].
// A ring of one point is a pole: it is fanned to its neighbour ring.
Mesh Loft(const std::vector<std::vector<Vec3>>& rings, const std::vector<float>& us,
          const std::vector<float>& vs, bool closedRing);

// Lathe of a profile of (radius, y) points around the y axis, bottom to top along the outside.
// u runs once round per `uRepeat`, v along the profile length with `vPerUnit` per unit.
// `segments` around; a radius of 0 makes a pole.
Mesh Lathe(const std::vector<Vec2>& profile, int segments, float uRepeat, float vPerUnit,
           double sweep = kTau);

// Flat cap over a closed ring that is star-shaped about `centre`, facing `n`; planar (u, v)
// with `uvScale` per unit.
Mesh Cap(const std::vector<Vec3>& ring, Vec3 centre, Vec3 n, float uvScale);

// A tube of cross-section `section` (points in the path's (normal, binormal) plane, going round
// counter-clockwise from normal to binormal) swept along `path`. Frames come from parallel
// transport; on a closed path the twist is spread so the seam meets itself. u along the path
// (`uRepeat` times in all), v `vRepeat` times round the section.
Mesh Sweep(const std::vector<Vec3>& path, bool closedPath, const std::vector<Vec2>& section,
           float uRepeat, float vRepeat);

// A box with rounded edges and corners: half extents `half`, bevel radius `bevel`, `steps`
// segments per half bevel, `divs` subdivisions of each flat face. Each face carries (u, v) from
// 0 to 1 over itself, or world-planar when uvPerUnit > 0.
Mesh BevelBox(Vec3 half, float bevel, int steps, int divs, float uvPerUnit = 0);

// Turns any mesh into one whose faces take planar (u, v) along the axis their normal is closest
// to (faces are split from each other; Finish welds them back where (u, v) agree).
Mesh BoxMapped(const Mesh& mesh, float uvPerUnit);

// A regular grid over x in [x0, x1] and z in [z0, z1] with height h(x, z), facing up; (u, v) are
// x and -z times uvPerUnit.
Mesh HeightField(float x0, float z0, float x1, float z1, int nx, int nz,
                 const std::vector<float>& heights, float uvPerUnit);

// Closed ring of `n` points on a circle of radius r at height y (rising angle order).
std::vector<Vec3> Circle(float r, float y, int n, double phase = 0);

}  // namespace content::scenes
