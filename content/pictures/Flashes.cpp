// Flash pictures: added to the frame at full strength and faded out over a second or a quarter
// of one, so they are light on exact black. The long flashes ("gret") are lens light: streak,
// sunburst, halo, shafts; the short inserts ("wstawka") are graphic: scan bars, a halftone
// burst, a rune, light columns, a range finder.
#include <stdexcept>
#include <string>

#include "content/pictures/Fmath.h"
#include "content/pictures/Lettering.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Runes.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace {

constexpr int kW = 1024, kH = 768;

Develop FlashDevelop(uint32_t seed) {
    Develop d;
    d.seed = seed;
    d.grain = 0.03f;
    d.vignette = 0.0f;
    d.toning = 0.0f;
    d.keepBlack = true;
    return d;
}

// Tiny bright specks scattered with density falling away from (cx, cy).
void AddSparkle(Canvas& c, uint32_t seed, int count, float cx, float cy, float spread, Rgb colour) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        float r = spread * std::sqrt(-2.0f * static_cast<float>(Log(1.0 - 0.999 * rng.Unit())));
        float a = rng.Range(0.0f, static_cast<float>(kTwoPi));
        float x = cx + r * Cosf(a), y = cy + r * Sinf(a);
        // Draws are separate statements: argument order is unspecified in C++, and the
        // pictures must not depend on the compiler.
        float radius = rng.Range(0.6f, 1.8f);
        float level = rng.Range(0.2f, 1.0f);
        AddGlow(c, x, y, radius, colour * level);
    }
}

// Black stays black: clear anything the soft falloffs left below one level of 8 bits.
void CutFloor(Canvas& c) {
    for (Rgb& p : c.px) {
        if (p.r < 0.5f / 255) p.r = 0;
        if (p.g < 0.5f / 255) p.g = 0;
        if (p.b < 0.5f / 255) p.b = 0;
    }
}

Canvas AnamorphicFlare() {
    Canvas c(kW, kH);
    const float cx = 0.56f * kW, cy = 0.44f * kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = (x + 0.5f - cx) / kW, dy = (y + 0.5f - cy) / kH;
            float streak = Expf(-dy * dy * 9000.0f) / (1.0f + std::fabs(dx) * 6.0f);
            float wide = Expf(-dy * dy * 600.0f) / (1.0f + std::fabs(dx) * 14.0f);
            float r2 = dx * dx * 1.78f + dy * dy;
            c.at(x, y) = palette::kAqua * (1.1f * streak + 0.25f * wide) +
                         palette::kGold * (1.4f * Expf(-r2 * 900.0f)) +
                         palette::kAmber * (0.35f * Expf(-r2 * 40.0f));
        }
    // Ghosts mirrored through the picture centre, as a lens throws them.
    const float gx = 0.5f * kW - cx, gy = 0.5f * kH - cy;
    const float ghosts[5][3] = {
        {0.6f, 40, 0}, {1.3f, 22, 1}, {1.9f, 70, 0}, {2.6f, 16, 1}, {-0.5f, 30, 1}};
    for (const auto& g : ghosts) {
        float x = 0.5f * kW + gx * g[0], y = 0.5f * kH + gy * g[0];
        Rgb col = g[2] > 0 ? palette::kTeal * 0.35f : palette::kAmber * 0.22f;
        for (int yy = 0; yy < kH; ++yy)
            for (int xx = 0; xx < kW; ++xx) {
                float d = SdCircle(xx + 0.5f, yy + 0.5f, x, y, g[1]);
                if (d > 4.0f) continue;
                float rim = 1.0f + 1.5f * Expf(-d * d * 0.3f);
                c.at(xx, yy) += col * (Clamp01(0.5f - d / 2.0f) * 0.5f * rim);
            }
    }
    AddSparkle(c, 0x61u, 160, cx, cy, 140.0f, palette::kBone);
    return c;
}

