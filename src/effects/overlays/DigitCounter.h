// The digit counter: a number written on the screen with eleven small pictures, one per
// decimal digit and one shared by every other character, each shrunk to 16 x 16 pixels and
// added to the frame. The timeline shows the averaged frame rate with it while Space is held.
#pragma once

#include "effects/overlays/ScreenQuad.h"

namespace effects {

constexpr int kCounterTextSize = 25;

// The counter's text of `value`, into a zero-filled buffer: seven significant digits, fixed
// notation for 0.1 <= |value| < 10 000 000 (after rounding to seven digits) and exponent
// notation otherwise, trailing zeros after the point dropped but the point kept ("60.",
// "56.25", "1234568.", "5.e-02"). Zero is written "0."; infinities and not-a-number as the C
// library writes them ("inf", "-nan").
void FormatCounterText(float value, char (&text)[kCounterTextSize]);

// The picture of one character: 0..9 for a digit, 10 for anything else.
int CounterPictureIndex(char c);

class DigitCounter {
  public:
    virtual ~DigitCounter() = default;

    // Fills the template, creates the one-character vertex buffer and loads the pictures
    // "numbers\0.bmp" ... "numbers\9.bmp", then "numbers\c.bmp". False without a buffer.
    bool Create();
    // Writes `value` with its first character's top-left corner at (x, y).
    void Draw(float x, float y, float value);

    ScreenVertex quadTemplate[4] = {};
    IDirect3DTexture8* pictures[11] = {};
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
};

extern DigitCounter digitCounter;

}  // namespace effects
