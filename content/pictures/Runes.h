// Rune-like glyphs made of straight strokes (staves and branches), the presentation's recurring
// ornament: carved into surfaces, lit up in flashes, shown on screens.
#pragma once

#include <cstdint>
#include <vector>

namespace content::pictures {

struct Stroke {
    float x0, y0, x1, y1;  // in the glyph's unit box, y down
};

// A glyph drawn from `seed`: one or two vertical staves and one to three branches.
std::vector<Stroke> MakeRune(uint32_t seed);

// Unsigned distance from (x, y) to the glyph placed in the box (left, top, size, size).
float RuneDistance(const std::vector<Stroke>& rune, float x, float y, float left, float top,
                   float size);

}  // namespace content::pictures
