// The adapter of this machine for the setup dialog: display 0's modes as SDL lists them.
#pragma once

#include <vector>

#include "app/DisplayModes.h"
#include "platform/Display.h"

namespace app {

// D3DFMT_X8R8G8B8 for every four-byte layout, D3DFMT_R5G6B5 and D3DFMT_X1R5G5B5 for the
// 16-bit ones, the nearest format of the same depth for the rest (D3DFMT_UNKNOWN when none).
D3DFORMAT FormatOfLayout(platform::PixelLayout layout);
ReportedMode FromVideoMode(const platform::VideoMode& mode);

class SdlDisplaySource final : public DisplayModeSource {
  public:
    // Lists the modes now (SDL video must be up). `caps` are what the dialog's own OpenGL
    // context reported (gfx::gl::QueryContextCaps); a zero DevCaps when it had none.
    explicit SdlDisplaySource(const gfx::DeviceCaps& caps);

    int GetAdapterModeCount() override { return static_cast<int>(modes_.size()); }
    bool EnumAdapterModes(int index, ReportedMode* mode) override;
    bool GetDesktopMode(ReportedMode* mode) override;
    bool GetDeviceCaps(gfx::DeviceCaps* caps) override;

  private:
    std::vector<platform::VideoMode> modes_;
    gfx::DeviceCaps caps_;
};

}  // namespace app
