#include "platform/Window.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/ErrorReport.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "support/ReportCapture.h"

namespace {

// Windows on SDL's offscreen video driver: real SDL windows without a display.
class WindowTest : public testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string error;
        if (!platform::InitVideo(&error)) GTEST_SKIP() << "no SDL video: " << error;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        unsetenv("SDL_VIDEODRIVER");
    }

    static void PushWindowEvent(const platform::Window& window, Uint8 type, int a = 0, int b = 0) {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = window.id();
        e.window.event = type;
        e.window.data1 = a;
        e.window.data2 = b;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
};

TEST_F(WindowTest, CreatedForOpenGlWithTheEngineTitleAndSize) {
    std::string error;
    bool hookRan = false;
    platform::WindowOptions options;
    options.width = 640;
    options.height = 480;
    options.beforeCreate = [&] { hookRan = true; };
    auto window = platform::Window::Create(options, &error);
    ASSERT_NE(window, nullptr) << error;
    EXPECT_TRUE(hookRan);
    EXPECT_EQ(platform::MainWindow(), window.get());
    EXPECT_STREQ(SDL_GetWindowTitle(window->sdlWindow()), "Engine");
    const Uint32 flags = SDL_GetWindowFlags(window->sdlWindow());
    EXPECT_TRUE(flags & SDL_WINDOW_OPENGL);
    EXPECT_TRUE(flags & SDL_WINDOW_RESIZABLE);
    EXPECT_EQ(window->width(), 640);
    EXPECT_EQ(window->height(), 480);
    window.reset();
    EXPECT_EQ(platform::MainWindow(), nullptr);
}

TEST_F(WindowTest, RejectsAnEmptySize) {
    std::string error;
    platform::WindowOptions options;
    options.width = 0;
    EXPECT_EQ(platform::Window::Create(options, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(WindowTest, ResizeMinimiseAndRestoreGoThroughThePump) {
    std::string error;
    auto window = platform::Window::Create({}, &error);
    ASSERT_NE(window, nullptr) << error;
    std::vector<std::pair<int, int>> resizes;
    window->setResizeCallback([&](int w, int h) { resizes.emplace_back(w, h); });

    PushWindowEvent(*window, SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(*window, SDL_WINDOWEVENT_SIZE_CHANGED, 0, 0);  // iconified: ignored
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_TRUE(window->minimised());
    EXPECT_EQ(window->width(), 800);

    PushWindowEvent(*window, SDL_WINDOWEVENT_RESTORED);
    PushWindowEvent(*window, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700);
    PushWindowEvent(*window, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700);  // no change: no call
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_FALSE(window->minimised());
    EXPECT_EQ(window->width(), 1024);
    EXPECT_EQ(window->height(), 700);
    EXPECT_THAT(resizes, testing::ElementsAre(std::make_pair(1024, 700)));
}

TEST_F(WindowTest, ClosingTheWindowIsTheQuitMessage) {
    std::string error;
    auto window = platform::Window::Create({}, &error);
    ASSERT_NE(window, nullptr) << error;
    PushWindowEvent(*window, SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(platform::PumpMessages(), 1);
}

TEST_F(WindowTest, ShowErrorShowsTheCursorOverTheWindow) {
    std::string error;
    auto window = platform::Window::Create({}, &error);
    ASSERT_NE(window, nullptr) << error;
    testsupport::ReportCapture capture;
    platform::ShowCursor(false);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    platform::ShowError("PosError");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_THAT(capture.reports, testing::ElementsAre("Error!!!: PosError"));
    // (The offscreen driver has no minimised state to check.)
}

}  // namespace
