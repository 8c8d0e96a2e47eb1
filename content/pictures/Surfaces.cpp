// Textures of the lit meshes and effects. All tile seamlessly (the meshes and reflection maps
// address them with wrapping), so nothing here uses a vignette or anything tied to the border.
//
// Two relief layouts drive the bump-lit scenes, each shared by its bump map and the surfaces
// drawn with it, so colour and relief line up:
//  - panels: riveted plates ("!textures\bump.tga" with "metal.tga", "text.tga", "boxtext.jpg");
//  - block: a chamfered stone block with a carved rune ("bump1.tga" with "boxtext1.jpg").
//
// Encodings the shader programs rely on:
//  - bump maps are tangent-space normal maps: RGB = (n + 1) / 2 * 255 with n = (x, y, z), x
//    along +u (right in the picture), y along +v (down the picture, Direct3D's v), z out of the
//    surface; alpha = height, 0 deep .. 255 high.
//  - surface TGAs carry a gloss mask in alpha (255 = polished, 0 = matt).
//  - "pointlight.tga": RGB = alpha = max(0, 1 - (d / 127)^2) * 255, d the distance in texels
//    from the centre (128, 128); every border texel is 0, so clamped lookups outside stay dark.
#include <cmath>

#include "content/pictures/Fmath.h"
#include "content/pictures/Lettering.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Runes.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace {

constexpr int kTex = 256;

inline float WrapCoord(float v) {
    v = std::fmod(v, static_cast<float>(kTex));
    return v < 0 ? v + kTex : v;
}

// A dome of radius r and height hgt over distance t from its centre line.
inline float Dome(float t, float r, float hgt) {
    if (t >= r) return 0.0f;
    float q = t / r;
    return hgt * std::sqrt(1.0f - q * q);
}

struct Relief {
    Plane height;  // 0..1
    Plane groove;  // 1 in seams, grooves and carvings, 0 on faces
    Plane raised;  // 1 on rivets, ribs and other raised details
    Plane region;  // which plate (panels) or 0 face / 1 inset / 2 rune (block)
    Relief() : height(kTex, kTex), groove(kTex, kTex), raised(kTex, kTex), region(kTex, kTex) {}
};

// Panel layout in its own frame; the texture samples it shifted by (200, 130) so that the
// texel at u = v = 0 lies on a plain plate face. The end scene's mesh has no texture
// coordinates and shows only that texel of "boxtext.jpg".
constexpr float kPanelShiftX = 200.0f, kPanelShiftY = 130.0f;

struct Plate {
    float x0, y0, x1, y1;
};
constexpr Plate kPlates[4] = {
    {0, 0, 256, 96}, {0, 96, 160, 256}, {160, 96, 256, 176}, {160, 176, 256, 256}};

