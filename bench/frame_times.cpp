// Frame times of the whole presentation, rendered headless at 800 x 600.
//
//   bench_frame_times [PACK] [FRAMES]
//
// The show is played on the virtual clock at 60 frames per second, exactly as a still or a
// capture plays it: the frames between the measured stretches run their logic with draws
// discarded. From a position in each segment A to J, FRAMES frames (default 300, fewer where
// the segment ends sooner) are rendered and timed up to a finished GL pipeline; each frame is
// drawn twice at the same clock, once whole and once with the scene effects skipped
// (Timeline::drawScenes), which leaves the overlays (pictures, sprites, cuts, flashes,
// credits) and the glow. Printed per position: median and 95th
// percentile of both, the overlays' share of the whole frame, and the frames that allocated
// on the heap (a resource the GL device meets for the first time is made then: a credit's
// first frame, say). A first row holds the soundtrack at 1792000, where no segment draws:
// clearing, the glow of a black frame and presenting. PACK defaults to
// ../play/kelvra.dat beside this program. With BENCH_CPU_TIME=1 in the environment the
// frames are timed in the process's CPU time instead of on the wall clock (see NowMs).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/CommandLine.h"
#include "app/RuneplayPresentation.h"
#include "assets/PackArchive.h"
#include "audio/SoundtrackPlayer.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "scene/ScenePreparation.h"
#include "support/AllocationCounter.h"
#include "timeline/FrameClock.h"
#include "timeline/Timeline.h"

