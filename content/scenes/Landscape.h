// Builders for the pieces of the water scene's landscape: the island, rock stacks, arches,
// the lighthouse, buoys, hanging banners, the sky dome and the 51 x 51 water grid.
#pragma once

#include "content/scenes/Mesh.h"

namespace content::scenes {

// Height of the island's ground at (x, z); below the water (-1450) from about 3600 out.
float IslandHeight(float x, float z);
Mesh IslandMesh();
// A weathered rock column from below the water up to `top`, about `radius` thick.
Mesh RockStack(uint32_t seed, float radius, float top);
// A stone arch: two legs from below the water and a round arch of `span` between leg centres,
// springing at `spring`; built round the local origin in the x-y plane.
Mesh StoneArch(float span, float spring, float thickness, float depth);
// The lighthouse shaft and gallery, base at local y = 0.
Mesh LighthouseMesh(float height);
// Lantern dome on top of the lighthouse (the chrome piece), or a free chrome ball.
Mesh DomeMesh(float radius);
Mesh BallMesh(float radius);
// A round brazier bowl on a short foot, base at local y = 0.
Mesh BrazierMesh();
// A float with a post and a cap, water line at local y = 0.
Mesh BuoyMesh();
// A hanging cloth of width w and height h, top edge at local y = 0, hanging down, in the x-y
// plane with both faces drawn; a gentle wave along x.
Mesh BannerMesh(float w, float h, uint32_t seed);
// Wooden pier of `length` along -x from the local origin, deck at local y = 0.
Mesh PierMesh(float length);
// The dome round the whole scene, seen from inside.
Mesh SkyDomeMesh(float radius);
// The water plane: 51 x 51 vertices row by row at height y, spacing finest in the middle.
FinishedMesh WaterGrid(float y);
// A flat square for an emitter: particles start over its extent.
Mesh EmitterPad(float halfSize);

}  // namespace content::scenes