Relief BuildPanels() {
    Relief r;
    const float gap = 2.5f, bevel = 6.0f;
    for (int py = 0; py < kTex; ++py) {
        for (int px = 0; px < kTex; ++px) {
            const float x = WrapCoord(px + 0.5f + kPanelShiftX),
                        y = WrapCoord(py + 0.5f + kPanelShiftY);
            int id = 0;
            float d = 1e9f;
            for (int i = 0; i < 4; ++i) {
                const Plate& p = kPlates[i];
                float di = SdBox(x, y, 0.5f * (p.x0 + p.x1), 0.5f * (p.y0 + p.y1),
                                 0.5f * (p.x1 - p.x0), 0.5f * (p.y1 - p.y0), 4.0f) +
                           gap;
                if (di < d) {
                    d = di;
                    id = i;
                }
            }
            float face = Smoothstep(0.0f, bevel, -d);
            float h = 0.12f + 0.48f * face;
            float groove = 1.0f - face;
            float raised = 0.0f;
            const Plate& p = kPlates[id];
            if (id == 0) {
                // Ribs on the right part; the left part keeps room for a stencil.
                for (int i = 0; i < 4; ++i) {
                    float ry = 24.0f + 16.0f * i;
                    float t = SdSegment(x, y, 116.0f, ry, 238.0f, ry);
                    float dome = Dome(t, 5.0f, 0.16f);
                    h += dome * face;
                    raised = std::max(raised, Clamp01(dome * 8.0f));
                }
            } else if (id == 1) {
                // A round hatch: groove ring, slightly proud lid, bolts and a handle bar.
                const float cx = 80.0f, cy = 176.0f;
                float rr = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
                float ring = 1.0f - Smoothstep(0.0f, 3.0f, std::fabs(rr - 52.0f));
                h -= 0.3f * ring * face;
                groove = std::max(groove, ring);
                h += 0.04f * (1.0f - Smoothstep(49.0f, 51.0f, rr)) * face;
                for (int b = 0; b < 8; ++b) {
                    float a = static_cast<float>(b) * 0.7853982f + 0.3926991f;
                    float dome =
                        Dome(SdCircle(x, y, cx + 64.0f * Cosf(a), cy + 64.0f * Sinf(a), 0.0f), 4.5f,
                             0.18f);
                    h += dome * face;
                    raised = std::max(raised, Clamp01(dome * 8.0f));
                }
                float bar = Dome(SdSegment(x, y, cx - 22.0f, cy, cx + 22.0f, cy), 5.5f, 0.2f);
                h += bar;
                raised = std::max(raised, Clamp01(bar * 8.0f));
            } else if (id == 2) {
                const float inset = 12.0f;
                float xs[2] = {p.x0 + inset, p.x1 - inset}, ys[2] = {p.y0 + inset, p.y1 - inset};
                for (float rx : xs)
                    for (float ry : ys) {
                        float dome = Dome(SdCircle(x, y, rx, ry, 0.0f), 5.0f, 0.2f);
                        h += dome;
                        raised = std::max(raised, Clamp01(dome * 8.0f));
                    }
            } else {
                // Tread plate: short raised bars, alternating diagonals.
                int cx = static_cast<int>(std::floor((x - p.x0) / 16.0f));
                int cy = static_cast<int>(std::floor((y - p.y0) / 16.0f));
                float ox = p.x0 + cx * 16.0f + 8.0f, oy = p.y0 + cy * 16.0f + 8.0f;
                float s = ((cx + cy) & 1) ? 1.0f : -1.0f;
                float dome =
                    Dome(SdSegment(x, y, ox - 4.0f, oy - 4.0f * s, ox + 4.0f, oy + 4.0f * s), 2.2f,
                         0.1f);
                h += dome * face;
                raised = std::max(raised, Clamp01(dome * 12.0f) * face);
            }
            // Hammered dents and fine brushing, both periodic on the tile.
            Cells dents = Worley(x / 16.0f, y / 16.0f, 0xD3u, kTex / 16);
            h -= 0.018f * (1.0f - Clamp01(dents.f1 * 1.6f)) * face;
            h += 0.006f * NoisePeriodic(x / 2.0f, y / 32.0f, 0xB7u, kTex / 2, kTex / 32);
            r.height.at(px, py) = Clamp01(h);
            r.groove.at(px, py) = Clamp01(groove);
            r.raised.at(px, py) = raised;
            r.region.at(px, py) = static_cast<float>(id);
        }
    }
    return r;
}

