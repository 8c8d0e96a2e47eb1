#include "platform/Input.h"

#include <SDL.h>

#include <cstring>

#include "platform/Window.h"

namespace platform {

int32_t KeyState[256] = {};

namespace {

// Latched presses; see Input.h. The queue is a ring: `queueStart` is the oldest entry.
bool g_latched[256] = {};
KeyPress g_queue[kKeyPressQueueLength];
int g_queueStart = 0;
int g_queueCount = 0;
std::function<void(const SDL_Event&)> g_observer;

void QueuePress(const KeyPress& press) {
    if (g_queueCount == kKeyPressQueueLength) {
        g_queueStart = (g_queueStart + 1) % kKeyPressQueueLength;
        --g_queueCount;
    }
    g_queue[(g_queueStart + g_queueCount) % kKeyPressQueueLength] = press;
    ++g_queueCount;
}

struct KeyPair {
    SDL_Keycode sdl;
    int vk;
};

// Keys outside the letter and digit ranges. Left and right modifier keys report the generic
// VK_SHIFT/VK_CONTROL/VK_MENU, as WM_KEYDOWN does.
constexpr KeyPair kKeys[] = {
    {SDLK_BACKSPACE, 0x08},    {SDLK_TAB, 0x09},          {SDLK_RETURN, 0x0D},
    {SDLK_KP_ENTER, 0x0D},     {SDLK_LSHIFT, 0x10},       {SDLK_RSHIFT, 0x10},
    {SDLK_LCTRL, 0x11},        {SDLK_RCTRL, 0x11},        {SDLK_LALT, 0x12},
    {SDLK_RALT, 0x12},         {SDLK_PAUSE, 0x13},        {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, 0x1B},       {SDLK_SPACE, 0x20},        {SDLK_PAGEUP, 0x21},
    {SDLK_PAGEDOWN, 0x22},     {SDLK_END, 0x23},          {SDLK_HOME, 0x24},
    {SDLK_LEFT, 0x25},         {SDLK_UP, 0x26},           {SDLK_RIGHT, 0x27},
    {SDLK_DOWN, 0x28},         {SDLK_PRINTSCREEN, 0x2C},  {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},       {SDLK_LGUI, 0x5B},         {SDLK_RGUI, 0x5C},
    {SDLK_APPLICATION, 0x5D},  {SDLK_KP_0, 0x60},         {SDLK_KP_1, 0x61},
    {SDLK_KP_2, 0x62},         {SDLK_KP_3, 0x63},         {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65},         {SDLK_KP_6, 0x66},         {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},         {SDLK_KP_9, 0x69},         {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},      {SDLK_KP_MINUS, 0x6D},     {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},    {SDLK_F1, 0x70},           {SDLK_F2, 0x71},
    {SDLK_F3, 0x72},           {SDLK_F4, 0x73},           {SDLK_F5, 0x74},
    {SDLK_F6, 0x75},           {SDLK_F7, 0x76},           {SDLK_F8, 0x77},
    {SDLK_F9, 0x78},           {SDLK_F10, 0x79},          {SDLK_F11, 0x7A},
    {SDLK_F12, 0x7B},          {SDLK_F13, 0x7C},          {SDLK_F14, 0x7D},
    {SDLK_F15, 0x7E},          {SDLK_F16, 0x7F},          {SDLK_F17, 0x80},
    {SDLK_F18, 0x81},          {SDLK_F19, 0x82},          {SDLK_F20, 0x83},
    {SDLK_F21, 0x84},          {SDLK_F22, 0x85},          {SDLK_F23, 0x86},
    {SDLK_F24, 0x87},          {SDLK_NUMLOCKCLEAR, 0x90}, {SDLK_SCROLLLOCK, 0x91},
    {SDLK_SEMICOLON, 0xBA},    {SDLK_EQUALS, 0xBB},       {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD},        {SDLK_PERIOD, 0xBE},       {SDLK_SLASH, 0xBF},
    {SDLK_BACKQUOTE, 0xC0},    {SDLK_LEFTBRACKET, 0xDB},  {SDLK_BACKSLASH, 0xDC},
    {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

constexpr int kVkMenu = 0x12;
constexpr int kVkF10 = 0x79;

void HandleWindowEvent(const SDL_WindowEvent& event, bool& quit) {
    Window* window = MainWindow();
    if (!window || event.windowID != window->id()) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            quit = true;  // the window is going away: the quit message of the demo
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            window->handleSizeChanged(event.data1, event.data2);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            window->handleMinimised(true);
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            window->handleMinimised(false);
            break;
        default:
            break;
    }
}

}  // namespace

int VirtualKeyFromSdl(int32_t keycode, int scancode) {
    if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + (keycode - SDLK_0);
    for (const KeyPair& k : kKeys)
        if (k.sdl == keycode) return k.vk;
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    return 0;
}

int32_t SdlKeyFromVirtualKey(int virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return SDLK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9') return SDLK_0 + (virtualKey - '0');
    for (const KeyPair& k : kKeys)
        if (k.vk == virtualKey) return k.sdl;
    return 0;
}

bool DispatchEvent(const SDL_Event& event) {
    bool quit = false;
    switch (event.type) {
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_WINDOWEVENT:
            HandleWindowEvent(event.window, quit);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const SDL_Keysym& key = event.key.keysym;
            int vk = VirtualKeyFromSdl(key.sym, key.scancode);
            if (vk <= 0 || vk > 255) break;
            if (event.type == SDL_KEYUP) {
                KeyState[vk] = 0;
                break;
            }
            KeyPress press;
            press.virtualKey = vk;
            press.alt = (key.mod & KMOD_ALT) != 0;
            press.ctrl = (key.mod & KMOD_CTRL) != 0;
            press.shift = (key.mod & KMOD_SHIFT) != 0;
            press.repeat = event.key.repeat != 0;
            QueuePress(press);
            bool systemKey = vk == kVkMenu || vk == kVkF10 || press.alt;
            if (!systemKey) {
                KeyState[vk] = 1;
                g_latched[vk] = true;
            }
            break;
        }
        default:
            break;
    }
    return quit;
}

int PumpMessages() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (g_observer) g_observer(event);
        if (DispatchEvent(event)) return 1;
    }
    return 0;
}

