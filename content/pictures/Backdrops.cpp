// Full-screen backgrounds behind the shader scenes, and the frame laid over the end scene.
#include "content/pictures/Fmath.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace {

constexpr int kW = 1024, kH = 768;

// Additive soft-edged cone of light from (x0, y0) widening to halfWidth at (x1, y1).
void AddCone(Canvas& c, float x0, float y0, float x1, float y1, float halfWidth, Rgb colour,
             uint32_t seed) {
    const float dx = x1 - x0, dy = y1 - y0;
    const float len = std::sqrt(dx * dx + dy * dy);
    const float ux = dx / len, uy = dy / len;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            float px = x + 0.5f - x0, py = y + 0.5f - y0;
            float along = px * ux + py * uy;
            if (along <= 0.0f || along > len * 1.05f) continue;
            float across = std::fabs(px * -uy + py * ux);
            float w = halfWidth * along / len + 2.0f;
            float edge = 1.0f - Smoothstep(w * 0.55f, w, across);
            if (edge <= 0.0f) continue;
            float haze = 0.7f + 0.3f * Fbm(along / 120.0f, across / 40.0f, seed, 3);
            float fall = Smoothstep(0.0f, len * 0.05f, along) * (1.0f - 0.3f * along / len) *
                         (1.0f - Smoothstep(len * 0.97f, len * 1.05f, along));
            c.at(x, y) += colour * (edge * haze * fall);
        }
}

}  // namespace

Image MakeStage() {
    // An empty stage in haze: lit slats on the back wall, spotlight cones, a glossy floor
    // that mirrors them.
    Canvas c(kW, kH);
    const float horizon = 0.56f * kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float v = (y + 0.5f) / kH;
            c.at(x, y) = Lerp(palette::kInk, palette::kNight * 1.6f, Smoothstep(0.0f, 0.56f, v));
        }
    // Back wall: vertical slats of light, brightest near the floor.
    const int slats = 15;
    for (int i = 0; i < slats; ++i) {
        uint32_t h = Hash(i, 1, 0x57A6u);
        float x = (i + 0.5f) * kW / slats + ((h & 255) / 255.0f - 0.5f) * 20.0f;
        float top = horizon - kH * (0.18f + 0.25f * (((h >> 8) & 255) / 255.0f));
        Rgb col = (h >> 16) % 4 == 0 ? palette::kAmber : palette::kTeal * 1.3f;
        for (int y = static_cast<int>(top) - 40; y < static_cast<int>(horizon); ++y) {
            if (y < 0) continue;
            float fy = y + 0.5f;
            float vert = Smoothstep(top - 30.0f, top + 60.0f, fy) *
                         (0.4f + 0.6f * (fy - top) / (horizon - top));
            for (int xx = static_cast<int>(x) - 24; xx <= static_cast<int>(x) + 24; ++xx) {
                if (xx < 0 || xx >= kW) continue;
                float d = std::fabs(xx + 0.5f - x);
                c.at(xx, y) +=
                    col * (vert * (0.55f * Coverage(d - 2.0f) + 0.18f * Expf(-d * d / 90.0f)));
            }
        }
    }
    // Floor: perspective boards, then the mirror of everything above, blurred by the gloss.
    Canvas mirror(kW, kH);
    for (int y = static_cast<int>(horizon); y < kH; ++y) {
        float fy = y + 0.5f;
        float my = 2.0f * horizon - fy;
        for (int x = 0; x < kW; ++x) mirror.at(x, y) = my >= 0.0f ? c.Sample(x + 0.5f, my) : Rgb{};
    }
    Blur(mirror, 4.0f);
    for (int y = static_cast<int>(horizon); y < kH; ++y) {
        float fy = y + 0.5f;
        float depth = (fy - horizon) / (kH - horizon);  // 0 far .. 1 near
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f;
            // Boards converge on the centre: their coordinate is x over distance.
            float boards = (fx - 0.5f * kW) / std::max(depth, 0.02f) / 70.0f;
            float seam =
                Coverage((std::fabs(boards - std::floor(boards + 0.5f)) * 70.0f * depth) - 0.6f);
            Rgb floor = palette::kNight * (0.7f + 0.6f * depth) * (1.0f - 0.5f * seam);
            c.at(x, y) = floor + mirror.at(x, y) * (0.55f - 0.25f * depth);
        }
    }
    // Spotlights from the rig above, landing as pools on the floor.
    const float rig[4][3] = {
        {0.18f, 0.70f, 0}, {0.40f, 0.80f, 1}, {0.63f, 0.76f, 0}, {0.86f, 0.68f, 1}};
    for (const auto& s : rig) {
        float sx = s[0] * kW, sy = 0.04f * kH, fx = (s[0] + (0.5f - s[0]) * 0.25f) * kW,
              fy = s[1] * kH;
        Rgb col = s[2] > 0 ? palette::kGold * 0.2f : palette::kAqua * 0.15f;
        AddCone(c, sx, sy, fx, fy, 130.0f, col, 0x57A7u + static_cast<uint32_t>(s[0] * 100));
        AddGlow(c, sx, sy, 6.0f, palette::kBone * 1.5f);
        AddHalo(c, sx, sy, 14.0f, col * 3.0f, 160.0f);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                float dx = (x + 0.5f - fx) / 150.0f, dy = (y + 0.5f - fy) / 28.0f;
                float pool = Expf(-(dx * dx + dy * dy) * 1.5f);
                if (pool > 0.002f) c.at(x, y) += col * (2.5f * pool);
            }
    }
    Develop d;
    d.seed = 0x57A9u;
    d.vignette = 0.45f;
    return Finish(c, d);
}

