#include <cmath>

#include "SceneLoadFixture.h"

using namespace test3ds;

namespace {

const std::vector<float> kTri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<uint16_t> kFace = {0, 1, 2};

Chunk PositionTrack(std::initializer_list<Key> keys) { return TrackChunk(0xB020, keys); }

}  // namespace

class KeyframerSection : public SceneLoadTest {};

TEST_F(KeyframerSection, PositionKeyIsExchangedWithZeroSplineParameters) {
    Load(File(
        {MeshObject("Box", kTri, kFace, "M")},
        {Keyframer(0, 100, {Node(0xB002, 0, "Box", 0xFFFF, {PositionTrack({{10, {1, 2, 3}}})})})}));
    ASSERT_NE(scene.objects, nullptr);
    const auto& track = scene.objects->positionTrack;
    ASSERT_EQ(track.keyCount, 1u);
    ASSERT_EQ(track.keys.size(), 1u);
    const VectorKey& k = track.keys[0];
    EXPECT_EQ(k.frame, 10.0f);
    EXPECT_EQ(k.value.x, 1.0f);
    EXPECT_EQ(k.value.y, 3.0f);
    EXPECT_EQ(k.value.z, 2.0f);
    EXPECT_EQ(k.tension, 0.0f);
    EXPECT_EQ(k.continuity, 0.0f);
    EXPECT_EQ(k.bias, 0.0f);
    EXPECT_EQ(scene.firstFrame, 0);
    EXPECT_EQ(scene.lastFrame, 100);
}

TEST_F(KeyframerSection, AllFiveSplineFlagsTakeThreeParametersAndSkipTheEaseValues) {
    const std::vector<float> params = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    Key vectorKey{5, {1, 2, 3}, 0x1F, params};
    Key rotationKey{5, {0.5f, 1, 0, 0}, 0x1F, params};
    Key scalarKey{5, {45}, 0x1F, params};
    Load(File({MeshObject("Box", kTri, kFace, "M"), Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35)},
              {Keyframer(0, 10,
                         {Node(0xB002, 0, "Box", 0xFFFF,
                               {TrackChunk(0xB020, {vectorKey}), TrackChunk(0xB021, {rotationKey}),
                                TrackChunk(0xB022, {vectorKey})}),
                          Node(0xB003, 1, "Cam", 0xFFFF,
                               {TrackChunk(0xB020, {vectorKey}), TrackChunk(0xB023, {scalarKey}),
                                TrackChunk(0xB024, {scalarKey})})})}));
    ASSERT_NE(scene.objects, nullptr);
    const VectorKey& p = scene.objects->positionTrack.keys.at(0);
    EXPECT_EQ(p.tension, 0.1f);
    EXPECT_EQ(p.continuity, 0.2f);
    EXPECT_EQ(p.bias, 0.3f);
    EXPECT_EQ(p.value.x, 1.0f);
    EXPECT_EQ(p.value.y, 3.0f);
    const VectorKey& s = scene.objects->scaleTrack.keys.at(0);
    EXPECT_EQ(s.value.z, 2.0f);
    const RotationKey& r = scene.objects->rotationTrack.keys.at(0);
    EXPECT_EQ(r.tension, 0.1f);
    EXPECT_EQ(r.bias, 0.3f);
    EXPECT_FLOAT_EQ(r.quaternion.x, std::sin(0.25f));
    EXPECT_FLOAT_EQ(r.quaternion.w, std::cos(0.25f));
    ASSERT_NE(scene.cameras, nullptr);
    const ScalarKey& fov = scene.cameras->fovTrack.keys.at(0);
    EXPECT_EQ(fov.value, 45.0f);
    EXPECT_EQ(fov.continuity, 0.2f);
    EXPECT_EQ(scene.cameras->rollTrack.keys.at(0).value, 45.0f);
}

TEST_F(KeyframerSection, RotationAboutFileZBecomesRotationAboutY) {
    const float halfPi = 1.5707964f;
    Load(File({MeshObject("Box", kTri, kFace, "M")},
              {Keyframer(0, 10,
                         {Node(0xB002, 0, "Box", 0xFFFF,
                               {TrackChunk(0xB021, {{0, {halfPi, 0, 0, 1}}})})})}));
    ASSERT_NE(scene.objects, nullptr);
    const auto& q = scene.objects->rotationTrack.keys.at(0).quaternion;
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_FLOAT_EQ(q.y, std::sin(halfPi / 2));
    EXPECT_EQ(q.z, 0.0f);
    EXPECT_FLOAT_EQ(q.w, std::cos(halfPi / 2));
}

