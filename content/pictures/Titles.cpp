// Title, credits and end: the landscape pictures that open and close the presentation and the
// lettering sprites drawn additively over the frame.
#include <string>

#include "content/pictures/Fmath.h"
#include "content/pictures/Lettering.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Scenery.h"
#include "content/pictures/SetupPicture.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace {

constexpr const char* kTitle = "RUNEPLAY";
constexpr float kTitleTracking = 0.42f;  // em between the title's capitals

Develop SpriteDevelop(uint32_t seed) {
    Develop d;
    d.seed = seed;
    d.grain = 0.02f;
    d.vignette = 0.0f;
    d.toning = 0.0f;
    d.keepBlack = true;
    return d;
}

// A hairline of light fading out towards both ends, centred on (cx, y).
void AddHairline(Canvas& c, float cx, float y, float halfLength, Rgb colour) {
    for (int x = std::max(0, static_cast<int>(cx - halfLength));
         x < std::min(c.w, static_cast<int>(cx + halfLength) + 1); ++x) {
        float t = 1.0f - std::fabs(x + 0.5f - cx) / halfLength;
        if (t <= 0.0f) continue;
        float a = t * t * (3.0f - 2.0f * t);
        for (int dy = -2; dy <= 2; ++dy) {
            int yy = static_cast<int>(std::floor(y)) + dy;
            if (yy < 0 || yy >= c.h) continue;
            float dist = std::fabs(yy + 0.5f - y);
            c.at(x, yy) += colour * (a * Expf(-dist * dist * 2.5f));
        }
    }
}

}  // namespace

Image MakeTitlePicture() {
    Canvas c = PaintLandscape(1024, 768, DuskLook());
    Develop d;
    d.seed = 0x111u;
    d.vignette = 0.45f;
    return Finish(c, d);
}

Image MakeTitleLettering() {
    // Light capitals on black with a warm glow.
    Canvas c(512, 64);
    const Text t = SetText(kTitle, Face::Light, 46.0f, kTitleTracking, 0);
    AddGlowingText(c, t, TextLeft(t, 256.0f), TextTop(t, 32.0f), palette::kBone * 1.05f,
                   palette::kAmber * 0.9f, 3.0f);
    return Finish(c, SpriteDevelop(0x50Eu));
}

Image MakeCreditName(std::string_view name) {
    // The name, and under it a hairline as wide as the word; twenty faint copies of this are
    // added to the frame, so everything but the lettering is exact black.
    Canvas c(256, 128);
    const Text t = SetText(name, Face::Light, 40.0f, 0.06f, 0);
    const float cx = 128.0f, cy = 58.0f;
    AddGlowingText(c, t, TextLeft(t, cx), TextTop(t, cy), palette::kBone, palette::kAmber * 0.7f,
                   2.5f);
    const float halfInk = 0.5f * (t.inkRight - t.inkLeft);
    AddHairline(c, cx, cy + 0.5f * t.capHeight + 12.0f, halfInk + 10.0f, palette::kAqua * 0.55f);
    return Finish(c, SpriteDevelop(0xC4ED17u + static_cast<uint32_t>(name.size())));
}

Image MakeEndScreen() {
    // Night over the same land: the title, who made it and the team, above the dark lake.
    Canvas c = PaintLandscape(1024, 768, NightLook());
    for (Rgb& p : c.px) p *= 0.8f;
    const Text title = SetText(kTitle, Face::Light, 92.0f, kTitleTracking, 0);
    AddGlowingText(c, title, TextLeft(title, 512.0f), TextTop(title, 230.0f), palette::kBone,
                   palette::kAmber * 0.8f, 7.0f);
    AddHairline(c, 512.0f, 300.0f, 300.0f, palette::kAmber * 0.35f);
    const Text by = SetText("a presentation by Tarn", Face::Book, 22.0f, 0.12f, 0);
    AddGlowingText(c, by, TextLeft(by, 512.0f), TextTop(by, 334.0f), palette::kGold * 0.85f,
                   palette::kAmber * 0.3f, 3.0f);
    const Text team =
        SetText("Tarn  ·  Morvek  ·  Pelwandr  ·  Sovane  ·  Tolve  ·  Harvel  ·  Dumeck  ·  Yeld",
                Face::Book, 15.0f, 0.1f, 0);
    AddGlowingText(c, team, TextLeft(team, 512.0f), TextTop(team, 712.0f), palette::kAqua * 0.75f,
                   palette::kTeal * 0.3f, 2.0f);
    Develop d;
    d.seed = 0xE4Du;
    d.vignette = 0.5f;
    return Finish(c, d);
}

Image MakeSetupPicture() {
    // Painted at twice the size and shrunk, so the small picture stays crisp.
    const int big = kSetupPictureSize * 2;
    Canvas c = PaintLandscape(big, big, PaleLook());
    const Text t = SetText("Runeplay", Face::Book, 47.0f, 0.02f, 0);
    const int left = TextLeft(t, big * 0.5f), top = TextTop(t, big * 0.40f);
    // A pale bloom behind the word keeps it readable over the ridges.
    Plane veil(c.w, c.h);
    for (int y = 0; y < t.mask.h; ++y)
        for (int x = 0; x < t.mask.w; ++x) {
            int vx = left + x, vy = top + y;
            if (vx >= 0 && vy >= 0 && vx < c.w && vy < c.h) veil.at(vx, vy) = t.mask.at(x, y);
        }
    Blur(veil, 9.0f);
    for (int i = 0; i < c.w * c.h; ++i)
        c.px[i] = Lerp(c.px[i], palette::kBone, Clamp01(veil.v[i] * 1.6f));
    PaintMask(c, t.mask, left, top, palette::kDeepTeal * 0.7f);
    const Text by = SetText("by Tarn", Face::Book, 22.0f, 0.1f, 0);
    PaintMask(c, by.mask, TextLeft(by, big * 0.5f), TextTop(by, big * 0.56f),
              palette::kEmber * 0.9f);
    Canvas small = Resize(c, kSetupPictureSize, kSetupPictureSize);
    Develop d;
    d.seed = 0x5E7u;
    d.grain = 0.025f;
    d.vignette = 0.2f;
    return Finish(small, d);
}

}  // namespace content::pictures
