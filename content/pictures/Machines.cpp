// Cut pictures I to IV: gears, an engine's pistons, a turbine, a chain; and what all seven
// share (materials, light, the wall behind, the finish).
#include <stdexcept>
#include <string>

#include "content/pictures/Cuts.h"
#include "content/pictures/Fmath.h"
#include "content/pictures/Lettering.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace cuts {

std::vector<Material> Materials() {
    std::vector<Material> m(kMaterialCount);
    m[kBackdrop] = {{0.10f, 0.12f, 0.13f}, 0.35f, 12.0f, 0.35f, 0.0f, 2.0f};
    m[kSteel] = {{0.62f, 0.64f, 0.66f}, 0.85f, 60.0f, 0.55f, 0.0f, 1.0f};
    m[kIron] = {{0.24f, 0.25f, 0.26f}, 0.55f, 18.0f, 0.15f, 0.0f, 0.3f};
    m[kBrass] = {{1.00f, 0.62f, 0.26f}, 0.85f, 45.0f, 0.35f, 0.0f, 1.0f};
    m[kWood] = {{0.30f, 0.17f, 0.09f}, 0.05f, 8.0f, 0.9f, 1.5707964f, 3.0f};
    m[kBrick] = {{0.36f, 0.15f, 0.08f}, 0.0f, 6.0f, 0.25f, 0.0f, 0.2f};
    m[kSoot] = {{0.025f, 0.025f, 0.028f}, 0.25f, 10.0f, 0.0f, 0.0f, 1.0f};
    return m;
}

Lighting WarmKey() { return Lighting{}; }

void AddBackdropPlate(ReliefScene& s, uint32_t seed) {
    // Large plates with seams and a bolt at each corner, slightly uneven.
    const float plateW = 340.0f, plateH = 260.0f;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float gx = fx / plateW, gy = fy / plateH;
            float ex = std::min(gx - std::floor(gx), std::ceil(gx) - gx) * plateW;
            float ey = std::min(gy - std::floor(gy), std::ceil(gy) - gy) * plateH;
            float seam = Smoothstep(0.0f, 4.0f, std::min(ex, ey));
            s.height.at(x, y) = 6.0f * seam + 1.5f * Fbm(fx / 90.0f, fy / 90.0f, seed, 3);
        }
    for (float by = 0.0f; by <= s.h + plateH; by += plateH)
        for (float bx = 0.0f; bx <= s.w + plateW; bx += plateW)
            for (int k = 0; k < 4; ++k) {
                float px = bx + ((k & 1) ? -22.0f : 22.0f), py = by + ((k & 2) ? -22.0f : 22.0f);
                s.Raise(
                    px - 12, py - 12, px + 12, py + 12, kIron,
                    [&](float x, float y) { return SdCircle(x, y, px, py, 9.0f); },
                    [](float d) { return 6.0f + Rounded(d, 9.0f); });
            }
}

void AddSparks(Canvas& c, uint32_t seed, int count, float x, float y, float spreadAngle,
               float centreAngle, float reach) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        float a = centreAngle + rng.Gauss() * spreadAngle;
        float dist = reach * rng.Range(0.1f, 1.0f);
        float len = rng.Range(8.0f, 34.0f);
        float x0 = x + Cosf(a) * dist,
              y0 = y + Sinf(a) * dist + 0.0004f * dist * dist;  // they fall
        float x1 = x0 + Cosf(a) * len, y1 = y0 + Sinf(a) * len;
        float heat = rng.Range(0.4f, 1.0f);
        Rgb col = Lerp(palette::kEmber, palette::kGold, heat) * (1.4f * heat);
        AddStroke(c, x0, y0, x1, y1, rng.Range(1.0f, 2.2f), col, 0.8f);
        AddGlow(c, x1, y1, 3.0f, col * 0.3f);
    }
}

Image FinishCut(Canvas c, int k) {
    AddBloom(c, 0.75f, 9.0f, 0.7f);
    static const char* const kNumerals[8] = {"", "I", "II", "III", "IV", "V", "VI", "VII"};
    const Text t = SetText(kNumerals[k], Face::Book, 17.0f, 0.3f, 0);
    const int left = 54, top = TextTop(t, kH - 48.0f);
    AddGlowingText(c, t, left, top, palette::kBone * 0.7f, palette::kAmber * 0.2f, 2.0f);
    const float lineY = kH - 48.0f;
    const float x0 = left + t.inkRight + 14.0f;
    AddStroke(c, x0, lineY, x0 + 70.0f, lineY, 1.0f, palette::kBone * 0.35f, 0.8f);
    Develop d;
    d.seed = 0xC070u + k;
    d.vignette = 0.55f;
    d.grain = 0.045f;
    return Finish(c, d);
}

