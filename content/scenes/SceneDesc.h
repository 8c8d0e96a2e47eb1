// A scene as the producer describes it before it becomes a .3ds file: materials, meshes and
// keyframer-only nodes with their tracks, omni and spot lights, cameras. Everything is in the
// engine's y-up frame; the writer turns it into the file's z-up frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/scenes/Mesh.h"

namespace content::scenes {

// Spline parameters that are not zero are written with their flag bits.
struct VecKey {
    int frame = 0;
    Vec3 value;
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
};
struct ScalarKey {
    int frame = 0;
    float value = 0;
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
};
using VecTrack = std::vector<VecKey>;
using ScalarTrack = std::vector<ScalarKey>;

struct Rgb8 {
    uint8_t r = 0, g = 0, b = 0;
};

struct MaterialDesc {
    std::string name;
    Rgb8 ambient, diffuse, specular;
    int shininess = 20;      // percent
    int shinStrength = 20;   // percent
    int transparency = 0;    // percent
    std::string texture;     // map file name as the file names it ("ROCK.TGA"); empty for none
    std::string opacityMap;  // likewise
    bool sphereMap = false;  // written as chunk 0xA085, which this engine reads as sphere mapping
    bool twoSided = false;
};

struct ObjectDesc {
    std::string name;
    FinishedMesh mesh;
    std::string material;
    bool dummy = false;  // keyframer-only node: no mesh in the editor section
    std::string parent;  // name of the parent node, empty for a root
    Vec3 pivot{0.0f, 0.0f, 0.0f};
    VecTrack position;  // at least one key
    VecTrack scale;     // empty means one key of (1, 1, 1)
    // The one rotation key (rotations are not animated by the engine): angle about an axis.
    Vec3 rotationAxis{0.0f, 1.0f, 0.0f};
    float rotationAngle = 0;
};

struct OmniDesc {
    std::string name;
    VecTrack position;
    VecTrack colour;  // red, green, blue (not a direction: never exchanged)
};

struct SpotDesc {
    std::string name;
    VecTrack position, target;
    Vec3 colour;  // red, green, blue as the light shines (the file stores them otherwise)
    ScalarTrack hotspot, falloff;  // degrees
};

struct CameraDesc {
    std::string name;
    VecTrack position, target;
    ScalarTrack fov;   // degrees
    ScalarTrack roll;  // degrees
};

struct SceneDesc {
    std::vector<MaterialDesc> materials;
    std::vector<ObjectDesc> objects;  // meshes first in list order; dummies may be anywhere
    std::vector<OmniDesc> omnis;
    std::vector<SpotDesc> spots;
    std::vector<CameraDesc> cameras;
    int firstFrame = 0, lastFrame = 100;
};

inline MaterialDesc MakeMaterial(std::string name, Rgb8 diffuse, int shininess = 20,
                                 int shinStrength = 20, std::string texture = {}) {
    MaterialDesc m;
    m.name = std::move(name);
    m.diffuse = diffuse;
    m.ambient = diffuse;
    m.specular = Rgb8{230, 230, 230};
    m.shininess = shininess;
    m.shinStrength = shinStrength;
    m.texture = std::move(texture);
    return m;
}

// Single-key tracks.
inline VecTrack Still(Vec3 v) { return {VecKey{0, v}}; }
inline ScalarTrack Still(float v) { return {ScalarKey{0, v}}; }

inline ObjectDesc MeshObject(std::string name, FinishedMesh mesh, std::string material,
                             Vec3 at = {0.0f, 0.0f, 0.0f}) {
    ObjectDesc o;
    o.name = std::move(name);
    o.mesh = std::move(mesh);
    o.material = std::move(material);
    o.position = Still(at);
    return o;
}

}  // namespace content::scenes
