// The dialog in its real window on a virtual X server (run by app.dialog_under_xvfb, which
// sets RUNEPLAY_XVFB; never on a real display). Keys are pushed into SDL's queue before the
// dialog runs, as a script would press them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/SetupDialog.h"
#include "platform/Input.h"
#include "platform/Platform.h"

namespace {

class SetupDialogWindow : public testing::Test {
  protected:
    void SetUp() override {
        const char* xvfb = std::getenv("RUNEPLAY_XVFB");
        if (!xvfb || std::string(xvfb) != "1") GTEST_SKIP() << "only under xvfb-run";
        // Video stays up for the whole suite: the dialog leaves it so for the presentation.
        std::string error;
        ASSERT_TRUE(platform::InitVideo(&error)) << error;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    static void PushKey(SDL_Keycode key, bool down) {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = key;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
};

TEST_F(SetupDialogWindow, EnterTakesThePreselectedMode) {
    PushKey(SDLK_RETURN, true);
    PushKey(SDLK_RETURN, false);
    app::DisplaySettings settings;
    std::string error;
    ASSERT_EQ(app::RunSetupDialog(settings, &error), 1) << error;
    // Xvfb's one mode, 640 x 480 in 24-bit colour (32 bits a pixel).
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.height, 480);
    EXPECT_EQ(settings.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(settings.backBufferCount, 2);
    EXPECT_EQ(settings.windowed, 0);
    EXPECT_EQ(settings.hardwareVertexProcessing, 1);  // llvmpipe offers OpenGL 3.3 core
    // Nothing of the dialog is left for the presentation's message pump.
    EXPECT_EQ(SDL_PollEvent(nullptr), 0);
    EXPECT_EQ(platform::KeyState[platform::kVkReturn], 0);
}

TEST_F(SetupDialogWindow, EscapeCancels) {
    PushKey(SDLK_ESCAPE, true);
    app::DisplaySettings settings;
    std::string error;
    EXPECT_EQ(app::RunSetupDialog(settings, &error), 0) << error;
    EXPECT_EQ(settings.width, 0);
}

TEST_F(SetupDialogWindow, AQuitRequestClosesIt) {
    SDL_Event quit;
    std::memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    app::DisplaySettings settings;
    std::string error;
    EXPECT_EQ(app::RunSetupDialog(settings, &error), 0) << error;
}

}  // namespace
