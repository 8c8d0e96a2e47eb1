#include "content/scenes/Textures.h"

#include <cmath>
#include <functional>

#include "content/scenes/Noise.h"
#include "content/scenes/SceneMath.h"

namespace content::scenes {

namespace {

Rgb Mix(Rgb a, Rgb b, double t) {
    float f = static_cast<float>(t);
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}
Rgb Scale(Rgb a, double s) {
    float f = static_cast<float>(s);
    return {a.r * f, a.g * f, a.b * f};
}
Rgb Add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

uint8_t To8(double v) {
    v = Clamp(v, 0.0, 1.0) * 255.0 + 0.5;
    return static_cast<uint8_t>(v);
}

// Paints every pixel with `f(x, y)` (coordinates in texels), adds film grain of `grain`
// strength, and stores 8-bit values; alpha from `alpha` when given, else 255.
Image Paint(int w, int h, uint32_t seed, float grain, const std::function<Rgb(float, float)>& f,
            const std::function<float(float, float)>& alpha = nullptr) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Rgb c = f(x + 0.5f, y + 0.5f);
            float g = (HashUnit(x, y, seed ^ 0x6a09e667u) - 0.5f) * 2 * grain;
            // Grain is strongest in the mid-tones, as on film.
            float lum = 0.3f * c.r + 0.59f * c.g + 0.11f * c.b;
            float k = 4 * lum * (1 - lum);
            uint8_t* p = img.at(x, y);
            p[0] = To8(c.r + g * k);
            p[1] = To8(c.g + g * k);
            p[2] = To8(c.b + g * k);
            p[3] = alpha ? To8(alpha(x + 0.5f, y + 0.5f)) : 255;
        }
    }
    return img;
}

// Tileable fractal noise over a texture of `size` texels with `cells` noise cells across.
float TileFbm(float x, float y, int size, int cells, uint32_t seed, int octaves,
              float gain = 0.5f) {
    float s = static_cast<float>(cells) / size;
    return Fbm2(x * s, y * s, seed, octaves, gain, cells);
}

}  // namespace

Image WaterRipples(int size, uint32_t seed) {
    // Crossing wave trains whose wavelengths divide the texture size, so the sum tiles, plus a
    // little tileable noise to break the regularity.
    struct Wave {
        int kx, ky;  // whole waves across the texture in x and y
        float amp;
        float phase;
    };
    Rng rng(seed);
    std::vector<Wave> waves;
    const int base = size / 8;  // the finest waves about 8 texels long
    const int dirs[6][2] = {{1, 0}, {3, 2}, {1, 3}, {-2, 3}, {-3, 1}, {2, -1}};
    for (int i = 0; i < 6; ++i) {
        double len = std::sqrt(double(dirs[i][0] * dirs[i][0] + dirs[i][1] * dirs[i][1]));
        int scale = static_cast<int>(base / (1.0 + 0.35 * i) / len);
        if (scale < 1) scale = 1;
        waves.push_back({dirs[i][0] * scale, dirs[i][1] * scale, static_cast<float>(0.9 - 0.08 * i),
                         static_cast<float>(rng.Range(0, kTau))});
    }
    float norm = 0;
    for (const Wave& w : waves) norm += w.amp;
    return Paint(size, size, seed, 0.0f, [&](float x, float y) {
        double h = 0;
        for (const Wave& w : waves) h += w.amp * Sin(kTau * (w.kx * x + w.ky * y) / size + w.phase);
        h /= norm;
        h += 0.35 * TileFbm(x, y, size, 16, seed + 7, 3);
        double v = Clamp(0.5 + 0.42 * h, 0.06, 0.94);
        return Rgb{static_cast<float>(v), static_cast<float>(v), static_cast<float>(v)};
    });
}

Image RockTexture(int size, uint32_t seed) {
    using namespace palette;
    const Rgb stone{0.36f, 0.39f, 0.43f}, dark{0.12f, 0.14f, 0.18f};
    return Paint(size, size, seed, 0.05f, [&](float x, float y) {
        float n = TileFbm(x, y, size, 6, seed, 6, 0.55f);
        float fine = TileFbm(x, y, size, 32, seed + 1, 3);
        CellSample c = Cells2(x * 8.0f / size, y * 8.0f / size, seed + 2, 8);
        float crack = static_cast<float>(SmoothStep(0.0, 0.06, c.f2 - c.f1));
        Rgb col = Mix(dark, stone, 0.55 + 0.45 * n + 0.15 * fine);
        float lichen =
            static_cast<float>(SmoothStep(0.25, 0.6, TileFbm(x, y, size, 4, seed + 3, 4)));
        col = Mix(col, Mix(kDeepTeal, kTeal, 0.5 + 0.5 * fine), 0.55 * lichen);
        float vein = static_cast<float>(
            SmoothStep(0.78, 0.95, 1 - std::fabs(TileFbm(x, y, size, 3, seed + 4, 4))));
        col = Mix(col, Scale(kAmber, 0.7), 0.45 * vein);
        return Mix(Scale(dark, 0.5), col, 0.35 + 0.65 * crack);
    });
}

