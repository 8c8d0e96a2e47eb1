// Seeking the whole presentation, rendered headless (800 x 600 unless given).
//
//   bench_seek [PACK] [WIDTHxHEIGHT]
//
// Loads the show as the program does (on the virtual clock, the soundtrack a stepped player)
// and prints: the load time; one whole unseen run making every snapshot and what it costs;
// the size of a snapshot and the time to take and to restore one; then 20 seeks to random
// positions across the track (the same every run), each followed by drawing the frame there
// with the GL pipeline finished, measured twice: on a fresh load where the snapshots are
// made as seeks pass them, and with every snapshot made ahead. Per pass the median and worst
// of backward and forward seeks. PACK defaults to ../play/kelvra.dat beside this program.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/Engine.h"
#include "app/RuneplayPresentation.h"
#include "app/ShowSeeker.h"
#include "audio/SoundtrackPlayer.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "scene/ScenePreparation.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Worst(const std::vector<double>& v) {
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

std::string DefaultPack() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "kelvra.dat";
    return (self.parent_path() / ".." / "play" / "kelvra.dat").lexically_normal().string();
}

// The presentation loaded by the engine's own load routine.
struct Show {
    app::RuneplayPresentation presentation;
    std::unique_ptr<app::Engine> engine;
    app::SteppedSoundtrackPlayer* player = nullptr;
    double loadMs = 0;

    bool Load(const app::Options& options) {
        platform::UseVirtualClock(app::kRenderClockStart);
        std::string error;
        if (!presentation.CreateDevice(nullptr, options, &error)) {
            std::fprintf(stderr, "bench_seek: no headless OpenGL device: %s\n", error.c_str());
            return false;
        }
        engine = std::make_unique<app::Engine>(options, presentation);
        engine->setPlayerStarter(
            [this](const uint8_t* data, size_t size, uint64_t start, std::string* why) {
                auto p = std::make_unique<app::SteppedSoundtrackPlayer>();
                player = p.get();
                std::unique_ptr<audio::SoundtrackPlayer> result;
                if (p->Start(data, size, start, why) == audio::StartResult::Started)
                    result = std::move(p);
                return result;
            });
        const Clock::time_point t0 = Clock::now();
        const bool loaded = engine->LoadAll();
        presentation.device()->finish();
        loadMs = Milliseconds(Clock::now() - t0);
        return loaded && presentation.seeker();
    }
    uint64_t length() const { return player->Length().value_or(0); }

    // SeekTo, then the frame at the target as the player draws it; both times in ms.
    std::pair<double, double> Seek(uint64_t position) {
        const Clock::time_point t0 = Clock::now();
        const uint32_t reading = presentation.seeker()->SeekTo(position);
        const Clock::time_point t1 = Clock::now();
        player->SetPosition(position);
        platform::VirtualClockSet(reading);
        presentation.Frame();
        presentation.device()->finish();
        const Clock::time_point t2 = Clock::now();
        return {Milliseconds(t1 - t0), Milliseconds(t2 - t0)};
    }
};

void SeekPass(Show& show, const std::vector<uint64_t>& targets, const char* title,
              bool each = false) {
    std::vector<double> seekBack, seekForward, shownBack, shownForward;
    uint64_t previous = 0;
    const uint64_t playedBefore = show.presentation.seeker()->framesPlayed();
    for (uint64_t target : targets) {
        const auto [seek, shown] = show.Seek(target);
        if (each)
            std::printf("    %5.1f s: SeekTo %6.1f ms, + frame %6.1f ms\n",
                        static_cast<double>(target) / 176400.0, seek, shown);
        (target < previous ? seekBack : seekForward).push_back(seek);
        (target < previous ? shownBack : shownForward).push_back(shown);
        previous = target;
    }
    std::printf(
        "%s (%zu back, %zu forward; %llu unseen frames played)\n", title, seekBack.size(),
        seekForward.size(),
        static_cast<unsigned long long>(show.presentation.seeker()->framesPlayed() - playedBefore));
    std::printf("  %-28s %10s %10s\n", "", "median ms", "worst ms");
    std::printf("  %-28s %10.1f %10.1f\n", "backward: SeekTo", Median(seekBack), Worst(seekBack));
    std::printf("  %-28s %10.1f %10.1f\n", "backward: SeekTo + frame", Median(shownBack),
                Worst(shownBack));
    std::printf("  %-28s %10.1f %10.1f\n", "forward: SeekTo", Median(seekForward),
                Worst(seekForward));
    std::printf("  %-28s %10.1f %10.1f\n", "forward: SeekTo + frame", Median(shownForward),
                Worst(shownForward));
    std::vector<double> all = shownBack;
    all.insert(all.end(), shownForward.begin(), shownForward.end());
    std::printf("  %-28s %10.1f %10.1f\n", "all: SeekTo + frame", Median(all), Worst(all));
}

