#include "effects/scenes/WaterScene.h"

namespace effects {

WaterScene waterScene;

// Placeholder until the segment is written: loads and draws nothing.
void WaterScene::Load() {}
void WaterScene::DrawFrame(float, uint32_t) {}

}  // namespace effects
