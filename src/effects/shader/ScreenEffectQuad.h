// The screen effect quad: one quad covering the whole render target, drawn through the
// "ShEf" vertex programs and one of three "shEf" pixel programs over up to four texture
// stages (stage 2 set up for environment bump mapping). The timeline's glow prepares it once
// per frame and then draws it repeatedly while swapping targets itself; the water reflection
// segment draws it once over its two render-target textures.
//
// Modes:  0  shEf1.pso + ShEf.vso   bump-distorted mirror (stage 1 the perturbation)
//         1  shEf3.pso + ShEf1.vso  the glow blur, four taps scaled by the strength in c0
//         2  shEf2.pso + ShEf1.vso  the blur with the strength as alpha
//         3  no pixel program of its own (the device's stays) + ShEf.vso
#pragma once

#include "gfx/RenderDevice.h"

namespace effects {

class ScreenEffectQuad {
  public:
    virtual ~ScreenEffectQuad() = default;

    // The quad (clip-space positions, coordinates shifted by 0.0025), the three pixel and two
    // vertex programs, texel step 1/256 and bump scale 0.2.
    void init();
    // Chooses the programs of `mode` (0..3); any other value is stored and changes nothing.
    void selectMode(int mode);
    // Constants and states, both textures bound, one draw, four render states restored.
    void drawFull();
    // Constants and states with the strength in pixel constant c0, the quad bound; no
    // textures, no draw, nothing restored.
    void prepare();
    // One two-triangle fan from whatever stream and textures are bound.
    void drawQuad();

    float strength = 0.0f;  // pixel constant c0 of prepare; the glow sets it first
    float texelStep = 0.0f;
    float bumpScale = 0.0f;
    IDirect3DBaseTexture8* firstTexture = nullptr;
    IDirect3DBaseTexture8* secondTexture = nullptr;
    IDirect3DVertexBuffer8* quad = nullptr;
    int mode = 0;
    DWORD pixelProgram = 0;  // of the current mode
    DWORD vertexProgram = 0;
    DWORD shEf1 = 0, shEf2 = 0, shEf3 = 0;  // pixel programs
    DWORD shEf = 0, shEf1Vertex = 0;        // vertex programs "ShEf.vso", "ShEf1.vso"

  private:
    void setConstants();
    void setAddressingAndBump(DWORD stages);
    void selectPrograms();
};

// The glow's instance (initialised by the load routine) and the water reflection segment's
// (initialised by that segment's load).
extern ScreenEffectQuad screenEffectQuad;
extern ScreenEffectQuad waterEffectQuad;

}  // namespace effects
