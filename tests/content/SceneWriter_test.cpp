// The writer's pieces: nested chunk lengths, the rules Write3ds enforces, normals splitting and
// welding, the emitter file layout, and that the producer gives the same bytes every time.
#include <gtest/gtest.h>

#include <cstring>

#include "ChunkWalk.h"
#include "content/scenes/ChunkWriter.h"
#include "content/scenes/Emitters.h"
#include "content/scenes/Primitives.h"
#include "content/scenes/Scene3ds.h"
#include "content/scenes/Scenes.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "scene/SceneLights.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/TempDir.h"

namespace content::scenes {
namespace {

using content_test::U16;
using content_test::U32;

TEST(ChunkWriter, NestedLengthsCoverHeadersDataAndChildren) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.ChunkU32(0x0002, 3);
    w.Begin(0x3D3D);
    w.Empty(0x4625);
    w.End();
    w.End();
    std::vector<uint8_t> b = w.Take();
    ASSERT_EQ(b.size(), 6u + 10u + 12u);
    EXPECT_EQ(U16(b, 0), 0x4D4D);
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 8), 10u);
    EXPECT_EQ(U32(b, 12), 3u);
    EXPECT_EQ(U16(b, 16), 0x3D3D);
    EXPECT_EQ(U32(b, 18), 12u);
    EXPECT_EQ(U32(b, 24), 6u);
}

TEST(ChunkWriter, RefusesUnbalancedChunksAndLongNames) {
    ChunkWriter w;
    EXPECT_THROW(w.End(), std::logic_error);
    w.Begin(0x4D4D);
    EXPECT_THROW(w.Take(), std::logic_error);
    EXPECT_THROW(w.Str("ElevenChars"), std::invalid_argument);
    EXPECT_THROW(w.Str(""), std::invalid_argument);
}

SceneDesc OneBox() {
    SceneDesc s;
    s.materials.push_back(MakeMaterial("M", {1, 2, 3}));
    s.objects.push_back(MeshObject("Box", Finish(BevelBox({1.0f, 1.0f, 1.0f}, 0.2f, 1, 1), 40), "M",
                                   {10.0f, 20.0f, 30.0f}));
    return s;
}

TEST(Write3ds, RefusesWhatTheFormatOrTheEngineCannotTake) {
    EXPECT_NO_THROW(Write3ds(OneBox()));
    SceneDesc s = OneBox();
    s.objects[0].material = "NOPE";
    EXPECT_THROW(Write3ds(s), std::invalid_argument);
    s = OneBox();
    s.objects.push_back(s.objects[0]);
    EXPECT_THROW(Write3ds(s), std::invalid_argument);  // same name twice
    s = OneBox();
    s.objects[0].position = {{5, Vec3{0.0f, 0.0f, 0.0f}}, {5, Vec3{1.0f, 0.0f, 0.0f}}};
    EXPECT_THROW(Write3ds(s), std::invalid_argument);  // keys out of order
    s = OneBox();
    s.objects[0].parent = "Ghost";
    EXPECT_THROW(Write3ds(s), std::invalid_argument);
    s = OneBox();
    s.materials[0].texture = "NOEXT";
    EXPECT_THROW(Write3ds(s), std::invalid_argument);
}

TEST(Write3ds, VerticesGoInWorldPlaceWithAMeshMatrixThatTakesThemBack) {
    std::vector<uint8_t> b = Write3ds(OneBox());
    // Find the vertex list and the mesh matrix.
    size_t vl = 0, mm = 0;
    for (size_t i = 0; i + 6 < b.size(); ++i) {
        if (!vl && U16(b, i) == 0x4110) vl = i;
        if (!mm && U16(b, i) == 0x4160 && U32(b, i + 2) == 54) mm = i;
    }
    ASSERT_TRUE(vl && mm);
    float origin[3];
    std::memcpy(origin, &b[mm + 6 + 36], 12);
    EXPECT_EQ(origin[0], 10.0f);  // engine (10, 20, 30) is file (10, 30, 20)
    EXPECT_EQ(origin[1], 30.0f);
    EXPECT_EQ(origin[2], 20.0f);
    FinishedMesh box = Finish(BevelBox({1.0f, 1.0f, 1.0f}, 0.2f, 1, 1), 40);
    float first[3];
    std::memcpy(first, &b[vl + 8], 12);
    EXPECT_FLOAT_EQ(first[0] - origin[0], box.positions[0].x);
    EXPECT_FLOAT_EQ(first[1] - origin[1], box.positions[0].z);
    EXPECT_FLOAT_EQ(first[2] - origin[2], box.positions[0].y);
}

