// A capture into a video file rendered by several processes (--jobs N): the frames are split
// into N consecutive ranges, each rendered by this program started again with --part (it
// plays unseen to its first frame, exactly as a whole capture reaches it), into a part file
// beside the target. Their H.264 streams, made with identical settings, are joined without
// re-encoding, and the sound of the whole span is encoded once. The frames are the ones a
// single process renders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/VideoCapture.h"

namespace app {

// N consecutive ranges covering [0, frames), sizes differing by one at most; fewer when there
// are fewer frames than processes.
std::vector<Options::Part> SplitFrames(uint64_t frames, int jobs);

// The arguments (after the program's name) of the process rendering `part` into `partPath`:
// the options given, without --capture, --jobs, --overwrite and the display choice, run
// headless.
std::vector<std::string> PartArguments(const Options& options, const std::string& partPath,
                                       const Options::Part& part);

// The frames done that a process's progress line reports ("capture: 12/300 frames, ...").
std::optional<uint64_t> FramesInProgressLine(std::string_view line);

// Runs the split capture: the exit status (0 done, 1 interrupted, kFatalExitStatus after a
// reported failure).
int RunSplitCapture(const Options& options, const CaptureTarget& target);

}  // namespace app
