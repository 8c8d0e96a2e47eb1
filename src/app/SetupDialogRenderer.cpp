#include "app/SetupDialogRenderer.h"

#include <backends/imgui_impl_opengl3.h>
#include <epoxy/gl.h>
#include <imgui.h>

#include "app/SetupPicture.h"
#include "gfx/gl/context/GlContext.h"

namespace app {

namespace {

constexpr const char* kGlslVersion = "#version 330 core";

// The picture as an RGBA texture; 0 when it cannot be decoded (the dialog then shows an empty
// frame in its place).
GLuint CreatePictureTexture(std::string* error) {
    imaging::Picture picture;
    if (!DecodeSetupPicture(picture, error)) return 0;
    std::vector<uint8_t> rgba(picture.pixels.size());
    for (size_t i = 0; i + 3 < picture.pixels.size(); i += 4) {
        rgba[i + 0] = picture.pixels[i + 2];
        rgba[i + 1] = picture.pixels[i + 1];
        rgba[i + 2] = picture.pixels[i + 0];
        rgba[i + 3] = 255;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(picture.width),
                 static_cast<GLsizei>(picture.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return texture;
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
        if (pictureTexture_) glDeleteTextures(1, &pictureTexture_);
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
    glViewport(0, 0, fbWidth, fbHeight);
    glClearColor(212 / 255.0f, 208 / 255.0f, 200 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

bool RenderSetupDialogOffscreen(SetupDialog& dialog, int frames, std::vector<uint8_t>& rgba,
                                int& width, int& height, std::string* error,
                                const DialogFrameHook& beforeFrame) {
    std::unique_ptr<gfx::gl::GlContext> context = gfx::gl::CreateEglContext(error);
    if (!context || !context->makeCurrent()) return false;
    GLuint framebuffer = 0, colour = 0;
    bool ok = false;
    {
        SetupDialogRenderer renderer;
        if (renderer.InitGl(error)) {
            glGenFramebuffers(1, &framebuffer);
            glGenTextures(1, &colour);
            for (int i = 0; i < frames || i == 0; ++i) {
                if (beforeFrame) beforeFrame(i, renderer.view());
                // The size may change as the dialog does (a notice makes it taller).
                const int w = DialogPixelWidth(), h = DialogPixelHeight(dialog);
                if (i == 0 || w != width || h != height) {
                    width = w;
                    height = h;
                    glBindTexture(GL_TEXTURE_2D, colour);
                    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA,
                                 GL_UNSIGNED_BYTE, nullptr);
                    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
                    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                           colour, 0);
                }
                glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
                renderer.Render(dialog, width, height);
            }
            ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
            if (!ok && error) *error = "the offscreen framebuffer is incomplete";
            if (ok) {
                const size_t row = static_cast<size_t>(width) * 4;
                std::vector<uint8_t> bottomUp(row * static_cast<size_t>(height));
                glPixelStorei(GL_PACK_ALIGNMENT, 1);
                glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
                rgba.resize(bottomUp.size());
                for (int y = 0; y < height; ++y)
                    std::copy_n(&bottomUp[row * static_cast<size_t>(height - 1 - y)], row,
                                &rgba[row * static_cast<size_t>(y)]);
            }
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glDeleteTextures(1, &colour);
            glDeleteFramebuffers(1, &framebuffer);
        }
    }
    return ok;
}

}  // namespace app