TEST(Write3ds, SpotLightShinesInTheColourTheSceneAsksFor) {
    SceneDesc s = OneBox();
    SpotDesc beam;
    beam.name = "Beam";
    beam.position = {{0, Vec3{0.0f, 100.0f, 0.0f}}};
    beam.target = {{0, Vec3{0.0f, 0.0f, 0.0f}}};
    beam.colour = {0.9f, 0.75f, 0.5f};
    beam.hotspot = {{0, 20.0f}};
    beam.falloff = {{0, 40.0f}};
    s.spots.push_back(beam);
    const std::vector<uint8_t> file = Write3ds(s);

    testsupport::TempDir dir;
    const std::string previousLog = scene3ds::SceneLogPath;
    scene3ds::SceneLogPath = dir.file("engine.log");
    Scene scene;
    ::testing::internal::CaptureStdout();
    scene3ds::Load3dsSceneFromMemory("beam.3ds", file.data(), file.size(), scene);
    ::testing::internal::GetCapturedStdout();
    scene3ds::SceneLogPath = previousLog;
    ASSERT_NE(scene.spotLights, nullptr);

    gfx::StateDevice device{gfx::DeviceParams{}};
    IDirect3DDevice8* previous = RenderDevice;
    RenderDevice = &device;
    scene::SetSpotLight(*scene.spotLights, 0);
    RenderDevice = previous;
    D3DLIGHT8 light{};
    ASSERT_EQ(device.GetLight(0, &light), D3D_OK);
    EXPECT_FLOAT_EQ(light.Diffuse.r, 40 * 0.9f);
    EXPECT_FLOAT_EQ(light.Diffuse.g, 40 * 0.75f);
    EXPECT_FLOAT_EQ(light.Diffuse.b, 40 * 0.5f);
}

// Loads a written file through the engine's reader, the log going to a scratch folder.
void LoadWritten(const std::vector<uint8_t>& file, Scene& scene, std::string& errors) {
    testsupport::TempDir dir;
    const std::string previousLog = scene3ds::SceneLogPath;
    scene3ds::SceneLogPath = dir.file("engine.log");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    scene3ds::Load3dsSceneFromMemory("keys.3ds", file.data(), file.size(), scene);
    ::testing::internal::GetCapturedStdout();
    errors = ::testing::internal::GetCapturedStderr();
    scene3ds::SceneLogPath = previousLog;
}