Relief BuildBlock() {
    Relief r;
    const std::vector<Stroke> rune = MakeRune(0);
    for (int py = 0; py < kTex; ++py) {
        for (int px = 0; px < kTex; ++px) {
            const float x = px + 0.5f, y = py + 0.5f;
            float outer = SdBox(x, y, 128.0f, 128.0f, 126.0f, 126.0f, 6.0f);
            float face = Smoothstep(0.0f, 12.0f, -outer);  // broad stone chamfer
            float inner = SdBox(x, y, 128.0f, 128.0f, 86.0f, 86.0f, 3.0f);
            float inset = Smoothstep(1.5f, -1.5f, inner);
            float h = 0.1f + 0.55f * face - 0.1f * inset;
            float groove = 1.0f - face;
            // Four drilled holes at the inset's corners.
            for (int k = 0; k < 4; ++k) {
                float hx = (k & 1) ? 228.0f : 28.0f, hy = (k & 2) ? 228.0f : 28.0f;
                float hole = Smoothstep(0.5f, -0.5f, SdCircle(x, y, hx, hy, 6.0f));
                h -= 0.25f * hole;
                groove = std::max(groove, hole);
            }
            // The rune, cut as a V groove.
            float dr = RuneDistance(rune, x, y, 78.0f, 70.0f, 100.0f);
            float cut = Clamp01(1.0f - dr / 6.0f);
            h -= 0.22f * cut;
            float region = cut > 0.25f ? 2.0f : (inset > 0.5f ? 1.0f : 0.0f);
            // Stone grain and pits.
            h += 0.05f * FbmPeriodic(x / 32.0f, y / 32.0f, 0x570Eu, 4, kTex / 32, kTex / 32);
            Cells pitsP = Worley(x * (32.0f / kTex), y * (32.0f / kTex), 0x9175u, 32);
            float pit = 1.0f - Smoothstep(0.0f, 0.18f, pitsP.f1);
            h -= 0.05f * pit * (pitsP.id & 3 ? 0.0f : 1.0f);
            r.height.at(px, py) = Clamp01(h);
            r.groove.at(px, py) = Clamp01(std::max(groove, cut));
            r.raised.at(px, py) = face * (1.0f - inset);
            r.region.at(px, py) = region;
        }
    }
    return r;
}

// Tangent-space normal map from a tiling height field (see the encoding at the top).
Image NormalMap(const Relief& r, float strength) {
    Plane h = r.height;
    Blur(h, 0.6f, Edge::Wrap);
    Image img(kTex, kTex);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            auto H = [&](int xx, int yy) { return h.at((xx + kTex) % kTex, (yy + kTex) % kTex); };
            float dx = (H(x + 1, y) - H(x - 1, y)) * 0.5f * strength;
            float dy = (H(x, y + 1) - H(x, y - 1)) * 0.5f * strength;
            float inv = 1.0f / std::sqrt(dx * dx + dy * dy + 1.0f);
            uint8_t* p = img.at(x, y);
            auto enc = [](float v) {
                return static_cast<uint8_t>(std::floor((v + 1.0f) * 127.5f + 0.5f));
            };
            p[0] = enc(-dx * inv);
            p[1] = enc(-dy * inv);
            p[2] = enc(inv);
            p[3] = static_cast<uint8_t>(std::floor(Clamp01(r.height.at(x, y)) * 255.0f + 0.5f));
        }
    return img;
}

// Light from the upper left on the relief, to give flat colour maps a little modelling.
float Shade(const Relief& r, int x, int y) {
    auto H = [&](int xx, int yy) { return r.height.at((xx + kTex) % kTex, (yy + kTex) % kTex); };
    float dx = (H(x + 1, y) - H(x - 1, y)) * 6.0f, dy = (H(x, y + 1) - H(x, y - 1)) * 6.0f;
    return Clamp01(0.8f - 0.7f * (dx + dy));
}

Develop SurfaceDevelop(uint32_t seed) {
    Develop d;
    d.seed = seed;
    d.grain = 0.02f;
    d.vignette = 0.0f;
    d.toning = 0.6f;
    return d;
}

void SetAlpha(Image& img, const Plane& a) {
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            img.at(x, y)[3] = static_cast<uint8_t>(std::floor(Clamp01(a.at(x, y)) * 255.0f + 0.5f));
}

}  // namespace

Image MakePanelBump() { return NormalMap(BuildPanels(), 14.0f); }

Image MakeBlockBump() { return NormalMap(BuildBlock(), 12.0f); }

