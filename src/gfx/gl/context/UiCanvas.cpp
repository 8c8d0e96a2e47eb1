#include "gfx/gl/context/UiCanvas.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace gfx::gl {

unsigned CreateUiTexture(int width, int height, const uint8_t* rgba) {
    if (width <= 0 || height <= 0 || !rgba) return 0;
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
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return texture;
}

void DeleteUiTexture(unsigned texture) {
    const GLuint id = texture;
    if (id) glDeleteTextures(1, &id);
}

void ClearUiFramebuffer(int width, int height, float red, float green, float blue) {
    glViewport(0, 0, width, height);
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

UiCanvas::UiCanvas() {
    GLuint ids[1] = {0};
    glGenFramebuffers(1, ids);
    framebuffer_ = ids[0];
    glGenTextures(1, ids);
    colour_ = ids[0];
}

UiCanvas::~UiCanvas() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const GLuint colour = colour_, framebuffer = framebuffer_;
    glDeleteTextures(1, &colour);
    glDeleteFramebuffers(1, &framebuffer);
}

void UiCanvas::Resize(int width, int height) {
    width_ = width;
    height_ = height;
    glBindTexture(GL_TEXTURE_2D, colour_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_, 0);
}

void UiCanvas::Bind() { glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_); }

bool UiCanvas::Complete() {
    Bind();
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void UiCanvas::ReadRgba(std::vector<uint8_t>& rgba) {
    Bind();
    const size_t row = static_cast<size_t>(std::max(width_, 0)) * 4;
    const size_t rows = static_cast<size_t>(std::max(height_, 0));
    std::vector<uint8_t> bottomUp(row * rows);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba.resize(bottomUp.size());
    // GL's rows count from the bottom.
    for (size_t y = 0; y < rows; ++y)
        std::copy_n(&bottomUp[row * (rows - 1 - y)], row, &rgba[row * y]);
}

}  // namespace gfx::gl