TEST(Write3ds, SplineParametersOfKeysComeBackThroughTheEngineReader) {
    SceneDesc s = OneBox();
    CameraDesc cam;
    cam.name = "Cam01";
    // Every flag (tension 0x01, continuity 0x02, bias 0x04, ease to 0x08, ease from 0x10),
    // one alone, and none: the values after the parameters must still land in place.
    cam.position = {VecKey{0, {1, 2, 3}, 0.25f, -0.5f, 0.75f, 0.1f, 0.2f},
                    VecKey{40, {4, 5, 6}, 0, 0.3f, 0, 0, 0}, VecKey{80, {7, 8, 9}}};
    cam.target = {VecKey{0, {0, 0, 0}, 0, 0, 0, 0.5f, 0}, VecKey{80, {0, 10, 0}, 0, 0, 0, 0, 1}};
    cam.fov = {ScalarKey{0, 45, 0.6f, 0, 0, 0, 0.4f}, ScalarKey{80, 30}};
    cam.roll = {ScalarKey{0, 5, 0, 0, -1.0f}};
    s.cameras.push_back(cam);
    const std::vector<uint8_t> file = Write3ds(s);

    // The flags word of each position key, found by walking the chunks.
    bool ok = true;
    std::vector<uint16_t> flags;
    for (const content_test::Chunk& top : content_test::Children(file, 6, file.size(), &ok)) {
        if (top.id != 0xB000) continue;
        for (const content_test::Chunk& node :
             content_test::Children(file, top.start + 6, top.end(), &ok)) {
            if (node.id != 0xB003) continue;
            for (const content_test::Chunk& track :
                 content_test::Children(file, node.start + 6, node.end(), &ok)) {
                if (track.id != 0xB020) continue;
                // Keys of 6 + 4 per parameter + 12 bytes, from 20 bytes into the chunk.
                size_t at = track.start + 20;
                for (uint32_t k = 0; k < U32(file, track.start + 16); ++k) {
                    const uint16_t f = U16(file, at + 4);
                    flags.push_back(f);
                    at += 6 + 4 * static_cast<size_t>(__builtin_popcount(f)) + 12;
                }
                EXPECT_EQ(at, track.end());
            }
        }
    }
    EXPECT_TRUE(ok);
    EXPECT_EQ(flags, (std::vector<uint16_t>{0x1F, 0x02, 0x00}));

    Scene scene;
    std::string errors;
    LoadWritten(file, scene, errors);
    EXPECT_EQ(errors, "");
    ASSERT_NE(scene.cameras, nullptr);
    const SceneCamera& c = *scene.cameras;
    ASSERT_EQ(c.positionTrack.keyCount, 3u);
    const auto& p = c.positionTrack.keys;
    EXPECT_EQ(p[0].frame, 0.0f);
    EXPECT_EQ(p[0].tension, 0.25f);
    EXPECT_EQ(p[0].continuity, -0.5f);
    EXPECT_EQ(p[0].bias, 0.75f);
    EXPECT_EQ(p[0].value.x, 1.0f);
    EXPECT_EQ(p[0].value.y, 2.0f);
    EXPECT_EQ(p[0].value.z, 3.0f);
    EXPECT_EQ(p[1].frame, 40.0f);
    EXPECT_EQ(p[1].tension, 0.0f);
    EXPECT_EQ(p[1].continuity, 0.3f);
    EXPECT_EQ(p[1].value.y, 5.0f);
    EXPECT_EQ(p[2].frame, 80.0f);
    EXPECT_EQ(p[2].value.z, 9.0f);
    EXPECT_EQ(p[2].continuity, 0.0f);

    ASSERT_EQ(c.targetTrack.keyCount, 2u);
    EXPECT_EQ(c.targetTrack.keys[0].tension, 0.0f);  // ease values are read past
    EXPECT_EQ(c.targetTrack.keys[1].value.y, 10.0f);
    ASSERT_EQ(c.fovTrack.keyCount, 2u);
    EXPECT_EQ(c.fovTrack.keys[0].tension, 0.6f);
    EXPECT_EQ(c.fovTrack.keys[0].value, 45.0f);
    EXPECT_EQ(c.fovTrack.keys[1].value, 30.0f);
    ASSERT_EQ(c.rollTrack.keyCount, 1u);
    EXPECT_EQ(c.rollTrack.keys[0].bias, -1.0f);
    EXPECT_EQ(c.rollTrack.keys[0].value, 5.0f);
}

