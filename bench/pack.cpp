// Pack lookups are linear and every read reopens the file; these figures show what that costs
// for a directory the size of the presentation's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"

namespace {

struct Fixture {
    std::string path;
    Fixture() {
        path = (std::filesystem::temp_directory_path() / "runeplay-bench-pack.dat").string();
        assets::PackWriter w;
        for (int i = 0; i < 300; ++i)
            w.Add("!textures\\picture" + std::to_string(i) + ".jpg",
                  std::vector<uint8_t>(64 * 1024, static_cast<uint8_t>(i)));
        w.WriteFile(path);
    }
    ~Fixture() { std::remove(path.c_str()); }
};

Fixture& Pack() {
    static Fixture f;
    return f;
}

void BM_OpenDirectory(benchmark::State& state) {
    for (auto _ : state) {
        assets::PackArchive pack;
        benchmark::DoNotOptimize(pack.TryOpen(Pack().path, nullptr));
    }
}
BENCHMARK(BM_OpenDirectory)->Unit(benchmark::kMicrosecond);

void BM_LookupLastEntry(benchmark::State& state) {
    assets::PackArchive pack;
    pack.TryOpen(Pack().path, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(pack.Lookup("!TEXTURES\\PICTURE299.JPG"));
}
BENCHMARK(BM_LookupLastEntry)->Unit(benchmark::kMicrosecond);

void BM_Read64KiB(benchmark::State& state) {
    assets::PackArchive pack;
    pack.TryOpen(Pack().path, nullptr);
    for (auto _ : state) {
        uint8_t* block = pack.Read("!textures\\picture150.jpg");
        benchmark::DoNotOptimize(block);
        assets::FreePackEntry(block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 64 * 1024);
}
BENCHMARK(BM_Read64KiB)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