namespace {

struct Gear {
    float cx, cy, r, tooth;
    int teeth, spokes;
    float phase, top;
    Mat mat;
};

float GearDistance(const Gear& g, float x, float y) {
    const float dx = x - g.cx, dy = y - g.cy;
    const float r = std::sqrt(dx * dx + dy * dy);
    const float a = Atan2f(dy, dx);
    float t = a * g.teeth / static_cast<float>(kTwoPi) + g.phase;
    t -= std::floor(t);
    const float tooth = Clamp01((0.3f - std::fabs(t - 0.5f)) / 0.12f);
    float d = r - (g.r + g.tooth * tooth);
    d = std::max(d, g.r * 0.09f - r);  // the bore
    // Windows between the spokes.
    float s = a * g.spokes / static_cast<float>(kTwoPi);
    float nearest = std::floor(s + 0.5f) * static_cast<float>(kTwoPi) / g.spokes;
    float spoke = r * std::fabs(Sinf(a - nearest));
    float window = std::max(std::max(r - g.r * 0.72f, g.r * 0.32f - r), g.r * 0.07f - spoke);
    return std::max(d, -window);
}

void AddGear(ReliefScene& s, const Gear& g) {
    const float reach = g.r + g.tooth + 4.0f;
    s.Raise(
        g.cx - reach, g.cy - reach, g.cx + reach, g.cy + reach, g.mat,
        [&](float x, float y) { return GearDistance(g, x, y); },
        [&](float d) { return g.top * 0.8f + Bevelled(d, g.top * 0.2f, 5.0f); });
    // Rim and teeth stand proud of the spokes; the hub most of all.
    s.Raise(
        g.cx - reach, g.cy - reach, g.cx + reach, g.cy + reach, g.mat,
        [&](float x, float y) {
            float r = SdCircle(x, y, g.cx, g.cy, 0.0f);
            return std::max(GearDistance(g, x, y), g.r * 0.78f - r);
        },
        [&](float d) { return g.top + Bevelled(d, 6.0f, 4.0f); });
    s.Raise(
        g.cx - g.r * 0.3f, g.cy - g.r * 0.3f, g.cx + g.r * 0.3f, g.cy + g.r * 0.3f, g.mat,
        [&](float x, float y) {
            return std::max(SdCircle(x, y, g.cx, g.cy, g.r * 0.26f),
                            g.r * 0.09f - SdCircle(x, y, g.cx, g.cy, 0.0f));
        },
        [&](float d) { return g.top + Bevelled(d, 14.0f, 6.0f); });
    for (int b = 0; b < 6; ++b) {
        float a = b * 1.0471976f;
        float bx = g.cx + Cosf(a) * g.r * 0.18f, by = g.cy + Sinf(a) * g.r * 0.18f;
        float br = g.r * 0.025f + 2.0f;
        s.Raise(
            bx - br - 2, by - br - 2, bx + br + 2, by + br + 2, kIron,
            [&](float x, float y) { return SdCircle(x, y, bx, by, br); },
            [&](float d) { return g.top + 14.0f + Rounded(d, br); });
    }
}

// Phase that puts a gap (own = false) or a tooth (own = true) at angle a.
float PhaseAt(float a, int teeth, bool tooth) {
    float t = a * teeth / static_cast<float>(kTwoPi);
    float p = (tooth ? 0.5f : 0.0f) - t;
    return p - std::floor(p);
}

}  // namespace

