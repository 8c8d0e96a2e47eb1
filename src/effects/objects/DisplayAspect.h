// The aspect ratio of the display mode, for the effects' projections.
#pragma once

#include "gfx/RenderDevice.h"

namespace effects {

// Width / height of the device's back buffer (the display mode's size), the two integers
// divided in floating point; 4/3 when the device has no back buffer.
float DisplayAspect(IDirect3DDevice8& device);

}  // namespace effects
