// The painters of the pack's pictures, grouped by family (one source file each).
#pragma once

#include <string_view>

#include "content/gen/Image.h"

namespace content::pictures {

// Titles.cpp: the title picture, the title lettering sprite, credit names and the end screen.
Image MakeTitlePicture();                     // "!textures\mirrane.jpeg", 1024 x 768
Image MakeTitleLettering();                   // "!textures\some.jpg", 512 x 64
Image MakeCreditName(std::string_view name);  // "!textures\<name>.jpg", 256 x 128
Image MakeEndScreen();                        // "!textures\endscr.jpg", 1024 x 768

// People.cpp: the crowd picture.
Image MakePeople();  // "!textures\p_zo_people.jpg", 1024 x 768

// Backdrops.cpp: full-screen backgrounds and the end scene's frame.
Image MakeStage();         // "!textures\stagi.jpg"
Image MakeGridBackdrop();  // "!textures\p1.jpg"
Image MakeEndFrame();      // "!textures\p3.jpg"

// Flashes.cpp: additive flash pictures, light on black.
Image MakeLongFlash(int k);    // "!textures\gret1.jpg" .. gret4 (k = 1..4)
Image MakeInsertFlash(int k);  // "!textureswstawka1.jpg" .. 5 (k = 1..5)

// Machines.cpp: the seven cut pictures.
Image MakeCut(int k);  // "!textures\kowadlo1.jpg" .. 7 (k = 1..7)

// Screens.cpp: the five pictures of the screen in the interior scene.
Image MakeScreen(int k);  // "!textures\k1.jpg" .. k5 (k = 1..5), 512 x 384

// Surfaces.cpp: mesh textures, reflection maps, water light, bump maps, light falloff.
// What the shader programs may rely on:
//  - "bump.tga", "bump1.tga": 32-bit tangent-space normal maps, RGB = (n + 1) / 2 * 255 with
//    n.x along +u (right in the picture), n.y along +v (down the picture, as Direct3D's v
//    runs), n.z out of the surface; alpha = height (0 deep .. 255 high). They tile.
//    "bump.tga" shares its panel layout with "metal.tga", "text.tga" and "boxtext.jpg";
//    "bump1.tga" its carved block with "boxtext1.jpg".
//  - "metal.tga", "text.tga": 32-bit colour with a gloss mask in alpha (255 polished).
//  - "pointlight.tga": RGB = alpha = max(0, 1 - (d / 127)^2) * 255, d the distance in texels
//    from the centre (128, 128); the border texels are 0, so clamped lookups stay dark.
//  - "boxtext.jpg" texel (0, 0) is a light plate face: the end scene's mesh has no texture
//    coordinates and shows only that texel.
//  - "metal5.jpg", "metal51.jpg": tile, since reflection-vector coordinates wrap.
Image MakeMetalReflection();  // "!textures\metal5.jpg", 256 x 256, tileable
Image MakeMetalDetail();      // "!textures\metal51.jpg", 256 x 256, tileable
Image MakeWaterLight();       // "!textures\!voda1.jpg", 512 x 512, tileable
Image MakePanelSurface();     // "!textures\boxtext.jpg", 256 x 256, tileable
Image MakeBlockSurface();     // "!textures\boxtext1.jpg", 256 x 256, tileable
Image MakeSteelSurface();     // "!textures\metal.tga", 256 x 256, tileable
Image MakeBronzeSurface();    // "!textures\text.tga", 256 x 256, tileable
Image MakePanelBump();        // "!textures\bump.tga", 256 x 256, tileable
Image MakeBlockBump();        // "!textures\bump1.tga", 256 x 256, tileable
Image MakePointLight();       // "!textures\pointlight.tga", 256 x 256

// Sprites.cpp: point sprites, the flare and the counter's digits.
Image MakePointSprite();  // "!textures\point.jpg", 128 x 128
Image MakeFlareSprite();  // "point.bmp" beside the pack, 64 x 64
Image MakeDigit(char c);  // "numbers\0.bmp" .. "numbers\9.bmp", "numbers\c.bmp" (c = 'c')

}  // namespace content::pictures
