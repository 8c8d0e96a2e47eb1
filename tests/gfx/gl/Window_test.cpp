// Presenting into a real window. These tests need a display; the CTest
// gfx_gl.window_under_xvfb runs them inside xvfb-run, elsewhere they skip.
#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "gfx/gl/GlRenderDevice.h"

namespace {

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            GTEST_SKIP() << "no display (run through xvfb-run)";
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window_ =
            SDL_CreateWindow("Engine", 80, 80, 320, 240, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
        ASSERT_NE(window_, nullptr) << SDL_GetError();
        gfx::DeviceParams params;
        params.width = 160;  // square: the 4:3 window shows bars left and right
        params.height = 160;
        gfx::gl::DeviceOptions options;
        options.swapInterval = 0;
        std::string error;
        device_ = gfx::gl::CreateWindowDevice(window_, params, options, &error);
        ASSERT_NE(device_, nullptr) << error;
    }
    void TearDown() override {
        device_.reset();
        if (window_) SDL_DestroyWindow(window_);
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    void pump() {
        SDL_Event e;
        for (int i = 0; i < 20; ++i) {
            while (SDL_PollEvent(&e)) {
            }
            SDL_Delay(5);
        }
    }
    HRESULT frame(D3DCOLOR color) {
        device_->BeginScene();
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0);
        device_->EndScene();
        return device_->Present(nullptr, nullptr, nullptr, nullptr);
    }
    // A pixel of the window's picture, rows from the top. Where the front buffer cannot be
    // read (X servers without GL reading of windows), the default framebuffer's back buffer
    // is read instead: software swaps copy it and leave it in place.
    uint32_t windowPixel(int x, int y, GLenum buffer) {
        device_->makeCurrent();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        uint32_t argb = 0;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(buffer);
        glReadPixels(x, h - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &argb);
        glReadBuffer(GL_BACK);
        device_->makeCurrent();
        return argb | 0xFF000000u;
    }

    SDL_Window* window_ = nullptr;
    std::unique_ptr<gfx::gl::Device> device_;
};

TEST_F(Window, PresentsClearedFramesLetterboxed) {
    pump();  // let the window be mapped before its contents are read
    for (D3DCOLOR c : {0xFFFF0000u, 0xFF00FF00u, 0xFF2040C0u}) ASSERT_EQ(frame(c), D3D_OK);
    EXPECT_EQ(device_->stats().presents, 3u);
    const GLenum buffer = windowPixel(160, 120, GL_FRONT) == 0xFF2040C0u ? GL_FRONT : GL_BACK;
    EXPECT_EQ(windowPixel(160, 120, buffer), 0xFF2040C0u);  // scaled from 160 x 160 to 240 x 240
    EXPECT_EQ(windowPixel(60, 20, buffer), 0xFF2040C0u);
    EXPECT_EQ(windowPixel(10, 120, buffer), 0xFF000000u);  // bars of 40 pixels on either side
    EXPECT_EQ(windowPixel(310, 120, buffer), 0xFF000000u);

    // The top rows of the back buffer are the top rows of the window.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF2040C0, 1.0f, 0);
    const D3DRECT top{0, 0, 160, 16};
    device_->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(windowPixel(160, 5, buffer), 0xFFFF0000u);
    EXPECT_EQ(windowPixel(160, 230, buffer), 0xFF2040C0u);
}

TEST_F(Window, ResizedAndMinimisedWindowsNeitherCrashNorStall) {
    SDL_SetWindowSize(window_, 400, 100);
    pump();
    EXPECT_EQ(frame(0xFF00FF00), D3D_OK);
    SDL_MinimizeWindow(window_);
    pump();
    const uint32_t start = SDL_GetTicks();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(frame(0xFF0000FF), D3D_OK);
    EXPECT_LT(SDL_GetTicks() - start, 5000u);
    SDL_RestoreWindow(window_);
    pump();
    EXPECT_EQ(frame(0xFFFFFFFF), D3D_OK);
    // The picture is still the back buffer's, whatever happened to the window.
    gfx::Surface* back = nullptr;
    device_->GetBackBuffer(0, &back);
    std::vector<uint32_t> argb;
    ASSERT_EQ(device_->ReadPixels(back, argb), D3D_OK);
    EXPECT_EQ(argb[80 * 160 + 80], 0xFFFFFFFFu);
}

}  // namespace
