#include "content/music/Themes.h"

namespace content::music {
namespace {

// C5 = 72. A long note on each downbeat answered by a stepwise turn; the last bar climbs to the
// leading tone so the phrase can start again.
constexpr MelodyNote kTheme[] = {
    // Am
    {0, 6, 76},
    {6, 2, 74},
    {8, 4, 72},
    {12, 2, 74},
    {14, 2, 76},
    // F
    {16, 6, 77},
    {22, 2, 76},
    {24, 4, 72},
    {28, 4, 69},
    // C
    {32, 6, 79},
    {38, 2, 77},
    {40, 4, 76},
    {44, 2, 72},
    {46, 2, 74},
    // G
    {48, 8, 74},
    {56, 4, 71},
    {60, 4, 67},
    // Am
    {64, 6, 76},
    {70, 2, 74},
    {72, 4, 72},
    {76, 2, 74},
    {78, 2, 76},
    // F
    {80, 6, 81},
    {86, 2, 79},
    {88, 2, 77},
    {90, 2, 76},
    {92, 4, 72},
    // C
    {96, 4, 79},
    {100, 2, 76},
    {102, 2, 79},
    {104, 6, 84},
    {110, 2, 83},
    // E
    {112, 8, 83},
    {120, 4, 80},
    {124, 4, 76},
};

}  // namespace

std::span<const MelodyNote> Theme() { return kTheme; }

std::span<const MelodyNote> ThemeOpening() { return std::span<const MelodyNote>(kTheme, 9); }

size_t ThemeBarNotes(int bars) {
    size_t n = 0;
    for (const MelodyNote& m : kTheme)
        if (m.step < bars * 16) ++n;
    return n;
}

}  // namespace content::music
