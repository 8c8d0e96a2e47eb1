// Capture throughput: frames per second of a stretch of the show captured headless into a PNG
// folder, an MP4 and an MKV file, against rendering (and reading back) alone, with the share
// of the time each step takes.
//
//   bench_capture_throughput [--pack PACK] [--from POS] [--seconds S] [--fps F]
//                            [--sizes 1280x720,1920x1080] [--modes render,png,mp4,mkv]
//                            [--repeat N]
//
// Each measurement runs in a fresh process (forked before any set-up), which loads the pack,
// plays unseen to POS (default 0:29, in the water scene of segment B) and captures S seconds
// (default 20) at F frames a second (default 60) through the capture's own frame loop: frames
// read back through the ring of pixel buffers and handed to the sink. "render" discards them
// there, "png" writes PNG files as a folder capture does, "mp4" and "mkv" go to the video
// writer. Build with -DCMAKE_BUILD_TYPE=Release. Printed per run: frames per second, the
// cores busy on average (CPU time of all threads over the wall-clock time), the output's size,
// and shares of the wall-clock time: on the rendering thread rendering (playing and drawing),
// reading back (waiting for copies), handing the frame to the sink (writing the PNG file, or
// waiting while the video writer's queue is full); on the video writer's thread converting to
// YUV, encoding (x264's own threads work beside it) and the sound. The threads overlap, so the
// shares add up to more than 100 %.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/CommandLine.h"
#include "app/FrameLoop.h"
#include "app/RuneplayPresentation.h"
#include "app/VideoCapture.h"
#include "assets/PackArchive.h"
#include "audio/SoundtrackPlayer.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "scene/ScenePreparation.h"
#include "timeline/FrameClock.h"
#include "video/VideoWriter.h"

