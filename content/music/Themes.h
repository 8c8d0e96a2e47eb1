// The tunes: the main theme (eight bars over Am F C G Am F C E) and its pieces.
#pragma once

#include <span>

#include "content/music/Composer.h"

namespace content::music {

// Eight bars, steps from the phrase start.
std::span<const MelodyNote> Theme();
// Its first bar and a half, used as a motif.
std::span<const MelodyNote> ThemeOpening();
// Number of theme notes that start before bar `bars`.
size_t ThemeBarNotes(int bars);

}  // namespace content::music
