// Moving the show to any soundtrack position: what the player's seeks, frame steps, loop and a
// part-way start ask of the presentation.
#pragma once

#include <cstdint>

namespace app {

class ShowControl {
  public:
    virtual ~ShowControl() = default;

    // Puts everything a run changes where a 60 fps run on the virtual clock has it just before
    // its frame at `position` (bytes of decoded PCM, rounded down to a whole sample frame and
    // held to the soundtrack's length), so the next frame drawn at `position` with the
    // platform clock at the returned reading shows exactly what a still at `position` shows.
    // The caller sets the soundtrack and the clock (real or virtual) to those values before
    // that frame. Render targets that persist between frames hold what a run leaves there.
    virtual uint32_t SeekTo(uint64_t position) = 0;
};

}  // namespace app
