#include "effects/scenes/ScreenScene.h"

namespace effects {

ScreenScene screenScene;

// Placeholder until the segment is written: loads and draws nothing.
void ScreenScene::Load() {}
void ScreenScene::DrawFrame(uint32_t) {}

}  // namespace effects