Canvas Sunburst() {
    Canvas c(kW, kH);
    const float cx = 0.38f * kW, cy = 0.40f * kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float d = std::sqrt(dx * dx + dy * dy) / kW;
            float ang = Atan2f(dy, dx);
            // Many thin rays of uneven length: angular noise, each ray fading at its own reach.
            float fine = 0.5f + 0.5f * Fbm(ang * 40.0f, 1.3f, 0x62u, 2);
            float reach = 0.15f + 0.5f * (0.5f + 0.5f * Fbm(ang * 12.0f, 7.7f, 0x63u, 2));
            // Between the rays the ground stays black.
            float ray = std::max(0.0f, Powf(fine, 6.0f) - 0.04f) * Expf(-d / reach) *
                        Smoothstep(0.0f, 0.02f, d);
            c.at(x, y) = palette::kGold * (1.9f * ray) +
                         palette::kBone * (2.0f * Expf(-d * d * 2500.0f)) +
                         palette::kAmber * (0.5f * Expf(-d * d * 60.0f));
        }
    return c;
}

Canvas HaloRing() {
    Canvas c(kW, kH);
    const float cx = 0.5f * kW, cy = 0.5f * kH, radius = 0.34f * kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float r = std::sqrt(dx * dx + dy * dy);
            float ang = Atan2f(dy, dx);
            float wobble = 0.75f + 0.25f * Fbm(ang * 3.0f, 0.2f, 0x64u, 3);
            // Chromatic ring: warm just outside, cool just inside.
            float warm = Expf(-(r - radius - 5.0f) * (r - radius - 5.0f) / 30.0f);
            float cool = Expf(-(r - radius + 5.0f) * (r - radius + 5.0f) / 40.0f);
            float soft = Expf(-(r - radius) * (r - radius) / 3000.0f);
            c.at(x, y) = (palette::kAmber * (0.9f * warm) + palette::kAqua * (0.8f * cool) +
                          palette::kTeal * (0.25f * soft)) *
                             wobble +
                         palette::kGold * (0.12f * Expf(-r * r / (radius * radius * 0.4f)));
        }
    Rng rng(0x65u);
    for (int i = 0; i < 70; ++i) {
        float a = rng.Range(0.0f, static_cast<float>(kTwoPi));
        float rr = radius + rng.Gauss() * 6.0f;
        float radius = rng.Range(0.8f, 2.2f);
        float level = rng.Range(0.3f, 1.1f);
        AddGlow(c, cx + rr * Cosf(a), cy + rr * Sinf(a), radius, palette::kBone * level);
    }
    return c;
}

Canvas LightShafts() {
    Canvas c(kW, kH);
    // Shafts falling from the upper left through a row of openings, dust drifting in them.
    const float dirX = 0.55f, dirY = 0.835f;  // unit direction of the light
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float across = fx * dirY - fy * dirX;  // coordinate across the shafts
            float along = fx * dirX + fy * dirY;
            float slot = across / 90.0f;
            float cell = std::floor(slot);
            float f = slot - cell;
            uint32_t h = Hash(static_cast<int>(cell), 9, 0x66u);
            float width = 0.15f + 0.35f * ((h & 255) / 255.0f);
            float shaft = Smoothstep(0.5f - width * 0.5f - 0.08f, 0.5f - width * 0.5f, f) *
                          (1.0f - Smoothstep(0.5f + width * 0.5f, 0.5f + width * 0.5f + 0.08f, f));
            float strength = 0.35f + 0.65f * (((h >> 8) & 255) / 255.0f);
            float fade = Expf(-along / 700.0f) * Smoothstep(-200.0f, 150.0f, along);
            float haze = 0.8f + 0.2f * Fbm(across / 40.0f, along / 300.0f, 0x67u, 3);
            c.at(x, y) = Lerp(palette::kAmber, palette::kGold, Clamp01(1.0f - along / 900.0f)) *
                         (0.55f * shaft * strength * fade * haze);
        }
    Rng rng(0x68u);
    for (int i = 0; i < 400; ++i) {
        float x = rng.Range(0.0f, kW), y = rng.Range(0.0f, kH);
        Rgb base = c.at(static_cast<int>(x), static_cast<int>(y));
        float radius = rng.Range(0.7f, 1.6f);
        float gain = rng.Range(1.0f, 3.0f);
        AddGlow(c, x, y, radius, base * gain);
    }
    return c;
}

