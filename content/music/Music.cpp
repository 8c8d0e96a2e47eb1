#include "content/music/Music.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "content/gen/Content.h"
#include "content/music/Composer.h"
#include "content/music/Mixer.h"
#include "content/music/Mp3Encode.h"

namespace content {
namespace music {

std::vector<int16_t> RenderTrack() { return RenderSong(ComposeSong()); }

std::vector<uint8_t> WavFile(std::span<const int16_t> pcm, int sampleRate) {
    const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    std::vector<uint8_t> w;
    w.reserve(44 + dataBytes);
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        w.push_back(static_cast<uint8_t>(v));
        w.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(t[i]));
    };
    tag("RIFF");
    u32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(static_cast<uint32_t>(sampleRate));
    u32(static_cast<uint32_t>(sampleRate) * 4);
    u16(4);
    u16(16);
    tag("data");
    u32(dataBytes);
    for (int16_t s : pcm) u16(static_cast<uint16_t>(s));
    return w;
}

}  // namespace music

void AddMusic(Output& out) {
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const std::vector<int16_t> pcm = music::RenderTrack();
    const auto t1 = Clock::now();
    std::vector<uint8_t> mp3 = music::EncodeMp3(pcm);
    const auto t2 = Clock::now();
    std::printf("kelvra_gen: music: %.1f s of audio, synthesis %.2f s, encoding %.2f s\n",
                static_cast<double>(pcm.size() / 2) / music::kSampleRate,
                std::chrono::duration<double>(t1 - t0).count(),
                std::chrono::duration<double>(t2 - t1).count());

    // Developer aid: KELVRA_WAV=path also writes the PCM for inspection.
    if (const char* wavPath = std::getenv("KELVRA_WAV"); wavPath && *wavPath) {
        const std::vector<uint8_t> wav = music::WavFile(pcm);
        FILE* f = std::fopen(wavPath, "wb");
        if (!f || std::fwrite(wav.data(), 1, wav.size(), f) != wav.size()) {
            if (f) std::fclose(f);
            throw std::runtime_error(std::string("cannot write ") + wavPath);
        }
        std::fclose(f);
    }
    out.pack.Add("morvek.mp3", std::move(mp3));
}

}  // namespace content
