#include "platform/Window.h"

#include <SDL.h>

#include "platform/Display.h"
#include "platform/Platform.h"

namespace platform {

namespace {

Window* g_mainWindow = nullptr;

constexpr int kWindowX = 80;
constexpr int kWindowY = 80;

// Full screen is asked of the window manager; with none (a bare X server, a kiosk) nothing
// moves or resizes the window, so a full-screen window is made where and as large as it must
// end up: at the display's corner, the desktop's size for FullscreenDesktop and the mode's
// (the given size) for Fullscreen.
SDL_Window* CreateSdlWindow(WindowMode mode, const WindowOptions& options, std::string* error) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    int x = kWindowX, y = kWindowY, width = options.width, height = options.height;
    SDL_Rect display{};
    const bool known = SDL_GetDisplayBounds(0, &display) == 0;
    switch (mode) {
        case WindowMode::Windowed:
            flags |= SDL_WINDOW_SHOWN;
            if (options.resizable) flags |= SDL_WINDOW_RESIZABLE;
            break;
        case WindowMode::Fullscreen:
            // Shown once the display mode is set, so the switch goes straight to it.
            flags |= SDL_WINDOW_HIDDEN;
            if (known) {
                x = display.x;
                y = display.y;
            }
            break;
        case WindowMode::FullscreenDesktop:
            flags |= SDL_WINDOW_SHOWN | SDL_WINDOW_FULLSCREEN_DESKTOP;
            if (known) {
                x = display.x;
                y = display.y;
                width = display.w;
                height = display.h;
            }
            break;
    }
    SDL_Window* sdl = SDL_CreateWindow("Engine", x, y, width, height, flags);
    if (!sdl && error) *error = SDL_GetError();
    return sdl;
}

}  // namespace

std::unique_ptr<Window> Window::Create(const WindowOptions& options, std::string* error) {
    if (options.width <= 0 || options.height <= 0) {
        if (error) *error = "invalid window size";
        return nullptr;
    }
    if (!InitVideo(error)) return nullptr;
    if (options.beforeCreate) options.beforeCreate();

    WindowMode mode = options.mode;
    VideoMode displayMode;
    if (mode == WindowMode::Fullscreen &&
        !FindDisplayMode(options.width, options.height, options.bitsPerPixel, options.refreshRate,
                         displayMode))
        mode = WindowMode::FullscreenDesktop;
    SDL_Window* sdl = CreateSdlWindow(mode, options, error);
    if (!sdl) return nullptr;
    if (mode == WindowMode::Fullscreen) {
        SDL_DisplayMode wanted{};
        wanted.format = displayMode.sdlFormat;
        wanted.w = displayMode.width;
        wanted.h = displayMode.height;
        wanted.refresh_rate = displayMode.refreshRate;
        bool switched = SDL_SetWindowDisplayMode(sdl, &wanted) == 0 &&
                        SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN) == 0;
        SDL_ShowWindow(sdl);
        // Some displays accept the request and stay as they were (no mode switching under
        // several Wayland compositors and nested servers): check what the screen runs now.
        SDL_DisplayMode now{};
        if (switched && SDL_GetCurrentDisplayMode(0, &now) == 0)
            switched = now.w == wanted.w && now.h == wanted.h;
        if (!switched) {
            // A new window, so it is made with the desktop's size where nothing resizes it.
            SDL_DestroyWindow(sdl);
            mode = WindowMode::FullscreenDesktop;
            sdl = CreateSdlWindow(mode, options, error);
            if (!sdl) return nullptr;
        }
    }
    std::unique_ptr<Window> window(new Window());
    window->window_ = sdl;
    window->id_ = SDL_GetWindowID(sdl);
    window->mode_ = mode;
    SDL_GetWindowSize(sdl, &window->width_, &window->height_);
    g_mainWindow = window.get();
    return window;
}

Window::~Window() {
    if (g_mainWindow == this) g_mainWindow = nullptr;
    if (window_) SDL_DestroyWindow(window_);
}

void Window::drawableSize(int& width, int& height) const {
    SDL_GL_GetDrawableSize(window_, &width, &height);
}

void Window::minimise() { SDL_MinimizeWindow(window_); }

bool Window::ToggleFullscreen(std::string* error) {
    const bool toWindow = mode_ != WindowMode::Windowed;
    if (SDL_SetWindowFullscreen(window_, toWindow ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        if (error) *error = SDL_GetError();
        return false;
    }
    mode_ = toWindow ? WindowMode::Windowed : WindowMode::FullscreenDesktop;
    // A window that was created hidden for a mode switch, or never shown, is shown now.
    SDL_ShowWindow(window_);
    SDL_GetWindowSize(window_, &width_, &height_);
    return true;
}

void Window::handleSizeChanged(int width, int height) {
    if (width <= 0 || height <= 0) return;  // some window managers report 0 while iconified
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    if (onResize_) onResize_(width, height);
}

Window* MainWindow() { return g_mainWindow; }

}  // namespace platform
