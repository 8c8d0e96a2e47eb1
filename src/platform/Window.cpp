#include "platform/Window.h"

#include <SDL.h>

#include "platform/Platform.h"

namespace platform {

namespace {

Window* g_mainWindow = nullptr;

constexpr int kWindowX = 80;
constexpr int kWindowY = 80;

}  // namespace

std::unique_ptr<Window> Window::Create(const WindowOptions& options, std::string* error) {
    if (options.width <= 0 || options.height <= 0) {
        if (error) *error = "invalid window size";
        return nullptr;
    }
    if (!InitVideo(error)) return nullptr;
    if (options.beforeCreate) options.beforeCreate();

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_ALLOW_HIGHDPI;
    switch (options.mode) {
        case WindowMode::Windowed:
            if (options.resizable) flags |= SDL_WINDOW_RESIZABLE;
            break;
        case WindowMode::Fullscreen:
            flags |= SDL_WINDOW_FULLSCREEN;
            break;
        case WindowMode::FullscreenDesktop:
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
            break;
    }
    SDL_Window* sdl =
        SDL_CreateWindow("Engine", kWindowX, kWindowY, options.width, options.height, flags);
    if (!sdl) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    std::unique_ptr<Window> window(new Window());
    window->window_ = sdl;
    window->id_ = SDL_GetWindowID(sdl);
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

void Window::handleSizeChanged(int width, int height) {
    if (width <= 0 || height <= 0) return;  // some window managers report 0 while iconified
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    if (onResize_) onResize_(width, height);
}

Window* MainWindow() { return g_mainWindow; }

}  // namespace platform
