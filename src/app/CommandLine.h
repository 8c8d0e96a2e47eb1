// The command line. With no arguments the program plays kelvra.dat from the current folder
// with sound until Escape. Each option is one row of the table in CommandLine.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/Mp3Decoder.h"
#include "audio/SoundtrackPlayer.h"
#include "platform/Window.h"

namespace app {

// A soundtrack position as given: a byte offset into the decoded PCM, or a time (mm:ss or
// mm:ss.fff) that becomes one once the track's format is known.
struct SoundtrackPosition {
    enum class Unit { Bytes, Milliseconds };
    Unit unit = Unit::Bytes;
    uint64_t value = 0;

    uint64_t ToBytes(const audio::TrackFormat& format) const {
        return unit == Unit::Bytes ? value : format.BytesFromMilliseconds(value);
    }
    bool operator==(const SoundtrackPosition&) const = default;
};

// "123456" (bytes), "1:05", "01:05.250", "0:00.5"; nullopt for anything else, and for a
// number that does not fit 64 bits.
std::optional<SoundtrackPosition> ParseSoundtrackPosition(std::string_view text);

struct Options {
    std::string packPath = "kelvra.dat";
    std::optional<SoundtrackPosition> start;
    audio::AudioBackend audio = audio::AudioBackend::Sdl;
    bool headless = false;
    // The setup dialog is skipped in headless runs and when the display choice is given here
    // (--no-dialog, --mode, --windowed, --fullscreen).
    bool noDialog = false;
    int width = 800;
    int height = 600;
    platform::WindowMode windowMode = platform::WindowMode::Windowed;
    // Full screen: depth and refresh rate of the display mode (0: the display's own choice);
    // set from the setup dialog.
    int bitsPerPixel = 0;
    int refreshRate = 0;
    // Scripted ends: Escape is pressed (through the event queue) after this many frames, or
    // after the first frame whose soundtrack position has reached this point.
    std::optional<uint64_t> quitAfterFrames;
    std::optional<SoundtrackPosition> escapeAt;
    // --escape-at end: once the soundtrack has played to its end.
    bool escapeAtEnd = false;
    // --windowed or --fullscreen given: capture and stills then show their frames in a window.
    bool windowRequested = false;
    // The player: milliseconds added to the heard position the timeline reads (on top of the
    // output latency the sound system reports), and starting over when the soundtrack ends.
    int avOffsetMs = 0;
    bool loop = false;

    // Frame-exact rendering on the virtual clock. Capture: every frame of [from, to) at `fps`
    // as PNG files in `captureDir`, with the soundtrack span as a WAV file. Still: the one
    // frame at `still` as `stillOut`.
    std::optional<std::string> captureDir;
    std::optional<SoundtrackPosition> captureFrom;
    std::optional<SoundtrackPosition> captureTo;  // none: the soundtrack's end
    bool captureToEnd = false;                    // --to end given
    std::optional<int> captureFps;
    // Frames and soundtrack.wav of an earlier capture in captureDir are removed first; without
    // it such a folder is refused, so two runs never mix.
    bool overwrite = false;
    std::optional<SoundtrackPosition> still;
    std::optional<std::string> stillOut;
    // Captures into a video file (.mp4, .mkv): x264's constant rate factor, and the number of
    // processes that share the rendering.
    std::optional<int> captureCrf;
    std::optional<int> captureJobs;
    // One part of a split capture, set by the process that splits it: frames
    // [first, first + count) of the capture's grid into captureDir as a part file.
    struct Part {
        uint64_t first = 0, count = 0;
    };
    std::optional<Part> capturePart;

    // Every option as given, in order (a flag with an empty value), so a split capture can
    // hand its processes the same settings.
    struct Given {
        std::string name, value;
        bool hasValue = false;
    };
    std::vector<Given> given;

    bool render() const { return captureDir.has_value() || still.has_value(); }
};

struct CommandLine {
    enum class Action { Run, Exit };
    Action action = Action::Run;
    int exitStatus = 0;
    std::string message;  // to standard output for --help, to standard error for a usage error
    Options options;
};

constexpr int kUsageExitStatus = 2;
// The most processes --jobs starts.
constexpr int kMaxCaptureJobs = 64;

// Every position of `options` against the soundtrack's decoded length (bytes): a position
// past the end, or a capture span that holds nothing, is a usage error. Returns its text
// (naming the length), empty when all positions lie within the track.
std::string CheckPositions(const Options& options, const audio::TrackFormat& format,
                           uint64_t lengthBytes);

// A soundtrack position for messages: "2:05.250 (22089600 bytes)".
std::string DescribePosition(uint64_t bytes, const audio::TrackFormat& format);

// `args` are the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
CommandLine ParseCommandLine(int argc, char** argv);

std::string Usage();

}  // namespace app
