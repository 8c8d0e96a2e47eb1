// The seven cut pictures ("kowadlo", the anvil): stills of machinery and the forge in warm key
// light, shared pieces for Machines.cpp and Forge.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "content/gen/Image.h"
#include "content/pictures/Relief.h"

namespace content::pictures::cuts {

constexpr int kW = 1024, kH = 768;

enum Mat { kBackdrop, kSteel, kIron, kBrass, kWood, kBrick, kSoot, kMaterialCount };

std::vector<Material> Materials();
Lighting WarmKey();

// The dark riveted wall every machine stands against.
void AddBackdropPlate(ReliefScene& s, uint32_t seed);

// Bloom, the numbered caption, grain and vignette.
Image FinishCut(Canvas c, int k);

// Sparks: short bright streaks flying from (x, y) into the upper half-plane given by angle.
void AddSparks(Canvas& c, uint32_t seed, int count, float x, float y, float spreadAngle,
               float centreAngle, float reach);

Canvas Gears();
Canvas Pistons();
Canvas Turbine();
Canvas Chain();
Canvas Anvil();
Canvas RunePlate();
Canvas Furnace();

}  // namespace content::pictures::cuts
