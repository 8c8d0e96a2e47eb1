// The capabilities GetDeviceCaps would report, read from an OpenGL context without making a
// device: what the setup dialog needs before any device exists. The dialog's own window has
// an OpenGL 3.3 core context already, so asking it costs nothing.
#pragma once

#include <string>

#include "gfx/RenderDevice.h"

namespace gfx::gl {

// Hardware transform and lighting: what DevCaps reports when the device would run its vertex
// stage on the GPU, which this back end does wherever it can be created at all.
constexpr DWORD kDevCapsHwTransformAndLight = 0x00010000u;

// From the context current on this thread: DevCaps is kDevCapsHwTransformAndLight where the
// context offers desktop OpenGL 3.3 or later (what the device needs), else 0 with the reason
// in `error` and false; the texture limit and the shader versions are those of the device.
bool QueryContextCaps(DeviceCaps* caps, std::string* error);

}  // namespace gfx::gl
