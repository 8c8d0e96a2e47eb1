// The state of one .3ds load, shared by the editor and keyframer passes, and the checked
// walk over nested chunks both passes use. Internal to the loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "scene3ds/ChunkReader.h"
#include "scene3ds/SceneLog.h"
#include "scene3ds/SceneModel.h"

namespace scene3ds {

// Chunk ids the reader knows by name.
namespace chunk {
constexpr uint16_t kMain = 0x4D4D;
constexpr uint16_t kEditor = 0x3D3D;
constexpr uint16_t kNamedObject = 0x4000;
constexpr uint16_t kTriangleMesh = 0x4100;
constexpr uint16_t kVertexList = 0x4110;
constexpr uint16_t kFaceList = 0x4120;
constexpr uint16_t kFaceMaterial = 0x4130;
constexpr uint16_t kTexCoords = 0x4140;
constexpr uint16_t kLocalAxes = 0x4160;
constexpr uint16_t kLight = 0x4600;
constexpr uint16_t kSpotLight = 0x4610;
constexpr uint16_t kCamera = 0x4700;
constexpr uint16_t kColourFloat = 0x0010;
constexpr uint16_t kMaterial = 0xAFFF;
constexpr uint16_t kMaterialName = 0xA000;
constexpr uint16_t kAmbient = 0xA010;
constexpr uint16_t kDiffuse = 0xA020;
constexpr uint16_t kSpecular = 0xA030;
constexpr uint16_t kShininess = 0xA040;
constexpr uint16_t kShininessStrength = 0xA041;
constexpr uint16_t kTransparency = 0xA050;
constexpr uint16_t kSphereMap = 0xA085;
constexpr uint16_t kTextureMap = 0xA200;
constexpr uint16_t kOpacityMap = 0xA210;
constexpr uint16_t kKeyframer = 0xB000;
constexpr uint16_t kObjectNode = 0xB002;
constexpr uint16_t kCameraNode = 0xB003;
constexpr uint16_t kCameraTargetNode = 0xB004;
constexpr uint16_t kOmniLightNode = 0xB005;
constexpr uint16_t kSpotTargetNode = 0xB006;
constexpr uint16_t kSpotLightNode = 0xB007;
constexpr uint16_t kFrameRange = 0xB008;
constexpr uint16_t kNodeHeader = 0xB010;
constexpr uint16_t kPivot = 0xB013;
constexpr uint16_t kPositionTrack = 0xB020;
constexpr uint16_t kRotationTrack = 0xB021;
constexpr uint16_t kScaleTrack = 0xB022;
constexpr uint16_t kFovTrack = 0xB023;
constexpr uint16_t kRollTrack = 0xB024;
constexpr uint16_t kNodeId = 0xB030;
}  // namespace chunk

// Thrown when the exit hook of a fatal error returns: the load stops where it stands.
struct LoadAborted {};

class Scene3dsReader {
  public:
    Scene3dsReader(std::string entryName, const uint8_t* data, size_t size, Scene& scene,
                   SceneLog& log);

    // A damaged or unusable part of the file, reported with the entry name and offset.
    void error(size_t offset, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // The loader's three fatal faults: `text` on SceneFatalStream (standard output), then the
    // process ends with a failure status. Throws LoadAborted when the exit hook returns.
    [[noreturn]] void fatal(const char* text);

    // A name copied into a record; a name too long for it is reported and cut.
    SceneName takeName(std::string_view text, size_t offset);

    // Reads a zero-terminated name at the cursor, reporting a missing terminator.
    bool readName(ByteCursor& cursor, std::string_view& out, uint16_t chunkId);

    // The header at `offset` inside [.., limit), with damage reported; false when it cannot
    // be used at all. A chunk running past `limit` is reported and cut back to it.
    bool chunkAt(size_t offset, size_t limit, uint16_t parentId, Chunk& out);

    const std::string entryName;
    const uint8_t* const data;
    const size_t size;
    Scene& scene;
    SceneLog& log;

    bool magicOk = false;
    size_t mainEnd = 0;  // end of the main chunk, never past the buffer

    uint16_t nodeCounter = 0;  // numbers nodes as the keyframer section will
    uint16_t currentNodeId = 0;
    SceneName currentName;

    // The records most recently appended to each list; the target nodes of the keyframer
    // pass attach to the camera and spot light last selected.
    SceneObject* lastObject = nullptr;
    Material* lastMaterial = nullptr;
    SceneCamera* lastCamera = nullptr;
    SceneLight* lastOmniLight = nullptr;
    SceneSpotLight* lastSpotLight = nullptr;

  private:
    // Both passes walk the main chunk; a damaged header there is reported once.
    std::unordered_set<size_t> reportedHeaders_;
};

// The chunks nested in [begin, end), in order. A damaged header is reported once: a header
// cut short or with a length below 6 ends the walk; a chunk running past `end` is handed
// out cut back to `end` and ends the walk after it.
class ChildWalk {
  public:
    ChildWalk(Scene3dsReader& reader, size_t begin, size_t end, uint16_t parentId)
        : reader_(reader), offset_(begin), end_(end), parentId_(parentId) {}

    bool next(Chunk& out);
    // Steps over `count` chunks; false when the walk ended first.
    bool skip(int count);

  private:
    Scene3dsReader& reader_;
    size_t offset_;
    size_t end_;
    uint16_t parentId_;
    bool done_ = false;
};

// The two passes.
void ReadEditorSection(Scene3dsReader& reader);
void ReadKeyframerSection(Scene3dsReader& reader);

// Editor-section pieces shared between files.
void ReadMaterial(Scene3dsReader& reader, const Chunk& materialChunk);

// Track chunks of the keyframer section: the chunk's keys replace the track's. `announce`,
// when given, is logged once the keys are allocated and before they are read.
void ReadVectorTrack(Scene3dsReader& reader, const Chunk& c, Track<VectorKey>& track,
                     const char* announce = nullptr);
void ReadScalarTrack(Scene3dsReader& reader, const Chunk& c, Track<ScalarKey>& track);
void ReadRotationTrack(Scene3dsReader& reader, const Chunk& c, Track<RotationKey>& track);

// The key count a track chunk declares, or false when the chunk is too short to hold one.
bool TrackKeyCount(const Scene3dsReader& reader, const Chunk& c, uint32_t& count);

// Gives every track that was never filled one key holding the record's loaded value, so that
// every track can be sampled.
void FillMissingTracks(Scene& scene);

}  // namespace scene3ds
