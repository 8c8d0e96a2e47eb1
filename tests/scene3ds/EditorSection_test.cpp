#include "SceneLoadFixture.h"

using namespace test3ds;

namespace {

const std::vector<float> kQuad = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
const std::vector<uint16_t> kTwoFaces = {0, 1, 2, 0, 2, 3};

}  // namespace

class EditorSection : public SceneLoadTest {};

TEST_F(EditorSection, EmitterMeshWithFourVerticesTwoFacesAndAMaterialGroup) {
    Load(File({MeshObject("emitter1", kQuad, kTwoFaces, "Sparks")}));
    ASSERT_EQ(ListLength(scene.objects), 1);
    const SceneObject* o = scene.objects;
    EXPECT_EQ(o->name.view(), "emitter1");
    EXPECT_EQ(o->vertexCount, 4);
    EXPECT_EQ(o->faceCount, 2);
    EXPECT_EQ(o->isEmitter, 1u);
    EXPECT_EQ(scene.emitterCount, 1);
    EXPECT_EQ(scene.objectCount, 1);
    EXPECT_EQ(o->materialName.view(), "Sparks");
    EXPECT_EQ(o->faces, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(o->normals.size(), 12u);
    // Without a 0x4140 chunk the coordinates are the file's (x, z).
    ASSERT_EQ(o->texCoords.size(), 8u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(o->texCoords[2 * i], kQuad[3 * i]);
        EXPECT_EQ(o->texCoords[2 * i + 1], kQuad[3 * i + 2]);
    }
    EXPECT_TRUE(err.empty()) << err;
}

TEST_F(EditorSection, EmitterNeedsTheExactPrefixAndMoreThanSevenCharacters) {
    Load(File({MeshObject("emitter", kQuad, kTwoFaces, "M"),
               MeshObject("xemitter1", kQuad, kTwoFaces, "M"),
               MeshObject("Emitter12", kQuad, kTwoFaces, "M"),
               MeshObject("emitter42", kQuad, kTwoFaces, "M")}));
    ASSERT_EQ(ListLength(scene.objects), 4);
    EXPECT_EQ(Nth(scene.objects, 0)->isEmitter, 0u);
    EXPECT_EQ(Nth(scene.objects, 1)->isEmitter, 0u);
    EXPECT_EQ(Nth(scene.objects, 2)->isEmitter, 0u);
    EXPECT_EQ(Nth(scene.objects, 3)->isEmitter, 1u);
    EXPECT_EQ(scene.emitterCount, 1);
}

TEST_F(EditorSection, VerticesAreExchangedToYUp) {
    Load(File({MeshObject("Box", {1, 2, 3}, {}, "")}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->positions, (std::vector<float>{1, 3, 2}));
}

TEST_F(EditorSection, TextureCoordinateChunkReplacesThePlanarDefaultUnflipped) {
    Chunk uv(0x4140);
    uv.u16(4).floats({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f});
    Load(File({MeshObject("Box", kQuad, kTwoFaces, "M", {uv})}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->texCoords,
              (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f}));
}

TEST_F(EditorSection, LocalAxesWithOriginMoveVerticesIntoTheObjectFrame) {
    Chunk axes(0x4160);
    axes.floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 20, 30});
    Load(File({MeshObject("Box", {11, 22, 33}, {}, "", {axes})}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->positions, (std::vector<float>{1, 3, 2}));
}

TEST_F(EditorSection, LocalAxesRotatedFrameIsInvertedInYUpSpace) {
    // The object's file X axis points along file Y, its Y axis along −X: a quarter turn
    // about file z (the y-up frame's y). A vertex one unit along the object's X axis, placed
    // at file (0, 1, 0) from origin (5, 0, 0), must come out as local (1, 0, 0).
    Chunk axes(0x4160);
    axes.floats({0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 0, 0});
    Load(File({MeshObject("Box", {5, 1, 0, 5, 0, 2}, {}, "", {axes})}));
    ASSERT_NE(scene.objects, nullptr);
    const std::vector<float>& p = scene.objects->positions;
    ASSERT_EQ(p.size(), 6u);
    EXPECT_FLOAT_EQ(p[0], 1.0f);
    EXPECT_FLOAT_EQ(p[1], 0.0f);
    EXPECT_FLOAT_EQ(p[2], 0.0f);
    // File (5, 0, 2): two units up the object's Z axis, the y-up frame's y.
    EXPECT_FLOAT_EQ(p[3], 0.0f);
    EXPECT_FLOAT_EQ(p[4], 2.0f);
    EXPECT_FLOAT_EQ(p[5], 0.0f);
}

TEST_F(EditorSection, NodeNumbersCountMeshOneOmniOneCameraTwoSpotTwo) {
    Load(File({MeshObject("Box", kQuad, kTwoFaces, "M"), OmniLight("Lamp", {0, 0, 0}, {1, 1, 1}),
               Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35),
               SpotLight("Spot", {0, 0, 0}, {1, 1, 1}, {0, 0, -1}, 20, 40),
               OmniLight("Lamp2", {0, 0, 0}, {1, 1, 1})}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->nodeId, 0);
    EXPECT_EQ(scene.omniLights->nodeId, 1);
    EXPECT_EQ(scene.cameras->nodeId, 2);
    ASSERT_NE(scene.spotLights, nullptr);
    EXPECT_EQ(scene.spotLights->nodeId, 4);
    EXPECT_EQ(Nth(scene.omniLights, 1)->nodeId, 6);
    EXPECT_EQ(scene.omniLightCount, 2);
    EXPECT_EQ(scene.cameraCount, 1);
}

TEST_F(EditorSection, FifthNestedChunkDecidesSpotOrOmni) {
    // 0x4610 in fifth place: a spot light.
    Load(File({SpotLight("Spot", {1, 2, 3}, {1, 0.5f, 0}, {4, 5, 6}, 20, 40)}));
    ASSERT_NE(scene.spotLights, nullptr);
    EXPECT_EQ(scene.omniLights, nullptr);
    const SceneSpotLight* s = scene.spotLights;
    EXPECT_EQ(s->name.view(), "Spot");
    EXPECT_FLOAT_EQ(s->position[1], 3.0f);
    EXPECT_FLOAT_EQ(s->position[2], 2.0f);
    EXPECT_FLOAT_EQ(s->target[0], 4.0f);
    EXPECT_FLOAT_EQ(s->target[1], 6.0f);
    EXPECT_FLOAT_EQ(s->target[2], 5.0f);
    EXPECT_FLOAT_EQ(s->hotspot, 20.0f);
    EXPECT_FLOAT_EQ(s->falloff, 40.0f);
    // Colours are not exchanged.
    EXPECT_FLOAT_EQ(s->colour[1], 0.5f);
    EXPECT_FLOAT_EQ(s->colour[2], 0.0f);
    EXPECT_EQ(scene.omniLightCount, 0);

    // The same 0x4610 in fourth place: an omni light.
    Chunk light(0x4600);
    light.floats({1, 2, 3})
        .add(ColourFloat(1, 1, 1))
        .add(Chunk(0x4659).f32(0))
        .add(Chunk(0x465A).f32(0));
    light.add(Chunk(0x4610).floats({4, 5, 6, 20, 40}));
    Scene second;
    Load(File({Chunk(0x4000).str("Spot").add(light)}), &second);
    EXPECT_EQ(second.spotLights, nullptr);
    ASSERT_NE(second.omniLights, nullptr);
    EXPECT_EQ(second.omniLightCount, 1);
}

TEST_F(EditorSection, FlareNeedsLowerCaseFlrPrefix) {
    Load(File({OmniLight("flr01", {1, 2, 3}, {0.5f, 0.25f, 1}),
               OmniLight("Flr02", {0, 0, 0}, {1, 1, 1}), OmniLight("flr", {0, 0, 0}, {1, 1, 1})}));
    ASSERT_EQ(ListLength(scene.omniLights), 3);
    const SceneLight* flare = scene.omniLights;
    EXPECT_EQ(flare->isFlare, 1u);
    EXPECT_EQ(Nth(scene.omniLights, 1)->isFlare, 0u);
    EXPECT_EQ(Nth(scene.omniLights, 2)->isFlare, 1u);
    EXPECT_FLOAT_EQ(flare->position[0], 1.0f);
    EXPECT_FLOAT_EQ(flare->position[1], 3.0f);
    EXPECT_FLOAT_EQ(flare->position[2], 2.0f);
    EXPECT_FLOAT_EQ(flare->colour[0], 0.5f);
    EXPECT_FLOAT_EQ(flare->colour[1], 0.25f);
    EXPECT_FLOAT_EQ(flare->colour[2], 1.0f);
}

TEST_F(EditorSection, CameraKeepsPositionTargetRollAndLens) {
    Load(File({Camera("Camera01", {1, 2, 3}, {4, 5, 6}, 7, 35)}));
    ASSERT_NE(scene.cameras, nullptr);
    const SceneCamera* c = scene.cameras;
    EXPECT_EQ(c->name.view(), "Camera01");
    EXPECT_EQ(c->position[0], 1.0f);
    EXPECT_EQ(c->position[1], 3.0f);
    EXPECT_EQ(c->position[2], 2.0f);
    EXPECT_EQ(c->target[0], 4.0f);
    EXPECT_EQ(c->target[1], 6.0f);
    EXPECT_EQ(c->target[2], 5.0f);
    EXPECT_EQ(c->roll, 7.0f);
    EXPECT_EQ(c->fov, 35.0f);
}

TEST_F(EditorSection, OnlyTheChunkRightAfterTheNameDecidesTheKind) {
    Chunk unknown(0x4000);
    unknown.str("Odd").add(Chunk(0x4010)).add(Chunk(0x4100).add(Chunk(0x4110).u16(0)));
    Load(File({unknown, MeshObject("Box", kQuad, kTwoFaces, "M")}));
    ASSERT_EQ(ListLength(scene.objects), 1);
    EXPECT_EQ(scene.objects->name.view(), "Box");
    // Nothing was created, so nothing took a node number.
    EXPECT_EQ(scene.objects->nodeId, 0);
    EXPECT_TRUE(err.empty()) << err;
}

TEST_F(EditorSection, OnlyAMaterialGroupRightAfterTheFacesCounts) {
    Chunk faces(0x4120);
    faces.u16(1).u16(0).u16(1).u16(2).u16(0);
    faces.add(Chunk(0x4150).u32(1));
    faces.add(Chunk(0x4130).str("Late").u16(0));
    Chunk mesh(0x4100);
    mesh.add(Chunk(0x4110).u16(3).floats({0, 0, 0, 1, 0, 0, 0, 1, 0})).add(faces);
    Load(File({Chunk(0x4000).str("Box").add(mesh)}));
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_FALSE(scene.objects->materialName.isSet());
    EXPECT_EQ(scene.objects->faceCount, 1);
}

TEST_F(EditorSection, RecordsAppearInFileOrderWithPrevLinks) {
    Load(File({MeshObject("A", kQuad, kTwoFaces, "M"), MeshObject("B", kQuad, kTwoFaces, "M"),
               Camera("C1", {0, 0, 0}, {0, 1, 0}, 0, 35),
               Camera("C2", {0, 0, 0}, {0, 1, 0}, 0, 35)}));
    ASSERT_EQ(ListLength(scene.objects), 2);
    EXPECT_EQ(scene.objects->next->name.view(), "B");
    EXPECT_EQ(scene.objects->next->prev, scene.objects);
    ASSERT_EQ(ListLength(scene.cameras), 2);
    EXPECT_EQ(scene.cameras->next->name.view(), "C2");
    EXPECT_EQ(scene.cameras->next->prev, scene.cameras);
}