Canvas ScanBars() {
    Canvas c(kW, kH);
    Rng rng(0x71u);
    for (int i = 0; i < 26; ++i) {
        float y = rng.Range(40.0f, kH - 40.0f);
        float thick = rng.Unit() < 0.2f ? rng.Range(6.0f, 16.0f) : rng.Range(1.0f, 3.0f);
        float x0 = rng.Range(-200.0f, 300.0f), x1 = rng.Range(700.0f, 1200.0f);
        Rgb col = rng.Unit() < 0.25f ? palette::kAmber : palette::kAqua;
        col *= rng.Range(0.3f, 0.9f);
        for (int yy = std::max(0, static_cast<int>(y - thick - 4));
             yy < std::min(kH, static_cast<int>(y + thick + 4)); ++yy)
            for (int x = 0; x < kW; ++x) {
                float dy = std::fabs(yy + 0.5f - y);
                float a = Clamp01(thick * 0.5f + 0.5f - dy) +
                          0.25f * Expf(-dy * dy / (thick * thick + 4.0f));
                float fx = x + 0.5f;
                float ends =
                    Smoothstep(x0, x0 + 120.0f, fx) * (1.0f - Smoothstep(x1 - 120.0f, x1, fx));
                c.at(x, yy) += col * (a * ends);
            }
    }
    return c;
}

Canvas HalftoneBurst() {
    Canvas c(kW, kH);
    const float cx = 0.5f * kW, cy = 0.5f * kH, pitch = 18.0f;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float gx = std::floor(fx / pitch) * pitch + pitch * 0.5f;
            float gy = std::floor(fy / pitch) * pitch + pitch * 0.5f;
            float d = std::sqrt((gx - cx) * (gx - cx) + (gy - cy) * (gy - cy));
            float size = pitch * 0.48f * Clamp01(1.1f - d / 430.0f);
            if (size <= 0.3f) continue;
            float a = Coverage(SdCircle(fx, fy, gx, gy, size));
            c.at(x, y) = Lerp(palette::kGold, palette::kAmber, Clamp01(d / 430.0f)) * (0.9f * a);
        }
    AddGlow(c, cx, cy, 120.0f, palette::kBone * 0.5f);
    return c;
}

Canvas GlowingRune() {
    Canvas c(kW, kH);
    const std::vector<Stroke> rune = MakeRune(12);
    Plane m(kW, kH);
    const float size = 440.0f, left = 0.5f * kW - size * 0.5f, top = 0.5f * kH - size * 0.5f;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            m.at(x, y) = Coverage(RuneDistance(rune, x + 0.5f, y + 0.5f, left, top, size) - 7.0f);
    Plane wide = m, near = m;
    Blur(wide, 40.0f);
    Blur(near, 8.0f);
    for (int i = 0; i < kW * kH; ++i)
        c.px[i] = palette::kBone * (1.1f * m.v[i]) + palette::kGold * (1.2f * near.v[i]) +
                  palette::kAmber * (1.4f * wide.v[i]);
    return c;
}

