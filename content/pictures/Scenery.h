// The presentation's landscape: ridge after ridge fading into mist under a low sun, a lake in
// front. The title picture, the end screen, the setup picture and a screen picture all show
// it, each in its own light.
#pragma once

#include <cstdint>

#include "content/pictures/Paint.h"

namespace content::pictures {

struct LandscapeLook {
    uint32_t seed = 1;
    float horizon = 0.58f;  // where the farthest ridge stands, as a fraction of the height
    float water = 0.78f;    // lake surface line (1 = no lake)
    float sunX = 0.68f, sunY = 0.50f;
    float sunSize = 0.018f;      // disc radius as a fraction of the width (0 = below the horizon)
    Rgb skyTop, skyMid, skyLow;  // zenith, middle and horizon of the sky
    Rgb sun;                     // disc and halo colour
    Rgb haze;                    // farthest ridge
    Rgb near;                    // nearest ridge
    Rgb mist;                    // valley mist
    Rgb rim;                     // sunlit edge of the ridges
    float clouds = 0.6f;         // cloud cover 0..1
    float rays = 0.18f;          // light beams from the sun
    float stars = 0.0f;          // star field strength (night skies)
    int ridges = 5;
    bool trees = true;  // a tree line on the nearest ridge
};

LandscapeLook DuskLook();   // the title picture's light: teal sky, amber sun going down
LandscapeLook NightLook();  // the end: sun gone, afterglow, stars
LandscapeLook PaleLook();   // high key, for the setup picture

Canvas PaintLandscape(int w, int h, const LandscapeLook& look);

}  // namespace content::pictures
