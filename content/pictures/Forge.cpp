// Cut pictures of the forge: the anvil with a glowing bar, a plate of engraved runes, the
// furnace mouth with its smith.
#include "content/pictures/Cuts.h"
#include "content/pictures/Figures.h"
#include "content/pictures/Fmath.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Runes.h"
#include "content/pictures/Style.h"

namespace content::pictures::cuts {

namespace {

// Fire colour ramp: ember red through amber to a white-hot core, for heat 0..1.
Rgb Heat(float t) {
    t = Clamp01(t);
    if (t < 0.4f) return palette::kEmber * (t / 0.4f);
    if (t < 0.75f) return Lerp(palette::kEmber, palette::kAmber * 1.3f, (t - 0.4f) / 0.35f);
    return Lerp(palette::kAmber * 1.3f, palette::kBone * 2.2f, (t - 0.75f) / 0.25f);
}

}  // namespace

Canvas Anvil() {
    ReliefScene s(kW, kH);
    AddBackdropPlate(s, 0x6E40u);
    // Side view: horn to the left, face, waist, spreading feet.
    static const float kShape[] = {205, 384, 300, 368, 420, 356, 800, 356, 806, 420, 766, 432,
                                   706, 452, 692, 540, 772, 598, 776, 628, 424, 628, 428, 598,
                                   508, 540, 494, 452, 420, 434, 330, 418, 260, 400};
    const int points = static_cast<int>(sizeof(kShape) / sizeof(kShape[0]) / 2);
    s.Raise(
        190, 340, 820, 640, kIron,
        [&](float x, float y) { return SdPolygon(x, y, kShape, points); },
        [](float d) { return 30.0f + Bevelled(d, 40.0f, 26.0f); });
    // The polished face.
    s.Raise(
        410, 350, 810, 372, kSteel,
        [&](float x, float y) { return SdBox(x, y, 610.0f, 362.0f, 190.0f, 6.0f, 2.0f); },
        [](float d) { return 70.0f + Bevelled(d, 2.0f, 2.0f); });
    // Wooden stump.
    s.Raise(
        380, 620, 820, kH, kWood,
        [&](float x, float y) { return SdBox(x, y, 600.0f, 720.0f, 210.0f, 100.0f, 10.0f); },
        [](float d) { return 20.0f + Rounded(d, 80.0f) * 0.4f; });
    // The bar straight from the fire, lying on the face.
    const float bx0 = 500.0f, bx1 = 690.0f, by = 346.0f;
    s.Raise(
        bx0 - 14, by - 14, bx1 + 14, by + 14, kSoot,
        [&](float x, float y) { return SdCapsule(x, y, bx0, by, bx1, by, 9.0f); },
        [](float d) { return 74.0f + Rounded(d, 9.0f); });
    Lighting light = WarmKey();
    light.keyX = -0.5f;
    light.keyY = -0.7f;
    Canvas out = ShadeRelief(s, Materials(), light, 0x6E41u);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float along = Clamp01((fx - bx0) / (bx1 - bx0));
            float d = SdCapsule(fx, fy, bx0, by, bx1, by, 9.0f);
            float hot = 0.55f + 0.45f * Sinf(along * 3.1f);  // hottest in the middle
            if (d < 1.0f) out.at(x, y) = Lerp(out.at(x, y), Heat(0.6f + 0.4f * hot), Coverage(d));
            // Its light on the face and the air around it.
            out.at(x, y) += palette::kAmber * (0.5f * Expf(-std::max(d, 0.0f) / 30.0f) * hot);
            // The forge somewhere off to the left lights the wall.
            if (s.MaterialAt(x, y) == kBackdrop || s.MaterialAt(x, y) == kIron)
                out.at(x, y) += palette::kEmber *
                                (0.18f * Expf(-fx / 300.0f) * Smoothstep(0.0f, 0.7f, fy / kH));
        }
    AddSparks(out, 0x6E42u, 90, 600.0f, 340.0f, 0.7f, -1.5707964f, 300.0f);
    return out;
}

