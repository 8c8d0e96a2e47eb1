// Particle emitters: an object whose name begins with "emitter" is not drawn as a mesh but
// sprays additive point sprites from random points over its extent. Its parameters come from
// the pack entry prefix + object name + ".bin"; its particles move with the object's world
// matrix, live a random number of frames and are reborn at the object.
//
// What is read once (parameters, spawn points, texture, vertex buffer) lives in the scene's
// emitter records; what a run changes (every particle) is a value the caller keeps, so a run
// can be copied and restored. Each draw copies the particles' positions and colours into the
// record's vertex buffer; nothing is allocated per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/RenderDevice.h"
#include "scene/D3DXMath.h"
#include "scene/Random.h"
#include "scene3ds/SceneModel.h"

namespace scene {

constexpr DWORD kParticleFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 0x42
constexpr UINT kParticleStride = 16;
// Fixed part of the parameter file; the texture name follows it.
constexpr size_t kEmitterFileFixedSize = 32;
// Characters of the texture name the record keeps (plus its NUL).
constexpr size_t kEmitterTextureNameLength = 15;
// More particles than this is taken for a damaged file, not a wish.
constexpr uint32_t kMaxParticles = 1000000;
// Colour of a particle before its first rebirth.
constexpr D3DCOLOR kUnbornParticleColour = 0xFF4F4F4F;

// What the parameter file holds (little-endian).
struct EmitterParameters {
    uint32_t particleCount = 0;
    float spread = 0;     // sideways velocity range
    float lifeRange = 0;  // frames
    float speed = 0;      // distance per update per unit of velocity
    float pointSize = 0;  // D3DRS_POINTSIZE
    uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    float startFrame = 0;  // particles reborn strictly inside (start, end) get the colour
    float endFrame = 0;
    char textureName[kEmitterTextureNameLength + 1] = {};
    bool textureNameCut = false;  // the file's name ran past 15 characters without its NUL
};

// Reads a parameter file image. False with the reason when it is shorter than its fixed part,
// holds a NaN, or asks for 0 or more than kMaxParticles particles (infinities are kept). A texture
// name without its NUL within 16 bytes (or before the end of the file) is cut to what fits.
bool ParseEmitterParameters(const uint8_t* data, size_t size, EmitterParameters& out,
                            std::string* reason);

// The emitter's file colour as a vertex colour (alpha in the top byte, then red, green, blue).
inline D3DCOLOR EmitterColour(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
    return (DWORD{alpha} << 24) | (DWORD{red} << 16) | (DWORD{green} << 8) | DWORD{blue};
}

// One particle as a run moves it: where it is and its colour (what a draw copies into the
// vertex buffer), its velocity (world space once reborn) and the frames it has left (below 0
// it is reborn at the next update).
struct Particle {
    float x = 0, y = 0, z = 0;
    D3DCOLOR colour = kUnbornParticleColour;
    float velocity[3] = {0, 0, 0};
    float life = 0;
};

// One emitter of a scene, in the scene's `emitters` array (object order).
struct EmitterRecord {
    std::string pathPrefix;          // ScenePathPrefix when it was set up
    std::vector<float> spawnPoints;  // particleCount × (x, y, z), object space
    // The particles as set up, each waiting for its first rebirth: where every run starts.
    std::vector<Particle> startParticles;
    char textureName[kEmitterTextureNameLength + 1] = {};
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;  // particleCount vertices of kParticleFvf
    IDirect3DTexture8* texture = nullptr;            // null draws untextured points
    uint32_t particleCount = 0;                      // 0: the emitter was left out
    float startFrame = 0;
    float endFrame = 0;
    float lifeRange = 0;
    float speed = 0;
    float spread = 0;
    float pointSize = 0;
    uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    float extent[3] = {0, 0, 0};  // largest x, spawn height, largest z
    scene3ds::SceneObject* object = nullptr;

    bool active() const { return particleCount > 0 && vertexBuffer != nullptr; }
};

// What a run changes of one scene's emitters: the particles of each, in emitter order.
struct SceneParticles {
    std::vector<std::vector<Particle>> emitters;
};

// The particles of every emitter of the scene as preparation set them up.
SceneParticles StartParticles(const scene3ds::Scene& scene);

// The world matrix every emitter draws with: the identity, since particles are stored in
// world space.
const D3DXMATRIX& EmitterWorldMatrix();

// Reads prefix + object name + ".bin", loads the texture (prefix + its name, JPEG, default
// pool; a message box with the texture name as text and the entry as caption when it cannot
// be made) and creates the particles, each waiting for its first rebirth, with spawn points
// and first velocities drawn from `random`. A missing file is reported by the pack; a damaged
// one gets an error report naming the entry. Either way the record is left inactive (no
// particles) and the result is false.
bool SetupEmitter(EmitterRecord& record, const std::string& pathPrefix,
                  scene3ds::SceneObject& object, RandomGenerator& random);

// One step at the given frame: every particle moves by speed × velocity; one whose life is
// below zero is reborn at its spawn point under the object's current world matrix, coloured
// when startFrame < frame < endFrame, with a life and velocity drawn from `random`; then its
// life shrinks by one frame. Particles beyond the record's count are left alone.
void UpdateEmitter(const EmitterRecord& record, std::vector<Particle>& particles, float frame,
                   RandomGenerator& random);

// Copies the particles' positions and colours into the record's vertex buffer and draws them
// as one point list with the record's texture and point size; the caller has set the blending
// and point-sprite states. An inactive record draws nothing.
void DrawEmitter(const EmitterRecord& record, const std::vector<Particle>& particles);

}  // namespace scene