// The particles' bytes beyond the state's own.
size_t ParticleBytes(const timeline::ShowState& show) {
    size_t bytes = 0;
    for (const auto* particles : {&show.water.particles, &show.screen.particles})
        for (const auto& emitter : particles->emitters)
            bytes += sizeof emitter + emitter.size() * sizeof(scene::Particle);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string packPath = argc > 1 ? argv[1] : DefaultPack();
    app::Options options;
    options.packPath = packPath;
    options.headless = true;
    options.audio = audio::AudioBackend::None;
    options.width = 800;
    options.height = 600;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &options.width, &options.height) != 2) {
        std::fprintf(stderr, "usage: bench_seek [PACK] [WIDTHxHEIGHT]\n");
        return 2;
    }
    platform::SetFatalHandler([](const std::string& text) {
        std::fprintf(stderr, "bench_seek: %s\n", text.c_str());
        std::exit(1);
    });
    scene::FlarePicturePath =
        (std::filesystem::path(packPath).parent_path() / "point.bmp").string();

    std::vector<uint64_t> targets;
    {
        // A first load for the figures that need every snapshot.
        Show show;
        if (!show.Load(options)) return 1;
        app::ShowSeeker& seeker = *show.presentation.seeker();
        std::printf("device: %s\npack: %s, %dx%d\n",
                    show.presentation.device()->description().c_str(), packPath.c_str(),
                    options.width, options.height);
        std::printf("load (LoadAll): %.0f ms\n", show.loadMs);

        const uint64_t length = show.length();
        std::mt19937_64 random(18);
        for (int i = 0; i < 20; ++i) targets.push_back(random() % length);

        const Clock::time_point t0 = Clock::now();
        seeker.MakeSnapshots(length);
        const double runMs = Milliseconds(Clock::now() - t0);
        std::printf(
            "whole track unseen (%.1f s of show, %llu frames): %.0f ms, %zu snapshots, "
            "%.0f frames/s\n",
            static_cast<double>(length) / 176400.0,
            static_cast<unsigned long long>(seeker.framesPlayed()), runMs, seeker.snapshotCount(),
            1000.0 * static_cast<double>(seeker.framesPlayed()) / runMs);

        show.Seek(length / 2);
        const auto* device = dynamic_cast<const gfx::StateDevice*>(RenderDevice);
        std::vector<double> take, restore;
        for (int i = 0; i < 200; ++i) {
            const Clock::time_point a = Clock::now();
            const auto snapshot = seeker.Snapshot();
            const Clock::time_point b = Clock::now();
            seeker.Restore(*snapshot);
            const Clock::time_point c = Clock::now();
            take.push_back(Milliseconds(b - a) * 1000.0);
            restore.push_back(Milliseconds(c - b) * 1000.0);
        }
        const size_t showBytes =
            sizeof(app::ShowSnapshot) + ParticleBytes(show.presentation.show());
        const size_t deviceBytes =
            sizeof(gfx::DeviceState) +
            (device ? device->state().lights.size() * sizeof(gfx::LightSlot) : 0);
        std::printf(
            "snapshot: %zu bytes: the show's state %zu (particles %zu of it), the "
            "device's state %zu\n",
            showBytes + deviceBytes, showBytes, ParticleBytes(show.presentation.show()),
            deviceBytes);
        std::printf("taking one: %.1f us, restoring one: %.1f us (medians of 200)\n", Median(take),
                    Median(restore));
        std::printf("every snapshot of the track: about %.1f MB\n",
                    static_cast<double>((showBytes + deviceBytes) * seeker.snapshotCount()) / 1e6);
        SeekPass(show, targets, "seeks with every snapshot made ahead", true);
        SeekPass(show, targets, "the same seeks again (every segment drawn before)", true);
    }
    {
        Show show;
        if (!show.Load(options)) return 1;
        SeekPass(show, targets, "seeks on a fresh load, snapshots made as seeks pass them");
    }
    platform::UseRealClock();
    return 0;
}