Canvas RunePlate() {
    ReliefScene s(kW, kH);
    AddBackdropPlate(s, 0x6E50u);
    const float px = 512.0f, py = 384.0f, hw = 440.0f, hh = 290.0f;
    s.Raise(
        px - hw - 4, py - hh - 4, px + hw + 4, py + hh + 4, kSteel,
        [&](float x, float y) { return SdBox(x, y, px, py, hw, hh, 14.0f); },
        [](float d) { return 20.0f + Bevelled(d, 16.0f, 12.0f); });
    for (int k = 0; k < 4; ++k) {
        float bx = px + ((k & 1) ? hw - 36.0f : -hw + 36.0f),
              byy = py + ((k & 2) ? hh - 36.0f : -hh + 36.0f);
        s.Raise(
            bx - 16, byy - 16, bx + 16, byy + 16, kBrass,
            [&](float x, float y) { return SdCircle(x, y, bx, byy, 12.0f); },
            [](float d) { return 36.0f + Rounded(d, 12.0f); });
    }
    // Two rows of engraved runes and a rule between them; the middle rune of the top row
    // holds molten metal.
    const float size = 120.0f;
    std::vector<Stroke> hot;
    float hotLeft = 0, hotTop = 0;
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 5; ++col) {
            const std::vector<Stroke> rune = MakeRune(40u + row * 5u + col);
            float left = px - 2.5f * 160.0f + col * 160.0f + 20.0f,
                  top = py - 220.0f + row * 250.0f;
            s.Carve(
                left - 12, top - 12, left + size + 12, top + size + 12,
                [&](float x, float y) { return RuneDistance(rune, x, y, left, top, size) - 7.0f; },
                [](float d) { return 9.0f * Clamp01(-d / 7.0f + 0.3f); });
            if (row == 0 && col == 2) {
                hot = rune;
                hotLeft = left;
                hotTop = top;
            }
        }
    s.Carve(
        px - 380, py + 5, px + 380, py + 15,
        [&](float x, float y) { return SdBox(x, y, px, py + 10.0f, 370.0f, 2.0f); },
        [](float) { return 4.0f; });
    Lighting light = WarmKey();
    light.keyX = -0.92f;
    light.keyY = -0.15f;
    light.keyZ = 0.36f;
    light.shadowLength = 40.0f;
    Canvas out = ShadeRelief(s, Materials(), light, 0x6E51u);
    for (int y = static_cast<int>(hotTop) - 60; y < static_cast<int>(hotTop + size) + 60; ++y)
        for (int x = static_cast<int>(hotLeft) - 60; x < static_cast<int>(hotLeft + size) + 60;
             ++x) {
            float d = RuneDistance(hot, x + 0.5f, y + 0.5f, hotLeft, hotTop, size) - 5.0f;
            out.at(x, y) = Lerp(out.at(x, y), Heat(0.85f), Coverage(d));
            out.at(x, y) += palette::kAmber * (0.45f * Expf(-std::max(d, 0.0f) / 16.0f));
        }
    return out;
}

