// What the engine keeps of one .3ds file: meshes, materials, cameras, omni and spot lights
// with their keyframe tracks, and the per-scene drawing settings the segment code fills in.
//
// Records of one kind form an intrusive list headed in the Scene, in file order. Space is
// y-up and left-handed: the loader has already exchanged y and z of everything geometric.
// The loader fills the records; preparation adds the device fields; drawing reads them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/d3d8types.h"
#include "scene3ds/SceneName.h"

namespace gfx {
class VertexBuffer;
class IndexBuffer;
class Texture;
}  // namespace gfx

namespace scene {
struct EmitterRecord;
}  // namespace scene

namespace scene3ds {

// ---------------------------------------------------------------- keys and tracks
// Exact float layouts: the tangent set-up and the samplers rely on them.

struct VectorKey {
    float frame;
    D3DVECTOR value;
    D3DVECTOR inTangent;
    D3DVECTOR outTangent;
    float tension;
    float continuity;
    float bias;
};
static_assert(sizeof(VectorKey) == 13 * sizeof(float));

struct ScalarKey {
    float frame;
    float value;
    float inTangent;
    float outTangent;
    float tension;
    float continuity;
    float bias;
};
static_assert(sizeof(ScalarKey) == 7 * sizeof(float));

struct KeyQuaternion {
    float x, y, z, w;
};

struct RotationKey {
    float frame;
    // Relative to the previous key as loaded; absolute once the track has been set up.
    KeyQuaternion quaternion;
    float spare[8];
    float tension;
    float continuity;
    float bias;
};
static_assert(sizeof(RotationKey) == 16 * sizeof(float));

// A key count and the keys. Constructed as one key with no key array: such a track has not
// been filled and must not be sampled (the loader gives every track a key before it returns).
template <typename Key>
struct Track {
    uint32_t keyCount = 1;
    std::vector<Key> keys;

    bool filled() const { return !keys.empty(); }

    // Replaces the track by `count` zeroed keys.
    void reset(uint32_t count) {
        keyCount = count;
        keys.assign(count, Key{});
    }
};

// ---------------------------------------------------------------- records

struct Material {
    SceneName name;
    SceneName textureName;     // map file name with its extension rewritten to "jpg"
    SceneName opacityMapName;  // the same for the opacity map
    float ambient[3] = {0, 0, 0};
    float diffuse[3] = {0, 0, 0};
    float specular[3] = {0, 0, 0};
    float shininess = 0;                     // the file's percentage, unscaled (0..100)
    float shininessStrength = 0;             // the file's percentage × 0.01
    gfx::Texture* texture = nullptr;         // set by preparation
    gfx::Texture* opacityTexture = nullptr;  // set by preparation
    uint32_t sphereMapped = 0;
    uint32_t hasOpacityMap = 0;
    uint32_t transparent = 0;  // drawn in the blended pass
    float opacity = 1.0f;      // 1 − transparency
    Material* next = nullptr;
};

struct SceneObject {
    SceneName name;
    int16_t nodeId = 0;
    int16_t parentId = 0;  // −1 for a root once the keyframer has set it
    uint32_t isEmitter = 0;
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    std::vector<float> positions;               // vertexCount × (x, y, z)
    std::vector<float> normals;                 // vertexCount × (x, y, z), filled by preparation
    std::vector<float> texCoords;               // vertexCount × (u, v)
    std::vector<uint16_t> faces;                // faceCount × three vertex indices
    gfx::VertexBuffer* vertexBuffer = nullptr;  // null when the object has no geometry
    gfx::IndexBuffer* indexBuffer = nullptr;
    float boundsMin[3] = {0, 0, 0};
    float boundsMax[3] = {0, 0, 0};
    float boundsCentre[3] = {0, 0, 0};
    float boundsCorners[8][3] = {};
    uint32_t visible = 0;
    uint32_t isStatic = 0;
    D3DMATRIX envMapMatrix = {};
    D3DMATRIX worldMatrix = {};
    D3DMATRIX restMatrix = {};
    float pivot[3] = {0, 0, 0};
    int32_t depth = 0;
    Track<VectorKey> positionTrack;
    Track<VectorKey> scaleTrack;
    Track<RotationKey> rotationTrack;
    SceneName materialName;  // unset when the mesh has no face-material group
    Material* material = nullptr;
    D3DMATERIAL8 surface = {};
    SceneObject* next = nullptr;
    SceneObject* prev = nullptr;
};

struct SceneCamera {
    SceneName name;
    int16_t nodeId = 0;
    float position[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};
    float roll = 0;  // degrees
    float fov = 0;   // degrees once sampled; the loader leaves the file's lens value here
    Track<VectorKey> positionTrack;
    Track<VectorKey> targetTrack;
    Track<ScalarKey> rollTrack;
    Track<ScalarKey> fovTrack;
    SceneCamera* next = nullptr;
    SceneCamera* prev = nullptr;
    D3DMATRIX viewMatrix = {};
};

struct SceneLight {
    SceneName name;
    int16_t nodeId = 0;
    float position[3] = {0, 0, 0};
    float colour[3] = {1, 1, 1};  // red, green, blue as read from the editor section
    SceneLight* next = nullptr;
    SceneLight* prev = nullptr;
    uint32_t isFlare = 0;
    uint32_t isStatic = 0;
    Track<VectorKey> positionTrack;
    // Keys went through the coordinate exchange: red, blue, green.
    Track<VectorKey> colourTrack;
    float attenuation[3] = {1.0f, 0.1f, 0.0f};
};

struct SceneSpotLight {
    SceneName name;
    int16_t nodeId = 0;
    float position[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};
    float hotspot = 0;  // degrees
    float falloff = 0;  // degrees
    float colour[3] = {1, 1, 1};
    Track<VectorKey> positionTrack;
    Track<VectorKey> targetTrack;
    Track<ScalarKey> hotspotTrack;
    Track<ScalarKey> falloffTrack;
    SceneSpotLight* next = nullptr;
    SceneSpotLight* prev = nullptr;
    float attenuation[3] = {1.0f, 0.1f, 0.0f};
};

// One loaded scene. It owns every record on its lists; the device fields belong to whoever
// created them (preparation) and are not released here.
struct Scene {
    Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    virtual ~Scene();

