// Per-frame cost of the shader scenes, the point field and the metal object, set up from the
// generated pack as the load routine sets them up.
//
//  - */state: the scene's draw on the StateDevice, which keeps every state and draws
//    nothing: the scene's own work (matrices, point positions, buffer writes) plus the
//    device layer's bookkeeping of its calls.
//  - */gl: the same draw on the headless OpenGL device (640 x 480). "CPU" is the main thread:
//    the device layer plus the GL driver's front end; "Time" is the wall clock of a whole frame
//    including a read-back, so it waits for the software rasteriser too.
//  - PointFieldPositions: the 2500 points' sums alone.
//
// The pack is <build>/play/kelvra.dat beside this program's folder, or RUNEPLAY_PACK.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/DeviceSetup.h"
#include "app/RuneplayPresentation.h"
#include "assets/PackArchive.h"
#include "effects/objects/MetalObject.h"
#include "effects/objects/PointField.h"
#include "effects/shader/CubeGridScene.h"
#include "effects/shader/EndMeshScene.h"
#include "effects/shader/RingScene.h"
#include "effects/shader/RotatingMeshScene.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "gfx/gl/Device.h"
#include "scene/SceneDrawing.h"
#include "scene3ds/Load3dsScene.h"

namespace {

std::string PackPath() {
    if (const char* env = std::getenv("RUNEPLAY_PACK"); env && *env) return env;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (exe.parent_path().parent_path() / "play" / "kelvra.dat").string();
}

enum class Which { Ring, Rotating, Grid, End, Metal };

// Everything the five draws need, loaded onto one device. The effects are process-wide, so
// only one world exists at a time.
class World {
  public:
    explicit World(IDirect3DDevice8* device) : device_(device) {
        RenderDevice = device;
        if (!assets::GlobalPack().Open(PackPath())) return;
        effects::metalObject = effects::MetalObject{};
        effects::metalObject.mesh = Load("szk.3ds").objects;
        effects::metalObject.init();

        effects::ringScene = effects::RingScene{};
        effects::ringScene.ringObject = Load("hau.3ds").objects;
        effects::ringScene.centreObject = Load("tlo.3ds").objects;
        effects::ringScene.init();
        // Past the look-at glide, as for most of the segment.
        glide_.Start();

        effects::rotatingMeshScene = effects::RotatingMeshScene{};
        effects::rotatingMeshScene.object = Load("stagi.3ds").objects;
        Lend(effects::rotatingMeshScene);
        effects::rotatingMeshScene.init();

        effects::cubeGridScene = effects::CubeGridScene{};
        effects::cubeGridScene.object = Load("wcube.3ds").objects;
        Lend(effects::cubeGridScene);
        effects::cubeGridScene.init();

        Scene& end = Load("endscene.3ds");
        if (end.objects && end.cameras) {
            effects::endMeshScene = effects::EndMeshScene{};
            effects::endMeshScene.camera = app::PrepareEndScene(end);
            effects::endMeshScene.object = end.objects;
            Lend(effects::endMeshScene);
            effects::endMeshScene.init();
        }
        ok_ = effects::ringScene.ringMesh.drawable() && effects::cubeGridScene.mesh.drawable();
    }
    ~World() { RenderDevice = nullptr; }
    bool ok() const { return ok_; }

    void draw(Which which, float t) {
        switch (which) {
            case Which::Ring:
                glide_.elapsed = 2000.0f + t;
                effects::ringScene.draw(t, glide_);
                break;
            case Which::Rotating:
                effects::rotatingMeshScene.draw(t);
                break;
            case Which::Grid:
                device_->SetRenderState(D3DRS_FOGENABLE, TRUE);
                device_->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
                device_->SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.0025f));
                effects::cubeGridScene.draw(t);
                device_->SetRenderState(D3DRS_FOGENABLE, FALSE);
                break;
            case Which::End:
                effects::endMeshScene.draw(t);
                break;
            case Which::Metal:
                effects::metalObject.draw(2000.0f - t);
                break;
        }
    }

  private:
    Scene& Load(const std::string& file) {
        scenes_.push_back(std::make_unique<Scene>());
        app::LoadObjectScene("Objs\\" + file, *scenes_.back());
        return *scenes_.back();
    }
    template <typename S>
    void Lend(S& scene) {
        scene.attenuationTexture = effects::ringScene.attenuationTexture;
        scene.bumpTexture = effects::ringScene.bumpTexture;
        scene.cubeMap = effects::ringScene.cubeMap;
    }

    IDirect3DDevice8* device_;
    std::vector<std::unique_ptr<Scene>> scenes_;
    timing::SceneTimer glide_;  // the ring scene's look-at glide
    bool ok_ = false;
};

