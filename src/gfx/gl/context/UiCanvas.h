// What a user interface drawn with ImGui's own OpenGL renderer needs of GL besides that
// renderer, on the context current now: pictures as textures, clearing the framebuffer it
// draws into, and an offscreen framebuffer to draw into headless and read back.
#pragma once

#include <cstdint>
#include <vector>

namespace gfx::gl {

// A linear-filtered texture of width x height RGBA bytes, rows from the top as ImGui's
// renderer samples them; the previous 2D binding is kept. 0 when none can be made.
unsigned CreateUiTexture(int width, int height, const uint8_t* rgba);
void DeleteUiTexture(unsigned texture);

// Clears width x height pixels of the framebuffer bound now to the colour (0..1 each).
void ClearUiFramebuffer(int width, int height, float red, float green, float blue);

// An RGBA framebuffer of its own size, bound while drawing into it.
class UiCanvas {
  public:
    UiCanvas();
    ~UiCanvas();
    UiCanvas(const UiCanvas&) = delete;
    UiCanvas& operator=(const UiCanvas&) = delete;

    // Gives the canvas this size (its content is then undefined) and binds it.
    void Resize(int width, int height);
    void Bind();
    // Whether GL can draw into it.
    bool Complete();
    // Its pixels as RGBA bytes, rows from the top.
    void ReadRgba(std::vector<uint8_t>& rgba);

  private:
    unsigned framebuffer_ = 0;
    unsigned colour_ = 0;
    int width_ = 0, height_ = 0;
};

}  // namespace gfx::gl
