#include "platform/Platform.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

bool g_cursorShown = true;

bool InitSubsystem(Uint32 flags, std::string* error) {
    if (SDL_WasInit(flags) == flags) return true;
    if (SDL_InitSubSystem(flags) == 0) return true;
    if (error) *error = SDL_GetError();
    return false;
}

}  // namespace

bool InitEvents(std::string* error) { return InitSubsystem(SDL_INIT_EVENTS, error); }

bool InitVideo(std::string* error) {
    if (!InitSubsystem(SDL_INIT_EVENTS, error)) return false;
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    if (!InitSubsystem(SDL_INIT_VIDEO, error)) return false;
    // Without a display SDL falls back to drivers that show nothing; a window there could
    // never get its Escape. Only take them when asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool invisible =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    if (invisible && !(requested && *requested)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (error) *error = "no display found (neither DISPLAY nor WAYLAND_DISPLAY is usable)";
        return false;
    }
    return true;
}

bool VideoAvailable() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

void Shutdown() { SDL_Quit(); }

void ShowCursor(bool show) {
    g_cursorShown = show;
    if (VideoAvailable()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool CursorShown() { return g_cursorShown; }

}  // namespace platform
