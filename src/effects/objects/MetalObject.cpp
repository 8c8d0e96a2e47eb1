#include "effects/objects/MetalObject.h"

namespace effects {

MetalObject metalObject;

// Placeholder until the effect is written: draws nothing.
void MetalObject::init() {}
void MetalObject::draw(float) {}

}  // namespace effects
