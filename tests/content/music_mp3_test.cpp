// The encoded soundtrack as the engine's player hears it: decoded by libmpg123 with gapless
// handling, it must keep every accent on its frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "content/Mp3TestDecode.h"
#include "content/music/DMath.h"
#include "content/music/Mp3Encode.h"
#include "content/music/Music.h"
#include "content/music/Schedule.h"

using namespace content::music;

namespace {

// Lag (in frames) that best aligns `b` to `a` around `at`, by cross-correlating the mono sum of a
// window against shifts up to `maxLag`.
int BestLag(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int64_t at, int window,
            int maxLag) {
    const int64_t frames = static_cast<int64_t>(std::min(a.size(), b.size()) / 2);
    auto mono = [](const std::vector<int16_t>& v, int64_t f) {
        return static_cast<double>(v[2 * f]) + v[2 * f + 1];
    };
    double best = -1e300;
    int bestLag = 0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double s = 0;
        for (int64_t i = at; i < at + window; ++i) {
            const int64_t j = i + lag;
            if (i < 0 || j < 0 || i >= frames || j >= frames) continue;
            s += mono(a, i) * mono(b, j);
        }
        if (s > best) best = s, bestLag = lag;
    }
    return bestLag;
}

// Where, within +-radius frames of `at`, high-frequency energy rises most sharply.
int64_t OnsetNear(const std::vector<int16_t>& pcm, int64_t at, int radius) {
    const int64_t lo = at - radius - 300, hi = at + radius + 200;
    std::vector<double> cum(static_cast<size_t>(hi - lo + 1), 0.0);
    for (int64_t f = lo; f < hi; ++f) {
        const double x = double(pcm[2 * f]) + pcm[2 * f + 1];
        const double y = double(pcm[2 * f - 2]) + pcm[2 * f - 1];
        cum[f - lo + 1] = cum[f - lo] + (x - y) * (x - y);
    }
    auto sum = [&](int64_t a, int64_t b) { return cum[b - lo] - cum[a - lo]; };
    double best = -1;
    int64_t bestAt = at;
    for (int64_t t = at - radius; t <= at + radius; ++t) {
        const double ratio = (sum(t, t + 96) / 96) / (sum(t - 256, t) / 256 + 1.0);
        if (ratio > best) best = ratio, bestAt = t;
    }
    return bestAt;
}

std::vector<int16_t> ClickTrack(int frames, const std::vector<int>& clicks) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2, 0);
    dm::Rng rng(5);
    for (int i = 0; i < frames; ++i) {  // quiet bed so the encoder has something to do
        const float bed = 2000.0f * dm::SinCycle(i * 220.0f / 44100.0f);
        pcm[2 * i] = static_cast<int16_t>(bed);
        pcm[2 * i + 1] = static_cast<int16_t>(-bed);
    }
    for (int c : clicks)
        for (int k = 0; k < 300 && c + k < frames; ++k) {
            const float v = 20000.0f * rng.Bipolar() * std::pow(0.99f, static_cast<float>(k));
            pcm[2 * (c + k)] = static_cast<int16_t>(pcm[2 * (c + k)] + v);
            pcm[2 * (c + k) + 1] = static_cast<int16_t>(pcm[2 * (c + k) + 1] + v);
        }
    return pcm;
}

}  // namespace

TEST(MusicMp3, GaplessDecodeReturnsTheEncodedFramesInPlace) {
    const std::vector<int> clicks = {1000, 33333, 70001, 100000, 131000};
    const int frames = 44100 * 3 + 17;  // not a whole number of MP3 frames
    const std::vector<int16_t> pcm = ClickTrack(frames, clicks);
    const std::vector<uint8_t> mp3 = EncodeMp3(pcm);
    const musictest::Decoded d = musictest::DecodeMp3(mp3);
    ASSERT_TRUE(d.error.empty()) << d.error;
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.pcm.size(), pcm.size());  // delay and padding removed exactly
    for (int c : clicks) EXPECT_EQ(BestLag(pcm, d.pcm, c - 200, 1200, 600), 0) << c;
}

