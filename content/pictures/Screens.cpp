// The five pictures on the screen inside the interior scene. They loop quickly (the last for
// a single frame), so each is a bold, simple image with the same screen treatment: scan
// lines, a glow and darkened corners.
#include <stdexcept>
#include <string>

#include "content/pictures/Figures.h"
#include "content/pictures/Fmath.h"
#include "content/pictures/Lettering.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Runes.h"
#include "content/pictures/Scenery.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace {

constexpr int kW = 512, kH = 384;

Canvas Presenter() {
    // Head and shoulders against a lit backdrop: someone on the screen, facing us.
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = (x + 0.5f - 0.58f * kW) / kW, dy = (y + 0.5f - 0.35f * kH) / kW;
            c.at(x, y) =
                Lerp(palette::kDeepTeal, palette::kAqua * 0.8f, Expf(-(dx * dx + dy * dy) * 7.0f)) +
                palette::kAmber * (0.25f * Expf(-(dx * dx + dy * dy) * 30.0f));
        }
    Figure f;
    f.x = 0.5f * kW;
    f.baseY = 1.05f * kH;
    f.height = 0.86f * kH;
    f.build = 1.1f;
    Plane d = CrowdDistance(kW, kH, {f}, 8.0f);
    for (int y = 1; y < kH - 1; ++y)
        for (int x = 1; x < kW - 1; ++x) {
            float dd = d.at(x, y);
            if (dd > 1.0f) continue;
            float rim = Expf(std::min(dd, 0.0f) / 3.0f);
            c.at(x, y) =
                Lerp(c.at(x, y), palette::kInk + palette::kAqua * (0.8f * rim), Coverage(dd));
        }
    return c;
}

Canvas Oscilloscope() {
    Canvas c(kW, kH, palette::kNight * 0.6f);
    // Graticule.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float gx = std::fabs(std::fmod(x + 0.5f, 64.0f) - 32.0f),
                  gy = std::fabs(std::fmod(y + 0.5f, 48.0f) - 24.0f);
            float line = std::max(Coverage(32.0f - gx - 0.6f), Coverage(24.0f - gy - 0.6f));
            c.at(x, y) += palette::kTeal * (0.18f * line);
        }
    // Two traces: a beating sum of tones, and a slower warm envelope.
    for (int x = 0; x < kW; ++x) {
        float t = x / static_cast<float>(kW);
        float y0 =
            kH * 0.45f + 70.0f * Sinf(t * 31.4f) * Sinf(t * 4.1f + 0.6f) + 14.0f * Sinf(t * 97.0f);
        float t1 = (x + 1) / static_cast<float>(kW);
        float y1 = kH * 0.45f + 70.0f * Sinf(t1 * 31.4f) * Sinf(t1 * 4.1f + 0.6f) +
                   14.0f * Sinf(t1 * 97.0f);
        AddStroke(c, x + 0.0f, y0, x + 1.0f, y1, 1.6f, palette::kAqua * 0.9f, 0.8f);
        float e0 = kH * 0.78f - 36.0f * std::fabs(Sinf(t * 4.1f + 0.6f));
        float e1 = kH * 0.78f - 36.0f * std::fabs(Sinf(t1 * 4.1f + 0.6f));
        AddStroke(c, x + 0.0f, e0, x + 1.0f, e1, 1.4f, palette::kAmber * 0.8f, 0.8f);
    }
    Canvas glow = c;
    Blur(glow, 4.0f);
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] += glow.px[i] * 0.8f;
    return c;
}

Canvas Landscape() { return PaintLandscape(kW, kH, DuskLook()); }

Canvas TitleCard() {
    Canvas c(kW, kH, palette::kInk);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = (x + 0.5f - 0.5f * kW) / kW, dy = (y + 0.5f - 0.4f * kH) / kW;
            c.at(x, y) += palette::kDeepTeal * (0.8f * Expf(-(dx * dx + dy * dy) * 6.0f));
        }
    const std::vector<Stroke> rune = MakeRune(3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float d =
                RuneDistance(rune, x + 0.5f, y + 0.5f, 0.5f * kW - 50.0f, 50.0f, 100.0f) - 3.0f;
            c.at(x, y) += palette::kGold * (Coverage(d) + 0.35f * Expf(-std::max(d, 0.0f) / 6.0f));
        }
    const Text t = SetText("RUNEPLAY", Face::Light, 44.0f, 0.35f, 0);
    AddGlowingText(c, t, TextLeft(t, 0.5f * kW), TextTop(t, 0.62f * kH), palette::kBone * 1.3f,
                   palette::kAmber * 0.6f, 3.0f);
    // A row of colour bars across the foot, the way test cards end.
    const Rgb bars[7] = {palette::kBone, palette::kGold, palette::kAmber,   palette::kEmber,
                         palette::kAqua, palette::kTeal, palette::kDeepTeal};
    for (int y = static_cast<int>(0.82f * kH); y < static_cast<int>(0.9f * kH); ++y)
        for (int x = 32; x < kW - 32; ++x) c.at(x, y) = bars[(x - 32) * 7 / (kW - 64)] * 0.85f;
    return c;
}

Canvas Static() {
    // Between channels: bright snow with torn lines, a flash for a single frame.
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y) {
        float tear = 12.0f * Fbm(y / 6.0f, 0.5f, 0x5C0u, 2);
        float band = 0.7f + 0.3f * Sinf(y * 0.09f);
        for (int x = 0; x < kW; ++x) {
            float n = HashUnit(static_cast<int>(x + tear), y, 0x5C1u);
            n = 0.35f + 0.75f * n * n;
            c.at(x, y) = Lerp(palette::kBone, palette::kGold, 0.3f) * (n * band);
        }
    }
    return c;
}

// Scan lines, a little bloom, corners falling off like a picture tube's.
Canvas ScreenTreatment(Canvas c) {
    Canvas glow = c;
    Blur(glow, 3.0f);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = (x + 0.5f) / kW * 2.0f - 1.0f, dy = (y + 0.5f) / kH * 2.0f - 1.0f;
            float corner = 1.0f - 0.6f * Smoothstep(0.5f, 1.6f,
                                                    dx * dx * dx * dx + dy * dy * dy * dy +
                                                        0.3f * (dx * dx + dy * dy));
            float scan = (y & 1) ? 0.72f : 1.0f;
            c.at(x, y) = (c.at(x, y) * scan + glow.at(x, y) * 0.25f) * corner;
        }
    return c;
}

}  // namespace

Image MakeScreen(int k) {
    Canvas c;
    switch (k) {
        case 1:
            c = Presenter();
            break;
        case 2:
            c = Oscilloscope();
            break;
        case 3:
            c = Landscape();
            break;
        case 4:
            c = TitleCard();
            break;
        case 5:
            c = Static();
            break;
        default:
            throw std::invalid_argument("no screen picture " + std::to_string(k));
    }
    Develop d;
    d.seed = 0x5C00u + k;
    d.vignette = 0.2f;
    d.grain = 0.04f;
    return Finish(ScreenTreatment(std::move(c)), d);
}

}  // namespace content::pictures