Canvas Gears() {
    ReliefScene s(kW, kH);
    AddBackdropPlate(s, 0x6E01u);
    const float module = 250.0f / 30.0f;  // radius per tooth, shared by meshing gears
    const float tooth = 20.0f;
    Gear a{320.0f, 430.0f, 250.0f, tooth, 30, 6, 0.0f, 40.0f, kSteel};
    const float angAB = -0.45f;
    a.phase = PhaseAt(angAB, a.teeth, false);
    Gear b{0, 0, module * 18, tooth, 18, 5, 0.0f, 46.0f, kBrass};
    const float distAB = a.r + b.r + tooth;
    b.cx = a.cx + Cosf(angAB) * distAB;
    b.cy = a.cy + Sinf(angAB) * distAB;
    b.phase = PhaseAt(angAB + static_cast<float>(kPi), b.teeth, true);
    Gear c{0, 0, module * 12, tooth, 12, 4, 0.0f, 42.0f, kSteel};
    const float angBC = 1.15f;
    const float distBC = b.r + c.r + tooth;
    c.cx = b.cx + Cosf(angBC) * distBC;
    c.cy = b.cy + Sinf(angBC) * distBC;
    // B turns by its own phase; C must meet B's teeth where they touch.
    float bAtC = angBC * b.teeth / static_cast<float>(kTwoPi) + b.phase;
    bAtC -= std::floor(bAtC);
    c.phase = PhaseAt(angBC + static_cast<float>(kPi), c.teeth, bAtC < 0.25f || bAtC > 0.75f);
    AddGear(s, a);
    AddGear(s, b);
    AddGear(s, c);
    Lighting light = WarmKey();
    Canvas out = ShadeRelief(s, Materials(), light, 0x6E02u);
    // Warm light spilling in from below, cool from the top corner.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fy = (y + 0.5f) / kH, fx = (x + 0.5f) / kW;
            out.at(x, y) += palette::kEmber * (0.12f * Smoothstep(0.55f, 1.0f, fy) * (1.0f - fx)) +
                            palette::kTeal * (0.05f * Smoothstep(0.5f, 0.0f, fy) * fx);
        }
    return out;
}

Canvas Pistons() {
    ReliefScene s(kW, kH);
    // Cast block with cooling fins behind everything.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fy = y + 0.5f;
            float fin = 0.5f + 0.5f * Cosf(fy / 22.0f * static_cast<float>(kTwoPi));
            s.height.at(x, y) =
                10.0f * Powf(fin, 3.0f) + 1.5f * Fbm((x + 0.5f) / 70.0f, fy / 70.0f, 0x6E10u, 3);
            s.material.at(x, y) = kIron;
        }
    const int count = 5;
    const float pitch = 170.0f, first = 512.0f - pitch * 2.0f;
    const float crankY = 660.0f;
    for (int i = 0; i < count; ++i) {
        float cx = first + pitch * i;
        float phase = i * 2.5132742f + 0.4f;  // cylinders fire in turn
        float headY = 300.0f + 70.0f * Cosf(phase);
        // Cylinder: a heavy iron tube ending in a bolted flange above the piston. Tubes and
        // the piston are shaded across their width only, as cylinders standing upright.
        auto across = [cx](float r) {
            return [cx, r](float x, float, float) {
                float q = Clamp01(std::fabs(x - cx) / r);
                return std::sqrt(1.0f - q * q);
            };
        };
        auto tube = across(62.0f);
        s.Raise(
            cx - 70, -10, cx + 70, headY + 10, kIron,
            [&](float x, float y) {
                return SdBox(x, y, cx, headY * 0.5f, 62.0f, headY * 0.5f + 10.0f, 2.0f);
            },
            [&](float x, float y, float d) { return 24.0f + 40.0f * tube(x, y, d); });
        s.Raise(
            cx - 80, headY - 26, cx + 80, headY + 4, kIron,
            [&](float x, float y) { return SdBox(x, y, cx, headY - 11.0f, 76.0f, 11.0f, 3.0f); },
            [&](float d) { return 66.0f + Bevelled(d, 6.0f, 4.0f); });
        for (int b = -1; b <= 1; b += 2) {
            float bx = cx + b * 62.0f, byy = headY - 11.0f;
            s.Raise(
                bx - 9, byy - 9, bx + 9, byy + 9, kSteel,
                [&](float x, float y) { return SdCircle(x, y, bx, byy, 6.0f); },
                [](float d) { return 72.0f + Rounded(d, 6.0f); });
        }
        auto crown = across(58.0f);
        s.Raise(
            cx - 64, headY - 10, cx + 64, headY + 90, kSteel,
            [&](float x, float y) { return SdBox(x, y, cx, headY + 40.0f, 58.0f, 44.0f, 3.0f); },
            [&](float x, float y, float d) { return 30.0f + 36.0f * crown(x, y, d); });
        for (int ring = 0; ring < 3; ++ring) {
            float ry = headY + 8.0f + ring * 10.0f;
            s.Carve(
                cx - 60, ry - 3, cx + 60, ry + 3,
                [&](float x, float y) { return SdBox(x, y, cx, ry, 58.0f, 1.5f); },
                [](float) { return 3.0f; });
        }
        float crankX = cx + 40.0f * Sinf(phase);
        s.Raise(
            std::min(cx, crankX) - 30, headY + 60, std::max(cx, crankX) + 30, crankY + 30, kSteel,
            [&](float x, float y) {
                return SdCapsule(x, y, cx, headY + 80.0f, crankX, crankY, 18.0f);
            },
            [](float d) { return 40.0f + Rounded(d, 18.0f); });
        s.Raise(
            crankX - 36, crankY - 36, crankX + 36, crankY + 36, kSteel,
            [&](float x, float y) { return SdCircle(x, y, crankX, crankY, 30.0f); },
            [](float d) { return 48.0f + Rounded(d, 30.0f) * 0.5f; });
    }
    // The crankshaft runs across the bottom.
    s.Raise(
        0, crankY - 30, kW, crankY + 30, kSteel,
        [&](float x, float y) { return SdBox(x, y, 512.0f, crankY, 600.0f, 22.0f); },
        [](float d) { return 34.0f + Rounded(d, 22.0f); });
    Lighting light = WarmKey();
    light.keyX = -0.8f;
    light.keyY = -0.2f;
    light.keyZ = 0.55f;
    Canvas out = ShadeRelief(s, Materials(), light, 0x6E11u);
    // Steam drifting up between the cylinders.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float wisp = Smoothstep(0.2f, 0.8f,
                                    Fbm(fx / 120.0f, fy / 60.0f + fx / 400.0f, 0x6E12u, 5) + 0.3f);
            float low = Smoothstep(kH * 1.0f, kH * 0.3f, fy);
            out.at(x, y) += Rgb{0.30f, 0.34f, 0.36f} * (0.18f * wisp * low);
        }
    return out;
}

