#include "platform/Display.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef RUNEPLAY_TEST_X11
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#endif

#include "platform/Platform.h"
#include "platform/Window.h"

namespace {

using platform::PixelLayout;

TEST(Display, PixelFormatsByLayout) {
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_RGB888), PixelLayout::Rgb32);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_ARGB8888), PixelLayout::Rgb32);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_BGRX8888), PixelLayout::Rgb32);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_ARGB2101010), PixelLayout::Rgb32);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_RGB24), PixelLayout::Rgb24);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_RGB565), PixelLayout::Rgb565);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_BGR565), PixelLayout::Rgb565);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_RGB555), PixelLayout::Rgb555);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_ARGB1555), PixelLayout::Rgb555);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_RGB444), PixelLayout::Rgb444);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_RGB332), PixelLayout::Rgb332);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_INDEX8), PixelLayout::Indexed8);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_INDEX4LSB), PixelLayout::Other);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_YV12), PixelLayout::Other);
    EXPECT_EQ(platform::ClassifyPixelFormat(SDL_PIXELFORMAT_UNKNOWN), PixelLayout::Other);
}

// The modes of SDL's offscreen driver: one display without a screen.
TEST(Display, ListsTheModesOfDisplayZero) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    if (!platform::InitVideo(&error)) {
        unsetenv("SDL_VIDEODRIVER");
        GTEST_SKIP() << "no SDL video: " << error;
    }
    std::vector<platform::VideoMode> modes;
    ASSERT_TRUE(platform::ListDisplayModes(modes, &error)) << error;
    ASSERT_FALSE(modes.empty());
    platform::VideoMode desktop;
    ASSERT_TRUE(platform::DesktopDisplayMode(desktop, &error)) << error;
    EXPECT_GT(desktop.width, 0);
    EXPECT_GT(desktop.bitsPerPixel, 0);
    platform::VideoMode found;
    EXPECT_TRUE(platform::FindDisplayMode(modes[0].width, modes[0].height, 0, 0, found));
    EXPECT_EQ(found.width, modes[0].width);
    EXPECT_FALSE(platform::FindDisplayMode(modes[0].width + 1, modes[0].height, 0, 0, found));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    unsetenv("SDL_VIDEODRIVER");
}

// Full screen on a virtual X server whose only mode is 640 x 480 (run by the test
// platform.fullscreen_under_xvfb, which sets RUNEPLAY_XVFB; never on a real display).
class FullscreenUnderXvfb : public testing::Test {
  protected:
    void SetUp() override {
        const char* xvfb = std::getenv("RUNEPLAY_XVFB");
        if (!xvfb || std::string(xvfb) != "1") GTEST_SKIP() << "only under xvfb-run";
        std::string error;
        ASSERT_TRUE(platform::InitVideo(&error)) << error;
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};

// Where the X server itself has the window, after it has handled every request (SDL's own
// figures say what was asked, which a bare server without a window manager need not do).
struct ServerGeometry {
    int x = -1, y = -1, width = 0, height = 0;
};
ServerGeometry OnTheServer(SDL_Window* window) {
    ServerGeometry g;
#ifdef RUNEPLAY_TEST_X11
    for (int i = 0; i < 10; ++i) SDL_PumpEvents();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return g;
    Display* display = info.info.x11.display;
    XSync(display, False);
    ::Window child = 0;
    XTranslateCoordinates(display, info.info.x11.window, DefaultRootWindow(display), 0, 0, &g.x,
                          &g.y, &child);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, info.info.x11.window, &attributes);
    g.width = attributes.width;
    g.height = attributes.height;
#else
    (void)window;
#endif
    return g;
}

TEST_F(FullscreenUnderXvfb, AModeTheDisplayHasIsSwitchedTo) {
    platform::WindowOptions options;
    options.width = 640;
    options.height = 480;
    options.mode = platform::WindowMode::Fullscreen;
    options.bitsPerPixel = 32;
    options.refreshRate = 60;
    std::string error;
    auto window = platform::Window::Create(options, &error);
    ASSERT_NE(window, nullptr) << error;
    EXPECT_EQ(window->mode(), platform::WindowMode::Fullscreen);
    EXPECT_TRUE(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(window->width(), 640);
    EXPECT_EQ(window->height(), 480);
}

// No window manager runs under xvfb-run: nothing but the program places a full-screen window,
// which must cover the display from its corner, whole.
TEST_F(FullscreenUnderXvfb, AFullScreenWindowCoversTheDisplayWithoutAWindowManager) {
#ifndef RUNEPLAY_TEST_X11
    GTEST_SKIP() << "built without the X11 headers to ask the server";
#endif
    struct Case {
        int width, height;
        const char* what;
    };
    for (const Case& c : {Case{640, 480, "the display's own mode"},
                          Case{800, 600, "a mode the display lacks (the desktop instead)"}}) {
        SCOPED_TRACE(c.what);
        platform::WindowOptions options;
        options.width = c.width;
        options.height = c.height;
        options.mode = platform::WindowMode::Fullscreen;
        std::string error;
        auto window = platform::Window::Create(options, &error);
        ASSERT_NE(window, nullptr) << error;
        const ServerGeometry g = OnTheServer(window->sdlWindow());
        EXPECT_EQ(g.x, 0);
        EXPECT_EQ(g.y, 0);
        EXPECT_EQ(g.width, 640);
        EXPECT_EQ(g.height, 480);
    }
}

TEST_F(FullscreenUnderXvfb, AModeTheDisplayLacksCoversTheDesktop) {
    platform::WindowOptions options;
    options.width = 800;
    options.height = 600;
    options.mode = platform::WindowMode::Fullscreen;
    std::string error;
    auto window = platform::Window::Create(options, &error);
    ASSERT_NE(window, nullptr) << error;
    EXPECT_EQ(window->mode(), platform::WindowMode::FullscreenDesktop);
    EXPECT_EQ((SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP),
              static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP));
}

}  // namespace