void StateDraw(benchmark::State& state, Which which) {
    gfx::StateDevice device(gfx::DeviceParams{});
    app::SetDefaultState(device);
    World world(&device);
    if (!world.ok()) {
        state.SkipWithError(("cannot set the scenes up from " + PackPath()).c_str());
        return;
    }
    float t = 100.0f;
    for (auto _ : state) {
        world.draw(which, t);
        t += 1.0f;
    }
}

void GlDraw(benchmark::State& state, Which which) {
    gfx::DeviceParams params;
    params.width = 640;
    params.height = 480;
    std::string error;
    std::unique_ptr<gfx::gl::Device> device = gfx::gl::CreateHeadlessDevice(params, &error);
    if (!device) {
        state.SkipWithError(("no headless device: " + error).c_str());
        return;
    }
    app::SetDefaultState(*device);
    World world(device.get());
    if (!world.ok()) {
        state.SkipWithError(("cannot set the scenes up from " + PackPath()).c_str());
        return;
    }
    gfx::Surface* back = nullptr;
    device->GetBackBuffer(0, &back);
    std::vector<uint32_t> pixels;
    float t = 100.0f;
    // One frame outside the timing: first uploads, compiles and links.
    for (int i = 0; i < 2; ++i) {
        device->BeginScene();
        world.draw(which, t);
        device->EndScene();
        device->ReadPixels(back, pixels);
    }
    for (auto _ : state) {
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        world.draw(which, t);
        device->EndScene();
        device->ReadPixels(back, pixels);
        t += 1.0f;
    }
}

void BM_PointFieldPositions(benchmark::State& state) {
    effects::PointField field;
    field.amplitude = 31.0f;
    std::vector<effects::PointFieldVertex> out(effects::PointField::kPointCount);
    float t = 0.0f;
    field.computePositions(t, out.data());
    for (auto _ : state) {
        field.computePositions(t, out.data());
        benchmark::DoNotOptimize(out.data());
        t += 1.0f;
    }
    state.counters["points"] = effects::PointField::kPointCount;
}
BENCHMARK(BM_PointFieldPositions)->Unit(benchmark::kMicrosecond);

void BM_PointFieldDraw_State(benchmark::State& state) {
    gfx::StateDevice device(gfx::DeviceParams{});
    RenderDevice = &device;
    if (!assets::GlobalPack().Open(PackPath())) {
        state.SkipWithError("no pack");
        return;
    }
    effects::PointField field;
    field.init();
    D3DXMatrixIdentity(&field.worldMatrix);
    D3DXMatrixIdentity(&field.viewMatrix);
    D3DXMatrixIdentity(&field.projectionMatrix);
    float t = 0.0f;
    for (auto _ : state) {
        field.draw(t);
        t += 1.0f;
    }
    RenderDevice = nullptr;
}
BENCHMARK(BM_PointFieldDraw_State)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(StateDraw, ring, Which::Ring)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(StateDraw, rotating_mesh, Which::Rotating)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(StateDraw, cube_grid, Which::Grid)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(StateDraw, end_mesh, Which::End)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(StateDraw, metal_object, Which::Metal)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(GlDraw, ring, Which::Ring)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GlDraw, rotating_mesh, Which::Rotating)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GlDraw, cube_grid, Which::Grid)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GlDraw, end_mesh, Which::End)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GlDraw, metal_object, Which::Metal)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
