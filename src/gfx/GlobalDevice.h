// The one rendering device of the process. The load routine sets it once the device exists;
// effects, loaders and overlays draw through it. Tests point it at a RecordingDevice or a
// headless GL device.
#pragma once

#include "gfx/RenderDevice.h"

extern IDirect3DDevice8* RenderDevice;
