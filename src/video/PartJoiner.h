// The video file of a capture split over several processes: each rendered its consecutive
// range of frames into a part (H.264 alone, frames counted from 0, identical encoder settings),
// and the joiner copies the parts' packets one after the other into the target without
// re-encoding, the times of each part moved by the frames before it, with the sound of the
// whole span encoded once beside them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "video/VideoFormat.h"

namespace video {

struct PartFile {
    std::string path;
    uint64_t frames = 0;  // the frames it must hold
};

class PartJoiner {
  public:
    // Opens the target and the sound encoder now, so that an unwritable file or a missing
    // encoder is reported before any part is rendered. Null with the reason.
    static std::unique_ptr<PartJoiner> Open(const std::string& path, const VideoSettings& settings,
                                            std::string* error);
    virtual ~PartJoiner() = default;

    // Writes the target from `parts` (in order) and `pcm`, the sound of the whole span, and
    // renames it into place. False with the reason: a part missing, damaged, holding another
    // number of frames or made with other settings than the first; a failed write.
    virtual bool Join(const std::vector<PartFile>& parts, std::vector<int16_t> pcm,
                      std::string* error) = 0;
};

}  // namespace video
