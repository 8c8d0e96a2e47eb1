// Synthesis pieces: deterministic math, voices that start on their frame and fall silent, and a
// mixer that puts every note where it was scheduled.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "content/music/DMath.h"
#include "content/music/Mixer.h"
#include "content/music/Voices.h"

using namespace content::music;

TEST(MusicMath, MatchesTheLibraryClosely) {
    for (double x = -40.0; x <= 40.0; x += 0.173) {
        EXPECT_NEAR(dm::Sin(x), std::sin(x), 1e-9) << x;
        EXPECT_NEAR(dm::SinCycle(static_cast<float>(x)), std::sin(2 * M_PI * static_cast<float>(x)),
                    2e-5)
            << x;
    }
    for (double x = -30.0; x <= 30.0; x += 0.377)
        EXPECT_NEAR(dm::Exp(x) / std::exp(x), 1.0, 1e-12) << x;
    EXPECT_NEAR(dm::NoteHz(69), 440.0, 1e-9);
    EXPECT_NEAR(dm::NoteHz(81), 880.0, 1e-9);
    EXPECT_FLOAT_EQ(dm::SoftClip(0.0f), 0.0f);
    EXPECT_LE(dm::SoftClip(100.0f), 1.0f);
    EXPECT_GE(dm::SoftClip(-100.0f), -1.0f);
}

namespace {

struct Rendered {
    std::vector<float> l, r;
    bool finished = false;
};

Rendered RenderVoice(Instrument inst, Note n, int frames) {
    Rendered out;
    out.l.assign(frames, 0.0f);
    out.r.assign(frames, 0.0f);
    auto v = MakeVoice(inst, n);
    EXPECT_NE(v, nullptr);
    if (!v) return out;
    for (int f = 0; f < frames; f += 512) {
        const int k = std::min(512, frames - f);
        if (!v->Render(out.l.data() + f, out.r.data() + f, k)) {
            out.finished = true;
            break;
        }
    }
    return out;
}

}  // namespace

TEST(MusicVoices, EveryInstrumentIsFiniteBoundedAndEnds) {
    const Instrument all[] = {
        Instrument::Pad,   Instrument::Lead,     Instrument::Bass,      Instrument::Pluck,
        Instrument::Stab,  Instrument::Bell,     Instrument::Sub,       Instrument::Kick,
        Instrument::Snare, Instrument::Clap,     Instrument::HatClosed, Instrument::HatOpen,
        Instrument::Tom,   Instrument::Crash,    Instrument::Impact,    Instrument::ReverseCymbal,
        Instrument::Riser, Instrument::MetalHit, Instrument::Snap};
    for (Instrument inst : all) {
        Note n;
        n.length = 22050;
        n.pitch = 57;
        n.velocity = 1;
        const Rendered r = RenderVoice(inst, n, 44100 * 12);
        double energy = 0, peak = 0;
        for (size_t i = 0; i < r.l.size(); ++i) {
            ASSERT_TRUE(std::isfinite(r.l[i]) && std::isfinite(r.r[i]));
            energy += r.l[i] * r.l[i] + r.r[i] * r.r[i];
            peak = std::max<double>(peak, std::max(std::fabs(r.l[i]), std::fabs(r.r[i])));
        }
        EXPECT_GT(energy, 1e-3) << static_cast<int>(inst);
        EXPECT_LT(peak, 1.5) << static_cast<int>(inst);
        EXPECT_TRUE(r.finished) << "instrument " << static_cast<int>(inst) << " never fell silent";
    }
}

TEST(MusicVoices, SameNoteSameSamples) {
    Note n;
    n.length = 8000;
    n.pitch = 64;
    n.seed = 77;
    const Rendered a = RenderVoice(Instrument::Crash, n, 20000);
    const Rendered b = RenderVoice(Instrument::Crash, n, 20000);
    EXPECT_EQ(a.l, b.l);
    EXPECT_EQ(a.r, b.r);
    n.seed = 78;
    const Rendered c = RenderVoice(Instrument::Crash, n, 20000);
    EXPECT_NE(a.l, c.l);
}

TEST(MusicVoices, AccentSoundsAreLoudFromTheirFirstMillisecond) {
    for (Instrument inst : {Instrument::Snap, Instrument::Crash, Instrument::Kick,
                            Instrument::MetalHit, Instrument::Clap}) {
        Note n;
        n.length = 4000;
        const Rendered r = RenderVoice(inst, n, 4410);
        float first = 0, rest = 0;
        for (int i = 0; i < 44; ++i) first = std::max(first, std::fabs(r.l[i]));
        for (int i = 44; i < 4410; ++i) rest = std::max(rest, std::fabs(r.l[i]));
        EXPECT_GT(first, 0.3f * rest) << static_cast<int>(inst);
    }
}

TEST(MusicVoices, ReverseCymbalStopsAtItsEnd) {
    Note n;
    n.length = 30000;
    const Rendered r = RenderVoice(Instrument::ReverseCymbal, n, 40000);
    float before = 0, after = 0;
    for (int i = 29000; i < 29900; ++i) before = std::max(before, std::fabs(r.l[i]));
    for (int i = 30000; i < 40000; ++i) after = std::max(after, std::fabs(r.l[i]));
    EXPECT_GT(before, 0.01f);
    EXPECT_EQ(after, 0.0f);
    EXPECT_TRUE(r.finished);
}

TEST(MusicMixer, NotesSoundExactlyOnTheirFrame) {
    // The limiter looks ahead; the mixer must hide that delay completely.
    Song song;
    song.frames = 20000;
    Track t;
    t.channel.inst = Instrument::Snap;
    for (int64_t f : {3001, 12345}) {
        Note n;
        n.start = f;
        n.length = 100;
        t.notes.push_back(n);
    }
    song.tracks.push_back(t);
    const std::vector<int16_t> pcm = RenderSong(song);
    ASSERT_EQ(pcm.size(), 40000u);
    int firstNonZero = -1;
    for (int i = 0; i < 20000; ++i)
        if (pcm[2 * i] != 0 || pcm[2 * i + 1] != 0) {
            firstNonZero = i;
            break;
        }
    EXPECT_EQ(firstNonZero, 3001);
    // the first has died away long before the second starts
    int second = -1;
    for (int i = 10000; i < 20000; ++i)
        if (pcm[2 * i] != 0 || pcm[2 * i + 1] != 0) {
            second = i;
            break;
        }
    EXPECT_EQ(second, 12345);
}

TEST(MusicMixer, LimiterKeepsPeaksBelowFullScale) {
    Song song;
    song.frames = 44100;
    Track t;
    t.channel.inst = Instrument::Impact;
    t.channel.gain = 8;  // far too loud on purpose
    Note n;
    n.start = 1000;
    n.length = 1000;
    t.notes.push_back(n);
    song.tracks.push_back(t);
    const std::vector<int16_t> pcm = RenderSong(song);
    int peak = 0;
    for (int16_t s : pcm) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 20000);
    EXPECT_LT(peak, 32767 * 0.9);
}
