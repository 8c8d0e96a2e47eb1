// Seeded gradient noise for displacing rocks and painting textures, with fractal sums and
// cellular noise. Each form can repeat with a period so textures tile.
#pragma once

#include <cstdint>

namespace content::scenes {

inline uint32_t Hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}
inline uint32_t Hash3(int x, int y, int z, uint32_t seed) {
    return Hash32(static_cast<uint32_t>(x) * 0x8da6b343U ^
                  Hash32(static_cast<uint32_t>(y) * 0xd8163841U ^
                         Hash32(static_cast<uint32_t>(z) * 0xcb1ab31fU ^ seed)));
}
// Uniform in [0, 1).
inline float HashUnit(int x, int y, uint32_t seed) {
    return static_cast<float>(Hash3(x, y, 0, seed) >> 8) * (1.0f / 16777216.0f);
}

// Gradient noise in about [-1, 1]; with period > 0 it repeats every `period` units in x and y.
float Noise2(float x, float y, uint32_t seed, int period = 0);
float Noise3(float x, float y, float z, uint32_t seed);

// Fractal sums of `octaves` layers, each double the frequency and `gain` times the amplitude;
// normalised to about [-1, 1]. The periodic form doubles the period with each octave.
float Fbm2(float x, float y, uint32_t seed, int octaves, float gain = 0.5f, int period = 0);
float Fbm3(float x, float y, float z, uint32_t seed, int octaves, float gain = 0.5f);

// Distance to the nearest and second nearest feature point, one per unit cell, and the hash of
// the nearest cell; repeating every `period` cells when period > 0.
struct CellSample {
    float f1, f2;
    uint32_t id;
};
CellSample Cells2(float x, float y, uint32_t seed, int period = 0);

}  // namespace content::scenes
