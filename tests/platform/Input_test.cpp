#include "platform/Input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Platform.h"

namespace {

using platform::KeyState;

SDL_Event KeyEvent(bool down, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    e.key.keysym.mod = mod;
    return e;
}

class InputTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platform::InitEvents(&error)) << error;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        platform::ClearKeyState();
    }
    void TearDown() override { platform::ClearKeyState(); }
};

TEST(VirtualKeyTest, MapsSdlKeysToWin32Codes) {
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_ESCAPE, 0), 27);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_SPACE, 0), 32);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_RETURN, 0), 13);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_KP_ENTER, 0), 13);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_a, 0), 'A');
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_z, 0), 'Z');
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_0, 0), '0');
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_9, 0), '9');
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_LEFT, 0), 37);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_UP, 0), 38);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_RIGHT, 0), 39);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_DOWN, 0), 40);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_F1, 0), 112);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_F12, 0), 123);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_LSHIFT, 0), 16);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_RCTRL, 0), 17);
    EXPECT_EQ(platform::VirtualKeyFromSdl(SDLK_KP_5, 0), 0x65);
    // A non-Latin layout: the key's position gives the letter.
    EXPECT_EQ(platform::VirtualKeyFromSdl(0x43F, SDL_SCANCODE_G), 'G');
    EXPECT_EQ(platform::VirtualKeyFromSdl(0x43F, SDL_SCANCODE_UNKNOWN), 0);
}

TEST(VirtualKeyTest, RoundTripsEveryMappedCode) {
    for (int vk = 1; vk < 256; ++vk) {
        SDL_Keycode sym = platform::SdlKeyFromVirtualKey(vk);
        if (sym == 0) continue;
        EXPECT_EQ(platform::VirtualKeyFromSdl(sym, SDL_GetScancodeFromKey(sym)), vk) << vk;
    }
    EXPECT_NE(platform::SdlKeyFromVirtualKey(27), 0);
}

TEST_F(InputTest, KeyDownSetsOneAndKeyUpClears) {
    platform::DispatchEvent(KeyEvent(true, SDLK_SPACE));
    EXPECT_EQ(KeyState[32], 1);
    platform::DispatchEvent(KeyEvent(true, SDLK_SPACE));  // auto-repeat
    EXPECT_EQ(KeyState[32], 1);
    platform::DispatchEvent(KeyEvent(false, SDLK_SPACE));
    EXPECT_EQ(KeyState[32], 0);
}

TEST_F(InputTest, PressAndReleaseInOnePumpLeavesZeroButIsLatched) {
    ASSERT_TRUE(platform::PushKey(27, true));
    ASSERT_TRUE(platform::PushKey(27, false));
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_EQ(KeyState[27], 0);
    // The press is kept until taken, once.
    EXPECT_TRUE(platform::TakeKeyPress(27));
    EXPECT_FALSE(platform::TakeKeyPress(27));
    platform::KeyPress press;
    ASSERT_TRUE(platform::NextKeyPress(press));
    EXPECT_EQ(press.virtualKey, 27);
    EXPECT_FALSE(platform::NextKeyPress(press));
}

TEST_F(InputTest, HeldKeyIsLatchedOncePerPress) {
    platform::DispatchEvent(KeyEvent(true, SDLK_ESCAPE));
    EXPECT_TRUE(platform::TakeKeyPress(27));
    EXPECT_FALSE(platform::TakeKeyPress(27));  // still held, not pressed again
    EXPECT_EQ(KeyState[27], 1);
    platform::DispatchEvent(KeyEvent(false, SDLK_ESCAPE));
    platform::DispatchEvent(KeyEvent(true, SDLK_ESCAPE));
    EXPECT_TRUE(platform::TakeKeyPress(27));
    EXPECT_FALSE(platform::TakeKeyPress(0));
    EXPECT_FALSE(platform::TakeKeyPress(256));
}

TEST_F(InputTest, PressesQueueInOrderWithModifiersAndRepeats) {
    platform::DispatchEvent(KeyEvent(true, SDLK_RIGHT));
    SDL_Event repeat = KeyEvent(true, SDLK_RIGHT);
    repeat.key.repeat = 1;
    platform::DispatchEvent(repeat);
    platform::DispatchEvent(KeyEvent(false, SDLK_RIGHT));
    platform::DispatchEvent(KeyEvent(true, SDLK_RETURN, KMOD_LALT));
    platform::DispatchEvent(KeyEvent(true, SDLK_p, KMOD_LCTRL | KMOD_RSHIFT));
    platform::KeyPress p;
    ASSERT_TRUE(platform::NextKeyPress(p));
    EXPECT_EQ(p.virtualKey, 0x27);
    EXPECT_FALSE(p.repeat);
    ASSERT_TRUE(platform::NextKeyPress(p));
    EXPECT_EQ(p.virtualKey, 0x27);
    EXPECT_TRUE(p.repeat);
    // A system key goes into the queue (Alt+Enter), though not into KeyState or the latch.
    ASSERT_TRUE(platform::NextKeyPress(p));
    EXPECT_EQ(p.virtualKey, 13);
    EXPECT_TRUE(p.alt);
    EXPECT_EQ(KeyState[13], 0);
    EXPECT_FALSE(platform::TakeKeyPress(13));
    ASSERT_TRUE(platform::NextKeyPress(p));
    EXPECT_EQ(p.virtualKey, 'P');
    EXPECT_TRUE(p.ctrl);
    EXPECT_TRUE(p.shift);
    EXPECT_FALSE(p.alt);
    EXPECT_FALSE(platform::NextKeyPress(p));
}

