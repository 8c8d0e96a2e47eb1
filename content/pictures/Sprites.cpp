// Small sprites drawn additively: the point field's dot, the scenes' flare and the digits of the
// frame-rate counter. All fall to exact black at their border so no square outline shows.
#include <stdexcept>
#include <string>

#include "content/pictures/Fmath.h"
#include "content/pictures/Lettering.h"
#include "content/pictures/Producers.h"
#include "content/pictures/Style.h"

namespace content::pictures {

namespace {

// Radial sprite: `shape(r)` with r = 0 in the centre and 1 at the inscribed circle's edge.
template <class Shape>
Canvas RadialSprite(int size, Shape shape) {
    Canvas c(size, size);
    const float half = size * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f - half) / half, dy = (y + 0.5f - half) / half;
            float r = std::sqrt(dx * dx + dy * dy);
            c.at(x, y) = r >= 1.0f ? Rgb{} : shape(r, dx, dy);
        }
    return c;
}

}  // namespace

Image MakePointSprite() {
    // A bright warm core in a soft amber halo; (1 - r^2)^2 takes everything to 0 at the rim.
    Canvas c = RadialSprite(128, [](float r, float, float) {
        float edge = (1.0f - r * r) * (1.0f - r * r);
        float core = Expf(-r * r * 22.0f);
        float halo = Expf(-r * r * 4.5f);
        return (palette::kBone * (1.1f * core) + palette::kGold * (0.55f * halo)) * edge;
    });
    Develop d;
    d.grain = 0.0f;
    d.vignette = 0.0f;
    d.toning = 0.0f;
    d.keepBlack = true;
    return Finish(c, d);
}

Image MakeFlareSprite() {
    // A lens flare: white core, amber glow and a faint horizontal streak.
    Canvas c = RadialSprite(64, [](float r, float dx, float dy) {
        float edge = (1.0f - r * r) * (1.0f - r * r);
        float core = Expf(-r * r * 30.0f);
        float glow = Expf(-r * r * 6.0f);
        float streak = Expf(-dy * dy * 900.0f) * (1.0f - std::fabs(dx));
        return (palette::kBone * (1.2f * core) + palette::kAmber * (0.45f * glow) +
                palette::kAqua * (0.35f * streak)) *
               edge;
    });
    Develop d;
    d.grain = 0.0f;
    d.vignette = 0.0f;
    d.toning = 0.0f;
    d.keepBlack = true;
    return Finish(c, d);
}

Image MakeDigit(char ch) {
    // White on black, grey levels only: the counter adds the pictures to the frame. Digits share
    // one baseline and are centred in their cell; 'c' is the shared picture of every other
    // character, a round dot sitting on that baseline.
    if (!((ch >= '0' && ch <= '9') || ch == 'c'))
        throw std::invalid_argument(std::string("no digit picture for '") + ch + "'");
    constexpr int kSize = 32;
    constexpr float kEm = 33.0f;  // digits about 24 pixels tall
    Canvas c(kSize, kSize);
    const Text probe = SetText("0", Face::Bold, kEm);
    const float baselineY = 0.5f * kSize + 0.5f * probe.capHeight;
    if (ch == 'c') {
        const float r = 3.2f;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                float a = Coverage(SdCircle(x + 0.5f, y + 0.5f, 16.0f, baselineY - r, r));
                c.at(x, y) = Rgb{a, a, a};
            }
    } else {
        const Text t = SetText(std::string(1, ch), Face::Bold, kEm);
        const int left = TextLeft(t, 16.0f);
        const int top = static_cast<int>(std::floor(baselineY - t.baseline + 0.5f));
        AddMask(c, t.mask, left, top, Rgb{1.0f, 1.0f, 1.0f});
    }
    return ToImageRaw(c);
}

}  // namespace content::pictures
