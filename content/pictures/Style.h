// The one look of every picture in the pack: a night palette of blue-black and teal lit by warm
// amber, DejaVu Sans lettering (Lettering.h), and a shared "development" that gives each
// picture the same tone curve, split toning, vignette and film grain.
#pragma once

#include <cstdint>

#include "content/gen/Image.h"
#include "content/pictures/Paint.h"

namespace content::pictures {

namespace palette {
inline constexpr Rgb kInk{0.010f, 0.014f, 0.028f};       // deepest shadow, blue-black
inline constexpr Rgb kNight{0.030f, 0.058f, 0.095f};     // night sky, dark water
inline constexpr Rgb kDeepTeal{0.040f, 0.170f, 0.205f};  // shadowed teal
inline constexpr Rgb kTeal{0.120f, 0.430f, 0.470f};      // the key cool colour
inline constexpr Rgb kAqua{0.520f, 0.840f, 0.840f};      // cool highlight, water light
inline constexpr Rgb kEmber{0.700f, 0.210f, 0.060f};     // deep glow, forge heat
inline constexpr Rgb kAmber{1.000f, 0.600f, 0.220f};     // the key warm colour
inline constexpr Rgb kGold{1.000f, 0.820f, 0.520f};      // warm highlight, lettering glow
inline constexpr Rgb kBone{0.950f, 0.910f, 0.830f};      // pale cream, lettering core
inline constexpr Rgb kSteel{0.560f, 0.620f, 0.660f};     // bare metal
}  // namespace palette

struct Develop {
    uint32_t seed = 1;       // grain pattern
    float exposure = 1.0f;   // linear gain before the curve
    float grain = 0.035f;    // film grain strength in mid-tones
    float vignette = 0.35f;  // darkening at the corners, 0..1
    float toning = 1.0f;     // teal shadows / amber highlights, 0 = neutral
    bool keepBlack = false;  // pictures added to the frame: black must stay exactly 0
    bool grey = false;       // one channel written to all three (masks, glyphs)
    bool shoulder = true;    // soft highlight roll-off; off where values must map 1:1
};

// Tone curve, toning, vignette and grain, then 8 bits with dithering. Alpha is 255.
Image Finish(const Canvas& c, const Develop& d);

// Straight conversion without any grading (data textures: normals, falloffs).
Image ToImageRaw(const Canvas& c);

}  // namespace content::pictures
