// The player in a real window on a virtual X server (run by app.player_under_xvfb, which sets
// RUNEPLAY_XVFB; never on a real display): the overlay drawn into the window but never into
// the back buffer that screenshots and captures read, a click on its timeline bar, and full
// screen switching while the show goes on. Keys are pushed into SDL's queue as a keyboard
// would press them.
#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/Capture.h"
#include "app/DeviceSetup.h"
#include "app/Engine.h"
#include "app/Player.h"
#include "app/RuneplayPresentation.h"
#include "app/Screenshot.h"
#include "app/ShowControl.h"
#include "assets/PackWriter.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "imaging/Decoders.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "platform/Window.h"
#include "support/ReportCapture.h"
#include "support/ShowFixture.h"
#include "support/ShowPack.h"
#include "support/SineMp3.h"
#include "support/TempDir.h"
#include "timeline/FrameClock.h"

namespace {

constexpr D3DCOLOR kFrameColour = 0xFF204060;
constexpr int kWidth = 320;
constexpr int kHeight = 240;

class FakeShowControl final : public app::ShowControl {
  public:
    uint32_t SeekTo(uint64_t position) override {
        targets.push_back(position);
        return 777000;
    }
    std::vector<uint64_t> targets;
};

// Clears every frame to one colour on a GL device presenting into the window, and reads the
// window's own pixels right after the overlay has drawn over them.
class WindowPresentation : public app::Presentation {
  public:
    bool CreateDevice(platform::Window* window, const app::Options&, std::string* error) override {
        app::DisplaySettings s;
        s.width = kWidth;
        s.height = kHeight;
        s.format = D3DFMT_X8R8G8B8;
        s.backBufferCount = 1;
        s.windowed = 1;
        s.hardwareVertexProcessing = 1;
        device = app::CreateRenderDevice(s, window->sdlWindow(),
                                         [error](const std::string& text) { *error = text; });
        return device != nullptr;
    }
    void Frame() override {
        ++frames;
        position = audio::SoundtrackPosition();
        RenderDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kFrameColour, 1.0f, 0);
        RenderDevice->Present(nullptr, nullptr, nullptr, nullptr);
        platform::VirtualClockAdvance(16);
        frameClock().Tick();
    }
    app::ShowControl* showControl() override { return &control; }
    bool SetWindowOverlay(std::function<void(int, int)> draw) override {
        if (!draw) {
            device->setWindowOverlay({});
            return true;
        }
        device->setWindowOverlay([this, draw](int width, int height) {
            draw(width, height);
            windowWidth = width;
            windowHeight = height;
            window.assign(static_cast<size_t>(width) * height, 0);
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, window.data());
        });
        return true;
    }
    ~WindowPresentation() override {
        if (RenderDevice == device.get()) RenderDevice = nullptr;
    }

    // Pixels of the window (not the frame's colour) after the overlay drew last.
    size_t WindowPixelsOtherThanTheFrame() const {
        size_t other = 0;
        for (uint32_t p : window)
            if ((p | 0xFF000000u) != kFrameColour) ++other;
        return other;
    }

    std::unique_ptr<gfx::gl::Device> device;
    FakeShowControl control;
    int frames = 0;
    uint64_t position = 0;
    std::vector<uint32_t> window;
    int windowWidth = 0, windowHeight = 0;
};