Image StoneBlocks(int size, uint32_t seed) {
    using namespace palette;
    const int rows = 8, cols = 4;
    const Rgb base{0.42f, 0.42f, 0.44f};
    return Paint(size, size, seed, 0.045f, [&](float x, float y) {
        float by = y * rows / size;
        int row = static_cast<int>(std::floor(by));
        float bx = x * cols / size + (row % 2) * 0.5f;
        int col = static_cast<int>(std::floor(bx));
        float fx = bx - col, fy = by - row;
        float edge =
            std::min(std::min(fx, 1 - fx) * size / cols, std::min(fy, 1 - fy) * size / rows);
        float joint = static_cast<float>(SmoothStep(1.0, 3.5, edge));
        uint32_t id = Hash3(((col % cols) + cols) % cols, row % rows, 5, seed);
        float tone = (id & 255) / 255.0f;
        float n = TileFbm(x, y, size, 16, seed, 5);
        Rgb c = Mix(base, Mix(kSteel, kBone, tone), 0.35);
        c = Scale(c, 0.8 + 0.25 * n + 0.1 * tone);
        c = Mix(c, Scale(kAmber, 0.55), 0.12 * ((id >> 8) & 1));  // some warmer blocks
        float grime = static_cast<float>(SmoothStep(0.2, 0.7, TileFbm(x, y, size, 4, seed + 9, 3)));
        c = Mix(c, Scale(kDeepTeal, 0.8), 0.3 * grime);
        return Mix(Scale(kNight, 1.5), c, joint);
    });
}

Image SkyDusk(int width, int height, uint32_t seed) {
    using namespace palette;
    return Paint(width, height, seed, 0.02f, [&](float x, float y) {
        double t = y / height;  // 0 zenith, 1 horizon
        Rgb c = Mix(Scale(kNight, 1.2), kDeepTeal, SmoothStep(0.1, 0.7, t));
        c = Mix(c, Scale(kTeal, 1.3), 0.5 * SmoothStep(0.55, 0.85, t));
        c = Mix(c, kAmber, SmoothStep(0.78, 1.0, t));
        c = Mix(c, kGold, 0.6 * SmoothStep(0.93, 1.0, t));
        // Wisps of cloud, lit warm near the horizon; they tile round the dome.
        float cloud = static_cast<float>(SmoothStep(
            0.05, 0.55,
            Fbm2(x * 8.0f / width, y * 6.0f / height * (0.4f + float(t)), seed, 5, 0.5f, 8)));
        c = Mix(c, Mix(Scale(kSteel, 0.6), kGold, SmoothStep(0.5, 1.0, t)),
                0.35 * cloud * float(t));
        // Stars high up.
        uint32_t h = Hash3(static_cast<int>(x), static_cast<int>(y), 3, seed);
        if ((h & 1023) == 0 && t < 0.6) c = Add(c, Scale(kBone, 0.6 * (1 - t / 0.6)));
        return c;
    });
}

Image ChromeEnvironment(int size) {
    using namespace palette;
    return Paint(size, size, 77, 0.015f, [&](float x, float y) {
        double dx = (x / size - 0.5) * 2, dy = (y / size - 0.5) * 2;
        double r = std::sqrt(dx * dx + dy * dy);
        // Rings of light: dark teal in the middle, a bright band, then a warm rim.
        Rgb c = Mix(kDeepTeal, kTeal, SmoothStep(0.0, 0.5, r));
        c = Add(c, Scale(kAqua, 0.8 * Exp(-((r - 0.55) / 0.06) * ((r - 0.55) / 0.06))));
        c = Mix(c, kAmber, SmoothStep(0.72, 0.9, r));
        c = Add(c, Scale(kGold, 0.6 * Exp(-((r - 0.95) / 0.04) * ((r - 0.95) / 0.04))));
        return c;
    });
}

