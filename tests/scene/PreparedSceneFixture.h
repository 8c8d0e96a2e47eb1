// Scenes built from synthetic .3ds images, put in a pack with their normals and whatever
// further entries a test adds, and prepared on a RecordingDevice. Message boxes are captured.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "scene/Random.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/Chunk3dsBuilder.h"
#include "support/EmitterFile.h"
#include "support/ImageFiles.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace scenetest {

using Bytes = std::vector<uint8_t>;

// One triangle: its three corners and its face.
inline const std::vector<float> kTri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
inline const std::vector<uint16_t> kFace = {0, 1, 2};

// A 4 x 4 JPEG of one colour, for material pictures and particle textures.
inline Bytes SmallJpeg(uint32_t argb = 0xFF808080u) {
    return testimg::MakeJpeg(testimg::MakeArgb(4, 4, [argb](uint32_t, uint32_t) { return argb; }));
}

inline Bytes FloatBytes(const std::vector<float>& values) {
    Bytes out(values.size() * sizeof(float));
    if (!values.empty()) std::memcpy(out.data(), values.data(), out.size());
    return out;
}

// A keyframer node for a mesh object: its number, name, parent (0xFFFF for none) and tracks.
inline test3ds::Chunk ObjectNode(uint16_t number, const std::string& name, uint16_t parent = 0xFFFF,
                                 std::initializer_list<test3ds::Chunk> tracks = {}) {
    return test3ds::Node(0xB002, number, name, parent, tracks);
}

using testsupport::EmitterFile;

class PreparedSceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousDevice_ = RenderDevice;
        RenderDevice = &device;
        previousLog_ = scene3ds::SceneLogPath;
        scene3ds::SceneLogPath = dir.file("engine.log");
        previousPrefix_ = ScenePathPrefix;
        previousFlare_ = scene::FlarePicturePath;
        scene::FlarePicturePath = dir.file("point.bmp");
        previousDepth_ = scene::MaxHierarchyDepth;
    }

    void TearDown() override {
        RenderDevice = previousDevice_;
        scene3ds::SceneLogPath = previousLog_;
        ScenePathPrefix = previousPrefix_;
        scene::FlarePicturePath = previousFlare_;
        scene::MaxHierarchyDepth = previousDepth_;
    }

    // Loads `file` into `target`, writes a pack holding a normals entry for every object
    // (unless `entries` already has one) and the test's `entries`, and prepares the scene;
    // the fixture's own scene starts its particles.
    void LoadAndPrepare(const Bytes& file, Scene* target = nullptr,
                        const std::string& prefix = "scene3\\") {
        Scene& s = target ? *target : scene;
        ScenePathPrefix = prefix;
        ::testing::internal::CaptureStdout();
        Load3dsSceneFromMemory(prefix + "test.3ds", file.data(), file.size(), s);
        ::testing::internal::GetCapturedStdout();
        std::map<std::string, Bytes> all = entries;
        for (SceneObject* o = s.objects; o; o = o->next) {
            const std::string name = "Nrm\\" + o->name.str() + ".nrm";
            if (all.count(name)) continue;
            std::vector<float> normals;
            for (int i = 0; i < o->vertexCount; ++i) normals.insert(normals.end(), {0, 1, 0});
            all[name] = FloatBytes(normals);
        }
        assets::PackWriter writer;
        for (auto& [name, data] : all) writer.Add(name, data);
        const std::string path = dir.file("pack" + std::to_string(packs_++) + ".dat");
        std::string error;
        ASSERT_TRUE(writer.WriteFile(path, &error)) << error;
        ASSERT_TRUE(assets::GlobalPack().Open(path));
        ::testing::internal::CaptureStderr();
        scene::PrepareScene(s, random);
        err = ::testing::internal::GetCapturedStderr();
        if (&s == &scene) particles = scene::StartParticles(s);
    }

    // The fixture's scene moved to `frame` and drawn, as a segment does.
    void Update(float frame) { scene::UpdateScene(scene, frame, particles, random); }
    void Draw() { scene::DrawScene(scene, particles); }

    // The calls recorded since `from`, as text.
    std::vector<std::string> CallsFrom(size_t from) const {
        std::vector<std::string> all = device.callStrings();
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
    }

    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::RecordingDevice device;
    Scene scene;
    // What playing the scene changes: its particles and the generator they (and preparation)
    // draw from, from state 1.
    scene::SceneParticles particles;
    scene::RandomGenerator random;
    std::map<std::string, Bytes> entries;
    std::string err;  // what preparation wrote to standard error

  private:
    IDirect3DDevice8* previousDevice_ = nullptr;
    std::string previousLog_, previousPrefix_, previousFlare_;
    int32_t previousDepth_ = 0;
    int packs_ = 0;
};

// The n-th record of an intrusive list, or null.
template <typename Record>
Record* Nth(Record* head, int n) {
    while (head && n-- > 0) head = head->next;
    return head;
}

}  // namespace scenetest
