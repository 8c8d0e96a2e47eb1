#include "effects/shader/EndMeshScene.h"

namespace effects {

EndMeshScene endMeshScene;

// Placeholder until the scene is written: draws nothing.
void EndMeshScene::init() {}
void EndMeshScene::draw(float) {}

}  // namespace effects
