#include "gfx/GlobalDevice.h"

IDirect3DDevice8* RenderDevice = nullptr;