Canvas Furnace() {
    ReliefScene s(kW, kH);
    const float ox = 470.0f, archY = 360.0f, halfW = 190.0f, floorY = 690.0f;
    auto opening = [&](float x, float y) {
        float box = SdBox(x, y, ox, (archY + floorY) * 0.5f, halfW, (floorY - archY) * 0.5f);
        float arch = SdCircle(x, y, ox, archY, halfW);
        return std::max(std::min(box, arch), y - floorY);
    };
    // Brick wall: staggered courses, each brick a little proud and uneven; mortar between.
    const float bw = 120.0f, bh = 46.0f;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            int row = static_cast<int>(std::floor(fy / bh));
            float shift = (row & 1) ? bw * 0.5f : 0.0f;
            int col = static_cast<int>(std::floor((fx + shift) / bw));
            float lx = fx + shift - (col + 0.5f) * bw, ly = fy - (row + 0.5f) * bh;
            float d = SdBox(lx, ly, 0.0f, 0.0f, bw * 0.5f - 4.0f, bh * 0.5f - 4.0f, 5.0f);
            float brick = Bevelled(d, 10.0f, 5.0f) +
                          2.5f * Fbm(fx / 14.0f, fy / 14.0f, 0x6E60u, 3) +
                          2.0f * HashUnit(col, row, 0x6E61u);
            s.height.at(x, y) = brick;
            s.material.at(x, y) = d < 0.0f ? kBrick : kSoot;
            // Bricks differ in firing; soot climbs the wall above the mouth.
            float tone = 0.75f + 0.5f * HashUnit(col, row, 0x6E66u);
            float soot = Smoothstep(archY + 80.0f, archY - 260.0f, fy) *
                         Expf(-(fx - ox) * (fx - ox) / 90000.0f);
            s.glow.at(x, y) = Rgb{tone, tone, tone};  // borrowed below as a tint, then cleared
            s.glow.at(x, y).g = soot;
        }
    // Arch of radial bricks around the opening.
    s.Raise(
        ox - halfW - 70, archY - halfW - 70, ox + halfW + 70, floorY, kBrick,
        [&](float x, float y) {
            float ring = std::max(opening(x, y) - 56.0f, -opening(x, y));
            float a = Atan2f(y - archY, x - ox);
            float seg = a / 0.22f;
            float joint = std::fabs(seg - std::floor(seg + 0.5f)) * 0.22f * (halfW + 28.0f);
            return y < archY ? std::max(ring, 3.0f - joint) : ring;
        },
        [](float d) { return 12.0f + Bevelled(d, 8.0f, 4.0f); });
    // The smith stands against the light, a poker reaching into the fire.
    Figure smith;
    smith.x = 760.0f;
    smith.baseY = 640.0f;
    smith.height = 430.0f;
    smith.lean = -0.06f;
    smith.build = 1.2f;
    smith.pose = Pose::ArmsDown;
    const float handX = smith.x - 0.21f * smith.height * smith.build,
                handY = smith.baseY - 0.16f * smith.height;
    auto smithShape = [&](float x, float y) {
        return std::min(FigureDistance(smith, x, y),
                        SdCapsule(x, y, handX, handY, 500.0f, 640.0f, 5.0f));
    };
    float sx0, sy0, sx1, sy1;
    FigureBounds(smith, 4.0f, sx0, sy0, sx1, sy1);
    sx0 = std::min(sx0, 490.0f);
    s.Raise(sx0, sy0, sx1, sy1, kSoot, smithShape,
            [](float d) { return 120.0f + Bevelled(d, 4.0f, 3.0f); });
    // Brick tints and soot were parked in the glow plane; take them out before the fire goes in.
    std::vector<float> tone(static_cast<size_t>(kW) * kH), soot(static_cast<size_t>(kW) * kH);
    for (int i = 0; i < kW * kH; ++i) {
        tone[i] = s.glow.px[i].r;
        soot[i] = s.glow.px[i].g;
        s.glow.px[i] = Rgb{};
    }
    // Inside: a deep hole full of fire.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float d = opening(fx, fy);
            if (d > 1.0f) continue;
            float a = Coverage(d);
            s.height.at(x, y) = Lerp(s.height.at(x, y), -60.0f, a);
            if (a > 0.5f) s.material.at(x, y) = kSoot;
            float rise = (floorY - fy) / (floorY - archY + halfW);
            float flame = Fbm(fx / 45.0f, fy / 30.0f + 0.02f * fx, 0x6E62u, 5) * 0.5f + 0.5f;
            // Tongues of flame: noise stretched upward, thinning with height.
            float tongues = Fbm(fx / 22.0f, fy / 70.0f, 0x6E65u, 4) * 0.5f + 0.5f;
            float heat =
                Clamp01(0.95f - rise * 0.95f + 0.35f * (flame - 0.5f) + 0.45f * (tongues - 0.5f));
            s.glow.at(x, y) = Heat(heat) * (0.9f * a);
        }

    Lighting light = WarmKey();
    light.keyX = -0.55f;
    light.keyY = 0.25f;
    light.keyZ = 0.75f;
    light.key = {0.8f, 0.42f, 0.17f};
    light.shadowLength = 90.0f;
    Canvas out = ShadeRelief(s, Materials(), light, 0x6E63u);
    // Firelight falls off across the wall; the smith is a silhouette with a burning edge.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const size_t i = static_cast<size_t>(y) * kW + x;
            float fx = x + 0.5f, fy = y + 0.5f;
            float d = std::max(0.0f, opening(fx, fy));
            float spill = Expf(-d / 110.0f);
            float sd = smithShape(fx, fy);
            if (sd < 1.0f) {
                // Rim light on the edges that face the fire (the outward normal points left).
                float gx = smithShape(fx + 1.0f, fy) - smithShape(fx - 1.0f, fy);
                float facing = Clamp01(-gx * 0.6f + 0.15f);
                float edge = Expf(std::min(sd, 0.0f) / 2.0f) * facing;
                out.at(x, y) =
                    Lerp(out.at(x, y), palette::kInk * 0.4f + palette::kGold * (1.3f * edge),
                         Coverage(sd));
                continue;
            }
            if (opening(fx, fy) < 0.0f) continue;  // the fire keeps its own light
            out.at(x, y) *= (0.25f + 1.0f * spill) * tone[i] * (1.0f - 0.7f * soot[i]);
            out.at(x, y) += palette::kEmber * (0.12f * spill);
        }
    AddSparks(out, 0x6E64u, 70, ox, floorY - 120.0f, 0.5f, -1.5707964f, 420.0f);
    return out;
}

}  // namespace content::pictures::cuts
