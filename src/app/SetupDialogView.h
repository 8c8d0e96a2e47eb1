// The setup dialog drawn with Dear ImGui: the controls of the dialog template at their
// places, two pixels to a dialog unit (215 x 130 units make a 430 x 260 window), in the
// colours of a classic desktop dialog. It draws the state of a SetupDialog and hands the
// user's choices back to it; window, events and OpenGL belong to the front ends
// (SetupDialogRenderer, SetupDialogWindow).
//
// The picture (128 x 128) fills the height of its place in the template, as the bitmap grew
// its control there, centred across it. A notice of the dialog (no usable mode, OK refused)
// appears in a band below the template, which makes the window taller while it is shown.
#pragma once

#include <imgui.h>

#include <string>

#include "app/SetupDialog.h"

namespace app {

inline constexpr float kPixelsPerDialogUnit = 2.0f;
inline constexpr int kDialogWidthUnits = 215;
inline constexpr int kDialogHeightUnits = 130;
inline constexpr int kNoticeBandHeight = 48;  // pixels: two lines of text
// The size of the font in pixels: 8-point text at two pixels to a dialog unit.
inline constexpr float kDialogFontPixels = 15.0f;

// The window's size in pixels for the dialog as it stands (taller while a notice shows).
int DialogPixelWidth();
int DialogPixelHeight(const SetupDialog& dialog);

enum class DialogKey { Enter, Escape };

class SetupDialogView {
  public:
    // With the ImGui context current, before the renderer builds its font texture: the
    // dialog's style, no settings file, keyboard navigation, and the font (DejaVu Sans
    // where it is installed, else ImGui's own). Returns the font file used, or "" for
    // ImGui's own font.
    static std::string Configure();

    // One frame's widgets, between ImGui::NewFrame and ImGui::Render.
    void Draw(SetupDialog& dialog, ImTextureID picture);

    // Enter is OK and Escape is Cancel, unless a drop-down list is open: it takes them.
    void KeyPressed(SetupDialog& dialog, DialogKey key);

    bool listOpen() const { return listOpen_; }

  private:
    bool listOpen_ = false;
};

}  // namespace app
