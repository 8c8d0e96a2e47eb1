#include "app/DisplaySource.h"

namespace app {

D3DFORMAT FormatOfLayout(platform::PixelLayout layout) {
    using platform::PixelLayout;
    switch (layout) {
        case PixelLayout::Rgb32:
            return D3DFMT_X8R8G8B8;
        case PixelLayout::Rgb24:
            return D3DFMT_R8G8B8;
        case PixelLayout::Rgb565:
            return D3DFMT_R5G6B5;
        case PixelLayout::Rgb555:
            return D3DFMT_X1R5G5B5;
        case PixelLayout::Rgb444:
            return D3DFMT_X4R4G4B4;
        case PixelLayout::Rgb332:
            return D3DFMT_R3G3B2;
        case PixelLayout::Indexed8:
            return D3DFMT_P8;
        case PixelLayout::Other:
            break;
    }
    return D3DFMT_UNKNOWN;
}

ReportedMode FromVideoMode(const platform::VideoMode& m) {
    ReportedMode r;
    r.width = m.width;
    r.height = m.height;
    r.refreshRate = m.refreshRate;
    r.format = FormatOfLayout(m.layout);
    r.bitsPerPixel = m.bitsPerPixel;
    return r;
}

SdlDisplaySource::SdlDisplaySource(const gfx::DeviceCaps& caps) : caps_(caps) {
    platform::ListDisplayModes(modes_, nullptr);
}

bool SdlDisplaySource::EnumAdapterModes(int index, ReportedMode* mode) {
    if (index < 0 || static_cast<size_t>(index) >= modes_.size() || !mode) return false;
    *mode = FromVideoMode(modes_[static_cast<size_t>(index)]);
    return true;
}

bool SdlDisplaySource::GetDesktopMode(ReportedMode* mode) {
    platform::VideoMode desktop;
    if (!mode || !platform::DesktopDisplayMode(desktop, nullptr)) return false;
    *mode = FromVideoMode(desktop);
    return true;
}

bool SdlDisplaySource::GetDeviceCaps(gfx::DeviceCaps* caps) {
    if (!caps) return false;
    *caps = caps_;
    return true;
}

}  // namespace app
