// Loading a .3ds image from memory and sampling tracks: what a scene costs at load time and
// per frame.
#include <benchmark/benchmark.h>

#include <cmath>

#include "../tests/support/Chunk3dsBuilder.h"
#include "scene/Track.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"

using namespace test3ds;

namespace {

// `meshes` objects of `side`² vertices each, every one with a 100-key position track.
std::vector<uint8_t> BuildScene(int meshes, int side) {
    Chunk editor(0x3D3D);
    Chunk keyframer(0xB000);
    keyframer.add(FrameRange(0, 1000));
    for (int m = 0; m < meshes; ++m) {
        std::vector<float> vertices;
        std::vector<uint16_t> faces;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) vertices.insert(vertices.end(), {float(x), float(y), 0});
        }
        for (int y = 0; y + 1 < side; ++y) {
            for (int x = 0; x + 1 < side; ++x) {
                const auto i = static_cast<uint16_t>(y * side + x);
                faces.insert(faces.end(),
                             {i, static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + side)});
            }
        }
        const std::string name = "Mesh" + std::to_string(m);
        editor.add(MeshObject(name, vertices, faces, "M"));
        std::vector<Key> keys;
        for (int k = 0; k < 100; ++k) {
            keys.push_back(Key(k * 10, {float(k), std::sin(float(k)), 0}));
        }
        keyframer.add(Chunk(0xB002)
                          .add(NodeId(static_cast<uint16_t>(m)))
                          .add(NodeHeader(name, 0xFFFF))
                          .add(TrackChunk(0xB020, keys)));
    }
    editor.add(MaterialNamed("M", {ColourProperty(0xA020, 200, 200, 200)}));
    return Chunk(0x4D4D).add(Version()).add(editor).add(keyframer).bytes();
}

void BM_Load3dsScene(benchmark::State& state) {
    scene3ds::SceneLogPath = "/dev/null";
    const std::vector<uint8_t> file = BuildScene(static_cast<int>(state.range(0)), 32);
    for (auto _ : state) {
        Scene scene;
        Load3dsSceneFromMemory("bench.3ds", file.data(), file.size(), scene);
        benchmark::DoNotOptimize(scene.objects);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_Load3dsScene)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_SampleVectorTrack(benchmark::State& state) {
    Track<VectorKey> track;
    track.reset(static_cast<uint32_t>(state.range(0)));
    for (size_t k = 0; k < track.keys.size(); ++k) {
        track.keys[k].frame = static_cast<float>(10 * k);
        track.keys[k].value = {float(k), std::sin(float(k)), std::cos(float(k))};
    }
    scene::SetupVectorTrack(track);
    const float last = track.keys.back().frame;
    float frame = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene::SampleVectorTrack(track, frame));
        frame += 0.37f;
        if (frame > last) frame = 0;
    }
}
BENCHMARK(BM_SampleVectorTrack)->Arg(3)->Arg(30)->Arg(300);

}  // namespace

BENCHMARK_MAIN();
