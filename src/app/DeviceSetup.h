// The rendering device made from the display settings chosen in the setup dialog, and the
// engine's default state.
//
// Device creation on this engine: the back buffer has the chosen mode's size and format; the
// window (created by the caller, windowed or full screen as the dialog's "Windowed" box
// says) only decides where Present shows it. Triple buffering asks for adaptive vertical
// sync: a late frame is shown at once rather than a whole refresh later, which is what the
// third buffer bought; without it presentation waits for vertical sync. A device that cannot
// be made is reported with ShowError and the caller ends in order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gfx/RenderDevice.h"
#include "gfx/StateDevice.h"

struct SDL_Window;

namespace gfx::gl {
class Device;
}

namespace app {

struct DisplaySettings {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t refreshRate = 0;  // recorded, not used by device creation
    D3DFORMAT format = D3DFMT_UNKNOWN;
    int32_t backBufferCount = 0;  // 2 with "Triple Buffering", else 1
    int32_t windowed = 0;         // 1 with "Windowed"
    int32_t hardwareVertexProcessing = 0;
};

// The process-wide settings the setup dialog fills; zero until then.
extern DisplaySettings displaySettings;

// The present parameters of the original creation, with the windowed choice honoured.
D3DPRESENT_PARAMETERS MakePresentParameters(const DisplaySettings& settings);
// D3DCREATE_HARDWARE_VERTEXPROCESSING or D3DCREATE_SOFTWARE_VERTEXPROCESSING.
DWORD BehaviourFlags(const DisplaySettings& settings);
// What the device is created with.
gfx::DeviceParams MakeDeviceParams(const D3DPRESENT_PARAMETERS& present, DWORD behaviour);
// Swap interval of the window: 1 (vertical sync), -1 (adaptive) with triple buffering.
int SwapIntervalFor(const DisplaySettings& settings);

// The engine's default state, in this order: linear MAG, MIN and MIP filters on stages 0 to
// 3, then culling clockwise, depth test on, lighting on, ambient 0xFF303030, blending off
// with ONE, ONE and ADD, specular and normal renormalisation on, edge antialiasing on.
void SetDefaultState(gfx::RenderDevice& device);

using ErrorReporter = std::function<void(const std::string& text)>;

// Creates the device for `settings` presenting into `window` (made with SDL_WINDOW_OPENGL),
// or headless when `window` is null; puts it in the default state and makes it the
// process-wide RenderDevice. On failure reports the reason through `report` (ShowError when
// empty) and returns null.
std::unique_ptr<gfx::gl::Device> CreateRenderDevice(const DisplaySettings& settings,
                                                    SDL_Window* window,
                                                    const ErrorReporter& report = {});

}  // namespace app
