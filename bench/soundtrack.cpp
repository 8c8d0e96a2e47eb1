// Costs of the soundtrack path: decoding speed relative to real time, and a position query.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "audio/Mp3Decoder.h"
#include "audio/SoundtrackPlayer.h"
#include "platform/Clock.h"

namespace {

// One second of 22050 Hz mono from the test data.
const std::vector<uint8_t>& Track() {
    static const std::vector<uint8_t> bytes = [] {
        auto path = std::filesystem::path(__FILE__).parent_path().parent_path() / "tests" / "data" /
                    "minipack" / "morvek.mp3";
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>());
    }();
    return bytes;
}

void BM_DecodeWholeTrack(benchmark::State& state) {
    const auto& mp3 = Track();
    double seconds = 0;
    for (auto _ : state) {
        audio::DecodedTrack track;
        if (!audio::DecodeWholeTrack(mp3.data(), mp3.size(), track, nullptr)) {
            state.SkipWithError("cannot decode tests/data/minipack/morvek.mp3");
            return;
        }
        seconds += track.format.SecondsFromBytes(track.bytes());
        benchmark::DoNotOptimize(track.samples.data());
    }
    // Seconds of audio decoded per second of work: the margin the audio callback has.
    state.counters["audio_s_per_s"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeWholeTrack)->Unit(benchmark::kMillisecond);

void BM_OpenAndScan(benchmark::State& state) {
    const auto& mp3 = Track();
    for (auto _ : state) {
        audio::Mp3Decoder decoder;
        benchmark::DoNotOptimize(decoder.Open(mp3.data(), mp3.size(), nullptr));
    }
}
BENCHMARK(BM_OpenAndScan)->Unit(benchmark::kMicrosecond);

void BM_SilentPlayerPosition(benchmark::State& state) {
    const auto& mp3 = Track();
    auto player = audio::CreateSilentPlayer();
    if (player->Start(mp3.data(), mp3.size(), 0, nullptr) != audio::StartResult::Started) {
        state.SkipWithError("cannot start");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(player->Position());
}
BENCHMARK(BM_SilentPlayerPosition);

}  // namespace

BENCHMARK_MAIN();
