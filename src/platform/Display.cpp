#include "platform/Display.h"

#include <SDL.h>

#include <cstdlib>

namespace platform {

namespace {

constexpr int kDisplay = 0;

VideoMode FromSdl(const SDL_DisplayMode& m) {
    VideoMode mode;
    mode.width = m.w;
    mode.height = m.h;
    mode.refreshRate = m.refresh_rate;
    mode.sdlFormat = m.format;
    mode.layout = ClassifyPixelFormat(m.format);
    mode.bitsPerPixel = SDL_ISPIXELFORMAT_FOURCC(m.format) ? 0 : SDL_BITSPERPIXEL(m.format);
    return mode;
}

// The depth a mode is labelled and chosen by: SDL calls 8:8:8 in four bytes 24 bits.
int LabelDepth(const VideoMode& mode) {
    switch (mode.layout) {
        case PixelLayout::Rgb32:
            return 32;
        case PixelLayout::Rgb565:
        case PixelLayout::Rgb555:
            return 16;
        default:
            return mode.bitsPerPixel;
    }
}

}  // namespace

PixelLayout ClassifyPixelFormat(uint32_t f) {
    if (f == SDL_PIXELFORMAT_UNKNOWN || SDL_ISPIXELFORMAT_FOURCC(f)) return PixelLayout::Other;
    if (SDL_ISPIXELFORMAT_INDEXED(f)) {
        return SDL_BITSPERPIXEL(f) == 8 ? PixelLayout::Indexed8 : PixelLayout::Other;
    }
    if (SDL_BYTESPERPIXEL(f) == 4) return PixelLayout::Rgb32;
    if (SDL_BYTESPERPIXEL(f) == 3) return PixelLayout::Rgb24;
    if (SDL_PIXELTYPE(f) != SDL_PIXELTYPE_PACKED8 && SDL_PIXELTYPE(f) != SDL_PIXELTYPE_PACKED16)
        return PixelLayout::Other;
    switch (SDL_PIXELLAYOUT(f)) {
        case SDL_PACKEDLAYOUT_565:
            return PixelLayout::Rgb565;
        case SDL_PACKEDLAYOUT_1555:
        case SDL_PACKEDLAYOUT_5551:
            return PixelLayout::Rgb555;
        case SDL_PACKEDLAYOUT_4444:
            return PixelLayout::Rgb444;
        case SDL_PACKEDLAYOUT_332:
            return PixelLayout::Rgb332;
        default:
            return PixelLayout::Other;
    }
}

bool ListDisplayModes(std::vector<VideoMode>& modes, std::string* error) {
    modes.clear();
    const int n = SDL_GetNumDisplayModes(kDisplay);
    if (n < 0) {
        if (error) *error = SDL_GetError();
        return false;
    }
    for (int i = 0; i < n; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(kDisplay, i, &m) == 0) modes.push_back(FromSdl(m));
    }
    return true;
}

bool DesktopDisplayMode(VideoMode& mode, std::string* error) {
    SDL_DisplayMode m{};
    if (SDL_GetDesktopDisplayMode(kDisplay, &m) != 0) {
        if (error) *error = SDL_GetError();
        return false;
    }
    mode = FromSdl(m);
    return true;
}

bool DisplayBounds(int& x, int& y, int& width, int& height) {
    SDL_Rect r{};
    if (SDL_GetDisplayUsableBounds(kDisplay, &r) != 0 && SDL_GetDisplayBounds(kDisplay, &r) != 0)
        return false;
    x = r.x;
    y = r.y;
    width = r.w;
    height = r.h;
    return true;
}

bool FindDisplayMode(int width, int height, int bitsPerPixel, int refreshRate, VideoMode& found) {
    std::vector<VideoMode> modes;
    if (!ListDisplayModes(modes, nullptr)) return false;
    for (const VideoMode& m : modes) {
        if (m.width != width || m.height != height) continue;
        if (bitsPerPixel && LabelDepth(m) != bitsPerPixel) continue;
        // SDL rounds 59.94 to 59 or 60 depending on its version; both are "60".
        if (refreshRate && m.refreshRate && std::abs(m.refreshRate - refreshRate) > 1) continue;
        found = m;
        return true;
    }
    return false;
}

}  // namespace platform
