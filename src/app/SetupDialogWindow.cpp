// The setup dialog in a window of its own: SDL for the window and its events, ImGui's SDL
// back end for the mouse and keyboard, and SetupDialogRenderer for the drawing. The dialog is
// modal in the only sense that matters here: nothing else exists while it runs.
#include <SDL.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include "app/DisplaySource.h"
#include "app/SetupDialog.h"
#include "app/SetupDialogRenderer.h"
#include "gfx/gl/AdapterCaps.h"
#include "gfx/gl/context/GlContext.h"
#include "platform/Input.h"
#include "platform/Platform.h"

namespace app {

namespace {

// Frames drawn after the last event before the loop waits again: a click is a press in one
// frame and a release in the next.
constexpr int kFramesAfterInput = 3;
constexpr int kIdleWaitMs = 500;

class DialogWindow {
  public:
    ~DialogWindow() {
        if (window_) SDL_DestroyWindow(window_);
    }
    bool Create(int width, int height, std::string* error) {
        window_ = SDL_CreateWindow(SetupDialog::kCaption, SDL_WINDOWPOS_CENTERED_DISPLAY(0),
                                   SDL_WINDOWPOS_CENTERED_DISPLAY(0), width, height,
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_ && error) *error = SDL_GetError();
        return window_ != nullptr;
    }
    SDL_Window* get() const { return window_; }
    uint32_t id() const { return SDL_GetWindowID(window_); }

  private:
    SDL_Window* window_ = nullptr;
};

void HandleEvent(const SDL_Event& e, uint32_t windowId, SetupDialog& dialog,
                 SetupDialogView& view) {
    switch (e.type) {
        case SDL_QUIT:
            dialog.Close();
            break;
        case SDL_WINDOWEVENT:
            if (e.window.windowID == windowId && e.window.event == SDL_WINDOWEVENT_CLOSE)
                dialog.Close();
            break;
        case SDL_KEYDOWN:
            // Keys pushed by scripts carry no window; they are meant for the dialog too.
            if ((e.key.windowID != windowId && e.key.windowID != 0) || e.key.repeat) break;
            if (e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER)
                view.KeyPressed(dialog, DialogKey::Enter);
            else if (e.key.keysym.sym == SDLK_ESCAPE)
                view.KeyPressed(dialog, DialogKey::Escape);
            break;
        default:
            break;
    }
}

}  // namespace

int RunSetupDialog(DisplaySettings& settings, std::string* error) {
    if (!platform::InitVideo(error)) return -1;
    DialogWindow window;
    if (!window.Create(DialogPixelWidth(),
                       static_cast<int>(kDialogHeightUnits * kPixelsPerDialogUnit), error))
        return -1;
    // The dialog's own OpenGL 3.3 core context also answers what the device would report as
    // its capabilities: there is no device yet.
    std::string why;
    std::unique_ptr<gfx::gl::GlContext> context = gfx::gl::CreateSdlContext(window.get(), 1, &why);
    if (!context) {
        if (error) *error = "OpenGL 3.3 core is not available: " + why;
        return -1;
    }
    gfx::DeviceCaps caps;
    gfx::gl::QueryContextCaps(&caps, nullptr);
    SdlDisplaySource source(caps);
    ModeList modes = EnumerateDisplayModes(source);
    settings.hardwareVertexProcessing = modes.hardwareVertexProcessing;
    SetupDialog dialog(std::move(modes), settings);
    dialog.InitDialog();

    int result = 0;
    {
        SetupDialogRenderer renderer;
        ImGui_ImplSDL2_InitForOpenGL(window.get(), nullptr);
        if (!renderer.InitGl(error)) {
            ImGui_ImplSDL2_Shutdown();
            return -1;
        }
        const uint32_t windowId = window.id();
        int width = DialogPixelWidth(), height = DialogPixelHeight(dialog);
        SDL_SetWindowSize(window.get(), width, height);
        bool shown = false;
        int framesToDraw = kFramesAfterInput;
        while (!dialog.ended()) {
            SDL_Event e;
            bool any = framesToDraw > 0 ? SDL_PollEvent(&e) != 0
                                        : SDL_WaitEventTimeout(&e, kIdleWaitMs) != 0;
            while (any) {
                ImGui_ImplSDL2_ProcessEvent(&e);
                HandleEvent(e, windowId, dialog, renderer.view());
                framesToDraw = kFramesAfterInput;
                any = SDL_PollEvent(&e) != 0;
            }
            if (dialog.ended()) break;
            if (framesToDraw > 0) --framesToDraw;
            context->makeCurrent();
            ImGui_ImplSDL2_NewFrame();
            renderer.Render(dialog, width, height);
            context->swapBuffers();
            if (!shown) {
                SDL_ShowWindow(window.get());
                SDL_RaiseWindow(window.get());
                shown = true;
            }
            if (DialogPixelHeight(dialog) != height) {
                height = DialogPixelHeight(dialog);
                SDL_SetWindowSize(window.get(), width, height);
                framesToDraw = kFramesAfterInput;
            }
        }
        result = dialog.result();
        context->makeCurrent();
        ImGui_ImplSDL2_Shutdown();
    }
    context.reset();
    // Nothing of the dialog reaches the presentation's window: not the key that ended it,
    // nor the quit request of its closing.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    platform::ClearKeyState();
    return result;
}

}  // namespace app
