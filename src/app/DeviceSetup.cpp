#include "app/DeviceSetup.h"

#include "app/DisplayModes.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/ErrorReport.h"

namespace app {

DisplaySettings displaySettings;

D3DPRESENT_PARAMETERS MakePresentParameters(const DisplaySettings& s) {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = s.width > 0 ? static_cast<UINT>(s.width) : 0;
    p.BackBufferHeight = s.height > 0 ? static_cast<UINT>(s.height) : 0;
    p.BackBufferFormat = s.format;
    p.BackBufferCount = s.backBufferCount == 2 ? 2 : 1;
    p.MultiSampleType = D3DMULTISAMPLE_NONE;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = nullptr;
    p.Windowed = s.windowed ? TRUE : FALSE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.Flags = 0;
    p.FullScreen_RefreshRateInHz = 0;
    p.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    return p;
}

DWORD BehaviourFlags(const DisplaySettings& s) {
    return s.hardwareVertexProcessing ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                      : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
}

gfx::DeviceParams MakeDeviceParams(const D3DPRESENT_PARAMETERS& present, DWORD behaviour) {
    gfx::DeviceParams params;
    params.width = present.BackBufferWidth;
    params.height = present.BackBufferHeight;
    params.backBufferFormat = present.BackBufferFormat;
    params.backBufferCount = present.BackBufferCount;
    params.hardwareVertexProcessing = (behaviour & D3DCREATE_HARDWARE_VERTEXPROCESSING) != 0;
    return params;
}

int SwapIntervalFor(const DisplaySettings& s) { return s.backBufferCount == 2 ? -1 : 1; }

void SetDefaultState(gfx::RenderDevice& d) {
    for (DWORD stage = 0; stage < 4; ++stage) {
        d.SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        d.SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        d.SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    }
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d.SetRenderState(D3DRS_AMBIENT, 0xFF303030);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    d.SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    d.SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    d.SetRenderState(D3DRS_EDGEANTIALIAS, TRUE);
}

std::unique_ptr<gfx::gl::Device> CreateRenderDevice(const DisplaySettings& settings,
                                                    SDL_Window* window,
                                                    const ErrorReporter& report) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<gfx::gl::Device> {
        const std::string text = "The rendering device could not be created: " + why;
        if (report)
            report(text);
        else
            ShowError(text);
        return nullptr;
    };
    const D3DPRESENT_PARAMETERS present = MakePresentParameters(settings);
    if (present.BackBufferWidth == 0 || present.BackBufferHeight == 0 ||
        present.BackBufferWidth > 16384 || present.BackBufferHeight > 16384)
        return fail("the display mode " + std::to_string(settings.width) + " x " +
                    std::to_string(settings.height) + " is not usable");
    if (!UsableBackBufferFormat(present.BackBufferFormat))
        return fail(std::string("the back-buffer format ") +
                    gfx::FormatName(present.BackBufferFormat) + " is not supported");
    const gfx::DeviceParams params = MakeDeviceParams(present, BehaviourFlags(settings));
    std::string error;
    std::unique_ptr<gfx::gl::Device> device;
    if (window) {
        gfx::gl::DeviceOptions options;
        options.swapInterval = SwapIntervalFor(settings);
        device = gfx::gl::CreateWindowDevice(window, params, options, &error);
    } else {
        device = gfx::gl::CreateHeadlessDevice(params, &error);
    }
    if (!device) return fail(error);
    SetDefaultState(*device);
    RenderDevice = device.get();
    return device;
}

}  // namespace app
