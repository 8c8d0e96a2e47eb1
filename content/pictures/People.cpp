// The people picture: a crowd seen from behind against hazy stage light, three depths of
// silhouettes with light catching their edges, the far ones lost in haze, the near ones out
// of focus. Also the figure shapes other pictures borrow.
#include <cstdint>

#include "content/pictures/Figures.h"
#include "content/pictures/Fmath.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace {

struct Arm {
    float sx, sy, ex, ey, hx, hy;  // shoulder, elbow, hand
};

// One arm on side `side` (-1 left, +1 right) for the pose.
Arm ArmFor(Pose pose, int side, float cx, float yS, float sw, float ww, float H) {
    const float s = static_cast<float>(side);
    const float shx = cx + s * (sw - 0.04f * H), shy = yS + 0.05f * H;
    bool up = pose == Pose::BothArmsUp || (pose == Pose::OneArmUp && side > 0);
    if (up)
        return {shx,
                shy,
                cx + s * (sw + 0.12f * H),
                yS - 0.20f * H,
                cx + s * (sw + 0.06f * H),
                yS - 0.47f * H};
    if (pose == Pose::HandsOnHips)
        return {shx,
                shy,
                cx + s * (sw + 0.15f * H),
                yS + 0.20f * H,
                cx + s * (ww + 0.02f * H),
                yS + 0.40f * H};
    return {
        shx,           shy, cx + s * (sw + 0.01f * H), yS + 0.27f * H, cx + s * (sw - 0.01f * H),
        yS + 0.52f * H};
}

}  // namespace

float FigureDistance(const Figure& f, float px, float py) {
    const float H = f.height;
    const float headR = 0.095f * H;
    const float yS = f.baseY - 0.68f * H;  // shoulder line
    const float sw = 0.21f * H * f.build, ww = 0.15f * H * f.build;
    const float bottom = f.baseY + 8.0f * H;   // the body runs on out of the picture
    const float cx = f.x + f.lean * H * 0.5f;  // upper body shifts with the lean
    const float headX = f.x + f.lean * H, headY = f.baseY - H + headR * 1.12f;
    const float torso[12] = {cx - sw + 0.06f * H,
                             yS + 0.06f * H,
                             cx + sw - 0.06f * H,
                             yS + 0.06f * H,
                             f.x + ww,
                             yS + 0.45f * H,
                             f.x + ww * 1.08f,
                             bottom,
                             f.x - ww * 1.08f,
                             bottom,
                             f.x - ww,
                             yS + 0.45f * H};
    const float k = 0.05f * H;
    float d = SdPolygon(px, py, torso, 6);
    // Shoulders slope down from the neck.
    for (int side = -1; side <= 1; side += 2) {
        const float sgn = static_cast<float>(side);
        d = SmoothUnion(d,
                        SdCapsule(px, py, cx + sgn * 0.05f * H, yS + 0.02f * H,
                                  cx + sgn * (sw - 0.07f * H), yS + 0.10f * H, 0.07f * H),
                        k);
    }
    d = SmoothUnion(d, SdCapsule(px, py, cx, yS, headX, headY, 0.055f * H), k * 0.8f);
    // The head, a little taller than wide.
    float hx = px - headX, hy = (py - headY) / 1.12f;
    d = SmoothUnion(d, std::sqrt(hx * hx + hy * hy) - headR, 0.02f * H);
    for (int side = -1; side <= 1; side += 2) {
        Arm a = ArmFor(f.pose, side, cx, yS, sw, ww, H);
        float arm = std::min(SdCapsule(px, py, a.sx, a.sy, a.ex, a.ey, 0.050f * H),
                             SdCapsule(px, py, a.ex, a.ey, a.hx, a.hy, 0.036f * H));
        arm = std::min(arm, SdCircle(px, py, a.hx, a.hy, 0.037f * H));
        d = SmoothUnion(d, arm, 0.03f * H);
    }
    // Hair and cloth break the outline a little.
    const float n = 0.08f * H;
    // Figures left of the picture have a negative seed; it wraps modulo 2^32 as it always has.
    const auto seed = static_cast<uint32_t>(static_cast<int64_t>(f.x * 7.0f + f.height));
    return d + 0.006f * H * Noise(px / n, py / n, seed);
}

