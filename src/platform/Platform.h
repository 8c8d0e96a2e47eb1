// Start and end of the platform layer, and the mouse cursor.
//
// A windowed run brings up SDL video and events; a headless run only the event queue (so
// scripted key presses and SIGINT still arrive through PumpMessages) and never touches video.
#pragma once

#include <string>

namespace platform {

// Idempotent; false with a reason in `error` when SDL cannot start (no display for video).
bool InitEvents(std::string* error);
bool InitVideo(std::string* error);
bool VideoAvailable();  // SDL video is initialised

// Closes every SDL subsystem this layer started (restores a changed display mode).
void Shutdown();

// ShowCursor(TRUE/FALSE) of the engine. Safe without video: only the request is recorded.
void ShowCursor(bool show);
bool CursorShown();  // the last request; shown until first hidden

}  // namespace platform
