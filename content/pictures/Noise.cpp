#include "content/pictures/Noise.h"

#include <cmath>

namespace content::pictures {

namespace {

// Sixteen unit gradients, evenly spread, so the noise has no preferred direction.
constexpr float kGradX[16] = {
    1.0f,  0.9238795f,  0.7071068f,  0.3826834f,  0.0f, -0.3826834f, -0.7071068f, -0.9238795f,
    -1.0f, -0.9238795f, -0.7071068f, -0.3826834f, 0.0f, 0.3826834f,  0.7071068f,  0.9238795f};
constexpr float kGradY[16] = {
    0.0f, 0.3826834f,  0.7071068f,  0.9238795f,  1.0f,  0.9238795f,  0.7071068f,  0.3826834f,
    0.0f, -0.3826834f, -0.7071068f, -0.9238795f, -1.0f, -0.9238795f, -0.7071068f, -0.3826834f};

inline float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

inline float Corner(int ix, int iy, float fx, float fy, uint32_t seed) {
    uint32_t h = Hash(ix, iy, seed) & 15u;
    return kGradX[h] * fx + kGradY[h] * fy;
}

inline int Wrap(int v, int period) {
    int r = v % period;
    return r < 0 ? r + period : r;
}

float NoiseImpl(float x, float y, uint32_t seed, int px, int py) {
    float flx = std::floor(x), fly = std::floor(y);
    int ix = static_cast<int>(flx), iy = static_cast<int>(fly);
    float fx = x - flx, fy = y - fly;
    int x0 = ix, x1 = ix + 1, y0 = iy, y1 = iy + 1;
    if (px > 0) {
        x0 = Wrap(x0, px);
        x1 = Wrap(x1, px);
    }
    if (py > 0) {
        y0 = Wrap(y0, py);
        y1 = Wrap(y1, py);
    }
    float a = Corner(x0, y0, fx, fy, seed);
    float b = Corner(x1, y0, fx - 1.0f, fy, seed);
    float c = Corner(x0, y1, fx, fy - 1.0f, seed);
    float d = Corner(x1, y1, fx - 1.0f, fy - 1.0f, seed);
    float u = Fade(fx), v = Fade(fy);
    float ab = a + (b - a) * u;
    float cd = c + (d - c) * u;
    return (ab + (cd - ab) * v) * 1.4142135f;
}

}  // namespace

float Noise(float x, float y, uint32_t seed) { return NoiseImpl(x, y, seed, 0, 0); }

float NoisePeriodic(float x, float y, uint32_t seed, int periodX, int periodY) {
    return NoiseImpl(x, y, seed, periodX, periodY);
}

float Fbm(float x, float y, uint32_t seed, int octaves, float gain) {
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * NoiseImpl(x, y, seed + 0x9E37u * static_cast<uint32_t>(o), 0, 0);
        norm += amp;
        amp *= gain;
        // A slight rotation between octaves hides the grid's axes.
        float nx = 1.6f * x + 1.2f * y + 17.3f;
        float ny = -1.2f * x + 1.6f * y + 5.9f;
        x = nx;
        y = ny;
    }
    return sum / norm;
}

float FbmPeriodic(float x, float y, uint32_t seed, int octaves, int periodX, int periodY,
                  float gain) {
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * NoiseImpl(x, y, seed + 0x9E37u * static_cast<uint32_t>(o), periodX, periodY);
        norm += amp;
        amp *= gain;
        x *= 2.0f;
        y *= 2.0f;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / norm;
}

float Ridged(float x, float y, uint32_t seed, int octaves, float gain) {
    float sum = 0.0f, amp = 1.0f, norm = 0.0f, weight = 1.0f;
    for (int o = 0; o < octaves; ++o) {
        float n =
            1.0f - std::fabs(NoiseImpl(x, y, seed + 0x51EDu * static_cast<uint32_t>(o), 0, 0));
        n *= n;
        sum += amp * n * weight;
        weight = n;  // finer crests ride on the coarse ones
        norm += amp;
        amp *= gain;
        float nx = 1.6f * x + 1.2f * y + 3.1f;
        float ny = -1.2f * x + 1.6f * y + 11.7f;
        x = nx;
        y = ny;
    }
    return sum / norm;
}

Cells Worley(float x, float y, uint32_t seed, int period) {
    float flx = std::floor(x), fly = std::floor(y);
    int ix = static_cast<int>(flx), iy = static_cast<int>(fly);
    float best = 1e9f, second = 1e9f;
    uint32_t bestId = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int cx = ix + dx, cy = iy + dy;
            int hx = period > 0 ? Wrap(cx, period) : cx;
            int hy = period > 0 ? Wrap(cy, period) : cy;
            uint32_t h = Hash(hx, hy, seed);
            float px = static_cast<float>(cx) + static_cast<float>(h & 0xFFFF) * (1.0f / 65536.0f);
            float py = static_cast<float>(cy) + static_cast<float>(h >> 16) * (1.0f / 65536.0f);
            float ddx = px - x, ddy = py - y;
            float d = ddx * ddx + ddy * ddy;
            if (d < best) {
                second = best;
                best = d;
                bestId = Hash(h ^ 0x5bd1e995U);
            } else if (d < second) {
                second = d;
            }
        }
    }
    return {std::sqrt(best), std::sqrt(second), bestId};
}

}  // namespace content::pictures
