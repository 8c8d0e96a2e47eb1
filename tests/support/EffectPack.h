// Fixtures for the effect tests: a small pack holding the real shader programs, stand-ins for
// the pictures the effects load and normals for hand-made objects; hand-made mesh objects; and
// a scope that makes a device the process-wide RenderDevice.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "content/gen/Content.h"
#include "gfx/GlobalDevice.h"
#include "scene3ds/SceneModel.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

namespace testsupport {

// Makes `device` the process-wide RenderDevice for the scope's lifetime.
class GlobalDeviceScope {
  public:
    explicit GlobalDeviceScope(IDirect3DDevice8* device) : previous_(RenderDevice) {
        RenderDevice = device;
    }
    ~GlobalDeviceScope() { RenderDevice = previous_; }
    GlobalDeviceScope(const GlobalDeviceScope&) = delete;
    GlobalDeviceScope& operator=(const GlobalDeviceScope&) = delete;

  private:
    IDirect3DDevice8* previous_;
};

// The content/ folder of the source tree.
inline std::string ContentDir() {
    return std::filesystem::path(RUNEPLAY_TEST_DATA).parent_path().parent_path().string() +
           "/content";
}

// A mesh object with the given positions (x, y, z per vertex), texture coordinates (u, v per
// vertex) and faces, standing still at the origin (one key per track, as the loader leaves a
// node without animation).
inline std::unique_ptr<scene3ds::SceneObject> MakeMeshObject(const std::string& name,
                                                             std::vector<float> positions,
                                                             std::vector<float> texCoords,
                                                             std::vector<uint16_t> faces) {
    auto o = std::make_unique<scene3ds::SceneObject>();
    o->name = scene3ds::SceneName(name);
    o->vertexCount = static_cast<int32_t>(positions.size() / 3);
    o->faceCount = static_cast<int32_t>(faces.size() / 3);
    o->positions = std::move(positions);
    o->texCoords = std::move(texCoords);
    o->texCoords.resize(static_cast<size_t>(o->vertexCount) * 2, 0.0f);
    o->faces = std::move(faces);
    o->positionTrack.reset(1);
    o->scaleTrack.reset(1);
    o->scaleTrack.keys[0].value = {1, 1, 1};
    o->rotationTrack.reset(1);
    o->rotationTrack.keys[0].quaternion = {0, 0, 0, 1};
    return o;
}

// Normals entry "Nrm\<name>.nrm" for `count` vertices, vertex i getting (0, 0, -1) turned a
// little by i so that every normal differs.
inline std::vector<uint8_t> NormalsEntry(size_t count) {
    std::vector<float> n;
    for (size_t i = 0; i < count; ++i) {
        n.push_back(0.01f * static_cast<float>(i));
        n.push_back(0.0f);
        n.push_back(-1.0f);
    }
    std::vector<uint8_t> bytes(n.size() * sizeof(float));
    std::memcpy(bytes.data(), n.data(), bytes.size());
    return bytes;
}

// The pictures the effects load, as small stand-ins in their formats.
inline void AddEffectPictures(assets::PackWriter& pack) {
    const testimg::Argb grey = testimg::MakeArgb(8, 8, [](uint32_t x, uint32_t y) {
        return 0xFF000000u | ((x * 30u) << 16) | ((y * 30u) << 8) | 0x80u;
    });
    testimg::TgaOptions tga;
    tga.bits = 32;
    for (const char* name : {"!textures\\metal.tga", "!textures\\text.tga", "!textures\\bump.tga",
                             "!textures\\bump1.tga", "!textures\\pointlight.tga"})
        pack.Add(name, testimg::MakeTga(grey, tga));
    for (const char* name :
         {"!textures\\point.jpg", "!textures\\boxtext.jpg", "!textures\\boxtext1.jpg",
          "!textures\\metal5.jpg", "!textures\\metal51.jpg"})
        pack.Add(name, testimg::MakeJpeg(grey));
}

// A temporary pack with the real programs, the stand-in pictures and the given extra entries,
// opened as the process pack.
class EffectPack {
  public:
    explicit EffectPack(
        const std::vector<std::pair<std::string, std::vector<uint8_t>>>& extra = {}) {
        content::Output out;
        out.sourceDir = ContentDir();
        content::AddShaders(out);
        AddEffectPictures(out.pack);
        for (const auto& [name, bytes] : extra) out.pack.Add(name, bytes);
        std::string error;
        ok_ = out.pack.WriteFile(dir_.file("kelvra.dat"), &error) &&
              assets::GlobalPack().Open(dir_.file("kelvra.dat"));
        error_ = error;
    }
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

  private:
    TempDir dir_;
    bool ok_ = false;
    std::string error_;
};

}  // namespace testsupport
