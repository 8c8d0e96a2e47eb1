#include <gtest/gtest.h>
#include <cstddef>

#include "scene3ds/SceneModel.h"

using scene3ds::SceneName;

TEST(SceneName, KeepsAtMostFourteenCharactersInAZeroFilledBuffer) {
    const SceneName shortName("Box01");
    EXPECT_TRUE(shortName.isSet());
    EXPECT_EQ(shortName.view(), "Box01");
    EXPECT_EQ(shortName.bytes().size(), 15u);
    for (size_t i = 5; i < 15; ++i) EXPECT_EQ(shortName.bytes()[i], '\0');

    const SceneName longName("ABCDEFGHIJKLMNOPQ");
    EXPECT_EQ(longName.view(), "ABCDEFGHIJKLMN");
    EXPECT_EQ(longName.bytes()[14], '\0');
    EXPECT_TRUE(SceneName::WouldTruncate("ABCDEFGHIJKLMNO"));
    EXPECT_FALSE(SceneName::WouldTruncate("ABCDEFGHIJKLMN"));
}

TEST(SceneName, UnsetNameEqualsNothingNotEvenTheEmptyName) {
    const SceneName none;
    EXPECT_FALSE(none.isSet());
    EXPECT_STREQ(none.c_str(), "");
    EXPECT_FALSE(none == "");
    EXPECT_FALSE(none == none);
    EXPECT_TRUE(SceneName("") == "");
}

TEST(SceneName, PrefixComparisonIsCaseSensitive) {
    EXPECT_TRUE(SceneName("flr01").startsWith("flr"));
    EXPECT_FALSE(SceneName("Flr01").startsWith("flr"));
    EXPECT_FALSE(SceneName("fl").startsWith("flr"));
}

TEST(SceneRecords, ConstructedTracksHoldOneKeyCountAndNoKeys) {
    SceneObject object;
    EXPECT_EQ(object.positionTrack.keyCount, 1u);
    EXPECT_FALSE(object.positionTrack.filled());
    EXPECT_EQ(object.rotationTrack.keyCount, 1u);
    EXPECT_FALSE(object.rotationTrack.filled());
    SceneCamera camera;
    EXPECT_EQ(camera.fovTrack.keyCount, 1u);
    EXPECT_FALSE(camera.fovTrack.filled());
}

TEST(SceneRecords, DefaultsOfLightsAndMaterials) {
    SceneLight omni;
    EXPECT_FLOAT_EQ(omni.colour[0], 1.0f);
    EXPECT_FLOAT_EQ(omni.attenuation[0], 1.0f);
    EXPECT_FLOAT_EQ(omni.attenuation[1], 0.1f);
    EXPECT_FLOAT_EQ(omni.attenuation[2], 0.0f);
    SceneSpotLight spot;
    EXPECT_FLOAT_EQ(spot.attenuation[1], 0.1f);
    Material material;
    EXPECT_FLOAT_EQ(material.opacity, 1.0f);
    EXPECT_FLOAT_EQ(material.diffuse[1], 0.0f);
    EXPECT_EQ(material.transparent, 0u);
    EXPECT_FALSE(material.textureName.isSet());
}

TEST(SceneRecords, KeyLayoutsAreTheFileFloatLayouts) {
    EXPECT_EQ(offsetof(VectorKey, inTangent), 16u);
    EXPECT_EQ(offsetof(VectorKey, tension), 40u);
    EXPECT_EQ(offsetof(ScalarKey, tension), 16u);
    EXPECT_EQ(offsetof(RotationKey, quaternion), 4u);
    EXPECT_EQ(offsetof(RotationKey, tension), 52u);
}

TEST(SceneLists, AppendKeepsFileOrderAndLinksBothWays) {
    Scene scene;
    auto* a = new SceneObject;
    auto* b = new SceneObject;
    auto* c = new SceneObject;
    scene3ds::Append(scene, a);
    scene3ds::Append(scene, b);
    scene3ds::Append(scene, c);
    EXPECT_EQ(scene.objects, a);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->next, c);
    EXPECT_EQ(c->prev, b);
    EXPECT_EQ(b->prev, a);
    EXPECT_EQ(a->prev, nullptr);
    EXPECT_EQ(c->next, nullptr);
}

TEST(SceneLists, MaterialLookupTakesTheLastMatchOrElseTheFirstMaterial) {
    Scene scene;
    const char* names[] = {"Stone", "Wood", "Stone"};
    Material* made[3];
    for (int i = 0; i < 3; ++i) {
        made[i] = new Material;
        made[i]->name = SceneName(names[i]);
        scene3ds::Append(scene, made[i]);
    }
    EXPECT_EQ(scene3ds::ResolveMaterial(scene, SceneName("Stone")), made[2]);
    EXPECT_EQ(scene3ds::ResolveMaterial(scene, SceneName("Wood")), made[1]);
    EXPECT_EQ(scene3ds::ResolveMaterial(scene, SceneName("Glass")), made[0]);
    EXPECT_EQ(scene3ds::ResolveMaterial(scene, SceneName()), nullptr);

    Scene empty;
    EXPECT_EQ(scene3ds::ResolveMaterial(empty, SceneName("Stone")), nullptr);
}
