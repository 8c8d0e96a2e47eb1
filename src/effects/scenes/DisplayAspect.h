// The aspect ratio the loaded-scene segments give their scenes.
#pragma once

namespace effects {

// Width / height of the chosen display mode, which is the back buffer's size; 4:3 without a
// device or back buffer.
float DisplayAspect();

}  // namespace effects
