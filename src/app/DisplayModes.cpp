#include "app/DisplayModes.h"

#include <algorithm>
#include <cmath>

namespace app {

namespace {

constexpr uint32_t kListedRate = 60;

}  // namespace

bool QualifiesForList(const ReportedMode& m) {
    if (m.width < 640 || m.height < 480) return false;
    return m.refreshRate == 0 || (m.refreshRate >= 59.5 && m.refreshRate <= 60.5);
}

int LabelBits(D3DFORMAT format, int bitsPerPixel) {
    switch (format) {
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
            return 16;
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8:
            return 32;
        default:
            return bitsPerPixel;
    }
}

std::string ModeLabel(const DisplayMode& mode, int bitsPerPixel) {
    return std::to_string(mode.width) + "x" + std::to_string(mode.height) + "x" +
           std::to_string(LabelBits(mode.format, bitsPerPixel));
}

ModeList EnumerateDisplayModes(DisplayModeSource& source) {
    ModeList list;
    const int count = source.GetAdapterModeCount();
    for (int i = 0; i < count && list.modes.size() < kMaxDisplayModes; ++i) {
        ReportedMode reported;
        if (!source.EnumAdapterModes(i, &reported) || !QualifiesForList(reported)) continue;
        DisplayMode mode{static_cast<uint32_t>(reported.width),
                         static_cast<uint32_t>(reported.height), kListedRate, reported.format};
        list.modes.push_back(mode);
        list.labels.push_back(ModeLabel(mode, reported.bitsPerPixel));
    }
    gfx::DeviceCaps caps;
    list.hardwareVertexProcessing = source.GetDeviceCaps(&caps) && caps.DevCaps != 0 ? 1 : 0;

    ReportedMode desktop;
    if (list.modes.empty() && source.GetDesktopMode(&desktop) && desktop.width > 0 &&
        desktop.height > 0) {
        DisplayMode mode{
            static_cast<uint32_t>(desktop.width), static_cast<uint32_t>(desktop.height),
            static_cast<uint32_t>(std::lround(std::max(desktop.refreshRate, 0.0))), desktop.format};
        list.desktop = mode;
        list.desktopLabel = ModeLabel(mode, desktop.bitsPerPixel) + " desktop";
    }
    return list;
}

bool UsableBackBufferFormat(D3DFORMAT f) {
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8 || f == D3DFMT_R5G6B5 ||
           f == D3DFMT_X1R5G5B5;
}

}  // namespace app
