// Key state and the event pump: the engine's message loop on SDL.
//
// KeyState is indexed by Win32 virtual-key codes (Escape 27, Space 32, Enter 13, 'A'..'Z',
// '0'..'9', arrows 37..40, F1 112, ...). A key-down event sets its entry to 1, a key-up event
// to 0, in queue order, so a press and release drained by one pump leaves 0: KeyState says
// what is held (Space for the frame-rate counter).
//
// Presses are latched as well, so one shorter than a frame is never lost: a key-down sets the
// key's latch until TakeKeyPress takes it (Escape), and every key-down, system keys and
// auto-repeats included, joins a short queue with its modifiers (the player's keys).
#pragma once

#include <cstdint>
#include <functional>

union SDL_Event;

namespace platform {

extern int32_t KeyState[256];

// Virtual-key codes the engine reads by name.
constexpr int kVkReturn = 13;
constexpr int kVkEscape = 27;
constexpr int kVkSpace = 32;

// The virtual-key code of an SDL keycode (`scancode` is the fallback for letters and digits
// on layouts whose keycodes are not Latin), or 0 when the key has none.
int VirtualKeyFromSdl(int32_t keycode, int scancode);
// An SDL keycode that maps back to `virtualKey`, or 0.
int32_t SdlKeyFromVirtualKey(int virtualKey);

// The window procedure: applies one event to KeyState and the main window.
// Returns true when the event ends the program (quit request, main window closed).
//
// Keys that Windows delivers as system keys (Alt, F10, anything pressed while Alt is held)
// are not recorded on the way down, like WM_SYSKEYDOWN; releases are always recorded so no
// key can stay stuck.
bool DispatchEvent(const SDL_Event& event);

// Takes every waiting event without waiting for more. Returns 1 if a quit request was taken
// (the rest of the queue then stays for later), else 0. Without SDL events it returns 0.
int PumpMessages();

// Puts a key event into the queue as if the key had been pressed or released; the next
// PumpMessages handles it. False when the event queue is not running or the key is unknown.
bool PushKey(int virtualKey, bool down);

// Clears every entry, latch and queued press (tests, and a fresh start).
void ClearKeyState();

// True when `virtualKey` went down since the last call for it (or the last ClearKeyState),
// however briefly; the latch is cleared. System keys are latched as KeyState records them:
// not at all on the way down.
bool TakeKeyPress(int virtualKey);

struct KeyPress {
    int virtualKey = 0;
    bool alt = false;
    bool ctrl = false;
    bool shift = false;
    bool repeat = false;  // the key's auto-repeat while held
};

// The oldest press not yet taken, in the order they happened; false when there is none. The
// queue holds kKeyPressQueueLength presses; older ones make way for newer.
bool NextKeyPress(KeyPress& press);
constexpr int kKeyPressQueueLength = 64;

// Waits until an event is waiting or `milliseconds` have passed, without taking it. False
// on timeout and without SDL events.
bool WaitForMessage(int milliseconds);

// Sees every event PumpMessages takes, before the engine handles it (an overlay's mouse
// input); empty to stop.
void SetEventObserver(std::function<void(const SDL_Event&)> observer);

}  // namespace platform

using platform::KeyState;
using platform::PumpMessages;