    D3DCOLOR ambientColor = 0;
    float lightAttenuation[3] = {1.0f, 0.1f, 0.0f};
    int16_t objectCount = 0;
    int16_t omniLightCount = 0;
    uint16_t cameraCount = 0;
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    int32_t flareCount = 0;
    gfx::Texture* flareTexture = nullptr;
    gfx::VertexBuffer* flareVertexBuffer = nullptr;
    uint32_t fogEnable = 0;
    float fogDensity = 0;
    D3DCOLOR fogColor = 0;
    float aspectRatio = 4.0f / 3.0f;
    int32_t emitterCount = 0;
    SceneObject* objects = nullptr;
    scene::EmitterRecord* emitters = nullptr;  // emitterCount records, set by preparation
    // Owns the `emitters` array; preparation fills it with a deleter of its own, so this
    // layer needs no knowledge of the record.
    std::shared_ptr<void> emitterStorage;
    Material* materials = nullptr;
    SceneLight* omniLights = nullptr;
    SceneSpotLight* spotLights = nullptr;
    SceneCamera* cameras = nullptr;
    SceneCamera* activeCamera = nullptr;
};

// Appends at the tail of a list headed in the scene, linking prev where the record has one.
void Append(Scene& scene, SceneObject* object);
void Append(Scene& scene, Material* material);
void Append(Scene& scene, SceneCamera* camera);
void Append(Scene& scene, SceneLight* light);
void Append(Scene& scene, SceneSpotLight* light);

// The last material in list order named `materialName`, or the scene's first material when
// none is; null without a name or without materials.
Material* ResolveMaterial(const Scene& scene, const SceneName& materialName);

// The first record in list order whose name equals `name`, or null.
SceneObject* FindObject(const Scene& scene, const SceneName& name);
SceneCamera* FindCamera(const Scene& scene, const SceneName& name);
SceneLight* FindOmniLight(const Scene& scene, const SceneName& name);
SceneSpotLight* FindSpotLight(const Scene& scene, const SceneName& name);

// The directory prefix of the scene being loaded and prepared ("Objs\", "scene3\", ...).
// Set by the caller before loading; preparation prepends it to the file names it reads.
extern std::string ScenePathPrefix;

}  // namespace scene3ds

using scene3ds::Material;
using scene3ds::RotationKey;
using scene3ds::ScalarKey;
using scene3ds::Scene;
using scene3ds::SceneCamera;
using scene3ds::SceneLight;
using scene3ds::SceneObject;
using scene3ds::ScenePathPrefix;
using scene3ds::SceneSpotLight;
using scene3ds::Track;
using scene3ds::VectorKey;