Canvas Turbine() {
    ReliefScene s(kW, kH);
    AddBackdropPlate(s, 0x6E20u);
    const float cx = 512.0f, cy = 384.0f, housing = 330.0f, bladeTip = 300.0f;
    const int blades = 11;
    // Housing ring.
    s.Raise(
        cx - housing - 40, cy - housing - 40, cx + housing + 40, cy + housing + 40, kIron,
        [&](float x, float y) { return std::fabs(SdCircle(x, y, cx, cy, housing)) - 26.0f; },
        [](float d) { return 30.0f + Rounded(d, 26.0f); });
    // Inside the housing the floor drops away: nothing but glow behind the blades.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float r = SdCircle(x + 0.5f, y + 0.5f, cx, cy, 0.0f);
            if (r < housing - 20.0f) {
                s.height.at(x, y) = -30.0f;
                s.material.at(x, y) = kSoot;
                float heat = Expf(-r * r / (housing * housing * 0.5f));
                s.glow.at(x, y) = palette::kAmber * (0.9f * heat) + palette::kEmber * 0.25f;
            }
        }
    // Blades: twisted wedges, each narrow at the hub and broad at the tip.
    auto blade = [&](float x, float y) {
        float dx = x - cx, dy = y - cy;
        float r = std::sqrt(dx * dx + dy * dy);
        float a = Atan2f(dy, dx) - 0.9f * r / bladeTip;
        float s2 = a * blades / static_cast<float>(kTwoPi);
        float nearest = std::floor(s2 + 0.5f) * static_cast<float>(kTwoPi) / blades;
        float across = r * std::fabs(Sinf(a - nearest));
        float width = 10.0f + 52.0f * r / bladeTip;
        return std::max(std::max(across - width, r - bladeTip), 70.0f - r);
    };
    s.Raise(cx - bladeTip, cy - bladeTip, cx + bladeTip, cy + bladeTip, kSteel, blade,
            [](float d) { return 10.0f + Bevelled(d, 14.0f, 10.0f); });
    // Hub: a dome with a ring of bolts.
    s.Raise(
        cx - 100, cy - 100, cx + 100, cy + 100, kBrass,
        [&](float x, float y) { return SdCircle(x, y, cx, cy, 92.0f); },
        [](float d) { return 20.0f + Rounded(d, 92.0f) * 0.7f; });
    for (int b = 0; b < 8; ++b) {
        float a = b * 0.7853982f;
        float bx = cx + Cosf(a) * 72.0f, by = cy + Sinf(a) * 72.0f;
        s.Raise(
            bx - 10, by - 10, bx + 10, by + 10, kSteel,
            [&](float x, float y) { return SdCircle(x, y, bx, by, 7.0f); },
            [&](float d) {
                return s.height.at(static_cast<int>(bx), static_cast<int>(by)) + Rounded(d, 7.0f);
            });
    }
    // Only the gaps between the blades look into the fire.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (s.MaterialAt(x, y) != kSoot) s.glow.at(x, y) = Rgb{};
    Lighting light = WarmKey();
    Canvas sharp = ShadeRelief(s, Materials(), light, 0x6E21u);
    // Spin: blur the blades along their circle, keep the hub and housing sharp.
    Canvas out = sharp;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float r = std::sqrt(dx * dx + dy * dy);
            if (r < 95.0f || r > housing - 24.0f) continue;
            // Step backwards along the circle by rotating the offset a little at a time.
            Rgb sum{};
            const int taps = 12;
            const float cs = 0.99992800f, sn = -0.01199971f;  // cos and sin of -0.012 rad
            float ox = dx, oy = dy;
            for (int k = 0; k < taps; ++k) {
                sum += sharp.Sample(cx + ox, cy + oy);
                float nx = ox * cs - oy * sn;
                oy = ox * sn + oy * cs;
                ox = nx;
            }
            float blend =
                Smoothstep(95.0f, 140.0f, r) * Smoothstep(housing - 24.0f, housing - 40.0f, r);
            out.at(x, y) = Lerp(sharp.at(x, y), sum * (1.0f / taps), 0.8f * blend);
        }
    return out;
}

