// The presentation's one typeface, DejaVu Sans (Debian's fonts-dejavu-core), in three weights,
// rasterised with stb_truetype into coverage masks.
#pragma once

#include <string_view>

#include "content/pictures/Paint.h"

namespace content::pictures {

enum class Face { Light, Book, Bold };  // DejaVu Sans ExtraLight, Book, Bold

// Where the font files are read from: KELVRA_FONT_DIR if set (for systems that keep the
// DejaVu fonts elsewhere), else Debian's place for them.
inline constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu/";

struct Text {
    Plane mask;                             // coverage 0..1, `pad` pixels of margin all round
    float baseline = 0.0f;                  // row of the baseline inside the mask
    float capHeight = 0.0f;                 // height of a capital letter in pixels
    float inkLeft = 0.0f, inkRight = 0.0f;  // columns where the first and last glyph ink lies
};

// Lays out UTF-8 text at `size` pixels per em; `tracking` adds that many em between letters
// (kerning pairs of the font are applied as well). Throws if the font file cannot be read.
Text SetText(std::string_view text, Face face, float size, float tracking = 0.0f, int pad = 0);

// Top-left position that puts the text's ink centred on cx and its capitals centred on cy.
inline int TextLeft(const Text& t, float cx) {
    return static_cast<int>(std::floor(cx - 0.5f * (t.inkLeft + t.inkRight) + 0.5f));
}
inline int TextTop(const Text& t, float cy) {
    return static_cast<int>(std::floor(cy - (t.baseline - 0.5f * t.capHeight) + 0.5f));
}

// Adds lettering whose top-left mask corner is at (left, top): a core in `core` colour and,
// around it, a soft glow in `glow` colour (a blur of the letters with deviation glowSigma).
void AddGlowingText(Canvas& c, const Text& t, int left, int top, Rgb core, Rgb glow,
                    float glowSigma);

}  // namespace content::pictures
