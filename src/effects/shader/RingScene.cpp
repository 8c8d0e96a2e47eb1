#include "effects/shader/RingScene.h"

namespace effects {

RingScene ringScene;

// Placeholder until the scene is written: draws nothing.
void RingScene::init() {}
void RingScene::draw(float) {}

}  // namespace effects
