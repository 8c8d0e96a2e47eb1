// Seeded randomness for the pictures: integer hashes, a small generator, gradient noise, fractal
// sums and cellular noise, each with a tileable form for textures that repeat.
#pragma once

#include <cstdint>

namespace content::pictures {

// A well-mixed 32-bit hash (good avalanche, cheap).
inline uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

inline uint32_t Hash(int x, int y, uint32_t seed) {
    return Hash(static_cast<uint32_t>(x) * 0x8da6b343U ^ Hash(static_cast<uint32_t>(y) ^ seed));
}

// Uniform in [0, 1).
inline float HashUnit(int x, int y, uint32_t seed) {
    return static_cast<float>(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// SplitMix64: the pictures' own generator, so no library's rand() decides a pixel. Draw at
// most once per expression (function arguments and operands are evaluated in an order the
// compiler chooses, which would make pictures differ between compilers).
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    float Unit() { return static_cast<float>(Next() >> 40) * (1.0f / 16777216.0f); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
    // Uniform integer in [0, n).
    int Below(int n) { return static_cast<int>((Next() >> 33) % static_cast<uint64_t>(n)); }
    // Roughly normal (sum of four uniforms), mean 0, deviation 1. The draws are taken one
    // statement at a time: the order of operands within an expression is up to the compiler.
    float Gauss() {
        float s = Unit();
        s += Unit();
        s += Unit();
        s += Unit();
        return (s - 2.0f) * 1.7320508f;
    }

  private:
    uint64_t state_;
};

// Gradient noise in about [-1, 1]. With periods > 0 it repeats every periodX by periodY units.
float Noise(float x, float y, uint32_t seed);
float NoisePeriodic(float x, float y, uint32_t seed, int periodX, int periodY);

// Fractal sum of `octaves` noise layers, each twice the frequency and `gain` times the amplitude
// of the one before; normalised to about [-1, 1].
float Fbm(float x, float y, uint32_t seed, int octaves, float gain = 0.5f);
// The same, repeating every periodX by periodY units (periods double with each octave).
float FbmPeriodic(float x, float y, uint32_t seed, int octaves, int periodX, int periodY,
                  float gain = 0.5f);
// Ridged fractal: sharp crests where the noise crosses zero; in [0, 1].
float Ridged(float x, float y, uint32_t seed, int octaves, float gain = 0.5f);

// Distances to the nearest and second nearest feature point (one point per unit cell), and the
// nearest cell's hash. With period > 0 the pattern repeats every `period` units both ways.
struct Cells {
    float f1;
    float f2;
    uint32_t id;
};
Cells Worley(float x, float y, uint32_t seed, int period = 0);

}  // namespace content::pictures
