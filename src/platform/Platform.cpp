#include "platform/Platform.h"

#include <SDL.h>

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
    return InitSubsystem(SDL_INIT_EVENTS, error) && InitSubsystem(SDL_INIT_VIDEO, error);
}

bool VideoAvailable() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

void Shutdown() { SDL_Quit(); }

void ShowCursor(bool show) {
    g_cursorShown = show;
    if (VideoAvailable()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool CursorShown() { return g_cursorShown; }

}  // namespace platform