Image MakeSteelSurface() {
    const Relief r = BuildPanels();
    Canvas c(kTex, kTex);
    Plane gloss(kTex, kTex);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            int id = static_cast<int>(r.region.at(x, y));
            // Brushing runs across the ribbed and tread plates, along the others.
            bool across = id == 0 || id == 3;
            float brush = across
                              ? FbmPeriodic(fx / 64.0f, fy / 1.5f, 0x51u + id, 3, 4, kTex * 2 / 3)
                              : FbmPeriodic(fx / 1.5f, fy / 64.0f, 0x61u + id, 3, kTex * 2 / 3, 4);
            float cloud = FbmPeriodic(fx / 64.0f, fy / 64.0f, 0x71u, 4, 4, 4);
            Rgb base = Lerp(palette::kSteel, Rgb{0.70f, 0.74f, 0.76f}, 0.5f + 0.5f * cloud);
            base *= 0.88f + 0.12f * brush + 0.05f * static_cast<float>(id % 2);
            float groove = r.groove.at(x, y);
            Rgb col = Lerp(base, palette::kDeepTeal * 0.6f, groove * 0.85f);
            col = Lerp(col, Rgb{0.86f, 0.88f, 0.88f}, r.raised.at(x, y) * 0.5f);
            c.at(x, y) = col * Shade(r, x, y);
            gloss.at(x, y) = 0.75f * (1.0f - groove) + 0.25f * r.raised.at(x, y) + 0.05f * brush;
        }
    Image img = Finish(c, SurfaceDevelop(0x57EE1u));
    SetAlpha(img, gloss);
    return img;
}

Image MakeBronzeSurface() {
    const Relief r = BuildPanels();
    Canvas c(kTex, kTex);
    Plane gloss(kTex, kTex);
    const Rgb bronze{0.50f, 0.31f, 0.14f}, polished{0.95f, 0.70f, 0.40f};
    const Rgb verdigris{0.22f, 0.52f, 0.46f};
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            float cloud = FbmPeriodic(fx / 32.0f, fy / 32.0f, 0xB20u, 5, 8, 8);
            float fine = FbmPeriodic(fx / 4.0f, fy / 4.0f, 0xB21u, 2, 64, 64);
            Rgb col = bronze * (0.85f + 0.25f * cloud + 0.08f * fine);
            // Patina gathers in the seams and grooves and creeps out in patches.
            float patina =
                Clamp01(r.groove.at(x, y) * 1.2f + Smoothstep(0.25f, 0.7f, cloud) * 0.45f);
            col = Lerp(col, verdigris * (0.8f + 0.3f * fine), patina);
            // Raised details are rubbed bright.
            col = Lerp(col, polished, r.raised.at(x, y) * 0.75f);
            c.at(x, y) = col * Shade(r, x, y);
            gloss.at(x, y) = Clamp01(0.6f * (1.0f - patina) + 0.4f * r.raised.at(x, y));
        }
    Image img = Finish(c, SurfaceDevelop(0xB202Eu));
    SetAlpha(img, gloss);
    return img;
}

Image MakePanelSurface() {
    const Relief r = BuildPanels();
    Canvas c(kTex, kTex);
    const Rgb paints[4] = {
        {0.55f, 0.66f, 0.66f}, {0.50f, 0.62f, 0.63f}, {0.66f, 0.72f, 0.70f}, {0.46f, 0.56f, 0.58f}};
    const Rgb rust{0.62f, 0.30f, 0.10f}, metal{0.72f, 0.72f, 0.70f};
    // Stencilled marking on the plain part of the ribbed plate, in the panel frame.
    const Text stencil = SetText("RP-07", Face::Bold, 22.0f, 0.08f, 0);
    const int sLeft = TextLeft(stencil, 58.0f), sTop = TextTop(stencil, 48.0f);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            int id = static_cast<int>(r.region.at(x, y));
            float cloud = FbmPeriodic(fx / 32.0f, fy / 32.0f, 0xCA7u, 5, 8, 8);
            float grime = FbmPeriodic(fx / 16.0f, fy / 64.0f, 0xCA8u, 3, 16, 4);
            Rgb col = paints[id] * (0.9f + 0.12f * cloud - 0.08f * Clamp01(grime));
            // Paint chips off where edges stick out and in scattered scratches.
            float edge = r.groove.at(x, y) * (1.0f - r.groove.at(x, y)) * 4.0f;
            float chip = Smoothstep(0.55f, 0.75f, edge * 0.6f + 0.5f * (cloud + 0.3f));
            Rgb under = Lerp(rust, metal, Smoothstep(-0.2f, 0.4f, grime));
            col = Lerp(col, under, chip);
            col = Lerp(col, palette::kInk * 4.0f, Smoothstep(0.6f, 1.0f, r.groove.at(x, y)) * 0.8f);
            // The stencil lives in the panel frame, so it moves with the plates.
            int sx = static_cast<int>(WrapCoord(fx + kPanelShiftX)) - sLeft;
            int sy = static_cast<int>(WrapCoord(fy + kPanelShiftY)) - sTop;
            if (sx >= 0 && sy >= 0 && sx < stencil.mask.w && sy < stencil.mask.h)
                col = Lerp(col, palette::kAmber * 0.85f,
                           stencil.mask.at(sx, sy) * (0.9f - 0.5f * chip));
            c.at(x, y) = col * (0.35f + 0.65f * Shade(r, x, y));
        }
    return Finish(c, SurfaceDevelop(0xB0C5u));
}