namespace {

namespace fs = std::filesystem;

struct Settings {
    std::string pack;
    std::string from = "0:29";
    int seconds = 20;
    int fps = 60;
    std::vector<std::pair<int, int>> sizes = {{1280, 720}, {1920, 1080}};
    std::vector<std::string> modes = {"render", "png", "mp4", "mkv"};
    int repeat = 1;
};

std::string DefaultPack() {
    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "kelvra.dat";
    return (self.parent_path() / ".." / "play" / "kelvra.dat").lexically_normal().string();
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

// One measurement: what the child process writes back through a pipe.
struct Result {
    bool ok = false;
    uint64_t frames = 0;
    double seconds = 0;
    app::LoopTimes loop;
    video::WriterTimes writer;
    uint64_t bytes = 0;
    double cpuSeconds = 0;  // all threads: llvmpipe's, x264's, the writer's
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Result Measure(const Settings& s, int width, int height, const std::string& mode,
               const fs::path& scratch) {
    Result result;
    platform::SetFatalHandler([](const std::string& text) {
        std::fprintf(stderr, "bench_capture_throughput: %s\n", text.c_str());
        std::exit(1);
    });
    platform::UseVirtualClock(app::kRenderClockStart);
    app::Options options;
    options.headless = true;
    options.width = width;
    options.height = height;
    options.packPath = s.pack;
    options.captureFps = s.fps;
    app::RuneplayPresentation presentation;
    std::string error;
    if (!presentation.CreateDevice(nullptr, options, &error)) {
        std::fprintf(stderr, "no headless OpenGL device: %s\n", error.c_str());
        return result;
    }
    gfx::gl::Device& device = *presentation.device();
    if (!assets::GlobalPack().Open(s.pack)) return result;
    scene::FlarePicturePath = (fs::path(s.pack).parent_path() / "point.bmp").string();
    presentation.LoadAssets();
    uint8_t* mp3 = assets::ReadPackEntry(app::kSoundtrackEntry);
    if (!mp3) return result;
    app::SteppedSoundtrackPlayer player;
    if (player.Start(mp3, assets::GlobalPack().lastSize, 0, &error) != audio::StartResult::Started)
        return result;
    audio::SetSoundtrack(&player);
    presentation.AfterSoundtrackStart();
    presentation.frameClock().Start();

    const audio::TrackFormat format = player.Format();
    const auto from = app::ParseSoundtrackPosition(s.from);
    if (!from) return result;
    options.captureFrom = *from;
    options.captureTo =
        app::SoundtrackPosition{app::SoundtrackPosition::Unit::Bytes,
                                from->ToBytes(format) + static_cast<uint64_t>(s.seconds) *
                                                            format.rate * format.bytesPerFrame()};
    const app::CapturePlan plan = app::PlanCapture(options, format, *player.Length());
    const uint64_t frames = app::VideoFrameCount(plan);
    auto frameAt = [&](uint64_t position, bool draw) {
        device.setDiscardDraws(!draw);
        player.SetPosition(position);
        platform::VirtualClockSet(app::ClockAt(app::kRenderClockStart, position, format));
        presentation.Frame();
    };
    app::PreRoll(presentation, player, app::kRenderClockStart, plan.from(), [] { return false; });

    std::unique_ptr<video::VideoWriter> writer;
    const fs::path target = scratch / ("capture." + mode);
    if (mode == "mp4" || mode == "mkv") {
        std::vector<int16_t> pcm;
        audio::TrackFormat f;
        if (!app::ReadSoundtrackSpan(s.pack, plan.from(), plan.to, pcm, f, &error)) return result;
        writer = video::VideoWriter::Open(
            target.string(),
            app::VideoSettingsFor(options, plan,
                                  mode == "mp4" ? video::Container::Mp4 : video::Container::Mkv),
            std::move(pcm), &error);
        if (!writer) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return result;
        }
    } else if (mode == "png") {
        fs::create_directories(target);
    }
    std::vector<uint32_t> argb;
    const size_t frameBytes = static_cast<size_t>(width) * height * 4;
    auto take = [&](uint64_t k, const uint8_t* bgra, uint32_t w, uint32_t h) {
        if (mode == "png") {
            argb.resize(frameBytes / 4);
            std::memcpy(argb.data(), bgra, frameBytes);
            char name[32];
            std::snprintf(name, sizeof name, "frame_%06llu.png",
                          static_cast<unsigned long long>(k));
            return app::WritePng((target / name).string(), w, h, argb, &error);
        }
        if (!writer) return true;  // rendering and reading back alone
        uint8_t* buffer = writer->NextFrame();
        if (!buffer) return false;
        std::memcpy(buffer, bgra, frameBytes);
        writer->QueueFrame();
        return true;
    };
    const app::FrameSource source{frameAt, [] { return false; }};
    app::ProgressLine progress("capture", frames);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const app::LoopEnd end =
        app::RenderFrames(plan.grid, 0, frames, source, take, progress, &result.loop);
    if (end != app::LoopEnd::Done || (writer && !writer->Finish(&error))) {
        std::fprintf(stderr, "capture failed: %s\n", error.c_str());
        return result;
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpuSeconds = CpuSeconds() - cpuStart;
    std::fputc('\n', stderr);
    if (writer) result.writer = writer->times();
    result.frames = frames;
    std::error_code ec;
    if (mode == "png") {
        for (const auto& e : fs::directory_iterator(target, ec)) result.bytes += e.file_size();
    } else if (writer) {
        result.bytes = fs::file_size(target, ec);
    }
    result.ok = true;
    audio::SetSoundtrack(nullptr);
    assets::FreePackEntry(mp3);
    return result;
}

std::string Percent(double part, double whole) {
    char text[16];
    std::snprintf(text, sizeof text, "%3.0f%%", whole > 0 ? 100.0 * part / whole : 0.0);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    s.pack = DefaultPack();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--pack") {
            s.pack = value;
        } else if (name == "--from") {
            s.from = value;
        } else if (name == "--seconds") {
            s.seconds = std::max(1, std::atoi(value.c_str()));
        } else if (name == "--fps") {
            s.fps = std::max(1, std::atoi(value.c_str()));
        } else if (name == "--repeat") {
            s.repeat = std::max(1, std::atoi(value.c_str()));
        } else if (name == "--modes") {
            s.modes = Split(value);
        } else if (name == "--sizes") {
            s.sizes.clear();
            for (const std::string& size : Split(value)) {
                int w = 0, h = 0;
                if (std::sscanf(size.c_str(), "%dx%d", &w, &h) == 2) s.sizes.emplace_back(w, h);
            }
        } else {
            std::fprintf(stderr, "bench_capture_throughput: unknown option %s\n", name.c_str());
            return 2;
        }
    }
    const fs::path scratch =
        fs::temp_directory_path() / ("capture_throughput_" + std::to_string(getpid()));
    std::printf("pack: %s\n%d s from %s at %d fps\n\n", s.pack.c_str(), s.seconds, s.from.c_str(),
                s.fps);
    std::printf("%-10s %-7s %7s %8s %8s %6s %9s   %6s %6s %6s   %7s %6s %6s\n", "size", "sink",
                "frames", "seconds", "frames/s", "cores", "MB", "render", "read", "sink", "convert",
                "encode", "sound");
    for (const auto& [w, h] : s.sizes) {
        for (int r = 0; r < s.repeat; ++r) {
            for (const std::string& mode : s.modes) {
                fs::remove_all(scratch);
                fs::create_directories(scratch);
                int fds[2];
                if (pipe(fds) != 0) return 1;
                std::fflush(stdout);
                const pid_t pid = fork();
                if (pid == 0) {
                    close(fds[0]);
                    const Result result = Measure(s, w, h, mode, scratch);
                    if (write(fds[1], &result, sizeof result) != sizeof result) _exit(1);
                    _exit(result.ok ? 0 : 1);
                }
                close(fds[1]);
                Result result;
                const bool got = read(fds[0], &result, sizeof result) == sizeof result;
                close(fds[0]);
                int status = 0;
                waitpid(pid, &status, 0);
                char size[16];
                std::snprintf(size, sizeof size, "%dx%d", w, h);
                if (!got || !result.ok) {
                    std::printf("%-10s %-7s failed\n", size, mode.c_str());
                    continue;
                }
                const double t = result.seconds;
                std::printf(
                    "%-10s %-7s %7llu %8.1f %8.1f %6.2f %9.1f   %6s %6s %6s   %7s %6s %6s\n", size,
                    mode.c_str(), static_cast<unsigned long long>(result.frames), t,
                    static_cast<double>(result.frames) / t, result.cpuSeconds / t,
                    static_cast<double>(result.bytes) / 1e6,
                    Percent(result.loop.rendering, t).c_str(),
                    Percent(result.loop.readingBack, t).c_str(),
                    Percent(result.loop.handingOver, t).c_str(),
                    Percent(result.writer.converting, t).c_str(),
                    Percent(result.writer.encoding, t).c_str(),
                    Percent(result.writer.sound, t).c_str());
                std::fflush(stdout);
            }
        }
    }
    fs::remove_all(scratch);
    return 0;
}
