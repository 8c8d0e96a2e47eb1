// The display's modes as SDL reports them on display 0 (the default adapter), in SDL's order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// How a mode's pixels are laid out, whatever the channel order.
enum class PixelLayout {
    Rgb32,  // four bytes a pixel: 8 bits a channel, or 10-bit channels
    Rgb24,  // three bytes a pixel
    Rgb565,
    Rgb555,  // 555 and 1555
    Rgb444,
    Rgb332,
    Indexed8,  // palettised
    Other,
};

struct VideoMode {
    int width = 0;
    int height = 0;
    int refreshRate = 0;  // Hz, 0 when the display does not say
    int bitsPerPixel = 0;
    PixelLayout layout = PixelLayout::Other;
    uint32_t sdlFormat = 0;
};

PixelLayout ClassifyPixelFormat(uint32_t sdlFormat);

// Needs SDL video (InitVideo). False with a reason when SDL cannot list the modes.
bool ListDisplayModes(std::vector<VideoMode>& modes, std::string* error);
// The mode the desktop runs in.
bool DesktopDisplayMode(VideoMode& mode, std::string* error);
// The display's usable area, for centring a window.
bool DisplayBounds(int& x, int& y, int& width, int& height);

// The first of the display's modes that is `width` x `height` with `bitsPerPixel` (any depth
// when 0) and a refresh rate within one hertz of `refreshRate` (SDL reports 59.94 as 59 or
// 60; any rate when 0; a mode that reports none matches any rate). False when the display
// offers no such mode.
bool FindDisplayMode(int width, int height, int bitsPerPixel, int refreshRate, VideoMode& found);

}  // namespace platform