TEST_F(KeyframerSection, AxisIsNotNormalised) {
    Load(File({MeshObject("Box", kTri, kFace, "M")},
              {Keyframer(0, 10,
                         {Node(0xB002, 0, "Box", 0xFFFF,
                               {TrackChunk(0xB021, {{0, {1.0f, 2, 0, 0}}})})})}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_FLOAT_EQ(scene.objects->rotationTrack.keys.at(0).quaternion.x, 2 * std::sin(0.5f));
}

TEST_F(KeyframerSection, NodeSetsNodeNumberParentAndPivot) {
    Load(File({MeshObject("Box", kTri, kFace, "M"), MeshObject("Lid", kTri, kFace, "M")},
              {Keyframer(
                  0, 10,
                  {Node(0xB002, 7, "Box", 0xFFFF, {Pivot(1, 2, 3)}), Node(0xB002, 9, "Lid", 7)})}));
    ASSERT_EQ(ListLength(scene.objects), 2);
    const SceneObject* box = scene.objects;
    EXPECT_EQ(box->nodeId, 7);
    EXPECT_EQ(box->parentId, -1);
    EXPECT_EQ(box->pivot[0], 1.0f);
    EXPECT_EQ(box->pivot[1], 3.0f);
    EXPECT_EQ(box->pivot[2], 2.0f);
    EXPECT_EQ(box->next->nodeId, 9);
    EXPECT_EQ(box->next->parentId, 7);
    EXPECT_NE(Log().find("Obj. parent ID: 65535 \n"), std::string::npos);
}

TEST_F(KeyframerSection, SecondNodeOfTheSameMeshReplacesTheFirstsValues) {
    Load(File({MeshObject("Box", kTri, kFace, "M")},
              {Keyframer(0, 10,
                         {Node(0xB002, 1, "Box", 0xFFFF, {PositionTrack({{0, {1, 1, 1}}})}),
                          Node(0xB002, 2, "Box", 1,
                               {PositionTrack({{0, {2, 2, 2}}, {5, {3, 3, 3}}})})})}));
    ASSERT_EQ(ListLength(scene.objects), 1);
    EXPECT_EQ(scene.objects->nodeId, 2);
    EXPECT_EQ(scene.objects->parentId, 1);
    ASSERT_EQ(scene.objects->positionTrack.keyCount, 2u);
    EXPECT_EQ(scene.objects->positionTrack.keys[0].value.x, 2.0f);
}

TEST_F(KeyframerSection, DummyNodeAddsOneObjectWithoutGeometry) {
    Load(File({MeshObject("Box", kTri, kFace, "M")},
              {Keyframer(
                  0, 10,
                  {Node(0xB002, 0, "$$$DUMMY", 0xFFFF, {Pivot(0, 0, 0)}), Node(0xB002, 1, "Box", 0),
                   Node(0xB002, 2, "$$$DUMMY", 0xFFFF, {PositionTrack({{0, {4, 5, 6}}})})})}));
    ASSERT_EQ(ListLength(scene.objects), 2);
    EXPECT_EQ(scene.objectCount, 1);
    const SceneObject* dummy = scene.objects->next;
    EXPECT_EQ(dummy->name.view(), "$$$DUMMY");
    EXPECT_EQ(dummy->prev, scene.objects);
    EXPECT_EQ(dummy->vertexCount, 0);
    EXPECT_EQ(dummy->faceCount, 0);
    EXPECT_TRUE(dummy->positions.empty());
    EXPECT_TRUE(dummy->faces.empty());
    EXPECT_EQ(dummy->nodeId, 2);
    EXPECT_EQ(dummy->positionTrack.keys.at(0).value.y, 6.0f);
    EXPECT_EQ(scene.objects->parentId, 0);
    EXPECT_EQ(dummy->isEmitter, 0u);
}

TEST_F(KeyframerSection, NoNodesAfterTheFrameRangeSetsOnlyTheFrames) {
    Load(File({MeshObject("Box", kTri, kFace, "M")}, {Keyframer(3, 250)}));
    EXPECT_EQ(scene.firstFrame, 3);
    EXPECT_EQ(scene.lastFrame, 250);
    ASSERT_EQ(ListLength(scene.objects), 1);
    EXPECT_EQ(scene.objects->parentId, 0);
    EXPECT_TRUE(err.empty()) << err;
}

TEST_F(KeyframerSection, CameraTargetNodeFollowsItsCameraNode) {
    Load(File(
        {Camera("CamA", {0, 0, 0}, {0, 1, 0}, 0, 35), Camera("CamB", {0, 0, 0}, {0, 1, 0}, 0, 35)},
        {Keyframer(0, 10,
                   {Node(0xB003, 0, "CamB", 0xFFFF,
                         {PositionTrack({{0, {1, 2, 3}}}), TrackChunk(0xB023, {{0, {50}}}),
                          TrackChunk(0xB024, {{0, {5}}})}),
                    Node(0xB004, 1, "CamB", 0xFFFF, {PositionTrack({{0, {7, 8, 9}}})}),
                    Node(0xB003, 2, "CamA", 0xFFFF,
                         {PositionTrack({{0, {4, 4, 4}}}), TrackChunk(0xB023, {{0, {60}}}),
                          TrackChunk(0xB024, {{0, {0}}})}),
                    Node(0xB004, 3, "ignored name", 0xFFFF, {PositionTrack({{0, {5, 5, 5}}})})})}));
    ASSERT_EQ(ListLength(scene.cameras), 2);
    const SceneCamera* a = scene.cameras;
    const SceneCamera* b = scene.cameras->next;
    EXPECT_EQ(b->positionTrack.keys.at(0).value.y, 3.0f);
    EXPECT_EQ(b->targetTrack.keys.at(0).value.y, 9.0f);
    EXPECT_EQ(b->fovTrack.keys.at(0).value, 50.0f);
    EXPECT_EQ(b->rollTrack.keys.at(0).value, 5.0f);
    EXPECT_EQ(a->targetTrack.keys.at(0).value.x, 5.0f);
    EXPECT_EQ(a->fovTrack.keys.at(0).value, 60.0f);
}

TEST_F(KeyframerSection, TargetNodeBeforeAnyCameraNodeUsesTheLastEditorCamera) {
    Load(File(
        {Camera("CamA", {0, 0, 0}, {0, 1, 0}, 0, 35), Camera("CamB", {0, 0, 0}, {0, 1, 0}, 0, 35)},
        {Keyframer(0, 10, {Node(0xB004, 1, "CamA", 0xFFFF, {PositionTrack({{0, {7, 8, 9}}})})})}));
    ASSERT_EQ(ListLength(scene.cameras), 2);
    EXPECT_EQ(scene.cameras->next->targetTrack.keys.at(0).value.x, 7.0f);
    // CamA's target track was never filled: it holds the editor target, file (0, 1, 0).
    EXPECT_EQ(scene.cameras->targetTrack.keys.at(0).value.z, 1.0f);
}

TEST_F(KeyframerSection, SpotLightTracksByPositionAndItsTargetNode) {
    Load(File(
        {SpotLight("SpotA", {0, 0, 0}, {1, 1, 1}, {0, 0, -1}, 20, 40),
         SpotLight("SpotB", {0, 0, 0}, {1, 1, 1}, {0, 0, -1}, 20, 40)},
        {Keyframer(
            0, 10,
            {Node(0xB007, 0, "SpotA", 0xFFFF,
                  {PositionTrack({{0, {1, 2, 3}}}), TrackChunk(0xB021, {{0, {0, 0, 0, 1}}}),
                   TrackChunk(0xB027, {{0, {30}}, {10, {35}}}), TrackChunk(0xB028, {{0, {50}}})}),
             Node(0xB006, 1, "SpotA", 0xFFFF, {PositionTrack({{0, {4, 5, 6}}})})})}));
    ASSERT_EQ(ListLength(scene.spotLights), 2);
    const SceneSpotLight* a = scene.spotLights;
    EXPECT_EQ(a->positionTrack.keys.at(0).value.y, 3.0f);
    EXPECT_EQ(a->hotspotTrack.keyCount, 2u);
    EXPECT_EQ(a->hotspotTrack.keys.at(1).value, 35.0f);
    EXPECT_EQ(a->falloffTrack.keys.at(0).value, 50.0f);
    EXPECT_EQ(a->targetTrack.keys.at(0).value.y, 6.0f);
    // SpotB has no node: its tracks hold the editor values.
    const SceneSpotLight* b = a->next;
    EXPECT_EQ(b->hotspotTrack.keys.at(0).value, 20.0f);
    EXPECT_EQ(b->targetTrack.keys.at(0).value.z, 0.0f);
    EXPECT_EQ(b->targetTrack.keys.at(0).value.y, -1.0f);
    const std::string log = Log();
    EXPECT_NE(log.find(" FRAME: 10 , hotspot: 35.000000 \n"), std::string::npos);
    EXPECT_NE(log.find(" FRAME: 0 , falloff: 50.000000 \n"), std::string::npos);
}

TEST_F(KeyframerSection, OmniNodeTakesItsColourTrackByPositionAndSearchesThePositionTrack) {
    Load(File({OmniLight("Lamp", {0, 0, 0}, {1, 1, 1})},
              {Keyframer(0, 10,
                         {Node(0xB005, 0, "Lamp", 0xFFFF,
                               {TrackChunk(0xB025, {{0, {1, 0, 0.5f}}}), Chunk(0xB029),
                                PositionTrack({{0, {7, 8, 9}}})})})}));
    ASSERT_NE(scene.omniLights, nullptr);
    const SceneLight* l = scene.omniLights;
    EXPECT_EQ(l->colourTrack.keys.at(0).value.x, 1.0f);
    EXPECT_EQ(l->colourTrack.keys.at(0).value.y, 0.5f);
    EXPECT_EQ(l->colourTrack.keys.at(0).value.z, 0.0f);
    EXPECT_EQ(l->positionTrack.keys.at(0).value.y, 9.0f);
    EXPECT_NE(Log().find("Light Chunk ID: b025 \n num_keys: 1 \n"), std::string::npos);
}

TEST_F(KeyframerSection, UnfilledTracksGetOneKeyWithTheLoadedValue) {
    Load(
        File({MeshObject("Box", kTri, kFace, "M"), OmniLight("Lamp", {1, 2, 3}, {0.1f, 0.2f, 0.3f}),
              Camera("Cam", {1, 2, 3}, {4, 5, 6}, 7, 35)},
             {Keyframer(0, 10)}));
    const SceneObject* o = scene.objects;
    ASSERT_NE(o, nullptr);
    ASSERT_EQ(o->positionTrack.keys.size(), 1u);
    EXPECT_EQ(o->positionTrack.keyCount, 1u);
    EXPECT_EQ(o->positionTrack.keys[0].value.x, 0.0f);
    EXPECT_EQ(o->scaleTrack.keys.at(0).value.y, 1.0f);
    EXPECT_EQ(o->rotationTrack.keys.at(0).quaternion.w, 1.0f);

    const SceneLight* l = scene.omniLights;
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->positionTrack.keys.at(0).value.y, 3.0f);
    // Colour keys carry red, blue, green like a colour track read from a file.
    EXPECT_EQ(l->colourTrack.keys.at(0).value.x, 0.1f);
    EXPECT_EQ(l->colourTrack.keys.at(0).value.y, 0.3f);
    EXPECT_EQ(l->colourTrack.keys.at(0).value.z, 0.2f);

    const SceneCamera* c = scene.cameras;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->positionTrack.keys.at(0).value.y, 3.0f);
    EXPECT_EQ(c->targetTrack.keys.at(0).value.y, 6.0f);
    EXPECT_EQ(c->rollTrack.keys.at(0).value, 7.0f);
    EXPECT_EQ(c->fovTrack.keys.at(0).value, 35.0f);
}

TEST_F(KeyframerSection, FirstChunkOtherThanTheEditorPassesTheKeyframerCheck) {
    // The version chunk comes first in every file the builder makes; no exit happens.
    Load(File({MeshObject("Box", kTri, kFace, "M")}, {Keyframer(0, 10)}));
    EXPECT_EQ(exitStatus(), -1);
    EXPECT_TRUE(out.empty());
}
