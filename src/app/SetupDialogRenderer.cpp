#include "app/SetupDialogRenderer.h"

#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

#include "app/SetupPicture.h"
#include "gfx/gl/context/GlContext.h"
#include "gfx/gl/context/UiCanvas.h"

namespace app {

namespace {

constexpr const char* kGlslVersion = "#version 330 core";

// The picture as an RGBA texture; 0 when it cannot be decoded (the dialog then shows an empty
// frame in its place).
unsigned CreatePictureTexture(std::string* error) {
    imaging::Picture picture;
    if (!DecodeSetupPicture(picture, error)) return 0;
    std::vector<uint8_t> rgba(picture.pixels.size());
    for (size_t i = 0; i + 3 < picture.pixels.size(); i += 4) {
        rgba[i + 0] = picture.pixels[i + 2];
        rgba[i + 1] = picture.pixels[i + 1];
        rgba[i + 2] = picture.pixels[i + 0];
        rgba[i + 3] = 255;
    }
    return gfx::gl::CreateUiTexture(static_cast<int>(picture.width),
                                    static_cast<int>(picture.height), rgba.data());
}

}  // namespace

SetupDialogRenderer::SetupDialogRenderer() {
    IMGUI_CHECKVERSION();
    imgui_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(imgui_);
    fontFile_ = SetupDialogView::Configure();
}

SetupDialogRenderer::~SetupDialogRenderer() {
    ImGui::SetCurrentContext(imgui_);
    if (glReady_) {
        gfx::gl::DeleteUiTexture(pictureTexture_);
        ImGui_ImplOpenGL3_Shutdown();
    }
    ImGui::DestroyContext(imgui_);
}

bool SetupDialogRenderer::InitGl(std::string* error) {
    ImGui::SetCurrentContext(imgui_);
    if (!ImGui_ImplOpenGL3_Init(kGlslVersion)) {
        if (error) *error = "ImGui's OpenGL renderer could not start";
        return false;
    }
    glReady_ = true;
    pictureTexture_ = CreatePictureTexture(error);
    return true;
}

void SetupDialogRenderer::Render(SetupDialog& dialog, int width, int height) {
    ImGui::SetCurrentContext(imgui_);
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    view_.Draw(dialog, reinterpret_cast<ImTextureID>(static_cast<uintptr_t>(pictureTexture_)));
    ImGui::Render();
    int fbWidth = static_cast<int>(io.DisplaySize.x * io.DisplayFramebufferScale.x);
    int fbHeight = static_cast<int>(io.DisplaySize.y * io.DisplayFramebufferScale.y);
    gfx::gl::ClearUiFramebuffer(fbWidth, fbHeight, 212 / 255.0f, 208 / 255.0f, 200 / 255.0f);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

bool RenderSetupDialogOffscreen(SetupDialog& dialog, int frames, std::vector<uint8_t>& rgba,
                                int& width, int& height, std::string* error,
                                const DialogFrameHook& beforeFrame) {
    std::unique_ptr<gfx::gl::GlContext> context = gfx::gl::CreateEglContext(error);
    if (!context || !context->makeCurrent()) return false;
    bool ok = false;
    {
        SetupDialogRenderer renderer;
        if (renderer.InitGl(error)) {
            gfx::gl::UiCanvas canvas;
            for (int i = 0; i < frames || i == 0; ++i) {
                if (beforeFrame) beforeFrame(i, renderer.view());
                // The size may change as the dialog does (a notice makes it taller).
                const int w = DialogPixelWidth(), h = DialogPixelHeight(dialog);
                if (i == 0 || w != width || h != height) {
                    width = w;
                    height = h;
                    canvas.Resize(width, height);
                }
                canvas.Bind();
                renderer.Render(dialog, width, height);
            }
            ok = canvas.Complete();
            if (!ok && error) *error = "the offscreen framebuffer is incomplete";
            if (ok) canvas.ReadRgba(rgba);
        }
    }
    return ok;
}

}  // namespace app
