#include "content/pictures/Scenery.h"

#include <vector>

#include "content/pictures/Fmath.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Style.h"

namespace content::pictures {

LandscapeLook DuskLook() {
    LandscapeLook l;
    l.seed = 0x7A11u;
    l.skyTop = {0.015f, 0.035f, 0.070f};
    l.skyMid = {0.070f, 0.250f, 0.290f};
    l.skyLow = {0.950f, 0.560f, 0.250f};
    l.sun = {1.000f, 0.780f, 0.450f};
    l.haze = {0.400f, 0.470f, 0.520f};
    l.near = {0.010f, 0.020f, 0.030f};
    l.mist = {0.330f, 0.430f, 0.460f};
    l.rim = {1.000f, 0.600f, 0.250f};
    return l;
}

LandscapeLook NightLook() {
    LandscapeLook l = DuskLook();
    l.sunY = 0.66f;
    l.sunSize = 0.0f;
    l.skyTop = {0.004f, 0.008f, 0.018f};
    l.skyMid = {0.018f, 0.060f, 0.090f};
    l.skyLow = {0.360f, 0.190f, 0.090f};
    l.sun = {0.700f, 0.360f, 0.150f};
    l.haze = {0.100f, 0.110f, 0.120f};
    l.near = {0.004f, 0.006f, 0.010f};
    l.mist = {0.120f, 0.150f, 0.160f};
    l.rim = {0.500f, 0.250f, 0.100f};
    l.clouds = 0.35f;
    l.rays = 0.0f;
    l.stars = 1.0f;
    return l;
}

LandscapeLook PaleLook() {
    LandscapeLook l = DuskLook();
    l.seed = 0x7A12u;
    l.horizon = 0.52f;
    l.water = 0.80f;
    l.sunX = 0.30f;
    l.sunY = 0.36f;
    l.sunSize = 0.0f;
    l.skyTop = {0.640f, 0.760f, 0.780f};
    l.skyMid = {0.860f, 0.890f, 0.860f};
    l.skyLow = {0.990f, 0.930f, 0.820f};
    l.sun = {1.000f, 0.950f, 0.850f};
    l.haze = {0.780f, 0.820f, 0.810f};
    l.near = {0.420f, 0.500f, 0.520f};
    l.mist = {0.960f, 0.950f, 0.910f};
    l.rim = {1.000f, 0.900f, 0.700f};
    l.clouds = 0.1f;
    l.rays = 0.15f;
    l.ridges = 4;
    l.trees = false;
    return l;
}

namespace {

struct Ridge {
    std::vector<float> top;     // per column, in pixels (with the tree line)
    std::vector<float> ground;  // the same without trees: where mist and rim light follow
    Rgb colour;
    float mist;     // how much valley mist pools below this ridge's crest
    float texture;  // rock and gully detail strength
};

float TreeLine(float x, float w, uint32_t seed) {
    // Conifers: narrow triangles of varied height, spaced irregularly, some gaps.
    float best = 0.0f;
    const float spacing = w * 0.0055f;
    int cell = static_cast<int>(std::floor(x / spacing));
    for (int k = cell - 2; k <= cell + 2; ++k) {
        uint32_t hsh = Hash(k, 3, seed);
        if ((hsh & 7) == 0) continue;  // a gap
        float cx = (k + 0.5f + ((hsh >> 8) & 255) / 512.0f) * spacing;
        float height = w * (0.006f + 0.016f * ((hsh >> 16) & 255) / 255.0f);
        float half = height * 0.3f;
        float t = 1.0f - std::fabs(x - cx) / half;
        if (t > 0.0f) best = std::max(best, height * t * (0.85f + 0.15f * Sinf(x * 1.7f)));
    }
    return best;
}

}  // namespace

Canvas PaintLandscape(int w, int h, const LandscapeLook& look) {
    Canvas c(w, h);
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    const float sunX = look.sunX * fw, sunY = look.sunY * fh;
    const float waterY = look.water * fh;
    const float horizonY = look.horizon * fh;

    // Ridges, far to near: crest lines per column. Far ones are tall peaked mountains, near
    // ones low hills; the nearest dips in the middle to open the view onto the lake.
    std::vector<Ridge> ridges(look.ridges);
    for (int i = 0; i < look.ridges; ++i) {
        float t = look.ridges > 1 ? static_cast<float>(i) / (look.ridges - 1) : 1.0f;
        Ridge& r = ridges[i];
        r.top.resize(w);
        const float base = horizonY + (waterY - horizonY) * (0.02f + 0.75f * t * t);
        const float amp = fh * (0.16f - 0.10f * t);
        const float freq = (3.0f - 1.4f * t) / fw;
        for (int x = 0; x < w; ++x) {
            float fx = x + 0.5f;
            float smooth = 0.5f + 0.5f * Fbm(fx * freq * 0.5f, 3.7f * i, look.seed + 101u * i, 4);
            float peaks = Ridged(fx * freq, 9.1f * i + 0.5f, look.seed + 211u * i, 5);
            float y = base - amp * (0.45f * smooth + 0.75f * peaks * peaks * (1.0f - 0.6f * t));
            if (i == look.ridges - 1) {
                float u = fx / fw - look.sunX;
                y += fh * 0.06f * Expf(-u * u * 18.0f);
            }
            r.ground.push_back(y);
            if (look.trees && i == look.ridges - 1) y -= TreeLine(fx, fw, look.seed);
            r.top[x] = y;
        }
        r.colour = Lerp(look.haze, look.near, Powf(t, 0.85f));
        r.mist = 0.9f * (1.0f - 0.5f * t);
        r.texture = 0.25f * t;
    }

    const float sunR = look.sunSize * fw;
    const float glowR = fw * 0.06f;
    auto skyAt = [&](float fx, float fy) {
        // Three-stop gradient, warmest under the sun.
        float v = fy / horizonY;
        Rgb sky = v < 0.55f ? Lerp(look.skyTop, look.skyMid, Smoothstep(0.0f, 0.55f, v))
                            : Lerp(look.skyMid, look.skyLow, Smoothstep(0.55f, 1.05f, v));
        float dx = fx - sunX, dy = fy - sunY;
        float d2 = dx * dx + dy * dy;
        float side = Expf(-dx * dx / (fw * fw * 0.09f));
        sky += look.skyLow * (0.25f * side * Smoothstep(0.3f, 1.0f, v));
        sky += look.sun * (0.9f / (1.0f + d2 / (glowR * glowR)));
        if (sunR > 0.0f) sky += look.sun * (2.5f * Coverage((std::sqrt(d2) - sunR) * 0.7f));
        if (look.clouds > 0.0f && v < 1.0f) {
            // Long thin clouds: dark against the zenith, lit warm from below near the sun.
            float n = Fbm(fx / (fw * 0.30f), fy / (fh * 0.05f), look.seed + 7u, 6);
            float cover = Smoothstep(0.05f, 0.45f, n + 0.35f * (look.clouds - 0.5f)) *
                          Smoothstep(0.08f, 0.35f, v) * (1.0f - Smoothstep(0.75f, 0.98f, v));
            float underside = Clamp01(
                0.5f - 0.5f * Fbm(fx / (fw * 0.30f), fy / (fh * 0.05f) - 0.35f, look.seed + 7u, 6) +
                0.25f);
            Rgb dark = Lerp(look.skyTop, look.skyMid, 0.6f) * 0.8f;
            Rgb lit = Lerp(look.skyLow, look.sun, side) *
                      (0.35f + 0.9f * side * Smoothstep(0.3f, 0.9f, v));
            sky = Lerp(sky, Lerp(dark, lit, underside), cover * 0.85f);
        }
        if (look.stars > 0.0f) {
            uint32_t hs = Hash(static_cast<int>(fx), static_cast<int>(fy), look.seed ^ 0x57A2u);
            if ((hs & 511u) == 0) {
                float b = ((hs >> 10) & 255) / 255.0f;
                sky += Rgb{0.85f, 0.9f, 1.0f} *
                       (look.stars * b * b * (1.0f - Smoothstep(0.3f, 0.95f, v)));
            }
        }
        if (look.rays > 0.0f) {
            // Soft beams through the haze, strongest low in the sky.
            float ang = Atan2f(dy, dx);
            float ray = Fbm(ang * 4.0f, 0.5f, look.seed + 31u, 2) * 0.5f + 0.5f;
            ray = ray * ray;
            float dist = std::sqrt(d2) / fw;
            sky += look.sun * (look.rays * ray * Expf(-dist * 2.2f) *
                               Smoothstep(0.0f, 0.08f, dist) * Smoothstep(0.2f, 0.9f, v));
        }
        return sky;
    };
    auto ridgeAt = [&](int i, int x, float fx, float fy) {
        const Ridge& r = ridges[i];
        const float below = fy - r.ground[x];
        // Air between us and the ridge takes the sun's colour on the sun's side.
        float dxs = (fx - sunX) / fw;
        float warm = Expf(-dxs * dxs * 6.0f) * (1.0f - static_cast<float>(i) / look.ridges);
        Rgb rc = Lerp(r.colour, look.skyLow * 0.55f, warm * 0.45f);
        float g = Fbm(fx / (fw * 0.04f), fy / (fh * 0.012f), look.seed + 400u + i, 4);
        rc *= 1.0f + r.texture * g;
        // Sunlit crest: a thin bright line where the sun stands behind the ridge.
        float dx = fx - sunX;
        float rimW =
            Expf(-std::max(0.0f, fy - r.top[x]) / 2.0f) * Expf(-(dx * dx) / (fw * fw * 0.05f));
        rc += look.rim * (0.6f * rimW * (1.0f - 0.7f * static_cast<float>(i) / look.ridges));
        // Mist lies in the valley below the crest and thickens downward.
        float m = r.mist * Smoothstep(fh * 0.01f, fh * 0.09f, below);
        Rgb mist = Lerp(look.mist, look.skyLow * 0.8f, warm);
        return Lerp(rc, mist, m * 0.7f);
    };
    const int skyRows = std::min(h, static_cast<int>(std::ceil(waterY)) + 1);
    for (int y = 0; y < skyRows; ++y) {
        const float fy = y + 0.5f;
        for (int x = 0; x < w; ++x) {
            const float fx = x + 0.5f;
            // Front to back: the nearest ridge covering the pixel usually hides all the rest.
            Rgb col{};
            float through = 1.0f;
            for (int i = look.ridges - 1; i >= 0 && through > 0.0f; --i) {
                float below = fy - ridges[i].top[x];
                if (below <= -0.5f) continue;
                float a = Clamp01(below + 0.5f);
                col += ridgeAt(i, x, fx, fy) * (a * through);
                through *= 1.0f - a;
            }
            if (through > 0.0f) col += skyAt(fx, fy) * through;
            c.at(x, y) = col;
        }
    }

    // The lake: the scene above, mirrored, broken by ripples, darkened; glints under the sun.
    if (waterY < fh) {
        const int wy0 = static_cast<int>(waterY);
        for (int y = wy0; y < h; ++y) {
            const float fy = y + 0.5f;
            const float depth = (fy - waterY) / (fh - waterY);
            for (int x = 0; x < w; ++x) {
                const float fx = x + 0.5f;
                float ripple = Fbm(fx / (fw * 0.05f), fy / (fh * 0.004f + depth * fh * 0.01f),
                                   look.seed + 900u, 3);
                float my = 2.0f * waterY - fy + ripple * (2.0f + 10.0f * depth);
                my = std::max(0.5f, std::min(waterY - 1.0f, my));
                Rgb refl = c.Sample(fx + ripple * 6.0f * depth, my);
                refl = Lerp(refl, look.skyTop, 0.1f + 0.3f * depth) * 0.9f;
                float gx = (fx - sunX) / (fw * (0.02f + 0.06f * depth));
                float glint = Expf(-gx * gx) * Smoothstep(0.55f, 0.95f, ripple * 0.5f + 0.5f);
                refl += look.sun * (0.8f * glint * (1.0f - 0.5f * depth) *
                                    (look.sunSize > 0.0f ? 1.0f : 0.3f));
                c.at(x, y) = refl;
            }
        }
        // A faint bright line where the water meets the far shore.
        for (int x = 0; x < w; ++x) c.at(x, wy0) = Lerp(c.at(x, wy0), look.mist, 0.3f);
    }
    return c;
}

}  // namespace content::pictures
