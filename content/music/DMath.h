// Deterministic math for the synthesiser: the library's transcendental functions may differ in
// the last bit between C libraries, so everything the music depends on is computed here from
// plain IEEE operations (+, -, *, /, sqrt, floor), which give the same bits everywhere.
#pragma once

#include <cmath>
#include <cstdint>

namespace content::music::dm {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 6.28318530717958647692;
constexpr double kLn2 = 0.69314718055994530942;

// sin(x) for any x: reduction to [-pi/2, pi/2] and a degree-13 Taylor polynomial (error < 1e-10).
inline double Sin(double x) {
    double k = std::floor(x / kPi + 0.5);
    double r = x - k * kPi;  // r in [-pi/2, pi/2]
    double r2 = r * r;
    double p =
        r * (1.0 + r2 * (-1.0 / 6 +
                         r2 * (1.0 / 120 +
                               r2 * (-1.0 / 5040 +
                                     r2 * (1.0 / 362880 +
                                           r2 * (-1.0 / 39916800 + r2 * (1.0 / 6227020800.0)))))));
    return (static_cast<int64_t>(k) & 1) ? -p : p;
}
inline double Cos(double x) { return Sin(x + kPi / 2); }
inline double Tan(double x) { return Sin(x) / Cos(x); }

// Sine of a phase given in cycles; cheaper single-precision form for oscillators.
inline float SinCycle(float phase) {
    // floor by integer conversion: without SSE4.1 std::floor is a library call in this hot path
    const float t = phase + 0.5f;
    int k = static_cast<int>(t);
    if (static_cast<float>(k) > t) --k;
    float x = phase - static_cast<float>(k);  // [-0.5, 0.5)
    // fold to [-0.25, 0.25] where the polynomial is accurate
    if (x > 0.25f) x = 0.5f - x;
    if (x < -0.25f) x = -0.5f - x;
    float r = x * 6.2831853f;
    float r2 = r * r;
    return r * (1.0f + r2 * (-0.16666667f +
                             r2 * (0.0083333333f + r2 * (-0.00019841270f + r2 * 2.7557319e-6f))));
}

// e^x: x = k*ln2 + r with |r| <= ln2/2, 2^k exact by ldexp, e^r by a degree-12 Taylor series.
inline double Exp(double x) {
    if (x < -700) return 0.0;
    if (x > 700) x = 700;
    double k = std::floor(x / kLn2 + 0.5);
    double r = x - k * kLn2;
    double s = 1.0;
    for (int i = 12; i >= 1; --i) s = 1.0 + s * r / i;
    return std::ldexp(s, static_cast<int>(k));
}
inline double Pow2(double x) { return Exp(x * kLn2); }

// Frequency in Hz of a (fractional) MIDI note number, A4 = 69 = 440 Hz.
inline double NoteHz(double note) { return 440.0 * Pow2((note - 69.0) / 12.0); }

// Decay coefficient per sample so that a value falls to 1/e after `seconds`.
inline float DecayCoef(double seconds, double rate = 44100.0) {
    return static_cast<float>(Exp(-1.0 / (seconds * rate)));
}

// Gain factor for decibels.
inline double DbToGain(double db) { return Exp(db * 0.11512925464970229); }

// Soft saturation with tanh's shape, rational and cheap: exact at 0, saturates at +-1.
inline float SoftClip(float x) {
    if (x > 3.0f) return 1.0f;
    if (x < -3.0f) return -1.0f;
    float x2 = x * x;
    return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

// Small seeded generator (xorshift32) for noise and humanising: no global state.
class Rng {
  public:
    explicit Rng(uint32_t seed) : s_(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    // Uniform in [-1, 1).
    float Bipolar() { return static_cast<float>(static_cast<int32_t>(Next())) * 4.656612873e-10f; }
    // Uniform in [0, 1).
    float Unit() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }

  private:
    uint32_t s_;
};

}  // namespace content::music::dm
