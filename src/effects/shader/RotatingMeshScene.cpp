#include "effects/shader/RotatingMeshScene.h"

namespace effects {

RotatingMeshScene rotatingMeshScene;

// Placeholder until the scene is written: draws nothing.
void RotatingMeshScene::init() {}
void RotatingMeshScene::draw(float) {}

}  // namespace effects
