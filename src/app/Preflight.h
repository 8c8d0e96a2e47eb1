// Checks made before anything loads, so a run that cannot give what was asked ends at once
// with a usage error instead of after the load (or never): every soundtrack position on the
// command line against the track's decoded length, a capture folder holding an earlier
// capture, a video file that exists, video options given for a folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "audio/Mp3Decoder.h"

namespace app {

struct SoundtrackFacts {
    audio::TrackFormat format;
    uint64_t lengthBytes = 0;
};

// The soundtrack's format and decoded length, read from the pack at `packPath`; nullopt when
// the pack or the track cannot be read (the run reports that itself as it loads).
std::optional<SoundtrackFacts> ProbeSoundtrack(const std::string& packPath);

// One line for a soundtrack that ends well before the show does (before its last segment
// starts); empty for one long enough.
std::string ShortSoundtrackWarning(const SoundtrackFacts& track);

// Runs the checks, writing the warning and any refusal to standard error. The exit status of
// a refused run, or nullopt to go on.
std::optional<int> Preflight(const Options& options);

}  // namespace app
