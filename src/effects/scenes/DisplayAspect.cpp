#include "effects/scenes/DisplayAspect.h"

#include "gfx/GlobalDevice.h"

namespace effects {

float DisplayAspect() {
    gfx::Surface* back = nullptr;
    if (!RenderDevice || FAILED(RenderDevice->GetBackBuffer(0, &back)) || !back ||
        back->height() == 0)
        return 4.0f / 3.0f;
    return static_cast<float>(back->width()) / static_cast<float>(back->height());
}

}  // namespace effects
