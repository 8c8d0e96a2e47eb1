#include "app/Capture.h"

#include <stb/stb_image_write.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/FrameLoop.h"
#include "app/ShowControl.h"
#include "app/SplitCapture.h"
#include "app/VideoCapture.h"
#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "platform/Input.h"
#include "platform/OutputFile.h"
#include "platform/Platform.h"
#include "platform/StatusLine.h"

namespace app {

namespace {

double SecondsNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string MinutesSeconds(double seconds) {
    const long s = std::max(0L, static_cast<long>(seconds + 0.5));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Frames of the last stretch of a pre-roll that are drawn rather than discarded.
constexpr uint64_t kDrawnPreRollFrames = 2;

// Pumps events every so many discarded frames (a quit or Escape stops the run).
constexpr uint64_t kPumpInterval = 64;

void PlayFrame(Presentation& presentation, SteppedSoundtrackPlayer& player, uint32_t clockAtStart,
               uint64_t position, bool draw) {
    if (auto* gl = dynamic_cast<gfx::gl::Device*>(RenderDevice)) gl->setDiscardDraws(!draw);
    player.SetPosition(position);
    platform::VirtualClockSet(ClockAt(clockAtStart, position, player.Format()));
    presentation.Frame();
}

class Renderer {
  public:
    Renderer(Presentation& presentation, SteppedSoundtrackPlayer& player)
        : presentation_(presentation), player_(player), format_(player.Format()) {}

    const audio::TrackFormat& format() const { return format_; }
    uint64_t Whole(uint64_t bytes) const {
        const uint64_t bpf = std::max<uint64_t>(format_.bytesPerFrame(), 1);
        return bytes / bpf * bpf;
    }

    void Frame(uint64_t position, bool draw) {
        PlayFrame(presentation_, player_, kRenderClockStart, position, draw);
    }

    // Quit request or Escape, held or tapped since the last look.
    static bool Interrupted() {
        if (platform::PumpMessages()) return true;
        return platform::TakeKeyPress(platform::kVkEscape) ||
               platform::KeyState[platform::kVkEscape] != 0;
    }

    // The show as a 60 fps run from the start has it just before its frame at `target`:
    // through the presentation's seeking where it has one (the same run, from the nearest
    // snapshot), else by playing that run.
    bool PreRoll(uint64_t target) {
        if (ShowControl* control = presentation_.showControl()) {
            control->SeekTo(target);
            return true;
        }
        return app::PreRoll(presentation_, player_, kRenderClockStart, target, Interrupted);
    }

    bool ReadFrame(std::vector<uint32_t>& argb, uint32_t& width, uint32_t& height) {
        IDirect3DSurface8* back = nullptr;
        if (!RenderDevice || FAILED(RenderDevice->GetBackBuffer(0, &back)) || !back ||
            FAILED(RenderDevice->ReadPixels(back, argb)))
            return false;
        width = back->width();
        height = back->height();
        return argb.size() == static_cast<size_t>(width) * height;
    }

    bool SaveFrame(platform::OutputFile& file, std::string* error) {
        uint32_t width = 0, height = 0;
        if (!ReadFrame(pixels_, width, height)) {
            *error = "the back buffer cannot be read";
            file.Discard();
            return false;
        }
        return WritePng(file, width, height, pixels_, error);
    }

  private:
    Presentation& presentation_;
    SteppedSoundtrackPlayer& player_;
    audio::TrackFormat format_;
    std::vector<uint32_t> pixels_;
};

int Fail(const std::string& text) {
    platform::ShowError(text);
    return platform::kFatalExitStatus;
}

int Interrupted() {
    platform::WriteErrorLine("runeplay: interrupted");
    return 1;
}

std::string Size(uint64_t bytes) {
    if (bytes < 1000000) return std::to_string(bytes) + " bytes";
    char text[64];
    std::snprintf(text, sizeof text, "%.1f MB (%llu bytes)", static_cast<double>(bytes) / 1e6,
                  static_cast<unsigned long long>(bytes));
    return text;
}

bool IsStandardOutput(const std::string& path) {
    struct stat file {};
    struct stat out {};
    return stat(path.c_str(), &file) == 0 && fstat(STDOUT_FILENO, &out) == 0 &&
           file.st_dev == out.st_dev && file.st_ino == out.st_ino;
}

int RunStill(const Options& options, Renderer& r) {
    const std::string& path = *options.stillOut;
    std::string error;
    // Opened before the pre-roll, so a file that cannot be written is known at once.
    platform::OutputFile file;
    if (!MakeParentFolders(path, &error) || !file.Open(path))
        return Fail("The still \"" + path +
                    "\" cannot be written: " + (error.empty() ? file.error() : error));
    const uint64_t target = r.Whole(options.still->ToBytes(r.format()));
    if (!r.PreRoll(target)) return Interrupted();
    r.Frame(target, true);
    if (!r.SaveFrame(file, &error))
        return Fail("The still \"" + path + "\" cannot be written: " + error);
    // A still written to standard output (--out /dev/stdout) keeps it to the picture alone.
    std::fprintf(IsStandardOutput(path) ? stderr : stdout,
                 "runeplay: wrote %s (soundtrack position %llu)\n", path.c_str(),
                 static_cast<unsigned long long>(target));
    return 0;
}

// After the first frame: the whole capture, estimated from that frame's size, must fit the
// free space of the folder's file system (a long span at a high rate would fill the disk).
std::string CheckCaptureFits(const std::filesystem::path& dir, uint64_t firstFrameBytes,
                             uint64_t frames, uint64_t soundBytes) {
    const std::optional<uint64_t> free = platform::FreeSpace(dir.string());
    if (!free) return {};
    using Wide = unsigned __int128;
    const Wide estimate = Wide{firstFrameBytes} * frames + 44 + soundBytes;
    const uint64_t available = *free + firstFrameBytes;  // the first frame is already there
    if (estimate <= available) return {};
    const uint64_t shown = estimate > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(estimate);
    return "The capture into \"" + dir.string() + "\" needs about " + Size(shown) + " (" +
           std::to_string(frames) + " frames like the first, of " + Size(firstFrameBytes) +
           ", and the sound), but its file system has only " + Size(available) + " free";
}

int RunCapture(const Options& options, Renderer& r, uint64_t length) {
    const CapturePlan plan = PlanCapture(options, r.format(), length);
    const uint64_t from = plan.from(), to = plan.to;
    if (to <= from)
        return Fail("The capture span is empty: --to (" + std::to_string(to) +
                    " bytes) must lie after --from (" + std::to_string(from) + " bytes)");
    const std::filesystem::path dir(*options.captureDir);
    std::string error;
    if (!PrepareCaptureFolder(dir.string(), options.overwrite, &error)) return Fail(error);

    if (!r.PreRoll(from)) return Interrupted();
    const FrameGrid& grid = plan.grid;
    const uint64_t frames = plan.frames;
    ProgressLine progress("capture", frames);
    char name[32];
    for (uint64_t k = 0; k < frames; ++k) {
        r.Frame(grid.Position(k), true);
        std::snprintf(name, sizeof name, "frame_%06llu.png", static_cast<unsigned long long>(k));
        const std::string path = (dir / name).string();
        platform::OutputFile file;
        if (!file.Open(path))
            return Fail("The frame \"" + path + "\" cannot be written: " + file.error());
        if (!r.SaveFrame(file, &error))
            return Fail("The frame \"" + path + "\" cannot be written: " + error);
        if (k == 0) {
            const std::string tooBig =
                CheckCaptureFits(dir, file.bytesWritten(), frames, to - from);
            if (!tooBig.empty()) {
                std::filesystem::remove(path);
                return Fail(tooBig);
            }
        }
        if (r.Interrupted()) return Interrupted();
        progress.Update(k + 1);
    }
    progress.Finish();

    uint8_t* mp3 = assets::ReadPackEntry(kSoundtrackEntry);
    if (!mp3) return platform::kFatalExitStatus;  // reported by the pack
    audio::DecodedTrack track;
    const bool decoded = audio::DecodeWholeTrack(mp3, assets::GlobalPack().lastSize, track, &error);
    assets::FreePackEntry(mp3);
    const std::string wav = (dir / "soundtrack.wav").string();
    if (!decoded) return Fail("The soundtrack cannot be decoded for \"" + wav + "\": " + error);
    if (!WriteWav(wav, track.format, track.samples, from, to, &error))
        return Fail("\"" + wav + "\" cannot be written: " + error);
    std::printf(
        "runeplay: wrote %llu frames at %d fps and soundtrack.wav (%llu bytes of PCM) to %s\n"
        "runeplay: %s\n",
        static_cast<unsigned long long>(frames), grid.fps,
        static_cast<unsigned long long>(to - from), dir.string().c_str(),
        FfmpegCommand(dir.string(), grid.fps).c_str());
    return 0;
}

int RunVideo(const Options& options, Renderer& r, uint64_t length, const CaptureTarget& target) {
    const CapturePlan plan = PlanCapture(options, r.format(), length);
    const FrameSource source{[&r](uint64_t position, bool draw) { r.Frame(position, draw); },
                             &Renderer::Interrupted};
    return RunVideoCapture(options, plan, target, source,
                           [&r](uint64_t target) { return r.PreRoll(target); });
}

}  // namespace

bool MakeParentFolders(const std::string& path, std::string* error) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (parent.empty() || std::filesystem::is_directory(parent, ec)) return true;
    std::filesystem::create_directories(parent, ec);
    if (ec) *error = "its folder \"" + parent.string() + "\" cannot be made: " + ec.message();
    return !ec;
}

bool PreRoll(Presentation& presentation, SteppedSoundtrackPlayer& player, uint32_t clockAtStart,
             uint64_t target, const std::function<bool()>& interrupted) {
    const FrameGrid grid{player.Format(), kStillFramesPerSecond, 0};
    const uint64_t frames = grid.FramesBefore(target);
    ProgressLine progress("pre-roll", frames);
    for (uint64_t k = 0; k < frames; ++k) {
        PlayFrame(presentation, player, clockAtStart, grid.Position(k),
                  k + kDrawnPreRollFrames >= frames);
        if (k % kPumpInterval == 0) {
            if (interrupted()) return false;
            progress.Update(k + 1);
        }
    }
    progress.Finish();
    return true;
}

// The products below pass 64 bits for absurd positions; they are worked out in 128 bits and
// held at the largest 64-bit value, which every caller treats as "past the end".
uint64_t FrameGrid::Position(uint64_t k) const {
    if (fps <= 0 || format.rate <= 0) return start;
    using Wide = unsigned __int128;
    const Wide offset = Wide{k} * static_cast<uint64_t>(format.rate) / static_cast<uint64_t>(fps) *
                        format.bytesPerFrame();
    const Wide position = Wide{start} + offset;
    return position > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(position);
}

uint64_t FrameGrid::FramesBefore(uint64_t end) const {
    if (end <= start || fps <= 0 || format.rate <= 0 || format.bytesPerFrame() == 0) return 0;
    using Wide = unsigned __int128;
    const uint64_t bpf = format.bytesPerFrame();
    const Wide need = (Wide{end} - start + bpf - 1) / bpf;  // sample frames up to `end`
    const uint64_t rate = static_cast<uint64_t>(format.rate);
    const Wide frames = (need * static_cast<uint64_t>(fps) + rate - 1) / rate;
    return frames > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(frames);
}

CapturePlan PlanCapture(const Options& options, const audio::TrackFormat& format,
                        uint64_t trackLength) {
    const uint64_t bpf = std::max<uint64_t>(format.bytesPerFrame(), 1);
    auto whole = [bpf](uint64_t bytes) { return bytes / bpf * bpf; };
    CapturePlan plan;
    plan.grid.format = format;
    plan.grid.fps = options.captureFps.value_or(kStillFramesPerSecond);
    plan.grid.start = whole(options.captureFrom ? options.captureFrom->ToBytes(format) : 0);
    plan.to = whole(options.captureTo ? options.captureTo->ToBytes(format) : trackLength);
    plan.frames = plan.grid.FramesBefore(plan.to);
    return plan;
}

uint32_t ClockAt(uint32_t soundtrackStartClock, uint64_t position,
                 const audio::TrackFormat& format) {
    if (format.rate <= 0 || format.bytesPerFrame() == 0) return soundtrackStartClock;
    const uint64_t ms =
        position / format.bytesPerFrame() * 1000 / static_cast<uint64_t>(format.rate);
    return soundtrackStartClock + static_cast<uint32_t>(ms);  // wraps like the real clock
}

audio::StartResult SteppedSoundtrackPlayer::Start(const uint8_t* data, size_t size,
                                                  uint64_t startPosition, std::string* error) {
    audio::Mp3Decoder decoder;
    if (!decoder.Open(data, size, error)) return audio::StartResult::BadTrack;
    format_ = decoder.format();
    length_ = decoder.lengthBytes();
    started_ = true;
    SetPosition(startPosition);
    return audio::StartResult::Started;
}

std::optional<uint64_t> SteppedSoundtrackPlayer::Length() const {
    if (!started_) return std::nullopt;
    return length_;
}

void SteppedSoundtrackPlayer::SetPosition(uint64_t bytes) {
    const uint64_t bpf = std::max<uint64_t>(format_.bytesPerFrame(), 1);
    position_ = std::min(bytes / bpf * bpf, length_);
}

ProgressLine::ProgressLine(std::string label, uint64_t total)
    : label_(std::move(label)), total_(total), startSeconds_(SecondsNow()) {}

void ProgressLine::Update(uint64_t done) {
    const double now = SecondsNow();
    if (done < total_ && now - lastShown_ < 0.25) return;
    lastShown_ = now;
    const double spent = now - startSeconds_;
    const double rate = spent > 0 ? static_cast<double>(done) / spent : 0.0;
    const double left =
        rate > 0 ? static_cast<double>(total_ - std::min(done, total_)) / rate : 0.0;
    char text[160];
    std::snprintf(text, sizeof text, "%s: %llu/%llu frames, %.1f frames/s, %s left   ",
                  label_.c_str(), static_cast<unsigned long long>(done),
                  static_cast<unsigned long long>(total_), rate, MinutesSeconds(left).c_str());
    platform::WriteStatusLine(text);
}

void ProgressLine::Finish() {
    if (total_ == 0) return;
    lastShown_ = -1.0;
    Update(total_);
    platform::EndStatusLine();
}

namespace {

void WriteToOutputFile(void* context, void* data, int size) {
    if (size > 0)
        static_cast<platform::OutputFile*>(context)->Write(data, static_cast<size_t>(size));
}

}  // namespace

bool WritePng(platform::OutputFile& file, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& argb, std::string* error, int compressionLevel) {
    if (argb.size() != static_cast<size_t>(width) * height || width == 0 || height == 0) {
        *error = "no picture to write";
        file.Discard();
        return false;
    }
    std::vector<uint8_t> rgb(argb.size() * 3);
    for (size_t i = 0; i < argb.size(); ++i) {
        rgb[3 * i] = static_cast<uint8_t>(argb[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(argb[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(argb[i]);
    }
    stbi_write_png_compression_level = compressionLevel;
    if (!stbi_write_png_to_func(WriteToOutputFile, &file, static_cast<int>(width),
                                static_cast<int>(height), 3, rgb.data(),
                                static_cast<int>(width * 3))) {
        *error = file.ok() ? "the picture cannot be encoded" : file.error();
        file.Discard();
        return false;
    }
    if (!file.Commit()) {
        *error = file.error();
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& argb, std::string* error, int compressionLevel) {
    platform::OutputFile file;
    if (!file.Open(path)) {
        *error = file.error();
        return false;
    }
    return WritePng(file, width, height, argb, error, compressionLevel);
}

bool WriteWav(const std::string& path, const audio::TrackFormat& format,
              const std::vector<int16_t>& samples, uint64_t from, uint64_t to, std::string* error) {
    const uint64_t bytes = to > from ? to - from : 0;
    if (bytes > 0xFFFFFFFFull - 36) {
        *error = "the span is too long for a WAV file";
        return false;
    }
    std::vector<uint8_t> header;
    const uint32_t blockAlign = static_cast<uint32_t>(format.bytesPerFrame());
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    PutLe(header, static_cast<uint32_t>(36 + bytes), 4);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(header, 16, 4);
    PutLe(header, 1, 2);  // PCM
    PutLe(header, static_cast<uint32_t>(format.channels), 2);
    PutLe(header, static_cast<uint32_t>(format.rate), 4);
    PutLe(header, static_cast<uint32_t>(format.rate) * blockAlign, 4);
    PutLe(header, blockAlign, 2);
    PutLe(header, 16, 2);
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    PutLe(header, static_cast<uint32_t>(bytes), 4);

    platform::OutputFile out;
    if (!out.Open(path)) {
        *error = out.error();
        return false;
    }
    out.Write(header.data(), header.size());
    const uint64_t available = samples.size() * 2;
    const uint64_t copyEnd = std::min(to, available);
    if (copyEnd > from)
        out.Write(reinterpret_cast<const char*>(samples.data()) + from,
                  static_cast<size_t>(copyEnd - from));
    const std::vector<char> silence(64 * 1024, 0);
    for (uint64_t left = bytes - (copyEnd > from ? copyEnd - from : 0); left > 0 && out.ok();) {
        const uint64_t n = std::min<uint64_t>(left, silence.size());
        out.Write(silence.data(), static_cast<size_t>(n));
        left -= n;
    }
    if (!out.Commit()) {
        *error = out.error();
        return false;
    }
    return true;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string FfmpegCommand(const std::string& folder, int fps) {
    // ffmpeg reads '%' in an image sequence name as the start of a pattern.
    std::string pattern;
    for (char c : folder) pattern += c == '%' ? std::string("%%") : std::string(1, c);
    pattern += "/frame_%06d.png";
    return "ffmpeg -framerate " + std::to_string(fps) + " -i " + ShellQuote(pattern) + " -i " +
           ShellQuote(folder + "/soundtrack.wav") +
           " -c:v libx264 -pix_fmt yuv420p -c:a aac video.mp4";
}

namespace {

bool IsCaptureFile(const std::string& name) {
    const bool frame = name.size() > 10 && name.rfind("frame_", 0) == 0 &&
                       name.compare(name.size() - 4, 4, ".png") == 0;
    return frame || name == "soundtrack.wav";
}

}  // namespace

std::vector<std::string> EarlierCaptureFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsCaptureFile(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string EarlierCaptureRefusal(const std::string& folder,
                                  const std::vector<std::string>& names) {
    return "The capture folder \"" + folder + "\" holds " + std::to_string(names.size()) + " file" +
           (names.size() == 1 ? "" : "s") + " of an earlier capture (" + names.front() +
           (names.size() > 1 ? ", ..." : "") +
           "), which would mix with this one: give --overwrite to remove them first, or choose "
           "another folder";
}

bool PrepareCaptureFolder(const std::string& folder, bool overwrite, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        *error = "The capture folder \"" + folder + "\" cannot be made: " + ec.message();
        return false;
    }
    const std::vector<std::string> earlier = EarlierCaptureFiles(folder);
    if (earlier.empty()) return true;
    if (!overwrite) {
        *error = EarlierCaptureRefusal(folder, earlier);
        return false;
    }
    for (const std::string& name : earlier) {
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        if (!std::filesystem::remove(path, ec) && ec) {
            *error = "\"" + path.string() +
                     "\" of an earlier capture cannot be removed: " + ec.message();
            return false;
        }
    }
    return true;
}

int RunRender(Engine& engine, Presentation& presentation) {
    const Options& options = engine.options();
    std::string error;
    const CaptureTarget target =
        options.captureDir ? ClassifyCaptureTarget(options) : CaptureTarget{};
    if (target.kind == CaptureTarget::Kind::Unknown)
        return Fail(UnknownCaptureExtension(*options.captureDir, target.extension));
    // The processes of a split capture render; this one starts them and joins their parts.
    if (options.captureJobs.value_or(1) > 1) return RunSplitCapture(options, target);
    if (!platform::InitEvents(&error)) return Fail("Cannot start SDL's event queue: " + error);
    platform::UseVirtualClock(kRenderClockStart);
    struct RealClockAgain {
        ~RealClockAgain() { platform::UseRealClock(); }
    } realClockAgain;

    platform::Window* window = nullptr;
    if (options.windowRequested && !options.headless) {
        if (!engine.OpenWindow()) return platform::kFatalExitStatus;
        window = engine.window();
    }
    if (!presentation.CreateDevice(window, options, &error))
        return Fail("Cannot create the rendering device: " + error);
    SteppedSoundtrackPlayer* player = nullptr;
    engine.setPlayerStarter(
        [&player](const uint8_t* data, size_t size, uint64_t start, std::string* startError) {
            auto stepped = std::make_unique<SteppedSoundtrackPlayer>();
            std::unique_ptr<audio::SoundtrackPlayer> result;
            if (stepped->Start(data, size, start, startError) == audio::StartResult::Started) {
                player = stepped.get();
                result = std::move(stepped);
            }
            return result;
        });
    if (!engine.LoadAll() || !player) return platform::kFatalExitStatus;

    Renderer renderer(presentation, *player);
    const uint64_t length = player->Length().value_or(0);
    const int status = options.still ? RunStill(options, renderer)
                       : target.kind == CaptureTarget::Kind::Folder
                           ? RunCapture(options, renderer, length)
                           : RunVideo(options, renderer, length, target);
    player->Stop();
    return status;
}

}  // namespace app
