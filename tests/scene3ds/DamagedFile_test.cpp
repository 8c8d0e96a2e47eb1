// Damaged and unexpected files: every fault gets an error line naming the entry and the byte
// offset, in the log and on standard error; what can still be read is read.
#include "SceneLoadFixture.h"

using namespace test3ds;

namespace {

const std::vector<float> kTri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<uint16_t> kFace = {0, 1, 2};

// Main header, version chunk, editor header and its 0x3D3E chunk come before the first item.
constexpr size_t kFirstEditorItem = 6 + 10 + 6 + 10;

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

class DamagedFile : public SceneLoadTest {
  protected:
    // The error line went to the log and to standard error alike.
    void ExpectError(const std::string& part) {
        EXPECT_NE(err.find(part), std::string::npos) << "stderr: " << err;
        EXPECT_NE(Log().find(part), std::string::npos) << "log: " << Log();
        EXPECT_NE(err.find("Error in 3ds file Objs\\test.3ds at byte "), std::string::npos) << err;
    }
};

TEST_F(DamagedFile, VertexCountBeyondTheChunkReadsTheVerticesThatAreThere) {
    Chunk vertices(0x4110);
    vertices.u16(10).floats({1, 2, 3, 4, 5, 6});
    Chunk mesh(0x4100);
    mesh.add(vertices);
    Load(File({Chunk(0x4000).str("Box").add(mesh)}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->vertexCount, 2);
    EXPECT_EQ(scene.objects->positions, (std::vector<float>{1, 3, 2, 4, 6, 5}));
    ExpectError("Objs\\test.3ds at byte " + std::to_string(kFirstEditorItem + 24) +
                ": vertex count 10 needs 120 bytes but chunk 0x4110 holds 24; reading 2 vertices");
}

TEST_F(DamagedFile, FaceCountBeyondTheChunkAndFacesBeyondTheVertices) {
    Chunk faces(0x4120);
    faces.u16(5).u16(0).u16(1).u16(2).u16(0).u16(0).u16(1).u16(9).u16(0);
    Chunk mesh(0x4100);
    mesh.add(Chunk(0x4110).u16(3).floats(kTri)).add(faces);
    Load(File({Chunk(0x4000).str("Box").add(mesh)}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->faceCount, 1);
    EXPECT_EQ(scene.objects->faces, (std::vector<uint16_t>{0, 1, 2}));
    ExpectError("face count 5 needs 40 bytes but chunk 0x4120 holds 16; reading 2 faces");
    ExpectError("1 faces of object Box name vertices beyond its 3; they are dropped");
}

TEST_F(DamagedFile, TexCoordChunkWithFewerPairsThanVertices) {
    Chunk uv(0x4140);
    uv.u16(3).floats({0.5f, 0.25f});
    Load(File({MeshObject("Box", {1, 2, 3, 4, 5, 6, 7, 8, 9}, kFace, "M", {uv})}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->texCoords, (std::vector<float>{0.5f, 0.25f, 4, 6, 7, 9}));
    ExpectError("texture coordinate chunk 0x4140 holds 1 pairs for 3 vertices");
}

TEST_F(DamagedFile, TexCoordChunkBeforeTheVertexListIsIgnored) {
    Chunk mesh(0x4100);
    mesh.add(Chunk(0x4140).u16(3).floats({0.5f, 0.25f, 1, 1, 0, 0}))
        .add(Chunk(0x4110).u16(3).floats({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    Load(File({Chunk(0x4000).str("Box").add(mesh)}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->texCoords, (std::vector<float>{1, 3, 4, 6, 7, 9}));  // planar
    ExpectError(
        "texture coordinate chunk 0x4140 comes before the vertex list; its 3 pairs are "
        "ignored");
}

TEST_F(DamagedFile, LengthBelowTheHeaderStopsThatWalkOnly) {
    // The editor walk stops at the bad chunk; the keyframer section is still read.
    Chunk bad(0x4000);
    bad.str("Bad").length(3);
    const std::vector<uint8_t> file =
        File({MeshObject("Box", kTri, kFace, "M"), bad, MeshObject("Lost", kTri, kFace, "M")},
             {Keyframer(0, 10, {Node(0xB002, 0, "Box", 0xFFFF, {Pivot(1, 2, 3)})})});
    Load(file);
    ASSERT_EQ(ListLength(scene.objects), 1);
    EXPECT_EQ(scene.objects->name.view(), "Box");
    EXPECT_EQ(scene.objects->pivot[1], 3.0f);
    ExpectError("chunk 0x4000 inside chunk 0x3D3D has length 3, below its 6-byte header");
}

TEST_F(DamagedFile, ChunkRunningPastItsParentIsReadAsFarAsItGoes) {
    Chunk mesh(0x4100);
    mesh.add(Chunk(0x4110).u16(3).floats(kTri));
    mesh.length(5000);
    Load(File({Chunk(0x4000).str("Box").add(mesh)}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->vertexCount, 3);
    ExpectError("chunk 0x4100 of length 5000 runs past the end of chunk 0x4000");
}

TEST_F(DamagedFile, TruncatedFileKeepsWhatCameBeforeTheCut) {
    std::vector<uint8_t> file = File({MeshObject("Box", kTri, kFace, "M"),
                                      MeshObject("Cut", {1, 2, 3, 4, 5, 6, 7, 8, 9}, kFace, "M")});
    file.resize(file.size() - 60);  // inside the second mesh's vertex list
    Load(file);
    ASSERT_EQ(ListLength(scene.objects), 2);
    EXPECT_EQ(scene.objects->vertexCount, 3);
    ExpectError("main chunk length");
    ExpectError("runs past the end of the file");
    ExpectError("no keyframer chunk 0xB000");
}

TEST_F(DamagedFile, EveryPrefixOfAFullSceneLoadsWithoutHarm) {
    const std::vector<uint8_t> file = File(
        {MaterialNamed("M", {ColourProperty(0xA010, 1, 2, 3), PercentProperty(0xA050, 40),
                             MapProperty(0xA200, "A.BMP")}),
         MeshObject("Box", kTri, kFace, "M"), OmniLight("Lamp", {1, 2, 3}, {1, 1, 1}),
         SpotLight("Spot", {0, 0, 0}, {1, 1, 1}, {0, 0, 1}, 10, 20),
         Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35)},
        {Keyframer(
            0, 10,
            {Node(0xB002, 0, "Box", 0xFFFF,
                  {TrackChunk(0xB020, {{0, {1, 2, 3}}, {5, {2, 3, 4}}}),
                   TrackChunk(0xB021, {{0, {1, 0, 0, 1}}})}),
             Node(0xB005, 1, "Lamp", 0xFFFF,
                  {TrackChunk(0xB025, {{0, {1, 1, 1}}}), TrackChunk(0xB020, {{0, {1, 2, 3}}})}),
             Node(0xB007, 2, "Spot", 0xFFFF,
                  {TrackChunk(0xB020, {{0, {0, 0, 0}}}), Chunk(0xB021),
                   TrackChunk(0xB027, {{0, {10}}}), TrackChunk(0xB028, {{0, {20}}})}),
             Node(0xB006, 3, "Spot", 0xFFFF, {TrackChunk(0xB020, {{0, {0, 0, 1}}})}),
             Node(0xB003, 4, "Cam", 0xFFFF,
                  {TrackChunk(0xB020, {{0, {0, 0, 0}}}), TrackChunk(0xB023, {{0, {45}}}),
                   TrackChunk(0xB024, {{0, {0}}})}),
             Node(0xB004, 5, "Cam", 0xFFFF, {TrackChunk(0xB020, {{0, {0, 1, 0}}})})})});
    for (size_t size = 0; size < file.size(); ++size) {
        Scene prefixScene;
        const std::vector<uint8_t> prefix(file.begin(), file.begin() + size);
        Load(prefix, &prefixScene);
        // Every track of every record can be sampled afterwards.
        for (SceneObject* o = prefixScene.objects; o; o = o->next) {
            ASSERT_TRUE(o->positionTrack.filled());
            ASSERT_TRUE(o->scaleTrack.filled());
            ASSERT_TRUE(o->rotationTrack.filled());
            ASSERT_EQ(o->positions.size(), 3u * o->vertexCount);
            ASSERT_EQ(o->faces.size(), 3u * o->faceCount);
        }
        for (SceneCamera* c = prefixScene.cameras; c; c = c->next) {
            ASSERT_TRUE(c->fovTrack.filled() && c->rollTrack.filled() && c->targetTrack.filled());
        }
        for (SceneSpotLight* s = prefixScene.spotLights; s; s = s->next) {
            ASSERT_TRUE(s->hotspotTrack.filled() && s->falloffTrack.filled());
        }
        ASSERT_FALSE(err.empty()) << "prefix of " << size << " bytes reported nothing";
    }
    Load(file);
    EXPECT_TRUE(err.empty()) << err;
}

TEST_F(DamagedFile, MapNamesWithoutAThreeCharacterExtension) {
    Load(File({MaterialNamed("A", {MapProperty(0xA200, "ROCK")}),
               MaterialNamed("B", {MapProperty(0xA200, "ROCK.BM")}),
               MaterialNamed("C", {MapProperty(0xA210, "ROCK.")})}));
    ASSERT_EQ(ListLength(scene.materials), 3);
    EXPECT_EQ(Nth(scene.materials, 0)->textureName.view(), "ROCK.jpg");
    EXPECT_EQ(Nth(scene.materials, 1)->textureName.view(), "ROCK.jpg");
    EXPECT_EQ(Nth(scene.materials, 2)->opacityMapName.view(), "ROCK.jpg");
    ExpectError(
        "map file name \"ROCK\" has no three-character extension; looked for as \"ROCK.jpg\"");
    ExpectError("map file name \"ROCK.BM\" has no three-character extension");
    EXPECT_EQ(Count(err, "three-character extension"), 3u);
}

TEST_F(DamagedFile, NamesLongerThanFourteenCharactersAreCut) {
    Load(File(
        {MeshObject("AVeryLongObjectName", kTri, kFace, "AVeryLongMaterialName"),
         MaterialNamed("AVeryLongMaterialName")},
        {Keyframer(0, 10, {Node(0xB002, 3, "AVeryLongObjectName", 0xFFFF, {Pivot(1, 1, 1)})})}));
    ASSERT_EQ(ListLength(scene.objects), 1);  // the node found the cut name
    EXPECT_EQ(scene.objects->name.view(), "AVeryLongObjec");
    EXPECT_EQ(scene.objects->nodeId, 3);
    EXPECT_EQ(scene.objects->materialName.view(), "AVeryLongMater");
    EXPECT_EQ(scene.materials->name.view(), "AVeryLongMater");
    ExpectError("name \"AVeryLongObjectName\" is longer than 14 characters; cut to the first 14");
}

TEST_F(DamagedFile, MissingEditorChunkStillReadsTheKeyframerSection) {
    const std::vector<uint8_t> file =
        Chunk(0x4D4D)
            .add(Version())
            .add(Keyframer(0, 10, {Node(0xB002, 0, "Dummy", 0xFFFF, {Pivot(1, 2, 3)})}))
            .bytes();
    Load(file);
    ExpectError("at byte 6: no editor chunk 0x3D3D in the main chunk; no objects read");
    ASSERT_EQ(ListLength(scene.objects), 1);
    EXPECT_EQ(scene.objects->name.view(), "Dummy");
    EXPECT_EQ(scene.objectCount, 0);
    EXPECT_EQ(Log().find("Reading objects"), std::string::npos);
}

TEST_F(DamagedFile, MissingKeyframerSectionLeavesTheEditorValuesInTheTracks) {
    const std::vector<uint8_t> file =
        Chunk(0x4D4D)
            .add(Version())
            .add(Chunk(0x3D3D).add(Camera("Cam", {1, 2, 3}, {0, 0, 0}, 0, 35)))
            .bytes();
    Load(file);
    ExpectError("no keyframer chunk 0xB000 in the main chunk; nothing animated");
    ASSERT_NE(scene.cameras, nullptr);
    EXPECT_EQ(scene.cameras->positionTrack.keys.at(0).value.y, 3.0f);
}

TEST_F(DamagedFile, MissingFrameRangeStillReadsTheNodes) {
    Chunk keyframer(0xB000);
    keyframer.add(Node(0xB002, 0, "Box", 0xFFFF, {Pivot(0, 0, 7)}));
    Load(File({MeshObject("Box", kTri, kFace, "M")}, {keyframer}));
    ExpectError("keyframer chunk 0xB000 holds no frame range chunk 0xB008; reading its nodes");
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->pivot[1], 7.0f);
}

TEST_F(DamagedFile, NodesNamingNoRecordAreSkipped) {
    Load(File(
        {Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35), OmniLight("Lamp", {0, 0, 0}, {1, 1, 1}),
         SpotLight("Spot", {0, 0, 0}, {1, 1, 1}, {0, 0, 1}, 10, 20)},
        {Keyframer(0, 10,
                   {Node(0xB003, 0, "Nobody", 0xFFFF, {TrackChunk(0xB020, {{0, {9, 9, 9}}})}),
                    // Its target node must not land on "Cam".
                    Node(0xB004, 1, "Nobody", 0xFFFF, {TrackChunk(0xB020, {{0, {8, 8, 8}}})}),
                    Node(0xB005, 2, "NoLamp", 0xFFFF, {TrackChunk(0xB020, {{0, {7, 7, 7}}})}),
                    Node(0xB007, 3, "NoSpot", 0xFFFF, {TrackChunk(0xB020, {{0, {6, 6, 6}}})}),
                    Node(0xB006, 4, "NoSpot", 0xFFFF, {TrackChunk(0xB020, {{0, {5, 5, 5}}})})})}));
    EXPECT_EQ(exitStatus(), -1);
    ExpectError("camera node names Nobody, which is no camera of the scene; skipped");
    ExpectError("camera target node without a camera before it; skipped");
    ExpectError("omni light node names NoLamp, which is no omni light of the scene; skipped");
    ExpectError("spot light node names NoSpot, which is no spot light of the scene; skipped");
    ExpectError("spot target node without a spot light before it; skipped");
    EXPECT_EQ(scene.cameras->targetTrack.keys.at(0).value.z, 1.0f);
    EXPECT_EQ(scene.omniLights->positionTrack.keys.at(0).value.x, 0.0f);
    EXPECT_EQ(scene.spotLights->targetTrack.keys.at(0).value.y, 1.0f);
}

TEST_F(DamagedFile, TargetNodeInAFileWithoutCameras) {
    Load(File(
        {MeshObject("Box", kTri, kFace, "M")},
        {Keyframer(0, 10,
                   {Node(0xB004, 1, "Cam", 0xFFFF, {TrackChunk(0xB020, {{0, {1, 1, 1}}})})})}));
    ExpectError("camera target node without a camera before it; skipped");
    EXPECT_EQ(exitStatus(), -1);
}

TEST_F(DamagedFile, TrackChunksBeforeTheNodeHeaderAreSkipped) {
    Chunk node(0xB002);
    node.add(NodeId(0)).add(TrackChunk(0xB020, {{0, {1, 1, 1}}})).add(NodeHeader("Box", 0xFFFF));
    Load(File({MeshObject("Box", kTri, kFace, "M")}, {Keyframer(0, 10, {node})}));
    ExpectError("chunk 0xB020 comes before its node's header chunk 0xB010; skipped");
    EXPECT_EQ(scene.objects->positionTrack.keys.at(0).value.x, 0.0f);
}

TEST_F(DamagedFile, HugeKeyCountAllocatesOnlyWhatFits) {
    Chunk track = TrackChunk(0xB020, {{0, {1, 2, 3}}, {4, {5, 6, 7}}});
    std::vector<uint8_t> bytes = track.bytes();
    bytes[16] = bytes[17] = bytes[18] = bytes[19] = 0xFF;  // key count 4294967295
    Chunk node(0xB002);
    node.add(NodeId(0)).add(NodeHeader("Box", 0xFFFF)).raw(bytes);
    Load(File({MeshObject("Box", kTri, kFace, "M")}, {Keyframer(0, 10, {node})}));
    ExpectError("track chunk 0xB020 declares 4294967295 keys but at most 2 fit in it");
    EXPECT_EQ(scene.objects->positionTrack.keyCount, 2u);
    EXPECT_EQ(scene.objects->positionTrack.keys.size(), 2u);
}

TEST_F(DamagedFile, KeysThatDoNotAdvanceInTimeAreDropped) {
    Load(File({MeshObject("Box", kTri, kFace, "M")},
              {Keyframer(0, 10,
                         {Node(0xB002, 0, "Box", 0xFFFF,
                               {TrackChunk(0xB020, {{0, {1, 1, 1}},
                                                    {5, {2, 2, 2}},
                                                    {5, {3, 3, 3}},
                                                    {2, {4, 4, 4}},
                                                    {9, {5, 5, 5}}})})})}));
    const auto& track = scene.objects->positionTrack;
    ASSERT_EQ(track.keyCount, 3u);
    EXPECT_EQ(track.keys[2].frame, 9.0f);
    EXPECT_EQ(Count(err, "does not follow frame"), 2u);
}

TEST_F(DamagedFile, NameWithoutTerminatorAndShortFixedChunks) {
    Chunk unterminated(0x4000);
    unterminated.u8('A').u8('B');
    Chunk camera(0x4700);
    camera.floats({1, 2, 3});
    Chunk light(0x4600);
    light.floats({1, 2, 3}).add(Chunk(0x0010).f32(0.5f));
    Load(File({unterminated, Chunk(0x4000).str("Cam").add(camera),
               Chunk(0x4000).str("Lamp").add(light)}));
    ExpectError("name in chunk 0x4000 has no terminating zero before the chunk ends");
    ExpectError("camera chunk 0x4700 holds 12 bytes, 32 needed; camera left at the origin");
    ExpectError("light colour chunk 0x0010 holds 4 bytes, 12 needed; colour left white");
    ASSERT_NE(scene.cameras, nullptr);
    EXPECT_EQ(scene.cameras->position[0], 0.0f);
    ASSERT_NE(scene.omniLights, nullptr);
    EXPECT_EQ(scene.omniLights->colour[0], 1.0f);
}

TEST_F(DamagedFile, DegenerateLocalAxesLeaveTheVerticesAsRead) {
    Chunk axes(0x4160);
    axes.floats({0, 0, 0, 0, 1, 0, 0, 0, 1, 10, 20, 30});
    Load(File({MeshObject("Box", {1, 2, 3}, {}, "", {axes})}));
    ExpectError("local axes chunk 0x4160 has a zero-length axis; vertices left as read");
    EXPECT_EQ(scene.objects->positions, (std::vector<float>{1, 3, 2}));
}

TEST_F(DamagedFile, EmptyAndNullBuffers) {
    Load({});
    EXPECT_EQ(scene.objects, nullptr);
    EXPECT_NE(Log().find("Error in 3ds file !!! \n"), std::string::npos);
    Scene other;
    ::testing::internal::CaptureStderr();
    Load3dsSceneFromMemory("none", nullptr, 100, other);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(other.objects, nullptr);
}

// ---------------------------------------------------------------- fatal faults

TEST_F(DamagedFile, LightWithoutItsColourChunkEndsTheProcessWithFailure) {
    Chunk light(0x4600);
    light.floats({1, 2, 3}).add(Chunk(0x4659).f32(1));
    Load(File({MeshObject("Box", kTri, kFace, "M"), Chunk(0x4000).str("Lamp").add(light),
               MeshObject("After", kTri, kFace, "M")}));
    EXPECT_EQ(out, "Error in light chunk !! \n");
    EXPECT_EQ(exitStatus(), EXIT_FAILURE);
    // The load stopped where it was: no closing lines, nothing after the light.
    EXPECT_EQ(Log().find("Reading ok"), std::string::npos);
    EXPECT_EQ(ListLength(scene.objects), 1);
}

TEST_F(DamagedFile, CameraNodeWithoutItsTracksInPlaceEndsTheProcessWithFailure) {
    Load(File({Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35)},
              {Keyframer(0, 10,
                         {Node(0xB003, 0, "Cam", 0xFFFF,
                               {TrackChunk(0xB020, {{0, {1, 1, 1}}}),
                                TrackChunk(0xB024, {{0, {0}}})})})}));
    EXPECT_EQ(out, "Error in 3ds file \n");
    EXPECT_EQ(exitStatus(), EXIT_FAILURE);
    // The position track before the fault was read; the log keeps what was written.
    EXPECT_EQ(scene.cameras->positionTrack.keys.at(0).value.x, 1.0f);
    EXPECT_NE(Log().find("Cam Name: Cam \n"), std::string::npos);
}

TEST_F(DamagedFile, CameraTargetNodeWithoutPositionTrackEndsTheProcessWithFailure) {
    Load(File(
        {Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35)},
        {Keyframer(0, 10, {Node(0xB004, 0, "Cam", 0xFFFF, {TrackChunk(0xB023, {{0, {1}}})})})}));
    EXPECT_EQ(out, "Error in 3ds file \n");
    EXPECT_EQ(exitStatus(), EXIT_FAILURE);
}

TEST_F(DamagedFile, EditorChunkFirstInTheMainChunkEndsTheProcessWithFailure) {
    const std::vector<uint8_t> file =
        Chunk(0x4D4D)
            .add(Chunk(0x3D3D).add(MeshObject("Box", kTri, kFace, "M")))
            .add(Keyframer(0, 10))
            .bytes();
    Load(file);
    EXPECT_EQ(out, "Error in 3ds file !?!?! ");
    EXPECT_EQ(exitStatus(), EXIT_FAILURE);
    // The editor pass had run; the keyframer pass never started.
    EXPECT_EQ(ListLength(scene.objects), 1);
    const std::string log = Log();
    EXPECT_NE(log.find("Reading ok !!!!!!! . . .. . .. .. . .. \n\n"), std::string::npos);
    EXPECT_EQ(log.find("==="), std::string::npos);
}

using DamagedFileDeathTest = DamagedFile;

TEST_F(DamagedFileDeathTest, DefaultExitHookEndsTheProcessWithStatusOne) {
    scene3ds::SceneExitHook = &std::exit;
    Chunk light(0x4600);
    light.floats({1, 2, 3});
    const std::vector<uint8_t> file = File({Chunk(0x4000).str("Lamp").add(light)});
    EXPECT_EXIT(Load3dsSceneFromMemory("Objs\\test.3ds", file.data(), file.size(), scene),
                ::testing::ExitedWithCode(1), "");
}
