// The setup dialog on OpenGL: an ImGui context of its own, ImGui's OpenGL 3 renderer, and
// the dialog's picture as a texture. Shared by the dialog window (SetupDialogWindow.cpp) and
// the headless rendering that the screenshot test compares with its reference.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/SetupDialogView.h"

struct ImGuiContext;

namespace app {

class SetupDialogRenderer {
  public:
    // Creates the ImGui context (current from here on) with the dialog's style and font.
    SetupDialogRenderer();
    // Needs the OpenGL context of InitGl current when InitGl succeeded.
    ~SetupDialogRenderer();
    SetupDialogRenderer(const SetupDialogRenderer&) = delete;
    SetupDialogRenderer& operator=(const SetupDialogRenderer&) = delete;

    // With an OpenGL 3.3 core context current: ImGui's renderer and the picture texture.
    bool InitGl(std::string* error);

    // One frame of the dialog into the framebuffer bound now, `width` x `height` pixels. A
    // platform back end, if any, has begun its frame already.
    void Render(SetupDialog& dialog, int width, int height);

    SetupDialogView& view() { return view_; }
    const std::string& fontFile() const { return fontFile_; }

  private:
    ImGuiContext* imgui_ = nullptr;
    SetupDialogView view_;
    std::string fontFile_;
    unsigned pictureTexture_ = 0;
    bool glReady_ = false;
};

// The dialog as it stands, drawn headless (EGL, an offscreen framebuffer) over `frames`
// frames: RGBA bytes, rows from the top, of the last frame's size (DialogPixelWidth() x
// DialogPixelHeight(dialog) as the dialog stood when that frame began). `beforeFrame`, when given,
// runs before each frame with the dialog's ImGui context current and the renderer's view (tests
// feed input there). False with a reason when no headless OpenGL 3.3 context can be had.
using DialogFrameHook = std::function<void(int frame, SetupDialogView& view)>;
bool RenderSetupDialogOffscreen(SetupDialog& dialog, int frames, std::vector<uint8_t>& rgba,
                                int& width, int& height, std::string* error,
                                const DialogFrameHook& beforeFrame = {});

}  // namespace app