class PlayerWindow : public testing::Test {
  protected:
    void SetUp() override {
        const char* xvfb = std::getenv("RUNEPLAY_XVFB");
        if (!xvfb || std::string(xvfb) != "1") GTEST_SKIP() << "only under xvfb-run";
        std::string error;
        ASSERT_TRUE(platform::InitVideo(&error)) << error;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        platform::ClearKeyState();
        platform::UseVirtualClock(1000);
        const std::vector<uint8_t> mp3 = testsupport::EncodeSineMp3({44100, 2, 441000, 440, 96});
        assets::PackWriter w;
        w.Add("morvek.mp3", mp3);
        options.packPath = dir.file("kelvra.dat");
        ASSERT_TRUE(w.WriteFile(options.packPath));
        options.audio = audio::AudioBackend::None;
        options.width = kWidth;
        options.height = kHeight;
        options.windowMode = platform::WindowMode::Windowed;
        options.quitAfterFrames = 300;
        cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override {
        if (!cwd.empty()) std::filesystem::current_path(cwd);
        platform::ClearKeyState();
        platform::UseRealClock();
        platform::ShowCursor(true);
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    int Run(const std::function<void(int pass, app::Player&, app::Engine&)>& script) {
        app::Engine engine(options, presentation);
        int pass = 0;
        engine.setAfterInput([&](app::Player& player) { script(++pass, player, engine); });
        const int status = engine.Run();
        // The device goes while the window its context draws into still exists.
        if (RenderDevice == presentation.device.get()) RenderDevice = nullptr;
        presentation.device.reset();
        return status;
    }

    static void Tap(int virtualKey) {
        ASSERT_TRUE(platform::PushKey(virtualKey, true));
        ASSERT_TRUE(platform::PushKey(virtualKey, false));
    }

    static void PushMouseButton(bool down, int x, int y) {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = x;
        e.button.y = y;
        if (platform::Window* w = platform::MainWindow()) e.button.windowID = w->id();
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }

    testsupport::TempDir dir;
    std::filesystem::path cwd;
    app::Options options;
    WindowPresentation presentation;
};

TEST_F(PlayerWindow, TheOverlayIsInTheWindowButNeverInTheBackBufferOrAScreenshot) {
    uint64_t screenshotAt = 0;
    size_t overlayPixels = 0;
    bool cursorWhileShown = false;
    std::vector<uint32_t> backBuffer;
    const int status = Run([&](int pass, app::Player& player, app::Engine&) {
        if (pass == 1) {
            ASSERT_NE(player.overlay(), nullptr);
            EXPECT_FALSE(player.overlay()->visible());  // hidden until Tab
            EXPECT_EQ(player.overlay()->framesDrawn(), 0u);
            Tap(app::keys::kTab);
        }
        if (pass == 5) screenshotAt = player.position();  // where F12 was taken
        if (pass == 4) {
            EXPECT_TRUE(player.overlay()->visible());
            EXPECT_GT(player.overlay()->framesDrawn(), 0u);
            cursorWhileShown = platform::CursorShown();
            overlayPixels = presentation.WindowPixelsOtherThanTheFrame();
            IDirect3DSurface8* back = nullptr;
            ASSERT_EQ(RenderDevice->GetBackBuffer(0, &back), D3D_OK);
            ASSERT_EQ(RenderDevice->ReadPixels(back, backBuffer), D3D_OK);
            Tap(app::keys::kF12);
        }
        if (pass == 6) Tap(platform::kVkEscape);
    });
    EXPECT_EQ(status, 0);
    EXPECT_GT(screenshotAt, 0u);
    EXPECT_TRUE(cursorWhileShown);
    // The overlay covers part of the window ...
    EXPECT_GT(overlayPixels, 1000u);
    // ... and none of the back buffer, which captures and stills read ...
    ASSERT_EQ(backBuffer.size(), static_cast<size_t>(kWidth) * kHeight);
    for (uint32_t p : backBuffer) ASSERT_EQ(p, kFrameColour);
    // ... nor of the screenshot.
    const std::string name = app::ScreenshotName(screenshotAt);
    std::ifstream in(dir.file(name), std::ios::binary);
    std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), {});
    imaging::Picture picture;
    std::string error;
    ASSERT_TRUE(imaging::DecodePng(png.data(), png.size(), picture, error)) << name << error;
    ASSERT_EQ(picture.width, static_cast<uint32_t>(kWidth));
    ASSERT_EQ(picture.height, static_cast<uint32_t>(kHeight));
    for (uint32_t y = 0; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x)
            ASSERT_EQ(picture.pixel(x, y), kFrameColour) << x << "," << y;
}

TEST_F(PlayerWindow, HiddenTheOverlayDrawsNothing) {
    Run([&](int pass, app::Player& player, app::Engine&) {
        if (pass == 3) {
            EXPECT_EQ(player.overlay()->framesDrawn(), 0u);
            EXPECT_FALSE(platform::CursorShown());
            Tap(platform::kVkEscape);
        }
    });
    EXPECT_EQ(presentation.window.size(), presentation.windowWidth * presentation.windowHeight);
    EXPECT_EQ(presentation.WindowPixelsOtherThanTheFrame(), 0u);
}

TEST_F(PlayerWindow, AClickOnTheTimelineBarSeeksThere) {
    app::PlayerOverlay::Area bar;
    Run([&](int pass, app::Player& player, app::Engine&) {
        if (pass == 1) Tap(app::keys::kTab);
        // The panel takes its height from its first frame: the bar stands still from the next.
        if (pass == 5) {
            bar = player.overlay()->barArea();
            ASSERT_GT(bar.width, 100.0f);
            const int x = static_cast<int>(bar.x + bar.width / 4), y = static_cast<int>(bar.y + 4);
            SDL_WarpMouseInWindow(platform::MainWindow()->sdlWindow(), x, y);
            PushMouseButton(true, x, y);
        }
        if (pass == 7) {
            const int x = static_cast<int>(bar.x + bar.width / 4), y = static_cast<int>(bar.y + 4);
            PushMouseButton(false, x, y);
        }
        if (pass == 10) Tap(platform::kVkEscape);
    });
    // A quarter of the way along the bar, to the bar's pixel resolution.
    ASSERT_FALSE(presentation.control.targets.empty());
    const double quarter = 441000.0 * 4 / 4;
    EXPECT_NEAR(static_cast<double>(presentation.control.targets[0]), quarter,
                441000.0 * 4 / bar.width + 4);
}

