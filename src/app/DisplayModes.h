// The display modes the setup dialog offers, and where they come from.
//
// A mode qualifies when it is at least 640 x 480 at 60 Hz. Displays report rates as they
// measure them: anything from 59.5 to 60.5 Hz counts as 60, and so does a display that
// reports no rate at all (0), as many virtual and some flat-panel displays do. The first 150
// qualifying modes are kept, in the order the display lists them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gfx/RenderDevice.h"

namespace app {

// One display mode as the dialog keeps it: 16 bytes, in this order.
struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0;  // Hz
    D3DFORMAT format = D3DFMT_UNKNOWN;

    bool operator==(const DisplayMode&) const = default;
};
static_assert(sizeof(DisplayMode) == 16);

inline constexpr size_t kMaxDisplayModes = 150;

// A mode as the display reports it.
struct ReportedMode {
    int width = 0;
    int height = 0;
    double refreshRate = 0;  // Hz; 0 when the display does not say
    D3DFORMAT format = D3DFMT_UNKNOWN;
    int bitsPerPixel = 0;  // the real depth, for formats without a fixed label depth
};

// The adapter as the dialog asks it: its modes in their order, the desktop's own mode, and
// the device's capabilities. Tests stand in fake adapters.
class DisplayModeSource {
  public:
    virtual ~DisplayModeSource() = default;
    virtual int GetAdapterModeCount() = 0;
    virtual bool EnumAdapterModes(int index, ReportedMode* mode) = 0;
    virtual bool GetDesktopMode(ReportedMode* mode) = 0;
    virtual bool GetDeviceCaps(gfx::DeviceCaps* caps) = 0;
};

struct ModeList {
    std::vector<DisplayMode> modes;   // the qualifying modes, at most kMaxDisplayModes
    std::vector<std::string> labels;  // parallel to `modes`: "800x600x32"
    // 1 when the device reports any capability at all (DevCaps non-zero).
    int32_t hardwareVertexProcessing = 0;
    // Only when no mode qualifies: the desktop's own mode, offered as an entry of its own.
    std::optional<DisplayMode> desktop;
    std::string desktopLabel;  // "1920x1080x32 desktop"
};

bool QualifiesForList(const ReportedMode& mode);

// The bit count of a label: 16 for D3DFMT_R5G6B5 and D3DFMT_X1R5G5B5, 32 for D3DFMT_X8R8G8B8
// and D3DFMT_A8R8G8B8, the real depth `bitsPerPixel` for any other format.
int LabelBits(D3DFORMAT format, int bitsPerPixel);
// "800x600x32".
std::string ModeLabel(const DisplayMode& mode, int bitsPerPixel);

ModeList EnumerateDisplayModes(DisplayModeSource& source);

// The formats a back buffer can have (the device refuses the rest).
bool UsableBackBufferFormat(D3DFORMAT format);

}  // namespace app
