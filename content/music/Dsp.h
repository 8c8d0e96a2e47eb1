// Building blocks of the voices: band-limited oscillators, a state-variable filter, envelopes.
#pragma once

#include <algorithm>
#include <cstdint>

#include "content/music/DMath.h"
#include "content/music/Schedule.h"

namespace content::music {

constexpr float kInvRate = 1.0f / kSampleRate;

// PolyBLEP correction for a step discontinuity at phase 0 (t in [0, 1), dt = increment).
inline float PolyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

// Band-limited sawtooth.
struct SawOsc {
    float phase = 0, inc = 0;
    void SetHz(float hz) { inc = std::min(hz * kInvRate, 0.45f); }
    float Next() {
        float v = 2.0f * phase - 1.0f - PolyBlep(phase, inc);
        phase += inc;
        if (phase >= 1.0f) phase -= 1.0f;
        return v;
    }
};

// Band-limited pulse with variable width.
struct PulseOsc {
    float phase = 0, inc = 0, width = 0.5f;
    void SetHz(float hz) { inc = std::min(hz * kInvRate, 0.45f); }
    float Next() {
        float v = phase < width ? 1.0f : -1.0f;
        v += PolyBlep(phase, inc);
        float t2 = phase - width;
        if (t2 < 0) t2 += 1.0f;
        v -= PolyBlep(t2, inc);
        phase += inc;
        if (phase >= 1.0f) phase -= 1.0f;
        return v;
    }
};

struct SineOsc {
    float phase = 0, inc = 0;
    void SetHz(float hz) { inc = hz * kInvRate; }
    float Next() {
        float v = dm::SinCycle(phase);
        phase += inc;
        if (phase >= 1.0f) phase -= 1.0f;
        return v;
    }
};

// Trapezoidal state-variable filter (lowpass, bandpass and highpass outputs at once).
struct Svf {
    float ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 1;
    float low = 0, band = 0, high = 0;
    // resonance 0..~0.95; the cutoff is clamped below Nyquist.
    void Set(float hz, float resonance) {
        hz = std::clamp(hz, 20.0f, 0.45f * kSampleRate);
        const float g = static_cast<float>(dm::Tan(dm::kPi * hz / kSampleRate));
        k = 2.0f - 2.0f * std::clamp(resonance, 0.0f, 0.98f);
        a1 = 1.0f / (1.0f + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void Process(float x) {
        const float v3 = x - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        low = v2;
        band = v1;
        high = x - k * v1 - v2;
    }
    float Low(float x) {
        Process(x);
        return low;
    }
    float High(float x) {
        Process(x);
        return high;
    }
    float Band(float x) {
        Process(x);
        return band;
    }
};

// One-pole lowpass / DC blocker helpers.
struct OnePole {
    float z = 0, a = 0;
    void SetHz(float hz) { a = static_cast<float>(1.0 - dm::Exp(-dm::kTwoPi * hz / kSampleRate)); }
    float Low(float x) { return z += a * (x - z); }
    float High(float x) { return x - Low(x); }
};

// Attack-decay-sustain-release envelope, linear attack and exponential segments after it; the
// decay is a time constant, the release the time to fall by 60 dB.
struct Adsr {
    enum Stage { Attack, Decay, Release, Done };
    Stage stage = Attack;
    float value = 0, attackInc = 1, decayCoef = 0, sustain = 1, releaseCoef = 0;
    int32_t gate = 0;  // frames until release
    void Setup(float attackS, float decayS, float sustainLevel, float releaseS,
               int32_t gateFrames) {
        attackInc = attackS <= 0 ? 1.0f : 1.0f / (attackS * kSampleRate);
        decayCoef = dm::DecayCoef(std::max(decayS, 0.001f));
        sustain = sustainLevel;
        // release is given as the time to fall by 60 dB
        releaseCoef = dm::DecayCoef(std::max(releaseS, 0.001f) / 6.9);
        gate = gateFrames;
        stage = Attack;
        value = 0;
    }
    float Next() {
        if (gate-- == 0 && stage != Done) stage = Release;
        switch (stage) {
            case Attack:
                value += attackInc;
                if (value >= 1.0f) {
                    value = 1.0f;
                    stage = Decay;
                }
                break;
            case Decay:
                value = sustain + (value - sustain) * decayCoef;
                break;
            case Release:
                value *= releaseCoef;
                if (value < 1e-4f) {
                    value = 0;
                    stage = Done;
                }
                break;
            case Done:
                break;
        }
        return value;
    }
    bool Finished() const { return stage == Done; }
};

// Equal-power pan gains, pan in [-1, 1].
inline void PanGains(float pan, float* gl, float* gr) {
    const double a = (pan + 1.0) * 0.25 * dm::kPi;
    *gl = static_cast<float>(dm::Cos(a));
    *gr = static_cast<float>(dm::Sin(a));
}

}  // namespace content::music