Canvas Chain() {
    ReliefScene s(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            s.height.at(x, y) = 2.0f * Fbm((x + 0.5f) / 200.0f, (y + 0.5f) / 200.0f, 0x6E30u, 3);
            s.material.at(x, y) = kSoot;
        }
    // Links along a sagging diagonal, alternating face-on rings and edge-on bars.
    const float linkLen = 320.0f, linkWid = 180.0f, bar = 34.0f;
    const int links = 5;
    for (int i = 0; i < links; ++i) {
        float t = (i - 2.0f) / 2.0f;
        float px = 512.0f + t * 470.0f, py = 384.0f + t * 270.0f - 60.0f * (1.0f - t * t);
        float ang = 0.52f + 0.18f * t;
        float ux = Cosf(ang), uy = Sinf(ang);
        float half = (linkLen - linkWid) * 0.5f;
        float ax = px - ux * half, ay = py - uy * half, bx = px + ux * half, by = py + uy * half;
        float reach = linkLen * 0.5f + 10.0f;
        if (i % 2 == 0) {
            auto ring = [&](float x, float y) {
                return std::fabs(SdCapsule(x, y, ax, ay, bx, by, linkWid * 0.5f - bar)) - bar;
            };
            s.Raise(px - reach, py - reach, px + reach, py + reach, kSteel, ring,
                    [&](float d) { return 30.0f + Rounded(d, bar); });
        } else {
            float bh = (linkLen - bar) * 0.5f;
            auto edge = [&](float x, float y) {
                return SdCapsule(x, y, px - ux * bh, py - uy * bh, px + ux * bh, py + uy * bh, bar);
            };
            s.Raise(px - reach, py - reach, px + reach, py + reach, kSteel, edge,
                    [&](float d) { return 44.0f + Rounded(d, bar); });
        }
    }
    Lighting light = WarmKey();
    light.skyEnv = {0.30f, 0.50f, 0.55f};
    Canvas sharp = ShadeRelief(s, Materials(), light, 0x6E31u);
    // Shallow focus: sharp across the middle link, soft towards the ends.
    Canvas soft = sharp;
    Blur(soft, 7.0f);
    Canvas out(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float along = ((x + 0.5f - 512.0f) * 0.86f + (y + 0.5f - 384.0f) * 0.5f) / 300.0f;
            out.at(x, y) =
                Lerp(sharp.at(x, y), soft.at(x, y), Smoothstep(0.25f, 1.0f, std::fabs(along)));
        }
    // Bokeh of a workshop far behind.
    Rng rng(0x6E32u);
    for (int i = 0; i < 30; ++i) {
        float x = rng.Range(0.0f, kW), y = rng.Range(0.0f, kH);
        if (s.MaterialAt(static_cast<int>(x), static_cast<int>(y)) != kSoot) continue;
        float r = rng.Range(8.0f, 30.0f);
        Rgb col = rng.Unit() < 0.7f ? palette::kAmber : palette::kAqua;
        col *= rng.Range(0.08f, 0.25f);
        AddGlow(out, x, y, r, col);
    }
    return out;
}

}  // namespace cuts

Image MakeCut(int k) {
    Canvas c;
    switch (k) {
        case 1:
            c = cuts::Gears();
            break;
        case 2:
            c = cuts::Anvil();
            break;
        case 3:
            c = cuts::Pistons();
            break;
        case 4:
            c = cuts::Turbine();
            break;
        case 5:
            c = cuts::Chain();
            break;
        case 6:
            c = cuts::RunePlate();
            break;
        case 7:
            c = cuts::Furnace();
            break;
        default:
            throw std::invalid_argument("no cut picture " + std::to_string(k));
    }
    return cuts::FinishCut(std::move(c), k);
}

}  // namespace content::pictures