TEST(Normals, SplitAtHardEdgesAndWeldWhereSmooth) {
    // A plain cube (no bevel to speak of): 8 corners, split into 24 vertices at a 40 degree
    // crease, but kept at 8 (one normal each, along the diagonal) at 100 degrees.
    Mesh cube;
    const Vec3 c[8] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                       {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    for (const Vec3& p : c) cube.Vertex(p, {0, 0});
    const int q[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                         {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    for (const auto& f : q) cube.Quad(f[0], f[1], f[2], f[3]);
    FinishedMesh hard = Finish(cube, 40);
    EXPECT_EQ(hard.positions.size(), 24u);
    EXPECT_GT(SignedVolume(hard), 0);
    for (size_t i = 0; i < hard.normals.size(); ++i)
        EXPECT_NEAR(std::fabs(hard.normals[i].x) + std::fabs(hard.normals[i].y) +
                        std::fabs(hard.normals[i].z),
                    1.0f, 1e-5f);
    FinishedMesh soft = Finish(cube, 100);
    ASSERT_EQ(soft.positions.size(), 8u);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_GT(Dot(soft.normals[i], soft.positions[i]), 1.7f);  // outward diagonal
}

TEST(Normals, FileIsThreeFloatsPerVertexInOrder) {
    FinishedMesh m;
    m.normals = {{0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}};
    std::vector<uint8_t> b = EncodeNormals(m);
    ASSERT_EQ(b.size(), 24u);
    float f[6];
    std::memcpy(f, b.data(), 24);
    EXPECT_EQ(f[1], 1.0f);
    EXPECT_EQ(f[3], 1.0f);
}

TEST(Emitters, ParameterFileLayout) {
    EmitterDesc e{"emitter01", 300, 0.5f, 40, 3, 12, 0x10, 0x20, 0x30, 0x40, 100, 200, "SPARK.jpg"};
    std::vector<uint8_t> b = EncodeEmitter(e);
    ASSERT_EQ(b.size(), 32u + 10u);
    EXPECT_EQ(U32(b, 0), 300u);
    float spread, start, end;
    std::memcpy(&spread, &b[4], 4);
    std::memcpy(&start, &b[24], 4);
    std::memcpy(&end, &b[28], 4);
    EXPECT_EQ(spread, 0.5f);
    EXPECT_EQ(start, 100.0f);
    EXPECT_EQ(end, 200.0f);
    EXPECT_EQ(b[20], 0x10);
    EXPECT_EQ(b[23], 0x40);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[32])), "SPARK.jpg");
    e.texture = "A_NAME_TOO_LONG.jpg";
    EXPECT_THROW(EncodeEmitter(e), std::invalid_argument);
}

TEST(Producer, EngineMapNames) {
    EXPECT_EQ(EngineMapName("ROCK.TGA"), "ROCK.jpg");
    EXPECT_EQ(EngineMapName("wood.jpg"), "wood.jpg");
    EXPECT_THROW(EngineMapName("ROCK"), std::invalid_argument);
}

TEST(Producer, RefusesObjectNamesThatDifferOnlyInCase) {
    // The normals folder is shared and looked up without case: "Box" and "BOX" would collide.
    SceneFiles a{"Objs\\", "a.3ds", OneBox(), {}, {}};
    SceneFiles b{"Objs\\", "b.3ds", OneBox(), {}, {}};
    b.scene.objects[0].name = "BOX";
    Output out;
    try {
        AddSceneEntries(out, {a, b});
        ADD_FAILURE() << "two objects share the normals entry of Box";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("Nrm\\BOX.nrm"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Nrm\\Box.nrm"), std::string::npos) << e.what();
    }
    // Within one scene as well, for a keyframer-only node.
    SceneFiles c{"Objs\\", "c.3ds", OneBox(), {}, {}};
    ObjectDesc dummy;
    dummy.name = "bOx";
    dummy.dummy = true;
    dummy.position = Still(Vec3{0.0f, 0.0f, 0.0f});
    c.scene.objects.push_back(dummy);
    Output again;
    EXPECT_THROW(AddSceneEntries(again, {c}), std::invalid_argument);
    b.scene.objects[0].name = "Box2";
    Output fine;
    EXPECT_NO_THROW(AddSceneEntries(fine, {a, b}));
}

TEST(Producer, SameBytesEveryRun) {
    auto a = SceneEntries(BuildWaterScene());
    auto b = SceneEntries(BuildWaterScene());
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].first, b[i].first);
        EXPECT_TRUE(a[i].second == b[i].second) << a[i].first;
    }
}

}  // namespace
}  // namespace content::scenes
