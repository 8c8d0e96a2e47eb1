// The loaded-scene segment above rippling water that mirrors it ("scene3\scene123.3DS").
//
// Each frame the whole scene is drawn once reflected in the water plane y = -1450 into the
// mirror target, the water plane's bump map is drawn into the surface target, the scene is
// drawn normally above the water while marking the stencil, and the water effect quad lays
// the bump-distorted reflection into every pixel the scene left unmarked, followed by the
// scene's particles and an additive water picture. The water plane itself is never drawn by
// scene drawing.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/objects/RenderTarget.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/RenderDevice.h"
#include "scene/D3DXMath.h"
#include "scene/Emitters.h"
#include "scene/Random.h"
#include "scene3ds/SceneModel.h"

namespace effects {

namespace water {

inline constexpr const char* kSceneEntry = "scene3\\scene123.3DS";
inline constexpr const char* kScenePrefix = "scene3\\";
inline constexpr const char* kWaterPicture = "!textures\\!voda1.jpg";

inline constexpr float kLevel = -1450.0f;
// Clip plane 0 keeps what lies at or below the water (the mirrored scene), plane 1 what lies
// at or above it (the scene itself).
inline constexpr float kBelowPlane[4] = {0.0f, -1.0f, 0.0f, -1450.0f};
inline constexpr float kAbovePlane[4] = {0.0f, 1.0f, 0.0f, 1450.0f};

inline constexpr float kTargetSize = 512.0f;
inline constexpr float kBumpScale = 0.35f;
inline constexpr D3DCOLOR kAmbient = 0x00B78832;
inline constexpr float kAttenuation[3] = {0.95f, 0.03f, 0.0f};

// The plane's mesh is a grid of 51 x 51 vertices stored row by row.
inline constexpr int kGridSide = 51;
inline constexpr int kGridVertices = kGridSide * kGridSide;

// The reflection in the water: (x, y, z) -> (x, -y - 2900, z).
D3DXMATRIX MirrorMatrix();

// A device light seen in the water: position reflected, direction's y negated.
void MirrorLight(D3DLIGHT8& light, const D3DXMATRIX& mirror);

// The bump map of the water picture. `source` holds A8R8G8B8 texels (byte 0 blue), `bump`
// receives X8L8V8U8 texels (U, V, luminance, X); each is stepped row to row by its own pitch.
// From the blue bytes c of a texel, l and r of its row neighbours and a and b of the texels
// above and below: U = l - r, or l - c where the texel is a dip (c < l and c < r); V = a - b;
// both kept to their low byte; luminance 127 for c <= 1, else 63. At a row's ends the
// missing neighbour is the end texel itself; the first and last rows stand in for the
// missing rows above and below.
void BuildBumpTexels(const uint8_t* source, int sourcePitch, uint8_t* bump, int bumpPitch,
                     uint32_t width, uint32_t height);

// Writes the ripple into the texture coordinates of a 51 x 51 grid of 32-byte vertices
// (position at byte 0, coordinates at byte 24): with d = 0.15 sin(0.04 p + 0.005 |(x, z)|),
// the vertex of row i and column j gets (0.01 j + d, 0.01 i + d).
void WriteRipple(uint8_t* vertices, float phase);

}  // namespace water

// What a run changes of the segment: the scene's ambient colour and light attenuation (the
// water's own until segment C sets its own, which nothing sets back) and its particles.
struct WaterSceneState {
    D3DCOLOR ambientColor = water::kAmbient;
    float lightAttenuation[3] = {water::kAttenuation[0], water::kAttenuation[1],
                                 water::kAttenuation[2]};
    scene::SceneParticles particles;
};

class WaterScene {
  public:
    virtual ~WaterScene() = default;

    // Loads and prepares the scene, hides the water plane, builds the bump texture, sets the
    // two clip planes and makes the water picture, the two render targets and the effect quad.
    // A scene without a usable water plane is reported and plays with a still, bare mirror.
    // The emitters' spawn points are drawn from `random`.
    void Load(scene::RandomGenerator& random);
    // One frame: scene frame = 0.5 × clip time, through the camera with that 1-based index,
    // with the state's lighting; the particles move (drawing from `random`). Ends with the
    // water plane's vertex stream and fixed-function format bound, lighting on, additive
    // blending, depth test, stencil, clipping and culling off.
    void DrawFrame(WaterSceneState& state, scene::RandomGenerator& random, float clipTime,
                   uint32_t cameraIndex);
    // What a run starts with: the water's lighting and the particles as prepared.
    WaterSceneState StartState() const;

    // The loaded scene (null before Load); its lighting fields are set from the run's state
    // at the start of every frame.
    scene3ds::Scene* scene = nullptr;
    // The last object whose name begins with "Pla"; null when the scene has none.
    scene3ds::SceneObject* waterPlane = nullptr;
    // Whether the plane is the 51 x 51 grid the ripple addresses.
    bool rippleGrid = false;
    // The plane's picture as loaded (kept) and the bump map that replaced it in its material.
    IDirect3DTexture8* planePicture = nullptr;
    IDirect3DTexture8* bumpTexture = nullptr;
    IDirect3DTexture8* waterTexture = nullptr;
    NestedRenderTarget mirrorTarget;
    NestedRenderTarget surfaceTarget;
    ScreenEffectQuad* effectQuad = &waterEffectQuad;
    // How far the surface's bump offsets move the reflection (0 shows it undistorted).
    float bumpScale = water::kBumpScale;

    // The steps of DrawFrame in its order, open so that each can be measured on its own.
    // Lighting, camera, frame states, ripple and the blend factors the mirror pass starts with.
    void BeginFrame(const WaterSceneState& state, float clipTime, uint32_t cameraIndex);
    void MirrorPass(WaterSceneState& state, scene::RandomGenerator& random, float frame);
    void SurfacePass(WaterSceneState& state, scene::RandomGenerator& random, float frame);
    void MainPass(WaterSceneState& state, scene::RandomGenerator& random, float frame);
    void EffectPass();
    void ParticlePass(const WaterSceneState& state);
    void WaterLayer();
    void EndFrame();

  private:
    void FindWaterPlane();
    void BuildBumpTexture();
    void Ripple(float phase);
    // The water plane alone with `texture` on stage 0, through the fixed-function pipeline.
    void DrawPlane(IDirect3DTexture8* texture);

    std::unique_ptr<scene3ds::Scene> ownedScene_;
};

extern WaterScene waterScene;

}  // namespace effects