Image MakeBlockSurface() {
    const Relief r = BuildBlock();
    Canvas c(kTex, kTex);
    const Rgb stone{0.46f, 0.51f, 0.52f}, stoneDark{0.20f, 0.27f, 0.30f};
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            float cloud = FbmPeriodic(fx / 64.0f, fy / 64.0f, 0x5701u, 5, 4, 4);
            float speck = HashUnit(x, y, 0x5702u);
            Rgb col = Lerp(stoneDark, stone, 0.55f + 0.45f * cloud) * (0.92f + 0.16f * speck);
            int region = static_cast<int>(r.region.at(x, y));
            if (region == 1) col *= 0.82f;  // the inset is smoother and darker
            col = Lerp(col, stoneDark * 0.5f, r.groove.at(x, y) * 0.7f);
            if (region == 2) col = Lerp(col, palette::kGold, 0.85f);  // gilded rune
            // Worn, paler chamfer.
            float wear = r.raised.at(x, y) * (1.0f - r.raised.at(x, y)) * 4.0f;
            col = Lerp(col, palette::kBone * 0.8f, 0.25f * wear);
            c.at(x, y) = col * (0.4f + 0.6f * Shade(r, x, y));
        }
    return Finish(c, SurfaceDevelop(0xB10Cu));
}

Image MakeMetalReflection() {
    // A studio seen in brushed steel: soft horizontal light bands (one warm), a cool vertical
    // window, all tiling so camera-space reflection coordinates (-1..1, wrapped) show no seam.
    Canvas c(kTex, kTex);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float u = (x + 0.5f) / kTex, v = (y + 0.5f) / kTex;
            float brush = FbmPeriodic(u * 4.0f, v * 96.0f, 0x3E7u, 4, 4, 96);
            // Periodic band shapes: raised cosines sharpened by a power.
            float warm = Powf(0.5f + 0.5f * Cosf(static_cast<float>(kTwoPi) * (v - 0.30f)), 10.0f);
            float cool =
                Powf(0.5f + 0.5f * Cosf(static_cast<float>(kTwoPi) * 2.0f * (v - 0.62f)), 16.0f);
            float window = Powf(0.5f + 0.5f * Cosf(static_cast<float>(kTwoPi) * (u - 0.7f)), 24.0f);
            Rgb col = Lerp(palette::kNight, palette::kDeepTeal,
                           0.5f + 0.5f * Cosf(static_cast<float>(kTwoPi) * v));
            col += palette::kAmber * (0.9f * warm) + palette::kAqua * (0.55f * cool) +
                   palette::kBone * (0.35f * window * (0.4f + 0.6f * warm + 0.3f));
            col *= 0.85f + 0.3f * brush;
            c.at(x, y) = col;
        }
    return Finish(c, SurfaceDevelop(0x3E75u));
}