Image MakeGridBackdrop() {
    // Deep space behind the cube grid: a band of light on a far horizon, pillars of light
    // rising from it, out-of-focus motes drifting in front. The grid fogs to black against it.
    Canvas c(kW, kH);
    const float horizon = 0.52f * kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float dy = (fy - horizon) / kH, dx = (fx - 0.5f * kW) / kW;
            Rgb col = Lerp(palette::kInk, palette::kDeepTeal * 0.9f,
                           Expf(-dy * dy * 12.0f) * Expf(-dx * dx * 2.0f));
            float band = Expf(-dy * dy * 1800.0f) * (0.6f + 0.4f * Expf(-dx * dx * 6.0f));
            float glow = Expf(-dy * dy * 60.0f) * Expf(-dx * dx * 3.0f);
            float clouds = 0.5f + 0.5f * Fbm(fx / 300.0f, fy / 70.0f, 0x9B1u, 5);
            col += palette::kGold * (0.9f * band) +
                   palette::kAmber * (0.35f * glow * (0.6f + 0.6f * clouds));
            col += palette::kTeal * (0.12f * clouds * Smoothstep(0.0f, 0.3f, std::fabs(dy)));
            c.at(x, y) = col;
        }
    // Pillars of light standing on the horizon.
    const float pillars[6][2] = {{0.12f, 0.5f}, {0.29f, 0.9f}, {0.47f, 0.6f},
                                 {0.58f, 1.0f}, {0.77f, 0.7f}, {0.91f, 0.4f}};
    for (const auto& p : pillars) {
        float px = p[0] * kW;
        for (int y = 0; y < static_cast<int>(horizon) + 4; ++y) {
            float up = (horizon - (y + 0.5f)) / horizon;
            float fade = Expf(-up * 3.5f / p[1]);
            for (int x = static_cast<int>(px) - 30; x <= static_cast<int>(px) + 30; ++x) {
                if (x < 0 || x >= kW) continue;
                float d = std::fabs(x + 0.5f - px);
                c.at(x, y) += palette::kAqua *
                              (fade * (0.5f * Coverage(d - 1.0f) + 0.22f * Expf(-d * d / 60.0f)));
            }
        }
    }
    // Bokeh motes: soft discs, warm near the band, cool away from it.
    Rng rng(0x9B2u);
    for (int i = 0; i < 90; ++i) {
        float x = rng.Range(0.0f, kW), y = rng.Range(0.0f, kH);
        float r = rng.Range(3.0f, 26.0f);
        float warm = Expf(-(y - horizon) * (y - horizon) / (kH * kH * 0.02f));
        Rgb col = Lerp(palette::kAqua, palette::kGold, warm) * rng.Range(0.04f, 0.16f);
        int x0 = std::max(0, static_cast<int>(x - r - 2)),
            x1 = std::min(kW - 1, static_cast<int>(x + r + 2));
        int y0 = std::max(0, static_cast<int>(y - r - 2)),
            y1 = std::min(kH - 1, static_cast<int>(y + r + 2));
        for (int yy = y0; yy <= y1; ++yy)
            for (int xx = x0; xx <= x1; ++xx) {
                float d = SdCircle(xx + 0.5f, yy + 0.5f, x, y, r);
                c.at(xx, yy) += col * (Clamp01(0.5f - d / 1.5f) *
                                       (1.0f + 0.4f * Smoothstep(-r * 0.4f, 0.0f, d)));
            }
    }
    Develop d;
    d.seed = 0x9B3u;
    d.vignette = 0.5f;
    return Finish(c, d);
}