namespace {

struct Stretch {
    const char* name;
    uint64_t position;  // soundtrack bytes where the measured frames begin
    uint64_t end;       // and where they stop at the latest: the segment's window ends there
};

// One stretch per segment, in show order (the show only runs forwards).
const Stretch kStretches[] = {
    {"A  title sprite", 900000, 1792000},
    {"B  water scene, shots", 5000000, 12620800},
    {"C  water backwards, metal", 15000000, 18022400},
    {"D  picture screen", 20000000, 22609920},
    {"I  people picture over D", 22620000, 23080704},
    {"E  ring scene, credits", 26500000, 34291456},
    {"F  cube grid in fog", 35000000, 36992000},
    {"G  rotating mesh, glow", 37500000, 39677696},
    {"H  end mesh, fade", 40000000, 42756096},
    {"J  end screen over H", 44000000, 93956096},
};

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Frames are timed on the wall clock, or with BENCH_CPU_TIME set in the environment in CPU
// time of the whole process (Mesa's rasterising threads included). On a machine other work
// shares, the wall clock counts the time others ran; CPU time barely moves with the load.
bool UseCpuTime() {
    static const bool cpu = std::getenv("BENCH_CPU_TIME") != nullptr;
    return cpu;
}

double NowMs() {
    if (UseCpuTime()) {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
    }
    return Milliseconds(std::chrono::steady_clock::now().time_since_epoch());
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

std::string DefaultPack() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "kelvra.dat";
    return (self.parent_path() / ".." / "play" / "kelvra.dat").lexically_normal().string();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string packPath = argc > 1 ? argv[1] : DefaultPack();
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
    platform::SetFatalHandler([](const std::string& text) {
        std::fprintf(stderr, "bench_frame_times: %s\n", text.c_str());
        std::exit(1);
    });
    platform::UseVirtualClock(app::kRenderClockStart);

    app::Options options;
    options.headless = true;
    options.width = 800;
    options.height = 600;
    app::RuneplayPresentation presentation;
    std::string error;
    if (!presentation.CreateDevice(nullptr, options, &error)) {
        std::fprintf(stderr, "bench_frame_times: no headless OpenGL device: %s\n", error.c_str());
        return 1;
    }
    gfx::gl::Device& device = *presentation.device();
    if (!assets::GlobalPack().Open(packPath)) return 1;
    // The flare sprite lies beside the pack, as beside the program in a real run.
    scene::FlarePicturePath =
        (std::filesystem::path(packPath).parent_path() / "point.bmp").string();
    const auto loadStart = std::chrono::steady_clock::now();
    presentation.LoadAssets();
    const double loadMs = Milliseconds(std::chrono::steady_clock::now() - loadStart);

    uint8_t* mp3 = assets::ReadPackEntry(app::kSoundtrackEntry);
    if (!mp3) return 1;
    app::SteppedSoundtrackPlayer player;
    if (player.Start(mp3, assets::GlobalPack().lastSize, 0, &error) !=
        audio::StartResult::Started) {
        std::fprintf(stderr, "bench_frame_times: the soundtrack cannot be played: %s\n",
                     error.c_str());
        return 1;
    }
    audio::SetSoundtrack(&player);
    presentation.AfterSoundtrackStart();
    presentation.frameClock().Start();

    const audio::TrackFormat format = player.Format();
    auto frameAt = [&](uint64_t position) {
        player.SetPosition(position);
        platform::VirtualClockSet(app::ClockAt(app::kRenderClockStart, position, format));
        presentation.Frame();
    };

    std::printf(
        "device: %s\npack: %s (loaded in %.0f ms)\n%d frames of 800 x 600 per position, "
        "%s\n\n",
        device.description().c_str(), packPath.c_str(), loadMs, frames,
        UseCpuTime() ? "CPU time of the process" : "wall clock");
    std::printf("%-28s %10s %10s   %10s %10s %8s   %s\n", "position", "median ms", "p95 ms",
                "overlays", "p95 ms", "share", "frames allocating (allocations)");

    {
        // No segment draws at 1792000 and nothing there starts a timer, so these frames leave
        // the show as it was.
        player.SetPosition(1792000);
        std::vector<double> times;
        for (int i = 0; i <= frames; ++i) {
            device.finish();
            const double t0 = NowMs();
            platform::VirtualClockAdvance(17);
            presentation.Frame();
            device.finish();
            if (i > 0) times.push_back(NowMs() - t0);
        }
        std::printf("%-28s %10.2f %10.2f\n", "1792000: glow alone", Percentile(times, 0.5),
                    Percentile(times, 0.95));
    }

    timeline::Timeline& show = timeline::theTimeline;
    const app::FrameGrid grid{format, app::kStillFramesPerSecond, 0};
    uint64_t k = 0;
    for (const Stretch& stretch : kStretches) {
        device.setDiscardDraws(true);
        for (; grid.Position(k) < stretch.position; ++k) frameAt(grid.Position(k));
        device.setDiscardDraws(false);
        frameAt(grid.Position(k++));  // warm: programs linked, pictures uploaded
        show.drawScenes = false;
        frameAt(grid.Position(k - 1));
        show.drawScenes = true;

        std::vector<double> whole, overlays;
        uint64_t allocations = 0, allocatingFrames = 0;
        for (int i = 0; i < frames && grid.Position(k) < stretch.end; ++i, ++k) {
            for (bool scenes : {true, false}) {
                show.drawScenes = scenes;
                device.finish();
                const uint64_t before = testsupport::AllocationCount();
                const double t0 = NowMs();
                frameAt(grid.Position(k));
                device.finish();
                const double t1 = NowMs();
                const uint64_t made = testsupport::AllocationCount() - before;
                if (scenes && made > 0) {
                    allocations += made;
                    ++allocatingFrames;
                }
                (scenes ? whole : overlays).push_back(t1 - t0);
            }
        }
        show.drawScenes = true;
        const double median = Percentile(whole, 0.5), overlayMedian = Percentile(overlays, 0.5);
        std::printf("%-28s %10.2f %10.2f   %10.2f %10.2f %7.0f%%   %llu (%llu)\n", stretch.name,
                    median, Percentile(whole, 0.95), overlayMedian, Percentile(overlays, 0.95),
                    median > 0 ? 100.0 * overlayMedian / median : 0.0,
                    static_cast<unsigned long long>(allocatingFrames),
                    static_cast<unsigned long long>(allocations));
    }
    audio::SetSoundtrack(nullptr);
    assets::FreePackEntry(mp3);
    return 0;
}