TEST_F(PlayerWindow, F11AndAltEnterSwitchFullScreenWhileTheShowGoesOn) {
    std::vector<int> frames;
    std::vector<Uint32> flags;
    Run([&](int pass, app::Player&, app::Engine& engine) {
        frames.push_back(presentation.frames);
        flags.push_back(SDL_GetWindowFlags(engine.window()->sdlWindow()));
        if (pass == 2) Tap(app::keys::kF11);
        if (pass == 6) {
            EXPECT_EQ(engine.window()->mode(), platform::WindowMode::FullscreenDesktop);
            ASSERT_TRUE(platform::PushKey(0x12, true));  // Alt ...
            SDL_Event enter;
            std::memset(&enter, 0, sizeof enter);
            enter.type = SDL_KEYDOWN;
            enter.key.keysym.sym = SDLK_RETURN;
            enter.key.keysym.scancode = SDL_SCANCODE_RETURN;
            enter.key.keysym.mod = KMOD_LALT;  // ... and Enter
            ASSERT_EQ(SDL_PushEvent(&enter), 1);
        }
        if (pass == 10) {
            EXPECT_EQ(engine.window()->mode(), platform::WindowMode::Windowed);
            Tap(platform::kVkEscape);
        }
    });
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_TRUE(flags[3] & SDL_WINDOW_FULLSCREEN_DESKTOP);
    EXPECT_FALSE(flags[9] & SDL_WINDOW_FULLSCREEN_DESKTOP);
    // A frame in every pass, before and after each switch.
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i], static_cast<int>(i) + 1);
}

// The presentation itself, in the window: ImGui's drawing between two frames must leave the
// device's GL state as the next frame needs it, so the frames with the overlay shown are the
// frames without it.
class ShowInWindow : public PlayerWindow {
  protected:
    static void SetUpTestSuite() {
        // Only where the tests run: the pack takes seconds to write.
        const char* xvfb = std::getenv("RUNEPLAY_XVFB");
        if (xvfb && std::string(xvfb) == "1")
            testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "window");
    }
    static void TearDownTestSuite() {
        testsupport::SuiteShowPack::Remove();
        PlayerWindow::TearDownTestSuite();
    }

    // The back buffer after the tenth frame from 2:30, the overlay shown or not, the clock
    // moving 16 ms a pass.
    std::vector<uint32_t> TenthFrame(bool overlay) {
        platform::UseVirtualClock(400000);
        app::Options o = options;
        o.packPath = testsupport::SuiteShowPack::Path();
        o.start = app::SoundtrackPosition{app::SoundtrackPosition::Unit::Milliseconds, 150000};
        auto show = std::make_unique<app::RuneplayPresentation>();
        std::vector<uint32_t> pixels;
        size_t overlayFrames = 0;
        {
            app::Engine engine(o, *show);
            int pass = 0;
            engine.setAfterInput([&](app::Player& player) {
                ++pass;
                if (pass == 1 && overlay) Tap(app::keys::kTab);
                if (pass == 9) Tap(platform::kVkEscape);
                if (player.overlay()) overlayFrames = player.overlay()->framesDrawn();
                platform::VirtualClockAdvance(16);
            });
            EXPECT_EQ(engine.Run(), 0);
            IDirect3DSurface8* back = nullptr;
            if (SUCCEEDED(RenderDevice->GetBackBuffer(0, &back)) && back)
                RenderDevice->ReadPixels(back, pixels);
            audio::SetSoundtrack(nullptr);
            show.reset();  // the device goes before the window
        }
        EXPECT_EQ(overlayFrames > 0, overlay);
        return pixels;
    }

    testsupport::ReportCapture reports;
};

TEST_F(ShowInWindow, TheOverlayLeavesTheFramesAsTheyAre) {
    const std::vector<uint32_t> plain = TenthFrame(false);
    const std::vector<uint32_t> overlaid = TenthFrame(true);
    ASSERT_EQ(plain.size(), static_cast<size_t>(kWidth) * kHeight);
    EXPECT_TRUE(plain == overlaid) << "the frames differ";
    EXPECT_TRUE(reports.fatals.empty());
}

}  // namespace
