#include "content/pictures/Style.h"

#include "content/pictures/Fmath.h"
#include "content/pictures/Noise.h"

namespace content::pictures {

namespace {

// Linear to the shoulder, then a soft roll-off towards 1: bright glows keep a white core
// instead of clipping flat.
inline float Shoulder(float v) {
    constexpr float k = 0.72f;
    if (v <= k) return v < 0.0f ? 0.0f : v;
    return k + (1.0f - k) * (1.0f - Expf(-(v - k) / (1.0f - k)));
}

inline uint8_t Quantise(float v, float dither) {
    if (v <= 0.0f) return 0;
    float q = v * 255.0f + 0.5f + dither;
    if (q < 0.0f) return 0;
    if (q >= 255.0f) return 255;
    return static_cast<uint8_t>(q);
}

}  // namespace

Image Finish(const Canvas& c, const Develop& d) {
    Image img(c.w, c.h);
    const float cx = c.w * 0.5f, cy = c.h * 0.5f;
    const float invR = 1.0f / std::sqrt(cx * cx + cy * cy);
    // Toning tints: cool lift in the shadows, warm push in the highlights.
    const Rgb shadowTint{-0.010f, 0.004f, 0.016f};
    const Rgb highlightTint{0.030f, 0.006f, -0.030f};
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x) {
            Rgb v = c.at(x, y) * d.exposure;
            if (d.vignette > 0.0f) {
                float dx = (x + 0.5f - cx) * invR, dy = (y + 0.5f - cy) * invR;
                float r2 = dx * dx + dy * dy;  // 0 in the centre, 1 in the corners
                float fall = 1.0f - d.vignette * Smoothstep(0.08f, 0.95f, r2);
                v *= fall;
            }
            float l = Luma(v);
            if (d.toning > 0.0f) {
                float s = (1.0f - Clamp01(l)) * Clamp01(l * 8.0f);  // not in true black
                float hl = Clamp01(l) * Clamp01(l);
                v += (shadowTint * s + highlightTint * hl) * d.toning;
            }
            if (d.shoulder) v = {Shoulder(v.r), Shoulder(v.g), Shoulder(v.b)};
            l = Luma(v);
            // Film grain: strongest in the mid-tones, zero in pure black so additive pictures
            // leave the frame untouched where they are dark.
            float g1 = HashUnit(x, y, d.seed), g2 = HashUnit(x, y, d.seed ^ 0xA5A5A5A5u);
            float grain = (g1 + g2 - 1.0f) * d.grain * std::sqrt(Clamp01(l)) * (1.15f - l);
            float chroma =
                (HashUnit(x, y, d.seed + 77u) - 0.5f) * d.grain * 0.25f * std::sqrt(Clamp01(l));
            float dither = HashUnit(x, y, d.seed * 31u + 5u) - 0.5f;
            uint8_t* p = img.at(x, y);
            if (d.grey) {
                uint8_t g = Quantise(l + grain, d.keepBlack && l <= 0.0f ? -1.0f : dither);
                p[0] = p[1] = p[2] = g;
            } else {
                bool black = d.keepBlack && v.r <= 0.0f && v.g <= 0.0f && v.b <= 0.0f;
                if (black) {
                    p[0] = p[1] = p[2] = 0;
                } else {
                    p[0] = Quantise(v.r + grain + chroma, dither);
                    p[1] = Quantise(v.g + grain, dither);
                    p[2] = Quantise(v.b + grain - chroma, dither);
                }
            }
            p[3] = 255;
        }
    }
    return img;
}

Image ToImageRaw(const Canvas& c) {
    Image img(c.w, c.h);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const Rgb& v = c.at(x, y);
            uint8_t* p = img.at(x, y);
            p[0] = Quantise(v.r, 0.0f);
            p[1] = Quantise(v.g, 0.0f);
            p[2] = Quantise(v.b, 0.0f);
            p[3] = 255;
        }
    return img;
}

}  // namespace content::pictures