Canvas LightColumns() {
    Canvas c(kW, kH);
    const int columns = 24;
    const float pitch = static_cast<float>(kW) / columns;
    for (int i = 0; i < columns; ++i) {
        uint32_t h = Hash(i, 4, 0x74u);
        float height = kH * (0.2f + 0.7f * ((h & 1023) / 1023.0f));
        float x0 = i * pitch + pitch * 0.2f, x1 = (i + 1) * pitch - pitch * 0.2f;
        Rgb col = (h >> 12) % 5 == 0 ? palette::kAmber : palette::kAqua;
        for (int y = 0; y < kH; ++y) {
            float fromBottom = kH - (y + 0.5f);
            if (fromBottom > height + 60.0f) continue;
            float body = Smoothstep(height + 2.0f, height - 2.0f, fromBottom);
            float cap = Expf(-(fromBottom - height) * (fromBottom - height) / 60.0f);
            for (int x = static_cast<int>(x0) - 4; x <= static_cast<int>(x1) + 4; ++x) {
                if (x < 0 || x >= kW) continue;
                float fx = x + 0.5f;
                float a = Clamp01(std::min(fx - x0, x1 - fx) + 0.5f);
                float glow = Expf(-std::max(0.0f, std::max(x0 - fx, fx - x1)) / 2.0f);
                float shade = 0.25f + 0.75f * Smoothstep(0.0f, height, fromBottom);
                c.at(x, y) += col * (0.7f * a * body * shade + 1.2f * cap * glow);
            }
        }
    }
    return c;
}

Canvas RangeFinder() {
    Canvas c(kW, kH);
    const float cx = 0.5f * kW, cy = 0.5f * kH;
    const float rings[4] = {60.0f, 150.0f, 250.0f, 330.0f};
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float r = std::sqrt(dx * dx + dy * dy);
            float ang = Atan2f(dy, dx);
            float v = 0.0f;
            for (float rr : rings)
                v += Coverage(std::fabs(r - rr) - 1.0f) + 0.3f * Expf(-(r - rr) * (r - rr) / 40.0f);
            // Ticks on the outer ring every 5 degrees, long ones every 30.
            float tickPhase = ang / static_cast<float>(kTwoPi) * 72.0f;
            float tickDist = std::fabs(tickPhase - std::floor(tickPhase + 0.5f)) * r *
                             static_cast<float>(kTwoPi) / 72.0f;
            bool major = static_cast<int>(std::floor(tickPhase + 0.5f + 72.0f)) % 6 == 0;
            float tickLen = major ? 26.0f : 12.0f;
            if (r > 330.0f && r < 330.0f + tickLen) v += Coverage(tickDist - 0.8f);
            // Cross hair, broken around the centre.
            float cross = std::min(std::fabs(dx), std::fabs(dy));
            if (r > 20.0f && r < 420.0f)
                v += 0.8f * Coverage(cross - 0.7f) * Smoothstep(420.0f, 300.0f, r);
            c.at(x, y) = palette::kAqua * (0.85f * v);
        }
    AddGlow(c, cx, cy, 8.0f, palette::kAmber * 1.5f);
    AddGlow(c, cx, cy, 60.0f, palette::kAmber * 0.25f);
    const Text t = SetText("0 4 7 . 2", Face::Book, 18.0f, 0.1f, 0);
    AddGlowingText(c, t, static_cast<int>(cx + 346.0f), TextTop(t, cy - 24.0f), palette::kAqua,
                   palette::kTeal * 0.4f, 2.0f);
    return c;
}

}  // namespace

Image MakeLongFlash(int k) {
    Canvas c;
    switch (k) {
        case 1:
            c = AnamorphicFlare();
            break;
        case 2:
            c = Sunburst();
            break;
        case 3:
            c = HaloRing();
            break;
        case 4:
            c = LightShafts();
            break;
        default:
            throw std::invalid_argument("no long flash " + std::to_string(k));
    }
    CutFloor(c);
    return Finish(c, FlashDevelop(0x6E00u + k));
}

Image MakeInsertFlash(int k) {
    Canvas c;
    switch (k) {
        case 1:
            c = ScanBars();
            break;
        case 2:
            c = HalftoneBurst();
            break;
        case 3:
            c = GlowingRune();
            break;
        case 4:
            c = LightColumns();
            break;
        case 5:
            c = RangeFinder();
            break;
        default:
            throw std::invalid_argument("no insert flash " + std::to_string(k));
    }
    CutFloor(c);
    return Finish(c, FlashDevelop(0x5700u + k));
}

}  // namespace content::pictures
