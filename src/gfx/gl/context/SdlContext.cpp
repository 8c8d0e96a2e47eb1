// OpenGL on a window the application created with SDL_WINDOW_OPENGL.
#include <SDL.h>

#include "gfx/gl/GlLog.h"
#include "gfx/gl/context/GlContext.h"

namespace gfx::gl {

namespace {

class SdlContext final : public GlContext {
  public:
    SdlContext(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
    ~SdlContext() override {
        if (SDL_GL_GetCurrentContext() == context_) SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }

    bool makeCurrent() override { return SDL_GL_MakeCurrent(window_, context_) == 0; }
    bool hasWindow() const override { return true; }
    void drawableSize(int& width, int& height) const override {
        width = height = 0;
        if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) return;
        SDL_GL_GetDrawableSize(window_, &width, &height);
        if (width < 0 || height < 0) width = height = 0;
    }
    void swapBuffers() override { SDL_GL_SwapWindow(window_); }
    std::string description() const override {
        const char* driver = SDL_GetCurrentVideoDriver();
        return std::string("SDL window (") + (driver ? driver : "unknown video driver") + ")";
    }

  private:
    SDL_Window* window_;
    SDL_GLContext context_;
};

}  // namespace

std::unique_ptr<GlContext> CreateSdlContext(SDL_Window* window, int swapInterval,
                                            std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<GlContext> {
        if (error) *error = why;
        return nullptr;
    };
    if (!window) return fail("no window to render into");
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL))
        return fail("the window was not created for OpenGL (SDL_WINDOW_OPENGL)");
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return fail(std::string("no OpenGL 3.3 core context: ") + SDL_GetError());
    auto result = std::make_unique<SdlContext>(window, context);
    if (!result->makeCurrent())
        return fail(std::string("cannot use the context: ") + SDL_GetError());
    // Adaptive sync is what a third buffer bought: late frames go out at once instead of
    // waiting a whole refresh. Drivers without it get plain vertical sync.
    if (SDL_GL_SetSwapInterval(swapInterval) != 0 && swapInterval < 0) {
        ReportOnce("adaptive vertical sync is not available; every frame waits for it");
        SDL_GL_SetSwapInterval(1);
    }
    return result;
}

}  // namespace gfx::gl
