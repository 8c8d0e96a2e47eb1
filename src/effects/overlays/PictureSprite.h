// Picture sprites: one picture from the pack drawn as a screen rectangle of its own place
// and size at a strength 0..1, through the picture program ("logo.pso"). Layout constants
// are for an 800-pixel-wide screen and are multiplied by ScreenScale. The sprite does not
// choose blend factors: both users draw it under ONE, ONE.
#pragma once

#include <string>

#include "gfx/RenderDevice.h"

namespace effects {

// Display width ÷ 800; 1 until the load routine sets it.
extern float ScreenScale;

class PictureSprite {
  public:
    virtual ~PictureSprite() = default;

    // Loads the picture `pictureName` (JPEG, default pool), creates the vertex buffer with
    // everything but the positions, and the pixel program. False when the buffer cannot be
    // made (then Draw does nothing); a missing picture leaves the texture null.
    bool Create();
    // One draw at the current x, y, width, height and alpha.
    void Draw();

    float alpha = 0.0f;
    DWORD pixelProgram = 0;
    std::string pictureName;
    IDirect3DTexture8* texture = nullptr;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    float x = 0.0f, y = 0.0f;
    float width = 0.0f, height = 0.0f;
};

// The title sprite of the opening segment and the eight credit sprites of the credits.
extern PictureSprite titleSprite;
constexpr int kCreditCount = 8;
extern PictureSprite creditSprites[kCreditCount];

// The credit pictures, in credit order.
extern const char* const kCreditPictures[kCreditCount];

// Load steps: the title sprite's picture, place and size, then Create.
void CreateTitleSprite();
// The credit sprites' picture names only (their place and size come later).
void NameCreditSprites();
// The credit sprites' initial place and size, then Create for each.
void CreateCreditSprites();

}  // namespace effects
