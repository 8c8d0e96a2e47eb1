#include "effects/shader/CubeGridScene.h"

namespace effects {

CubeGridScene cubeGridScene;

// Placeholder until the scene is written: draws nothing.
void CubeGridScene::init() {}
void CubeGridScene::draw(float) {}

}  // namespace effects