Image BannerCloth(int size, uint32_t seed) {
    using namespace palette;
    return Paint(size, size, seed, 0.04f, [&](float x, float y) {
        double u = x / size, v = y / size;
        float weave = 0.5f + 0.5f * static_cast<float>(Sin(x * 1.6) * Sin(y * 1.6));
        Rgb c = Mix(Scale(kEmber, 0.8), kAmber,
                    0.25 + 0.2 * weave + 0.3 * TileFbm(x, y, size, 8, seed, 4));
        // A pale emblem: a ring with a vertical stroke through it.
        double dx = u - 0.5, dy = v - 0.42;
        double r = std::sqrt(dx * dx + dy * dy);
        double ring = SmoothStep(0.018, 0.0, std::fabs(r - 0.2));
        double stroke = SmoothStep(0.02, 0.0, std::fabs(dx)) * SmoothStep(0.32, 0.3, std::fabs(dy));
        c = Mix(c, kBone, 0.85 * std::max(ring, stroke));
        // Darker border bands.
        double band = SmoothStep(0.06, 0.04, std::min(u, 1 - u)) + SmoothStep(0.05, 0.03, v);
        return Mix(c, Scale(kNight, 2.0), 0.7 * Clamp(band, 0, 1));
    });
}

Image BannerOpacity(int size, uint32_t seed) {
    return Paint(size, size, seed, 0.0f, [&](float x, float y) {
        double u = x / size, v = y / size;
        // Ragged lower edge, a few moth holes, solid elsewhere.
        double edge = 0.86 + 0.08 * Fbm2(static_cast<float>(u * 6), 0.0f, seed, 4);
        double keep = SmoothStep(edge + 0.01, edge - 0.01, v);
        CellSample c = Cells2(static_cast<float>(u * 7), static_cast<float>(v * 7), seed + 1);
        if ((c.id & 7) == 0) keep *= SmoothStep(0.07, 0.1, c.f1);
        float a = static_cast<float>(keep);
        return Rgb{a, a, a};
    });
}

Image WoodPlanks(int size, uint32_t seed) {
    using namespace palette;
    const int planks = 6;
    return Paint(size, size, seed, 0.05f, [&](float x, float y) {
        float py = y * planks / size;
        int plank = static_cast<int>(std::floor(py));
        float fy = py - plank;
        uint32_t id = Hash3(plank % planks, 0, 11, seed);
        float grain = TileFbm(x + (id & 63) * 4.0f, y * 6.0f, size, 4, seed + plank, 4);
        float lines =
            0.5f + 0.5f * static_cast<float>(Sin(kTau * (y * planks * 5.0 / size) + 6 * grain));
        Rgb c = Mix(Rgb{0.20f, 0.12f, 0.07f}, Rgb{0.46f, 0.30f, 0.17f}, 0.35 + 0.35 * lines);
        c = Mix(c, Scale(kAmber, 0.5), 0.15 * ((id >> 4) & 3) / 3.0);
        float seam = static_cast<float>(SmoothStep(0.0, 0.06, std::min(fy, 1 - fy)));
        return Mix(Scale(kInk, 2), c, seam);
    });
}

Image SparkSprite(int size) {
    using namespace palette;
    return Paint(size, size, 5, 0.0f, [&](float x, float y) {
        double dx = x / size - 0.5, dy = y / size - 0.5;
        double r = std::sqrt(dx * dx + dy * dy) * 2;
        double core = Exp(-r * r * 18), halo = Exp(-r * r * 4) * 0.5;
        return Add(Scale(kGold, core), Scale(kAmber, halo * SmoothStep(1.0, 0.7, r)));
    });
}

Image MistSprite(int size) {
    using namespace palette;
    return Paint(size, size, 6, 0.0f, [&](float x, float y) {
        double dx = x / size - 0.5, dy = y / size - 0.5;
        double r = std::sqrt(dx * dx + dy * dy) * 2;
        double puff = SmoothStep(1.0, 0.0, r) * (0.75 + 0.25 * Fbm2(x * 0.1f, y * 0.1f, 12, 3));
        return Scale(Mix(kAqua, kBone, 0.4), puff * puff);
    });
}

Image Concrete(int size, uint32_t seed) {
    using namespace palette;
    return Paint(size, size, seed, 0.05f, [&](float x, float y) {
        float n = TileFbm(x, y, size, 8, seed, 6, 0.6f);
        float blot = static_cast<float>(SmoothStep(0.3, 0.7, TileFbm(x, y, size, 3, seed + 1, 4)));
        Rgb c = Mix(Rgb{0.30f, 0.31f, 0.32f}, Rgb{0.52f, 0.52f, 0.50f}, 0.5 + 0.4 * n);
        c = Mix(c, Scale(kDeepTeal, 1.2), 0.25 * blot);
        // Board marks every eighth of the texture, and tie holes.
        float fy = std::fmod(y * 8.0f / size, 1.0f);
        c = Scale(c, 1 - 0.18 * SmoothStep(0.04, 0.0, std::min(fy, 1 - fy)));
        float hx = std::fmod(x * 4.0f / size, 1.0f) - 0.5f,
              hy = std::fmod(y * 4.0f / size, 1.0f) - 0.5f;
        if (hx * hx + hy * hy < 0.0009f) c = Scale(kInk, 3);
        // Rust streaks under the holes.
        float streak = static_cast<float>(SmoothStep(0.02, 0.0, std::fabs(hx)) * (hy > 0 ? 1 : 0));
        return Mix(c, Scale(kEmber, 0.6), 0.35 * streak * (0.5f + 0.5f * n));
    });
}