TEST(MusicMp3, CarriesTheInfoTagAndIsDeterministic) {
    const std::vector<int16_t> pcm = ClickTrack(44100, {5000});
    const std::vector<uint8_t> a = EncodeMp3(pcm);
    const std::vector<uint8_t> b = EncodeMp3(pcm);
    EXPECT_EQ(a, b);
    ASSERT_GT(a.size(), 700u);
    EXPECT_EQ(a[0], 0xFF);
    EXPECT_EQ(a[1] & 0xE0, 0xE0);
    const std::string head(a.begin(), a.begin() + 700);
    EXPECT_NE(head.find("Info"), std::string::npos);  // CBR flavour of the Xing header
    EXPECT_NE(head.find("LAME"), std::string::npos);  // with the encoder delay and padding
    // 192 kbit/s: the bit-rate index 11 in the second header byte of MPEG-1 Layer III
    EXPECT_EQ(a[2] >> 4, 11);
}

TEST(MusicMp3, WavFileHasACanonicalHeader) {
    const std::vector<int16_t> pcm = {1, -1, 300, -300};
    const std::vector<uint8_t> w = WavFile(pcm);
    ASSERT_EQ(w.size(), 44u + 8u);
    EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(w[22], 2);  // channels
    EXPECT_EQ(w[24] | w[25] << 8, 44100 & 0xFFFF);
    EXPECT_EQ(w[40], 8);  // data bytes
}

// The whole soundtrack, rendered here and compared with what the generator put in the pack. One
// test, because the test runner starts a process per test and rendering is the costly part.
TEST(MusicTrack, PackedSoundtrackDecodesToTheRenderedSongWithEveryAccentInPlace) {
    const std::vector<int16_t> rendered = RenderTrack();
    std::vector<uint8_t> packMp3;
    ASSERT_TRUE(musictest::ReadPackEntry(RUNEPLAY_PLAY_DIR "/kelvra.dat", "morvek.mp3", packMp3))
        << "morvek.mp3 missing from the generated pack";
    // the generator's bytes are this build's bytes: nothing depends on time, machine or flags
    EXPECT_TRUE(packMp3 == EncodeMp3(rendered)) << "generator output is not reproducible";

    const musictest::Decoded decoded = musictest::DecodeMp3(packMp3);
    ASSERT_TRUE(decoded.error.empty()) << decoded.error;
    EXPECT_EQ(decoded.rate, 44100);
    EXPECT_EQ(decoded.channels, 2);
    ASSERT_EQ(rendered.size() / 2, static_cast<size_t>(TrackFrames()));
    ASSERT_EQ(decoded.pcm.size(), rendered.size()) << "encoder delay or padding left in";

    // every accent: no shift through the codec, and a sharp onset on its frame (within 5 ms)
    constexpr int kFiveMs = 220;
    int worstOnset = 0;
    for (const Accent& a : Accents()) {
        const int64_t f = FrameOfByte(a.bytePos);
        SCOPED_TRACE("accent at byte " + std::to_string(a.bytePos));
        EXPECT_LE(std::abs(BestLag(rendered, decoded.pcm, f - 256, 2048, 441)), 2);
        const int64_t heard = OnsetNear(decoded.pcm, f, 441);
        EXPECT_LE(std::abs(heard - f), kFiveMs);
        worstOnset = std::max(worstOnset, static_cast<int>(std::abs(heard - f)));
    }
    RecordProperty("worst_onset_error_frames", worstOnset);

    // levels: headroom everywhere, loud enough where the band plays
    int peak = 0, decodedPeak = 0;
    double energy = 0;
    const int64_t from = FrameOfByte(pos::kWaterStart), to = FrameOfByte(pos::kEndScreen);
    for (int64_t i = 0; i < static_cast<int64_t>(rendered.size()); ++i) {
        const int s = rendered[i];
        peak = std::max(peak, std::abs(s));
        decodedPeak = std::max(decodedPeak, std::abs(static_cast<int>(decoded.pcm[i])));
        if (i >= 2 * from && i < 2 * to) energy += double(s) * s;
    }
    const double rmsDb = 10 * std::log10(energy / (2.0 * (to - from)) / (32768.0 * 32768.0));
    EXPECT_LT(peak, 32000);
    EXPECT_LT(decodedPeak, 32767);
    EXPECT_GT(rmsDb, -16.0);
    EXPECT_LT(rmsDb, -9.0);
}