void FigureBounds(const Figure& f, float margin, float& x0, float& y0, float& x1, float& y1) {
    const float reach = 0.45f * f.height * f.build + std::fabs(f.lean) * f.height + margin;
    x0 = f.x - reach;
    x1 = f.x + reach;
    y0 = f.baseY - 1.25f * f.height - margin;
    y1 = f.baseY + 8.0f * f.height + margin;
}

Plane CrowdDistance(int w, int h, const std::vector<Figure>& figures, float margin) {
    Plane d(w, h, 1e9f);
    for (const Figure& f : figures) {
        float x0, y0, x1, y1;
        FigureBounds(f, margin, x0, y0, x1, y1);
        StampDistance(d, x0, y0, x1, y1, [&](float x, float y) { return FigureDistance(f, x, y); });
    }
    return d;
}

namespace {

constexpr int kW = 1024, kH = 768;

std::vector<Figure> CrowdRow(Rng& rng, int count, float baseY, float hMin, float hMax,
                             float upChance, float x0, float x1) {
    std::vector<Figure> row;
    for (int i = 0; i < count; ++i) {
        Figure f;
        f.x = x0 + (x1 - x0) * (i + rng.Range(0.1f, 0.9f)) / count;
        f.height = rng.Range(hMin, hMax);
        f.baseY = baseY + rng.Range(-0.06f, 0.06f) * f.height;
        f.lean = rng.Gauss() * 0.03f;
        f.build = rng.Range(0.85f, 1.15f);
        float p = rng.Unit();
        f.pose = p < upChance * 0.5f    ? Pose::BothArmsUp
                 : p < upChance         ? Pose::OneArmUp
                 : p < upChance + 0.08f ? Pose::HandsOnHips
                                        : Pose::ArmsDown;
        row.push_back(f);
    }
    return row;
}

// Draws one depth of the crowd: dark bodies tinted by the haze between them and us, edges
// lit by the light behind them, optionally out of focus.
void AddCrowdLayer(Canvas& c, const Canvas& haze, const std::vector<Figure>& row, Rgb body,
                   float hazeMix, float rimStrength, float rimWidth, float lightX, float lightY,
                   float focusBlur, float massTop) {
    Plane dist = CrowdDistance(c.w, c.h, row, rimWidth * 4.0f + 2.0f);
    // Behind the figures that stand out, the rest of the row is one mass of shoulders.
    if (massTop < c.h)
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                float top = massTop + 6.0f * Fbm(x / 25.0f, massTop, 0x9E5u, 3);
                dist.at(x, y) = std::min(dist.at(x, y), top - (y + 0.5f));
            }
    Canvas paint(c.w, c.h);
    Plane cover(c.w, c.h);
    for (int y = 1; y < c.h - 1; ++y)
        for (int x = 1; x < c.w - 1; ++x) {
            float d = dist.at(x, y);
            if (d > 2.0f) continue;
            float a = Coverage(d);
            // The outward normal from the distance field, compared with the way to the light.
            float gx = dist.at(x + 1, y) - dist.at(x - 1, y),
                  gy = dist.at(x, y + 1) - dist.at(x, y - 1);
            float gl = std::sqrt(gx * gx + gy * gy) + 1e-6f;
            float lx = lightX - x, ly = lightY - y;
            float ll = std::sqrt(lx * lx + ly * ly) + 1e-6f;
            float facing = Clamp01((gx * lx + gy * ly) / (gl * ll));
            facing *= facing;
            float rim = Expf(std::min(d, 0.0f) / rimWidth) * facing * rimStrength;
            Rgb tone = Lerp(body, haze.at(x, y) * 0.6f, hazeMix);  // haze between us and them
            paint.at(x, y) = (tone + palette::kGold * rim) * a;
            cover.at(x, y) = a;
        }
    if (focusBlur > 0.0f) {
        Blur(paint, focusBlur);
        Blur(cover, focusBlur);
    }
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] = c.px[i] * (1.0f - cover.v[i]) + paint.px[i];
}

}  // namespace

