// Frame-exact rendering: stills and captures on the virtual clock.
//
// The show is played from the start of the soundtrack exactly as a run at a fixed frame rate
// would play it: before frame k the platform clock is set to the clock reading at the start
// of the soundtrack plus the frame's soundtrack time (whole milliseconds, rounded down) and
// the soundtrack player to the frame's position. Frames before the wanted ones run all their
// logic with draws discarded (the pre-roll, at 60 fps), so every timer, cut and counter holds
// what it would hold in a real run; the same command always gives the same pictures.
//
//   --still POS --out FILE.png [--size WxH]
//       the frame at POS as a 60 fps run shows it;
//   --capture DIR [--from POS] [--to POS] [--fps F] [--size WxH]
//       frame k at position from + k·(bytes per second)/F, rounded down to whole sample
//       frames, while below `to`, as DIR/frame_000000.png ...; the soundtrack span
//       [from, to) as DIR/soundtrack.wav, exactly to − from bytes of PCM (silence past the end
//       of the track).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Engine.h"
#include "audio/SoundtrackPlayer.h"

namespace platform {
class OutputFile;
}

namespace app {

// The virtual clock's reading when the soundtrack starts.
constexpr uint32_t kRenderClockStart = 1000000;
// The frame rate of the pre-roll and of stills.
constexpr int kStillFramesPerSecond = 60;

// Positions of a run at `fps` frames per second starting at `start` (bytes). Results too large
// for 64 bits are held at UINT64_MAX rather than wrapped.
struct FrameGrid {
    audio::TrackFormat format;
    int fps = kStillFramesPerSecond;
    uint64_t start = 0;

    // start + whole sample frames of k / fps seconds, in bytes.
    uint64_t Position(uint64_t k) const;
    // The number of frames whose position lies below `end`.
    uint64_t FramesBefore(uint64_t end) const;
};

// What a capture covers: the soundtrack span [from, to) in whole sample frames (`to` is the
// track's length when not given), and its frames at the options' rate (60 when not given).
struct CapturePlan {
    FrameGrid grid;  // grid.start is `from`
    uint64_t to = 0;
    uint64_t frames = 0;

    uint64_t from() const { return grid.start; }
    // Bytes of PCM in the WAV file.
    uint64_t spanBytes() const { return to > grid.start ? to - grid.start : 0; }
};
CapturePlan PlanCapture(const Options& options, const audio::TrackFormat& format,
                        uint64_t trackLength);

// The clock reading that goes with a soundtrack position.
uint32_t ClockAt(uint32_t soundtrackStartClock, uint64_t position,
                 const audio::TrackFormat& format);

// A silent soundtrack whose position is set by the caller before every frame.
class SteppedSoundtrackPlayer final : public audio::SoundtrackPlayer {
  public:
    audio::StartResult Start(const uint8_t* data, size_t size, uint64_t startPosition,
                             std::string* error) override;
    // The position set last, rounded down to a whole sample frame and held at the end.
    uint64_t Position() override { return position_; }
    void Stop() override {}
    std::optional<uint64_t> Length() const override;
    audio::TrackFormat Format() const override { return format_; }
    const char* BackendName() const override { return "none"; }

    void SetPosition(uint64_t bytes);

  private:
    audio::TrackFormat format_;
    uint64_t length_ = 0;
    uint64_t position_ = 0;
    bool started_ = false;
};

// One line on standard error, rewritten in place: frames done, frames per second, time left.
class ProgressLine {
  public:
    ProgressLine(std::string label, uint64_t total);
    void Update(uint64_t done);
    void Finish();

  private:
    std::string label_;
    uint64_t total_;
    double startSeconds_;
    double lastShown_ = -1.0;
};

// Writes 0xAARRGGBB pixels (rows from the top) as an RGB PNG into `file` (open) and commits
// it. False with the reason (the system's, for a failed write); the file is then discarded.
// The default compression is a quicker, slightly larger file: captures write thousands of
// them; 8 gives the smallest files.
bool WritePng(platform::OutputFile& file, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& argb, std::string* error, int compressionLevel = 4);
// The same into the file `path`, which appears only when written whole.
bool WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& argb, std::string* error, int compressionLevel = 4);

// Writes PCM bytes [from, to) of `samples` (16-bit, interleaved) as a WAV file, zeros where
// the span passes the end of the samples. False with the reason; no file is left then.
bool WriteWav(const std::string& path, const audio::TrackFormat& format,
              const std::vector<int16_t>& samples, uint64_t from, uint64_t to, std::string* error);

// `text` as one word of a POSIX shell command line, quoted.
std::string ShellQuote(const std::string& text);
// The ffmpeg command that joins a capture's frames and soundtrack.wav in `folder` into a video.
std::string FfmpegCommand(const std::string& folder, int fps);

// Names of files in `folder` that an earlier capture wrote there (frame_*.png, soundtrack.wav),
// sorted; empty when there are none or the folder does not exist.
std::vector<std::string> EarlierCaptureFiles(const std::string& folder);
// Why a folder holding `names` of an earlier capture is refused without --overwrite.
std::string EarlierCaptureRefusal(const std::string& folder, const std::vector<std::string>& names);
// Makes the capture folder; with `overwrite` the files of an earlier capture are removed,
// without it a folder holding any is refused. False with the reason.
bool PrepareCaptureFolder(const std::string& folder, bool overwrite, std::string* error);

// Plays every 60 fps frame of a run from the start of the soundtrack whose position lies below
// `target`: before each, `player` is set to the frame's position and the virtual clock to
// ClockAt(`clockAtStart`, position); draws are discarded but for the last two frames, so
// targets kept from frame to frame hold what a run leaves there. `interrupted` is asked every
// so many frames; false when it said yes. The clock must already be virtual.
bool PreRoll(Presentation& presentation, SteppedSoundtrackPlayer& player, uint32_t clockAtStart,
             uint64_t target, const std::function<bool()>& interrupted);

// Makes the folders `path` goes into, as a capture makes its own. False with the reason
// ("its folder "a/b" cannot be made: ...").
bool MakeParentFolders(const std::string& path, std::string* error);

// Runs a still or a capture as `engine`'s options ask. Returns the exit status: 0 done,
// 1 interrupted (Escape or the window closed), kFatalExitStatus after a reported fault.
int RunRender(Engine& engine, Presentation& presentation);

}  // namespace app
