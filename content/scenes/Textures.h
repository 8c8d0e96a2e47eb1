// Procedural textures of the scenes, in the pack's one look: blue-black and teal shadows, warm
// amber highlights, a little film grain. Every repeating texture tiles seamlessly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/gen/Image.h"

namespace content::scenes {

struct Rgb {
    float r = 0, g = 0, b = 0;
};

namespace palette {
inline constexpr Rgb kInk{0.010f, 0.014f, 0.028f};
inline constexpr Rgb kNight{0.030f, 0.058f, 0.095f};
inline constexpr Rgb kDeepTeal{0.040f, 0.170f, 0.205f};
inline constexpr Rgb kTeal{0.120f, 0.430f, 0.470f};
inline constexpr Rgb kAqua{0.520f, 0.840f, 0.840f};
inline constexpr Rgb kEmber{0.700f, 0.210f, 0.060f};
inline constexpr Rgb kAmber{1.000f, 0.600f, 0.220f};
inline constexpr Rgb kGold{1.000f, 0.820f, 0.520f};
inline constexpr Rgb kBone{0.950f, 0.910f, 0.830f};
inline constexpr Rgb kSteel{0.560f, 0.620f, 0.660f};
}  // namespace palette

// Water plane of the reflection scene: grey, so the ripple height lives in the blue channel at
// full resolution (the engine derives its bump map from blue differences).
Image WaterRipples(int size, uint32_t seed);
// Weathered blue-grey rock with teal lichen and amber veins.
Image RockTexture(int size, uint32_t seed);
// Dressed stone blocks with mortar joints.
Image StoneBlocks(int size, uint32_t seed);
// Dusk sky for the inside of a dome: v = 0 at the zenith, v = 1 at the horizon.
Image SkyDusk(int width, int height, uint32_t seed);
// A radially symmetric studio reflection for sphere-mapped chrome.
Image ChromeEnvironment(int size);
// Banner cloth and its opacity map (opacity in blue: tattered edges and holes).
Image BannerCloth(int size, uint32_t seed);
Image BannerOpacity(int size, uint32_t seed);
// Tarred wood planks running along u.
Image WoodPlanks(int size, uint32_t seed);
// Soft round particle sprites: a warm spark and a cool mist.
Image SparkSprite(int size);
Image MistSprite(int size);
// Board-marked concrete, dark floor tiles, painted steel.
Image Concrete(int size, uint32_t seed);
Image FloorTiles(int size, uint32_t seed);
Image PaintedMetal(int size, uint32_t seed);
// The projection screen's own picture (shown until the engine puts its pictures on it) and the
// screen's frame.
Image ScreenCard(int size);
Image ScreenFrame(int size, uint32_t seed);
// A glowing lamp shade.
Image LampGlow(int size);

}  // namespace content::scenes
