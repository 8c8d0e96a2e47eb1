#include "effects/objects/DisplayAspect.h"

namespace effects {

float DisplayAspect(IDirect3DDevice8& device) {
    gfx::Surface* backBuffer = nullptr;
    if (FAILED(device.GetBackBuffer(0, &backBuffer)) || !backBuffer || backBuffer->height() == 0)
        return 4.0f / 3.0f;
    return static_cast<float>(backBuffer->width()) / static_cast<float>(backBuffer->height());
}

}  // namespace effects
