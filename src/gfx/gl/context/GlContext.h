// A current-able OpenGL 3.3 core context: headless (EGL) or on an SDL window.
//
// The device renders into its own framebuffer objects either way; the context only decides
// where Present puts the picture (a window's default framebuffer, or nowhere).
#pragma once

#include <memory>
#include <string>

struct SDL_Window;

namespace gfx::gl {

class GlContext {
  public:
    virtual ~GlContext() = default;

    // Makes the context current on this thread; false if the platform refused.
    virtual bool makeCurrent() = 0;
    // True when Present has a window to show the picture in.
    virtual bool hasWindow() const { return false; }
    // The window's drawable size in pixels; 0 x 0 when headless or minimised.
    virtual void drawableSize(int& width, int& height) const {
        width = 0;
        height = 0;
    }
    // Shows the window's default framebuffer (no-op headless).
    virtual void swapBuffers() {}
    // "EGL surfaceless (Mesa)", "SDL window (x11)": for logs and error messages.
    virtual std::string description() const = 0;
};

// Headless context through EGL. The platform is chosen in this order unless
// RUNEPLAY_EGL_PLATFORM ("device", "surfaceless" or "default") names one: a hardware EGL
// device (NVIDIA and other drivers with EGL_EXT_platform_device), Mesa's surfaceless
// platform, a software EGL device, then the default display. Null with a reason on failure.
std::unique_ptr<GlContext> CreateEglContext(std::string* error);

// Context on a window the application created with SDL_WINDOW_OPENGL. swapInterval: 0 off,
// 1 vertical sync, -1 adaptive sync (falls back to 1 where unsupported). The window must
// outlive the context.
std::unique_ptr<GlContext> CreateSdlContext(SDL_Window* window, int swapInterval,
                                            std::string* error);

}  // namespace gfx::gl