Image FloorTiles(int size, uint32_t seed) {
    using namespace palette;
    const int tiles = 4;
    return Paint(size, size, seed, 0.04f, [&](float x, float y) {
        float tx = x * tiles / size, ty = y * tiles / size;
        int ix = static_cast<int>(std::floor(tx)), iy = static_cast<int>(std::floor(ty));
        float fx = tx - ix, fy = ty - iy;
        uint32_t id = Hash3(ix % tiles, iy % tiles, 2, seed);
        float gap = static_cast<float>(
            SmoothStep(0.0, 0.025, std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy))));
        float n = TileFbm(x, y, size, 12, seed, 4);
        Rgb c = Mix(Rgb{0.16f, 0.18f, 0.20f}, Rgb{0.30f, 0.32f, 0.33f},
                    0.5 + 0.4 * n + 0.2 * ((id & 255) / 255.0f - 0.5f));
        float wear = static_cast<float>(SmoothStep(0.4, 0.8, TileFbm(x, y, size, 4, seed + 5, 4)));
        c = Mix(c, Scale(kAmber, 0.35), 0.25 * wear);
        return Mix(Scale(kInk, 2), c, gap);
    });
}

Image PaintedMetal(int size, uint32_t seed) {
    using namespace palette;
    return Paint(size, size, seed, 0.04f, [&](float x, float y) {
        float n = TileFbm(x, y, size, 6, seed, 5);
        Rgb paint = Mix(Scale(kDeepTeal, 1.4), kTeal, 0.3 + 0.3 * n);
        float chip =
            static_cast<float>(SmoothStep(0.45, 0.55, TileFbm(x, y, size, 10, seed + 1, 5)));
        Rgb bare = Mix(kSteel, Scale(kEmber, 0.7),
                       SmoothStep(0.2, 0.8, TileFbm(x, y, size, 5, seed + 2, 3)));
        // Scratches: thin lines along x.
        float scratch =
            static_cast<float>(SmoothStep(0.96, 1.0, Noise2(x * 0.01f, y * 0.9f, seed + 3, 0)));
        return Mix(Mix(paint, bare, chip), kSteel, 0.6 * scratch);
    });
}

Image ScreenCard(int size) {
    using namespace palette;
    return Paint(size, size, 21, 0.03f, [&](float x, float y) {
        double u = x / size, v = y / size;
        Rgb c = Mix(kNight, kDeepTeal, v);
        double dx = u - 0.5, dy = v - 0.5;
        double r = std::sqrt(dx * dx + dy * dy);
        c = Mix(c, kAmber, SmoothStep(0.012, 0.0, std::fabs(r - 0.3)));
        c = Mix(c, kAqua, 0.6 * SmoothStep(0.006, 0.0, std::fabs(dx)) * (r < 0.3 ? 1 : 0));
        c = Mix(c, kAqua, 0.6 * SmoothStep(0.006, 0.0, std::fabs(dy)) * (r < 0.3 ? 1 : 0));
        // Grey steps along the bottom.
        if (v > 0.82 && v < 0.9 && u > 0.1 && u < 0.9) {
            double step = std::floor((u - 0.1) / 0.8 * 8) / 7;
            c = Rgb{static_cast<float>(step), static_cast<float>(step), static_cast<float>(step)};
        }
        return c;
    });
}

Image ScreenFrame(int size, uint32_t seed) {
    using namespace palette;
    return Paint(size, size, seed, 0.04f, [&](float x, float y) {
        float brush = TileFbm(x * 0.05f, y * 4.0f, size, 8, seed, 4);
        Rgb c = Mix(Rgb{0.18f, 0.19f, 0.21f}, kSteel, 0.35 + 0.3 * brush);
        // Amber edge strips across v = 0.1 and 0.9.
        float fy = y / size;
        float strip = static_cast<float>(
            SmoothStep(0.02, 0.0, std::min(std::fabs(fy - 0.1f), std::fabs(fy - 0.9f))));
        return Mix(c, kGold, strip);
    });
}

Image LampGlow(int size) {
    using namespace palette;
    return Paint(size, size, 31, 0.02f, [&](float, float y) {
        double v = y / size;
        return Mix(kGold, Scale(kEmber, 0.8), SmoothStep(0.0, 1.0, v));
    });
}

}  // namespace content::scenes