Image MakeMetalDetail() {
    // The second reflection: out-of-focus lights of a room, warm and cool discs on a dark
    // ground, placed on the torus so the map tiles.
    Canvas c(kTex, kTex);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            const float u = (x + 0.5f) / kTex, v = (y + 0.5f) / kTex;
            float soft = FbmPeriodic(u * 3.0f, v * 3.0f, 0xDE1u, 4, 3, 3);
            c.at(x, y) =
                Lerp(palette::kInk, palette::kDeepTeal * 0.8f, Smoothstep(-0.4f, 0.7f, soft));
        }
    Rng rng(0xDE2u);
    for (int i = 0; i < 26; ++i) {
        float cx = rng.Range(0.0f, kTex), cy = rng.Range(0.0f, kTex);
        float radius = rng.Range(6.0f, 22.0f);
        Rgb col = rng.Unit() < 0.6f ? palette::kGold : palette::kAqua;
        col *= rng.Range(0.12f, 0.45f);
        // Every disc is drawn with its copies across the borders.
        for (int oy = -1; oy <= 1; ++oy)
            for (int ox = -1; ox <= 1; ++ox) {
                float px = cx + ox * kTex, py = cy + oy * kTex;
                int x0 = std::max(0, static_cast<int>(px - radius - 2)),
                    x1 = std::min(kTex - 1, static_cast<int>(px + radius + 2));
                int y0 = std::max(0, static_cast<int>(py - radius - 2)),
                    y1 = std::min(kTex - 1, static_cast<int>(py + radius + 2));
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) {
                        float d = SdCircle(x + 0.5f, y + 0.5f, px, py, radius);
                        float a = Clamp01(0.5f - d / 1.5f);
                        // Bokeh discs are a little brighter at the rim.
                        float rim = 1.0f + 0.35f * Smoothstep(-radius * 0.5f, 0.0f, d);
                        c.at(x, y) += col * (a * rim);
                    }
            }
    }
    return Finish(c, SurfaceDevelop(0xDE7u));
}

Image MakeWaterLight() {
    // Caustics: the bright web where light focused by the ripples lands; dark elsewhere, since
    // it is added on top of the reflection.
    const int n = 512;
    Canvas c(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
            // Strong warping bends the cell walls into the curved web of real caustics.
            float wx = FbmPeriodic(u * 5.0f, v * 5.0f, 0xA1u, 3, 5, 5);
            float wy = FbmPeriodic(u * 5.0f + 7.0f, v * 5.0f, 0xA2u, 3, 5, 5);
            Cells a = Worley(u * 10.0f + 0.9f * wx, v * 10.0f + 0.9f * wy, 0xA3u, 10);
            Cells b = Worley(u * 15.0f - 1.1f * wy, v * 15.0f + 1.1f * wx, 0xA4u, 15);
            float webA = Expf(-(a.f2 - a.f1) * 14.0f);
            float webB = Expf(-(b.f2 - b.f1) * 16.0f);
            float patch =
                0.45f +
                0.55f * Smoothstep(-0.5f, 0.6f, FbmPeriodic(u * 3.0f, v * 3.0f, 0xA5u, 3, 3, 3));
            float light = (0.55f * webA + 0.35f * webB + 0.9f * webA * webB) * patch;
            c.at(x, y) = palette::kNight * 0.5f + palette::kAqua * (0.42f * light) +
                         palette::kBone * (0.25f * light * light);
        }
    Develop d = SurfaceDevelop(0xA6u);
    d.toning = 0.3f;
    return Finish(c, d);
}

Image MakePointLight() {
    Image img(kTex, kTex);
    for (int y = 0; y < kTex; ++y)
        for (int x = 0; x < kTex; ++x) {
            float dx = x + 0.5f - 128.0f, dy = y + 0.5f - 128.0f;
            float q = (dx * dx + dy * dy) / (127.0f * 127.0f);
            float v = q >= 1.0f ? 0.0f : 1.0f - q;
            uint8_t b = static_cast<uint8_t>(std::floor(v * 255.0f + 0.5f));
            uint8_t* p = img.at(x, y);
            p[0] = p[1] = p[2] = p[3] = b;
        }
    return img;
}

}  // namespace content::pictures
