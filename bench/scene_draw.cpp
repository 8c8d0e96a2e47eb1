// What the pack's loaded scenes cost: preparation once per scene, and the update and draw of
// every frame. CPU time of our code is measured on the state-keeping device (it draws
// nothing); wall time of real frames on the headless OpenGL device, synchronised each frame by
// reading the picture back (the read-back alone is measured too, to subtract).
//
// The pack is build/play/kelvra.dat beside this program's folder, or $RUNEPLAY_PACK.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/DeviceSetup.h"
#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "gfx/gl/Device.h"
#include "platform/ErrorReport.h"
#include "scene/Random.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"

namespace {

const char* const kWater = "scene3\\scene123.3DS";
const char* const kScreen = "Scene2\\Scene.3ds";

std::string PackPath() {
    if (const char* env = std::getenv("RUNEPLAY_PACK")) return env;
    std::error_code ec;
    const auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    return (exe.parent_path().parent_path() / "play" / "kelvra.dat").string();
}

bool OpenPack(benchmark::State& state) {
    static const bool open = [] {
        scene3ds::SceneLogPath = "/dev/null";
        platform::SetReportHandler([](const std::string&, const std::string&) {});
        platform::SetFatalHandler([](const std::string&) {});
        scene::FlarePicturePath =
            (std::filesystem::path(PackPath()).parent_path() / "point.bmp").string();
        return assets::GlobalPack().Open(PackPath());
    }();
    if (!open) state.SkipWithError(("cannot open the pack " + PackPath()).c_str());
    return open;
}

void LoadForPreparation(const std::string& entry, Scene& scene) {
    ScenePathPrefix = entry.substr(0, entry.find('\\') + 1);
    Load3dsScene(entry, scene);
    scene::SelectCamera(scene, 1);
    scene.aspectRatio = 4.0f / 3.0f;
    scene.lightAttenuation[0] = 0.95f;
    scene.lightAttenuation[1] = 0.03f;
    scene.lightAttenuation[2] = 0.0f;
    scene.ambientColor = 0x00B78832;
}

// Preparation alone: picture decoding and mip chains, normals, buffers, tracks, emitters.
void BM_PrepareScene(benchmark::State& state, const char* entry) {
    if (!OpenPack(state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        auto device = std::make_unique<gfx::StateDevice>(gfx::DeviceParams{});
        RenderDevice = device.get();
        auto scene = std::make_unique<Scene>();
        LoadForPreparation(entry, *scene);
        scene::RandomGenerator random;
        state.ResumeTiming();
        scene::PrepareScene(*scene, random);
        state.PauseTiming();
        scene.reset();
        device.reset();
        RenderDevice = nullptr;
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_PrepareScene, water, kWater)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareScene, screen, kScreen)->Unit(benchmark::kMillisecond);

// A prepared scene on a device of the given kind, frames stepping half a scene frame (60 Hz).
struct PreparedScene {
    std::unique_ptr<gfx::StateDevice> device;
    std::unique_ptr<Scene> scene;
    scene::RandomGenerator random;
    scene::SceneParticles particles;
    float frame = 0;

    // The scene moved to the next frame, its particles too.
    void update() { scene::UpdateScene(*scene, nextFrame(), particles, random); }
    void update(float at) { scene::UpdateScene(*scene, at, particles, random); }
    void draw() { scene::DrawScene(*scene, particles); }

    float nextFrame() {
        frame += 0.5f;
        if (frame > static_cast<float>(scene->lastFrame)) frame = 0;
        return frame;
    }
};

PreparedScene PrepareOn(std::unique_ptr<gfx::StateDevice> device, const char* entry) {
    PreparedScene p;
    p.device = std::move(device);
    RenderDevice = p.device.get();
    p.scene = std::make_unique<Scene>();
    LoadForPreparation(entry, *p.scene);
    scene::PrepareScene(*p.scene, p.random);
    p.particles = scene::StartParticles(*p.scene);
    scene::SelectCamera(*p.scene, 1);
    return p;
}

void BM_UpdateScene_StateDevice(benchmark::State& state, const char* entry) {
    if (!OpenPack(state)) return;
    PreparedScene p = PrepareOn(std::make_unique<gfx::StateDevice>(gfx::DeviceParams{}), entry);
    for (auto _ : state) p.update();
    RenderDevice = nullptr;
}
BENCHMARK_CAPTURE(BM_UpdateScene_StateDevice, water, kWater)->Unit(benchmark::kMicrosecond);

void BM_DrawScene_StateDevice(benchmark::State& state, const char* entry) {
    if (!OpenPack(state)) return;
    PreparedScene p = PrepareOn(std::make_unique<gfx::StateDevice>(gfx::DeviceParams{}), entry);
    p.update(100);
    for (auto _ : state) p.draw();
    RenderDevice = nullptr;
}
BENCHMARK_CAPTURE(BM_DrawScene_StateDevice, water, kWater)->Unit(benchmark::kMicrosecond);

void BM_Frame_StateDevice(benchmark::State& state, const char* entry) {
    if (!OpenPack(state)) return;
    PreparedScene p = PrepareOn(std::make_unique<gfx::StateDevice>(gfx::DeviceParams{}), entry);
    for (auto _ : state) {
        p.update();
        p.draw();
    }
    RenderDevice = nullptr;
}
BENCHMARK_CAPTURE(BM_Frame_StateDevice, water, kWater)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame_StateDevice, screen, kScreen)->Unit(benchmark::kMicrosecond);

std::unique_ptr<gfx::gl::Device> Headless(benchmark::State& state, UINT w, UINT h) {
    gfx::DeviceParams params;
    params.width = w;
    params.height = h;
    std::string error;
    auto device = gfx::gl::CreateHeadlessDevice(params, &error);
    if (!device) {
        state.SkipWithError(("no headless OpenGL device: " + error).c_str());
        return nullptr;
    }
    app::SetDefaultState(*device);
    return device;
}

// A whole frame as a segment draws it: clear, update, draw, then the read-back that waits for
// the renderer to finish.
void BM_Frame_GlHeadless(benchmark::State& state, const char* entry) {
    if (!OpenPack(state)) return;
    const UINT w = static_cast<UINT>(state.range(0)), h = w * 3 / 4;
    auto gl = Headless(state, w, h);
    if (!gl) return;
    gfx::gl::Device* device = gl.get();
    PreparedScene p = PrepareOn(std::move(gl), entry);
    p.scene->aspectRatio = static_cast<float>(w) / static_cast<float>(h);
    gfx::Surface* back = nullptr;
    device->GetBackBuffer(0, &back);
    std::vector<uint32_t> pixels;
    auto frame = [&] {
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000,
                      1.0f, 0);
        p.update();
        p.draw();
        device->EndScene();
        device->ReadPixels(back, pixels);
    };
    for (int i = 0; i < 5; ++i) frame();  // programs compiled, resources uploaded
    for (auto _ : state) frame();
    RenderDevice = nullptr;
}
BENCHMARK_CAPTURE(BM_Frame_GlHeadless, water, kWater)
    ->Arg(320)
    ->Arg(800)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_ReadBack_GlHeadless(benchmark::State& state) {
    const UINT w = static_cast<UINT>(state.range(0)), h = w * 3 / 4;
    auto device = Headless(state, w, h);
    if (!device) return;
    gfx::Surface* back = nullptr;
    device->GetBackBuffer(0, &back);
    std::vector<uint32_t> pixels;
    for (auto _ : state) device->ReadPixels(back, pixels);
}
BENCHMARK(BM_ReadBack_GlHeadless)->Arg(320)->Arg(800)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
