// Captures into one video file: the frames of the span rendered on the virtual clock, read
// back without a PNG step and handed to a video::VideoWriter (conversion and encoding on its
// thread), the soundtrack span [from, to) encoded beside them.
//
// A video holds N = round((to - from) x F) frames (the sound's length in frames, to the
// nearest), frame k at the capture grid's position k, and exactly the PCM of [from, to); both
// streams start at time 0.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/CommandLine.h"
#include "app/FrameLoop.h"
#include "video/VideoFormat.h"

namespace app {

// What --capture names.
struct CaptureTarget {
    enum class Kind { Folder, Video, Part, Unknown };
    Kind kind = Kind::Folder;
    video::Container container = video::Container::Mp4;
    std::string extension;  // of an unknown kind
};

// A part when --part is given; a video for .mp4 and .mkv; a folder for an existing folder,
// a name ending in '/' or one without an extension; anything else is unknown.
CaptureTarget ClassifyCaptureTarget(const Options& options);

// The refusal of a name whose extension means no known container.
std::string UnknownCaptureExtension(const std::string& path, const std::string& extension);

// N = round(span seconds x fps), counted in whole sample frames.
uint64_t VideoFrameCount(const CapturePlan& plan);

// The soundtrack of the pack at `packPath`, PCM bytes [from, to), zeros past the track's end.
bool ReadSoundtrackSpan(const std::string& packPath, uint64_t from, uint64_t to,
                        std::vector<int16_t>& pcm, audio::TrackFormat& format, std::string* error);

video::VideoSettings VideoSettingsFor(const Options& options, const CapturePlan& plan,
                                      video::Container container);

// The capture into a video file or, with --part, one part of a split capture (no sound, no
// summary). `preRoll` plays unseen up to a position from the start of the show; false when
// interrupted. The exit status: 0 done, 1 interrupted, kFatalExitStatus after a reported
// failure.
int RunVideoCapture(const Options& options, const CapturePlan& plan, const CaptureTarget& target,
                    const FrameSource& source, const std::function<bool(uint64_t)>& preRoll);

}  // namespace app
