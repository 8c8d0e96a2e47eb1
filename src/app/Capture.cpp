#include "app/Capture.h"

#include <stb/stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/ShowControl.h"
#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "platform/Input.h"
#include "platform/Platform.h"

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

    // Quit request or Escape.
    static bool Interrupted() {
        if (platform::PumpMessages()) return true;
        return platform::KeyState[platform::kVkEscape] != 0;
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

    bool SaveFrame(const std::string& path, std::string* error) {
        uint32_t width = 0, height = 0;
        if (!ReadFrame(pixels_, width, height)) {
            *error = "the back buffer cannot be read";
            return false;
        }
        return WritePng(path, width, height, pixels_, error);
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
    std::fprintf(stderr, "\nruneplay: interrupted\n");
    return 1;
}

int RunStill(const Options& options, Renderer& r) {
    const uint64_t target = r.Whole(options.still->ToBytes(r.format()));
    if (!r.PreRoll(target)) return Interrupted();
    r.Frame(target, true);
    std::string error;
    if (!r.SaveFrame(*options.stillOut, &error))
        return Fail("The still \"" + *options.stillOut + "\" cannot be written: " + error);
    std::printf("runeplay: wrote %s (soundtrack position %llu)\n", options.stillOut->c_str(),
                static_cast<unsigned long long>(target));
    return 0;
}

int RunCapture(const Options& options, Renderer& r, uint64_t length) {
    const CapturePlan plan = PlanCapture(options, r.format(), length);
    const uint64_t from = plan.from(), to = plan.to;
    if (to <= from)
        return Fail("The capture span is empty: --to (" + std::to_string(to) +
                    " bytes) must lie after --from (" + std::to_string(from) + " bytes)");
    const std::filesystem::path dir(*options.captureDir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return Fail("The capture folder \"" + dir.string() + "\" cannot be made: " + ec.message());

    if (!r.PreRoll(from)) return Interrupted();
    const FrameGrid& grid = plan.grid;
    const uint64_t frames = plan.frames;
    ProgressLine progress("capture", frames);
    std::string error;
    char name[32];
    for (uint64_t k = 0; k < frames; ++k) {
        r.Frame(grid.Position(k), true);
        std::snprintf(name, sizeof name, "frame_%06llu.png", static_cast<unsigned long long>(k));
        if (!r.SaveFrame((dir / name).string(), &error))
            return Fail("The frame \"" + (dir / name).string() + "\" cannot be written: " + error);
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
        "runeplay: ffmpeg -framerate %d -i '%s/frame_%%06d.png' -i '%s' -c:v libx264 "
        "-pix_fmt yuv420p -c:a aac video.mp4\n",
        static_cast<unsigned long long>(frames), grid.fps,
        static_cast<unsigned long long>(to - from), dir.string().c_str(), grid.fps,
        dir.string().c_str(), wav.c_str());
    return 0;
}

}  // namespace

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

uint64_t FrameGrid::Position(uint64_t k) const {
    if (fps <= 0 || format.rate <= 0) return start;
    return start + k * static_cast<uint64_t>(format.rate) / static_cast<uint64_t>(fps) *
                       format.bytesPerFrame();
}

uint64_t FrameGrid::FramesBefore(uint64_t end) const {
    if (end <= start || fps <= 0 || format.rate <= 0 || format.bytesPerFrame() == 0) return 0;
    const uint64_t bpf = format.bytesPerFrame();
    const uint64_t need = (end - start + bpf - 1) / bpf;  // sample frames up to `end`
    const uint64_t rate = static_cast<uint64_t>(format.rate);
    return (need * static_cast<uint64_t>(fps) + rate - 1) / rate;
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
    std::fprintf(stderr, "\r%s: %llu/%llu frames, %.1f frames/s, %s left   ", label_.c_str(),
                 static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_),
                 rate, MinutesSeconds(left).c_str());
    std::fflush(stderr);
}

void ProgressLine::Finish() {
    if (total_ == 0) return;
    lastShown_ = -1.0;
    Update(total_);
    std::fputc('\n', stderr);
}

bool WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& argb, std::string* error, int compressionLevel) {
    if (argb.size() != static_cast<size_t>(width) * height || width == 0 || height == 0) {
        *error = "no picture to write";
        return false;
    }
    std::vector<uint8_t> rgb(argb.size() * 3);
    for (size_t i = 0; i < argb.size(); ++i) {
        rgb[3 * i] = static_cast<uint8_t>(argb[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(argb[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(argb[i]);
    }
    stbi_write_png_compression_level = compressionLevel;
    if (!stbi_write_png(path.c_str(), static_cast<int>(width), static_cast<int>(height), 3,
                        rgb.data(), static_cast<int>(width * 3))) {
        *error = "the file cannot be written";
        return false;
    }
    return true;
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

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        *error = "the file cannot be created";
        return false;
    }
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    const uint64_t available = samples.size() * 2;
    const uint64_t copyEnd = std::min(to, available);
    if (copyEnd > from)
        out.write(reinterpret_cast<const char*>(samples.data()) + from,
                  static_cast<std::streamsize>(copyEnd - from));
    std::vector<char> silence(64 * 1024, 0);
    for (uint64_t left = bytes - (copyEnd > from ? copyEnd - from : 0); left > 0;) {
        const uint64_t n = std::min<uint64_t>(left, silence.size());
        out.write(silence.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    out.flush();
    if (!out) {
        *error = "writing failed";
        return false;
    }
    return true;
}

int RunRender(Engine& engine, Presentation& presentation) {
    const Options& options = engine.options();
    std::string error;
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
    const int status = options.still ? RunStill(options, renderer)
                                     : RunCapture(options, renderer, player->Length().value_or(0));
    player->Stop();
    return status;
}

}  // namespace app
