// Signal-level checks of the building blocks: filters, envelopes, delay, reverb and limiter.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "content/music/Dsp.h"
#include "content/music/Effects.h"

using namespace content::music;

namespace {

double SineThroughLowpass(float hz, float cutoff) {
    Svf f;
    f.Set(cutoff, 0.0f);
    SineOsc o;
    o.SetHz(hz);
    double in = 0, out = 0;
    for (int i = 0; i < 44100; ++i) {
        const float x = o.Next();
        const float y = f.Low(x);
        if (i > 4410) in += x * x, out += y * y;
    }
    return 10 * std::log10(out / in);
}

}  // namespace

TEST(MusicDsp, LowpassPassesLowsAndCutsHighs) {
    EXPECT_NEAR(SineThroughLowpass(100, 1000), 0.0, 0.5);
    EXPECT_LT(SineThroughLowpass(10000, 500), -40.0);
    EXPECT_NEAR(SineThroughLowpass(1000, 1000), -6.0, 0.5);  // no resonance: Q = 0.5
}

namespace {

// Magnitude (dB) of one frequency in a Hann-windowed second of signal.
double ToneDb(const std::vector<float>& x, double hz) {
    const double w = 2 * M_PI * hz / 44100;
    double re = 0, im = 0;
    const size_t n = x.size();
    for (size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * M_PI * i / (n - 1));
        re += x[i] * hann * std::cos(w * i);
        im -= x[i] * hann * std::sin(w * i);
    }
    return 10 * std::log10(re * re + im * im + 1e-30);
}

}  // namespace

TEST(MusicDsp, SawIsBandLimited) {
    // A 3 kHz saw's 15th harmonic (45 kHz) folds to 900 Hz, where nothing else lies.
    SawOsc s;
    s.SetHz(3000);
    std::vector<float> blep(44100), naive(44100);
    float ph = 0;
    for (int i = 0; i < 44100; ++i) {
        blep[i] = s.Next();
        naive[i] = 2 * ph - 1;
        ph += 3000.0f / 44100;
        if (ph >= 1) ph -= 1;
    }
    const double fund = ToneDb(blep, 3000);
    const double aliasBlep = ToneDb(blep, 900) - fund;
    const double aliasNaive = ToneDb(naive, 900) - ToneDb(naive, 3000);
    EXPECT_NEAR(aliasNaive, -23.5, 1.5);  // 1/15, as the measurement's sanity check
    EXPECT_LT(aliasBlep, -40.0);
}

TEST(MusicDsp, EnvelopeAttacksSustainsAndReleasesInTime) {
    Adsr e;
    e.Setup(0.01f, 0.05f, 0.5f, 0.2f, 22050);  // gate 500 ms, release 200 ms to -60 dB
    float peak = 0;
    int i = 0;
    for (; i < 22050; ++i) peak = std::max(peak, e.Next());
    EXPECT_FLOAT_EQ(peak, 1.0f);
    EXPECT_NEAR(e.value, 0.5f, 0.05f);
    int releasedAt = -1;
    for (; i < 44100; ++i) {
        e.Next();
        if (e.Finished()) {
            releasedAt = i;
            break;
        }
    }
    ASSERT_GT(releasedAt, 0);
    // from the sustain level 0.5 down to the 1e-4 floor: ln(5000) time constants of 0.2 / 6.9 s
    EXPECT_NEAR((releasedAt - 22050) / 44100.0, std::log(5000.0) * 0.2 / 6.9, 0.01);
}

TEST(MusicEffects, DelayEchoesPingPong) {
    PingPongDelay d(1000, 0.5f, 20000);
    std::vector<float> inL(4000, 0.0f), inR(4000, 0.0f), outL(4000, 0.0f), outR(4000, 0.0f);
    inL[10] = inR[10] = 1.0f;
    d.Process(inL.data(), inR.data(), outL.data(), outR.data(), 4000);
    auto peakAt = [](const std::vector<float>& v, int from, int to) {
        int best = from;
        for (int i = from; i < to; ++i)
            if (std::fabs(v[i]) > std::fabs(v[best])) best = i;
        return best;
    };
    EXPECT_NEAR(peakAt(outL, 0, 1900), 1010, 2);  // first repeat on the left
    EXPECT_NEAR(peakAt(outR, 0, 2900), 2010, 4);  // the next one crosses to the right
    EXPECT_LT(std::fabs(outR[1010]), 1e-3f);
}

TEST(MusicEffects, ReverbTailIsFiniteWideAndDecays) {
    Reverb r(0.86f, 0.3f, 441);
    const int n = 44100 * 4;
    std::vector<float> inL(n, 0.0f), inR(n, 0.0f), outL(n, 0.0f), outR(n, 0.0f);
    for (int i = 0; i < 2000; ++i) inL[i] = inR[i] = (i % 7 == 0) ? 1.0f : -0.2f;
    r.Process(inL.data(), inR.data(), outL.data(), outR.data(), n);
    auto energy = [&](int a, int b) {
        double e = 0;
        for (int i = a; i < b; ++i) e += outL[i] * outL[i] + outR[i] * outR[i];
        return e;
    };
    EXPECT_EQ(outL[100], 0.0f);  // the pre-delay
    EXPECT_GT(energy(0, 22050), 0.0);
    EXPECT_LT(energy(3 * 44100, 4 * 44100), energy(0, 44100) * 1e-2);
    double diff = 0;
    for (int i = 0; i < 44100; ++i) diff += std::fabs(outL[i] - outR[i]);
    EXPECT_GT(diff, 1.0);  // left and right differ: the reverb adds width
}

TEST(MusicEffects, LimiterDelaysByItsLatencyAndHoldsTheCeiling) {
    Limiter lim(0.5f);
    const int n = 4000;
    std::vector<float> l(n, 0.0f), r(n, 0.0f);
    l[1000] = r[1000] = 0.25f;  // below the ceiling: passes unchanged, only delayed
    for (int i = 2000; i < 2400; ++i) l[i] = r[i] = 2.0f * ((i & 1) ? 1.0f : -1.0f);
    lim.Process(l.data(), r.data(), n);
    EXPECT_FLOAT_EQ(l[1000 + Limiter::kLatency], 0.25f);
    for (int i = 0; i < n; ++i) ASSERT_LE(std::fabs(l[i]), 0.5f + 1e-6f) << i;
}