Image MakeEndFrame() {
    // The end scene's frame. The end mesh's surface pass leaves the blend at DESTCOLOR / ZERO
    // and this picture is drawn under it, so it multiplies the frame: near white in the middle
    // (the scene shows through, warmed slightly), falling to dark at the edges, with letterbox
    // bars and the dust and scratches of a worn print.
    Canvas c(kW, kH);
    const float bar = 0.075f * kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float dx = (fx - 0.5f * kW) / (0.5f * kW), dy = (fy - 0.5f * kH) / (0.5f * kH);
            float r2 = dx * dx * 0.8f + dy * dy;
            float vig = 1.0f - 0.78f * Smoothstep(0.25f, 1.5f, r2);
            float breath = 0.96f + 0.04f * Fbm(fx / 200.0f, fy / 200.0f, 0xE51u, 3);
            Rgb tone = Lerp(Rgb{0.80f, 0.90f, 0.95f}, Rgb{1.0f, 0.95f, 0.86f}, vig);
            float letterbox = Smoothstep(bar - 1.0f, bar + 1.0f, fy) *
                              Smoothstep(bar - 1.0f, bar + 1.0f, kH - fy);
            c.at(x, y) = tone * (vig * breath * letterbox);
        }
    // Dust: small dark specks and a few hairs.
    Rng rng(0xE52u);
    for (int i = 0; i < 70; ++i) {
        float x = rng.Range(0.0f, kW), y = rng.Range(bar, kH - bar);
        float r = rng.Range(0.5f, 2.2f);
        float depth = rng.Range(0.3f, 0.8f);
        for (int yy = std::max(0, static_cast<int>(y - r - 2));
             yy <= std::min(kH - 1, static_cast<int>(y + r + 2)); ++yy)
            for (int xx = std::max(0, static_cast<int>(x - r - 2));
                 xx <= std::min(kW - 1, static_cast<int>(x + r + 2)); ++xx)
                c.at(xx, yy) *= 1.0f - depth * Coverage(SdCircle(xx + 0.5f, yy + 0.5f, x, y, r));
    }
    for (int i = 0; i < 6; ++i) {
        float x = rng.Range(40.0f, kW - 40.0f), y = rng.Range(bar + 20.0f, kH - bar - 20.0f);
        float a = rng.Range(0.0f, static_cast<float>(kTwoPi));
        float len = rng.Range(10.0f, 30.0f);
        float px = x, py = y;
        for (int s = 0; s < 12; ++s) {
            a += rng.Gauss() * 0.35f;
            float nx = px + Cosf(a) * len / 12.0f, ny = py + Sinf(a) * len / 12.0f;
            for (int yy = static_cast<int>(std::min(py, ny)) - 2;
                 yy <= static_cast<int>(std::max(py, ny)) + 2; ++yy)
                for (int xx = static_cast<int>(std::min(px, nx)) - 2;
                     xx <= static_cast<int>(std::max(px, nx)) + 2; ++xx) {
                    if (xx < 0 || yy < 0 || xx >= kW || yy >= kH) continue;
                    float d = SdSegment(xx + 0.5f, yy + 0.5f, px, py, nx, ny);
                    c.at(xx, yy) *= 1.0f - 0.5f * Coverage(d - 0.4f);
                }
            px = nx;
            py = ny;
        }
    }
    // Scratches: faint vertical lines running the height of the frame.
    for (int i = 0; i < 4; ++i) {
        float x = rng.Range(60.0f, kW - 60.0f);
        float depth = rng.Range(0.08f, 0.2f);
        for (int y = static_cast<int>(bar); y < kH - static_cast<int>(bar); ++y) {
            float wob = x + 1.5f * Sinf(y * 0.013f + i);
            float fade = 0.5f + 0.5f * Fbm(y / 60.0f, static_cast<float>(i), 0xE53u, 2);
            for (int xx = static_cast<int>(wob) - 1; xx <= static_cast<int>(wob) + 1; ++xx)
                if (xx >= 0 && xx < kW)
                    c.at(xx, y) *=
                        1.0f - depth * fade * Coverage(std::fabs(xx + 0.5f - wob) - 0.3f);
        }
    }
    Develop d;
    d.seed = 0xE54u;
    d.vignette = 0.0f;
    d.grain = 0.03f;
    d.toning = 0.0f;
    d.shoulder = false;  // white must stay white, or the whole scene would dim
    return Finish(c, d);
}

}  // namespace content::pictures