bool WaitForMessage(int milliseconds) {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return false;
    // Not SDL_WaitEventTimeout(nullptr, ...): after one that timed out, SDL 2.26 drops the
    // event the next one finds. A millisecond's polling costs nothing here.
    const Uint32 start = SDL_GetTicks();
    for (;;) {
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return true;
        if (SDL_GetTicks() - start >= static_cast<Uint32>(milliseconds)) return false;
        SDL_Delay(1);
    }
}

void SetEventObserver(std::function<void(const SDL_Event&)> observer) {
    g_observer = std::move(observer);
}

bool TakeKeyPress(int virtualKey) {
    if (virtualKey <= 0 || virtualKey > 255) return false;
    const bool pressed = g_latched[virtualKey];
    g_latched[virtualKey] = false;
    return pressed;
}

bool NextKeyPress(KeyPress& press) {
    if (g_queueCount == 0) return false;
    press = g_queue[g_queueStart];
    g_queueStart = (g_queueStart + 1) % kKeyPressQueueLength;
    --g_queueCount;
    return true;
}

bool PushKey(int virtualKey, bool down) {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return false;
    SDL_Keycode sym = SdlKeyFromVirtualKey(virtualKey);
    if (sym == 0) return false;
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.timestamp = SDL_GetTicks();
    if (Window* window = MainWindow()) event.key.windowID = window->id();
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    return SDL_PushEvent(&event) == 1;
}

void ClearKeyState() {
    std::memset(KeyState, 0, sizeof KeyState);
    std::memset(g_latched, 0, sizeof g_latched);
    g_queueStart = g_queueCount = 0;
}

}  // namespace platform