TEST_F(InputTest, AFullQueueKeepsTheNewestPressesAndEscapeStaysLatched) {
    platform::DispatchEvent(KeyEvent(true, SDLK_ESCAPE));
    for (int i = 0; i < platform::kKeyPressQueueLength + 10; ++i)
        platform::DispatchEvent(KeyEvent(true, i % 2 ? SDLK_a : SDLK_b));
    platform::KeyPress p;
    int taken = 0;
    while (platform::NextKeyPress(p)) {
        EXPECT_NE(p.virtualKey, 27);
        ++taken;
    }
    EXPECT_EQ(taken, platform::kKeyPressQueueLength);
    EXPECT_EQ(p.virtualKey, 'A');  // the last one pressed
    EXPECT_TRUE(platform::TakeKeyPress(27));
}

TEST_F(InputTest, ClearingForgetsLatchesAndQueue) {
    platform::DispatchEvent(KeyEvent(true, SDLK_ESCAPE));
    platform::ClearKeyState();
    EXPECT_FALSE(platform::TakeKeyPress(27));
    platform::KeyPress p;
    EXPECT_FALSE(platform::NextKeyPress(p));
}

TEST_F(InputTest, TheObserverSeesEveryEventThePumpTakes) {
    std::vector<Uint32> seen;
    platform::SetEventObserver([&seen](const SDL_Event& e) { seen.push_back(e.type); });
    ASSERT_TRUE(platform::PushKey('A', true));
    ASSERT_TRUE(platform::PushKey('A', false));
    EXPECT_EQ(platform::PumpMessages(), 0);
    platform::SetEventObserver({});
    ASSERT_TRUE(platform::PushKey('B', true));
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_EQ(seen, (std::vector<Uint32>{SDL_KEYDOWN, SDL_KEYUP}));
}

TEST_F(InputTest, WaitingForAMessageLeavesItQueued) {
    EXPECT_FALSE(platform::WaitForMessage(1));
    ASSERT_TRUE(platform::PushKey('A', true));
    EXPECT_TRUE(platform::WaitForMessage(1000));
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_EQ(KeyState['A'], 1);
}

TEST_F(InputTest, HeldKeyStaysDownAcrossPumps) {
    ASSERT_TRUE(platform::PushKey(27, true));
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_EQ(KeyState[27], 1);
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_EQ(KeyState[27], 1);
}

TEST_F(InputTest, QuitEndsThePumpAndLeavesTheRestQueued) {
    ASSERT_TRUE(platform::PushKey('A', true));
    SDL_Event quit;
    std::memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    ASSERT_TRUE(platform::PushKey('B', true));
    EXPECT_EQ(platform::PumpMessages(), 1);
    EXPECT_EQ(KeyState['A'], 1);
    EXPECT_EQ(KeyState['B'], 0);
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_EQ(KeyState['B'], 1);
}

TEST_F(InputTest, EmptyQueueReturnsAtOnce) { EXPECT_EQ(platform::PumpMessages(), 0); }

TEST_F(InputTest, SystemKeysAreNotRecordedGoingDownButAlwaysReleased) {
    platform::DispatchEvent(KeyEvent(true, SDLK_LALT));
    EXPECT_EQ(KeyState[0x12], 0);
    platform::DispatchEvent(KeyEvent(true, SDLK_F10));
    EXPECT_EQ(KeyState[0x79], 0);
    platform::DispatchEvent(KeyEvent(true, SDLK_SPACE, KMOD_LALT));
    EXPECT_EQ(KeyState[32], 0);
    platform::DispatchEvent(KeyEvent(true, SDLK_SPACE));
    platform::DispatchEvent(KeyEvent(false, SDLK_SPACE, KMOD_LALT));
    EXPECT_EQ(KeyState[32], 0);
}

TEST(CursorTest, RecordsTheLastRequestWithoutVideo) {
    platform::ShowCursor(false);
    EXPECT_FALSE(platform::CursorShown());
    platform::ShowCursor(true);
    EXPECT_TRUE(platform::CursorShown());
}

}  // namespace