Image MakePeople() {
    Canvas c(kW, kH);
    const float lx = 0.52f * kW, ly = 0.40f * kH;
    // Haze lit from the stage: a hot core, a wide warm halo, teal at the edges.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float dx = (fx - lx) / kW, dy = (fy - ly) / kW;
            float r2 = dx * dx + dy * dy;
            float haze = 0.75f + 0.25f * Fbm(fx / 160.0f, fy / 110.0f, 0x9E0u, 5);
            Rgb col =
                Lerp(palette::kNight, palette::kDeepTeal * 1.3f, Smoothstep(0.0f, 0.7f, fy / kH));
            col += palette::kAmber * (0.9f * Expf(-r2 * 9.0f) * haze);
            col += palette::kGold * (1.6f * Expf(-r2 * 80.0f));
            col += palette::kBone * (2.0f * Expf(-r2 * 900.0f));
            c.at(x, y) = col * (0.85f + 0.3f * (haze - 0.75f));
        }
    // Beams from the lighting truss, fanning out over the crowd.
    const float truss = 0.30f * kH;
    for (int i = 0; i < 9; ++i) {
        float sx = (0.22f + 0.07f * i + 0.012f * Sinf(i * 2.3f)) * kW;
        float tx = sx + (sx - lx) * 2.6f + (i % 2 ? 120.0f : -80.0f);
        float ty = i % 3 == 0 ? -0.2f * kH : 1.1f * kH;
        Rgb col = i % 3 == 1 ? palette::kAmber * 0.12f : palette::kAqua * 0.10f;
        float ox = sx, oy = truss + 10.0f * Sinf(i * 1.7f);
        // AddCone-like beam, narrow at the lamp.
        float dx = tx - ox, dy = ty - oy, len = std::sqrt(dx * dx + dy * dy);
        float ux = dx / len, uy = dy / len;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                float px = x + 0.5f - ox, py = y + 0.5f - oy;
                float along = px * ux + py * uy;
                if (along <= 0.0f) continue;
                float across = std::fabs(-px * uy + py * ux);
                float width = 4.0f + along * 0.09f;
                float beam = Expf(-across * across / (width * width)) * Expf(-along / 900.0f);
                if (beam > 0.001f)
                    c.at(x, y) +=
                        col *
                        (beam * (0.8f + 0.2f * Fbm(along / 90.0f, across / 30.0f, 0x9E1u + i, 2)));
            }
        AddGlow(c, ox, oy, 4.0f, palette::kBone * 1.2f);
        AddGlow(c, ox, oy, 16.0f, col * 4.0f);
    }
    Canvas haze = c;
    Blur(haze, 40.0f);
    Rng rng(0x9E2u);
    // Far, middle and near rows.
    AddCrowdLayer(c, haze, CrowdRow(rng, 46, 0.66f * kH, 52.0f, 72.0f, 0.3f, -20.0f, kW + 20.0f),
                  palette::kInk, 0.7f, 0.6f, 0.8f, lx, ly, 0.8f, 0.66f * kH - 0.5f * 60.0f);
    AddCrowdLayer(c, haze, CrowdRow(rng, 12, 0.80f * kH, 120.0f, 150.0f, 0.3f, -40.0f, kW + 40.0f),
                  palette::kInk, 0.5f, 1.5f, 1.2f, lx, ly, 0.3f, static_cast<float>(kH));
    AddCrowdLayer(c, haze, CrowdRow(rng, 10, 0.90f * kH, 170.0f, 220.0f, 0.35f, -60.0f, kW + 60.0f),
                  palette::kInk, 0.25f, 2.0f, 1.5f, lx, ly, 0.0f, static_cast<float>(kH));
    std::vector<Figure> nearRow;
    const float nearX[4] = {0.06f, 0.30f, 0.78f, 0.97f};
    for (int i = 0; i < 4; ++i) {
        Figure f;
        f.x = nearX[i] * kW;
        f.height = rng.Range(420.0f, 480.0f);
        f.baseY = kH + 120.0f;
        f.lean = (nearX[i] < 0.5f ? 0.03f : -0.03f);
        f.build = 1.05f;
        f.pose = i == 2 ? Pose::OneArmUp : Pose::ArmsDown;
        nearRow.push_back(f);
    }
    AddCrowdLayer(c, haze, nearRow, palette::kInk, 0.0f, 1.6f, 2.5f, lx, ly, 3.5f,
                  static_cast<float>(kH));
    Develop d;
    d.seed = 0x9E3u;
    d.vignette = 0.5f;
    return Finish(c, d);
}

}  // namespace content::pictures
