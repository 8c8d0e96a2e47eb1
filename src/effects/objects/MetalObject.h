// The reflection-mapped metal piece: eight copies of one mesh in a tilted ring, lit by three
// moving point lights, drawn with camera-space reflection-vector texture coordinates.
#pragma once

#include "gfx/RenderDevice.h"
#include "scene3ds/SceneModel.h"

namespace effects {

class MetalObject {
  public:
    virtual ~MetalObject() = default;

    // Set by the load routine (the first object of "Objs\szk.3ds") before init.
    scene3ds::SceneObject* mesh = nullptr;

    void init();
    // t runs from 2000 down to 0 over the segment.
    void draw(float t);
};

extern MetalObject metalObject;

}  // namespace effects
