#include "content/scenes/Noise.h"

#include <cmath>

namespace content::scenes {

namespace {

int Wrap(int i, int period) {
    if (period <= 0) return i;
    int m = i % period;
    return m < 0 ? m + period : m;
}

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// One of 16 unit gradients around the circle (exact table, no trigonometry).
float Grad2(uint32_t h, float dx, float dy) {
    static const float kG[16][2] = {
        {1, 0},  {0.92388f, 0.38268f},   {0.70711f, 0.70711f},   {0.38268f, 0.92388f},
        {0, 1},  {-0.38268f, 0.92388f},  {-0.70711f, 0.70711f},  {-0.92388f, 0.38268f},
        {-1, 0}, {-0.92388f, -0.38268f}, {-0.70711f, -0.70711f}, {-0.38268f, -0.92388f},
        {0, -1}, {0.38268f, -0.92388f},  {0.70711f, -0.70711f},  {0.92388f, -0.38268f}};
    const float* g = kG[h & 15];
    return g[0] * dx + g[1] * dy;
}

float Grad3(uint32_t h, float dx, float dy, float dz) {
    // The 12 edge directions of a cube, as in the classic improved noise.
    switch (h % 12) {
        case 0:
            return dx + dy;
        case 1:
            return -dx + dy;
        case 2:
            return dx - dy;
        case 3:
            return -dx - dy;
        case 4:
            return dx + dz;
        case 5:
            return -dx + dz;
        case 6:
            return dx - dz;
        case 7:
            return -dx - dz;
        case 8:
            return dy + dz;
        case 9:
            return -dy + dz;
        case 10:
            return dy - dz;
        default:
            return -dy - dz;
    }
}

}  // namespace

float Noise2(float x, float y, uint32_t seed, int period) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float dx = x - fx, dy = y - fy;
    int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    float n00 = Grad2(Hash3(x0, y0, 0, seed), dx, dy);
    float n10 = Grad2(Hash3(x1, y0, 0, seed), dx - 1, dy);
    float n01 = Grad2(Hash3(x0, y1, 0, seed), dx, dy - 1);
    float n11 = Grad2(Hash3(x1, y1, 0, seed), dx - 1, dy - 1);
    float u = Fade(dx), v = Fade(dy);
    float a = n00 + (n10 - n00) * u;
    float b = n01 + (n11 - n01) * u;
    return (a + (b - a) * v) * 1.4142f;
}

float Noise3(float x, float y, float z, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    float dx = x - fx, dy = y - fy, dz = z - fz;
    float u = Fade(dx), v = Fade(dy), w = Fade(dz);
    float c[2][2][2];
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                c[k][j][i] = Grad3(Hash3(ix + i, iy + j, iz + k, seed), dx - i, dy - j, dz - k);
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    float x00 = lerp(c[0][0][0], c[0][0][1], u), x10 = lerp(c[0][1][0], c[0][1][1], u);
    float x01 = lerp(c[1][0][0], c[1][0][1], u), x11 = lerp(c[1][1][0], c[1][1][1], u);
    return lerp(lerp(x00, x10, v), lerp(x01, x11, v), w) * 0.9f;
}

float Fbm2(float x, float y, uint32_t seed, int octaves, float gain, int period) {
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * Noise2(x, y, seed + static_cast<uint32_t>(o) * 1013u, period);
        norm += amp;
        amp *= gain;
        x *= 2;
        y *= 2;
        if (period > 0) period *= 2;
    }
    return sum / norm;
}

float Fbm3(float x, float y, float z, uint32_t seed, int octaves, float gain) {
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * Noise3(x, y, z, seed + static_cast<uint32_t>(o) * 7919u);
        norm += amp;
        amp *= gain;
        x *= 2;
        y *= 2;
        z *= 2;
    }
    return sum / norm;
}

CellSample Cells2(float x, float y, uint32_t seed, int period) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    CellSample best{1e9f, 1e9f, 0};
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            int cx = ix + i, cy = iy + j;
            uint32_t h = Hash3(Wrap(cx, period), Wrap(cy, period), 1, seed);
            float px = cx + (h & 0xFFFF) * (1.0f / 65536.0f);
            float py = cy + (h >> 16) * (1.0f / 65536.0f);
            float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < best.f1) {
                best.f2 = best.f1;
                best.f1 = d;
                best.id = h;
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    }
    return best;
}

}  // namespace content::scenes
