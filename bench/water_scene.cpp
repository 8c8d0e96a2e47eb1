// Frame times of the loaded-scene segments B (water reflection, shot by shot), C (the water
// scene backwards with the glow quad's pass) and D (picture screen) on the headless OpenGL
// device, each frame drawn into a frame-sized target as the timeline does and finished
// (the device's finish) before the clock is read. Prints the median and 95th percentile per
// segment, then the share of a segment B frame each water pass takes, measured with a finish after
// every pass (which itself costs a little, so those frames run slightly longer).
//
//   bench_water_scene [WIDTHxHEIGHT] [FRAMES]       default 800x600, 240 frames per segment
//
// The pack is build/play/kelvra.dat beside this program's folder, or $RUNEPLAY_PACK.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/DeviceSetup.h"
#include "assets/PackArchive.h"
#include "effects/objects/RenderTarget.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/scenes/WaterScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "scene/Random.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/SceneLog.h"
#include "timeline/Schedule.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string PackPath() {
    if (const char* env = std::getenv("RUNEPLAY_PACK")) return env;
    std::error_code ec;
    const auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    return (exe.parent_path().parent_path() / "play" / "kelvra.dat").string();
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Summary {
    double median = 0, p95 = 0, mean = 0;
};

Summary Summarise(std::vector<double> times) {
    Summary s;
    if (times.empty()) return s;
    std::sort(times.begin(), times.end());
    s.median = times[times.size() / 2];
    s.p95 = times[std::min(times.size() - 1, times.size() * 95 / 100)];
    for (double t : times) s.mean += t;
    s.mean /= static_cast<double>(times.size());
    return s;
}

// The shots of segment B: camera and start time, about 2.5 s each.
constexpr uint32_t kShotCamera[8] = {4, 1, 2, 3, 8, 5, 6, 7};
constexpr float kShotStart[8] = {0, 400, 200, 600, 100, 0, 0, 0};
constexpr int kFramesPerShot = 150;

class Harness {
  public:
    Harness(gfx::gl::Device& device, int width, int height) : device_(device) {
        frameTarget_.width = static_cast<float>(width);
        frameTarget_.height = static_cast<float>(height);
        frameTarget_.create();
    }

    // One timeline frame around `draw`, finished.
    template <typename Draw>
    double Frame(Draw draw) {
        const Clock::time_point start = Clock::now();
        device_.BeginScene();
        device_.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000,
                      1.0f, 0);
        device_.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        // The glow and overlays that close every timeline frame leave the depth test on.
        device_.SetRenderState(D3DRS_ZENABLE, TRUE);
        frameTarget_.begin(1);
        draw();
        frameTarget_.end();
        device_.EndScene();
        device_.Present(nullptr, nullptr, nullptr, nullptr);
        device_.finish();
        return Milliseconds(Clock::now() - start);
    }

  private:
    gfx::gl::Device& device_;
    effects::RenderTarget frameTarget_;
};

// What playing the segments changes.
struct Run {
    scene::RandomGenerator random;
    effects::WaterSceneState water;
    effects::ScreenSceneState screen;
};

void SegmentB(Run& run, int i) {
    const int shot = (i / kFramesPerShot) % 8;
    const float e = static_cast<float>(i % kFramesPerShot);
    effects::waterScene.DrawFrame(run.water, run.random, e + kShotStart[shot], kShotCamera[shot]);
}

void SegmentC(Run& run, int i) {
    IDirect3DDevice8& d = *RenderDevice;
    run.water.ambientColor = 0x001024BA;
    run.water.lightAttenuation[1] = 0.04f;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    effects::waterScene.DrawFrame(run.water, run.random,
                                  std::max(0.0f, 2000.0f - 4.0f * static_cast<float>(i)), 4);
    for (DWORD stage = 0; stage < 4; ++stage) d.SetTexture(stage, nullptr);
    effects::screenEffectQuad.drawQuad();
}

void SegmentD(Run& run, int i, int frames) {
    // Through all six shots, the clip timer on the virtual clock at 60 frames a second.
    const uint32_t from = 18030000, to = 23000000;
    const uint32_t position =
        from + static_cast<uint32_t>(static_cast<uint64_t>(to - from) * static_cast<uint64_t>(i) /
                                     static_cast<uint64_t>(frames));
    platform::VirtualClockAdvance(17);
    const uint32_t shot = timeline::ScreenSceneShotAt(position);
    effects::screenScene.DrawFrame(run.screen, run.random, shot,
                                   timeline::kScreenSceneCamera[shot]);
}

}  // namespace

