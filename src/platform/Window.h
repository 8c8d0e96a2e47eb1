// The demo window: titled "Engine", created for OpenGL; a window at (80, 80), a full-screen one
// covering display 0 from its corner with or without a window manager. The rendering device
// creates its GL context on sdlWindow().
#pragma once

#include <functional>
#include <memory>
#include <string>

struct SDL_Window;

namespace platform {

enum class WindowMode {
    Windowed,           // a resizable window of the given size
    Fullscreen,         // exclusive full screen, switching the display to the given size
    FullscreenDesktop,  // full screen at the desktop's own mode; the given size is ignored
};

struct WindowOptions {
    int width = 800;
    int height = 600;
    WindowMode mode = WindowMode::Windowed;
    // Full screen: the depth and refresh rate of the display mode to switch to (0: whatever
    // the display offers at that size). Where the display has no such mode, or cannot switch,
    // the window covers the desktop at its own mode instead (FullscreenDesktop) and the
    // picture is scaled into it.
    int bitsPerPixel = 0;
    int refreshRate = 0;
    bool resizable = true;  // windowed mode only
    // Runs after SDL video is up and before the window exists: the place for
    // SDL_GL_SetAttribute calls that decide the window's pixel format.
    std::function<void()> beforeCreate;
};

class Window {
  public:
    // Starts SDL video if needed. Null with a reason in `error` on failure (no display...).
    static std::unique_ptr<Window> Create(const WindowOptions& options, std::string* error);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    SDL_Window* sdlWindow() const { return window_; }
    uint32_t id() const { return id_; }
    // What the window became: Fullscreen falls back to FullscreenDesktop (see WindowOptions).
    WindowMode mode() const { return mode_; }

    // Size in screen coordinates, kept current by PumpMessages; the drawable size in pixels
    // may be larger on high-density displays.
    int width() const { return width_; }
    int height() const { return height_; }
    void drawableSize(int& width, int& height) const;
    bool minimised() const { return minimised_; }

    // Called from PumpMessages when the size changes to a new non-zero size.
    void setResizeCallback(std::function<void(int width, int height)> callback) {
        onResize_ = std::move(callback);
    }

    void minimise();

    // Between a window and full screen at the desktop's own mode (no display switch, so it is
    // quick and safe while the show runs); the device scales its picture into whatever the
    // window becomes. Leaving exclusive full screen gives the display its mode back. False
    // with SDL's reason.
    bool ToggleFullscreen(std::string* error);

    // The window event handling of PumpMessages.
    void handleSizeChanged(int width, int height);
    void handleMinimised(bool minimised) { minimised_ = minimised; }

  private:
    Window() = default;

    SDL_Window* window_ = nullptr;
    uint32_t id_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool minimised_ = false;
    WindowMode mode_ = WindowMode::Windowed;
    std::function<void(int, int)> onResize_;
};

// The window ShowError minimises and PumpMessages keeps up to date: the one created last
// and still alive, or null.
Window* MainWindow();

}  // namespace platform
