#include "audio/ShiftedSoundtrack.h"

#include <algorithm>

namespace audio {

int64_t ShiftedSoundtrack::OffsetBytes() const {
    const TrackFormat format = player_.Format();
    const int64_t frames = static_cast<int64_t>(offsetMs_) * format.rate / 1000;
    return frames * static_cast<int64_t>(format.bytesPerFrame());
}

uint64_t ShiftedSoundtrack::Position() {
    const int64_t shifted = static_cast<int64_t>(player_.Position()) + OffsetBytes();
    uint64_t position = shifted > 0 ? static_cast<uint64_t>(shifted) : 0;
    if (const std::optional<uint64_t> length = player_.Length())
        position = std::min(position, *length);
    last_ = position;
    return position;
}

bool ShiftedSoundtrack::Seek(uint64_t position) {
    const int64_t underneath = static_cast<int64_t>(position) - OffsetBytes();
    return player_.Seek(underneath > 0 ? static_cast<uint64_t>(underneath) : 0);
}

}  // namespace audio