int main(int argc, char** argv) {
    int width = 800, height = 600, frames = 240;
    if (argc > 1 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "usage: bench_water_scene [WIDTHxHEIGHT] [FRAMES]\n");
        return 2;
    }
    if (argc > 2) frames = std::max(10, std::atoi(argv[2]));

    scene3ds::SceneLogPath = "/dev/null";
    platform::SetReportHandler([](const std::string& caption, const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    });
    platform::SetFatalHandler([](const std::string&) {});
    gfx::DeviceParams params;
    params.width = static_cast<UINT>(width);
    params.height = static_cast<UINT>(height);
    std::string error;
    auto device = gfx::gl::CreateHeadlessDevice(params, &error);
    if (!device) {
        std::fprintf(stderr, "no headless OpenGL device: %s\n", error.c_str());
        return 1;
    }
    app::SetDefaultState(*device);
    RenderDevice = device.get();
    if (!assets::GlobalPack().Open(PackPath())) return 1;
    scene::FlarePicturePath =
        (std::filesystem::path(PackPath()).parent_path() / "point.bmp").string();
    platform::UseVirtualClock(1000);

    Run run;
    const Clock::time_point loadStart = Clock::now();
    effects::screenEffectQuad.init();
    effects::waterScene.Load(run.random);
    effects::screenScene.Load(run.random);
    effects::screenScene.FindScreenObject();
    effects::screenScene.LoadPictures();
    run.water = effects::waterScene.StartState();
    run.screen = effects::screenScene.StartState();
    device->finish();
    std::printf("loading both scenes: %.0f ms\n", Milliseconds(Clock::now() - loadStart));

    Harness harness(*device, width, height);
    // Programs compiled and textures uploaded before anything is timed.
    for (int i = 0; i < 8; ++i) {
        harness.Frame([&] { SegmentB(run, i * kFramesPerShot); });
        harness.Frame([&] { SegmentC(run, i); });
        harness.Frame([&] { SegmentD(run, i * frames / 8, frames); });
    }

    std::printf("%dx%d, %d frames per segment, llvmpipe or whatever GL the EGL device gives\n",
                width, height, frames);
    std::printf("%-34s %9s %9s %9s\n", "segment", "median", "p95", "mean");
    const auto report = [&](const char* name, const std::vector<double>& times) {
        const Summary s = Summarise(times);
        std::printf("%-34s %6.2f ms %6.2f ms %6.2f ms\n", name, s.median, s.p95, s.mean);
    };
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) times.push_back(harness.Frame([&] { SegmentB(run, i); }));
    report("B water reflection, shot by shot", times);
    times.clear();
    for (int i = 0; i < frames; ++i) times.push_back(harness.Frame([&] { SegmentC(run, i); }));
    report("C water backwards + glow quad pass", times);
    times.clear();
    for (int i = 0; i < frames; ++i)
        times.push_back(harness.Frame([&] { SegmentD(run, i, frames); }));
    report("D picture screen", times);

    // The water passes one by one, each finished before the next starts.
    enum { kBegin, kMirror, kSurface, kMain, kEffect, kParticles, kWaterLayer, kPasses };
    const char* const names[kPasses] = {"frame states and ripple",
                                        "mirror pass",
                                        "surface pass",
                                        "main pass",
                                        "effect pass",
                                        "particles",
                                        "water layer and closing states"};
    double sums[kPasses] = {};
    effects::WaterScene& water = effects::waterScene;
    for (int i = 0; i < frames; ++i) {
        const int shot = (i / kFramesPerShot) % 8;
        const float clip = static_cast<float>(i % kFramesPerShot) + kShotStart[shot];
        const float frame = 0.5f * clip;
        harness.Frame([&] {
            Clock::time_point t = Clock::now();
            auto lap = [&](int pass) {
                device->finish();
                const Clock::time_point now = Clock::now();
                sums[pass] += Milliseconds(now - t);
                t = now;
            };
            water.BeginFrame(run.water, clip, kShotCamera[shot]);
            lap(kBegin);
            water.MirrorPass(run.water, run.random, frame);
            lap(kMirror);
            water.SurfacePass(run.water, run.random, frame);
            lap(kSurface);
            water.MainPass(run.water, run.random, frame);
            lap(kMain);
            water.EffectPass();
            lap(kEffect);
            water.ParticlePass(run.water);
            lap(kParticles);
            water.WaterLayer();
            water.EndFrame();
            lap(kWaterLayer);
        });
    }
    double total = 0;
    for (double s : sums) total += s;
    std::printf("segment B by pass (finished after each; %.2f ms a frame in all):\n",
                total / frames);
    for (int p = 0; p < kPasses; ++p)
        std::printf("  %-32s %6.2f ms %5.1f %%\n", names[p], sums[p] / frames,
                    100.0 * sums[p] / total);

    RenderDevice = nullptr;
    return 0;
}
