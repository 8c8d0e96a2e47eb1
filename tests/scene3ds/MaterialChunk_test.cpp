#include "SceneLoadFixture.h"

using namespace test3ds;

class MaterialChunk : public SceneLoadTest {};

TEST_F(MaterialChunk, ColoursAreBytesOver255AndShininessKeepsItsScale) {
    Load(File({MaterialNamed(
        "Stone", {ColourProperty(0xA010, 255, 0, 51), ColourProperty(0xA020, 102, 204, 255),
                  ColourProperty(0xA030, 1, 2, 3), PercentProperty(0xA040, 25),
                  PercentProperty(0xA041, 70), Chunk(0xA085)})}));
    ASSERT_EQ(ListLength(scene.materials), 1);
    const Material* m = scene.materials;
    EXPECT_EQ(m->name.view(), "Stone");
    EXPECT_FLOAT_EQ(m->ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(m->ambient[1], 0.0f);
    EXPECT_FLOAT_EQ(m->ambient[2], 0.2f);
    EXPECT_FLOAT_EQ(m->diffuse[0], 0.4f);
    EXPECT_FLOAT_EQ(m->diffuse[1], 0.8f);
    EXPECT_FLOAT_EQ(m->specular[2], 3 * 0.003921569f);
    EXPECT_EQ(m->shininess, 25.0f);
    EXPECT_FLOAT_EQ(m->shininessStrength, 0.7f);
    EXPECT_EQ(m->sphereMapped, 1u);
    EXPECT_EQ(m->transparent, 0u);
    EXPECT_EQ(m->opacity, 1.0f);
}

TEST_F(MaterialChunk, TransparencyFortyAndZero) {
    Load(File({MaterialNamed("Glass", {PercentProperty(0xA050, 40)}),
               MaterialNamed("Solid", {PercentProperty(0xA050, 0)})}));
    ASSERT_EQ(ListLength(scene.materials), 2);
    EXPECT_FLOAT_EQ(scene.materials->opacity, 0.6f);
    EXPECT_EQ(scene.materials->transparent, 1u);
    EXPECT_EQ(scene.materials->next->opacity, 1.0f);
    EXPECT_EQ(scene.materials->next->transparent, 0u);
}

TEST_F(MaterialChunk, MapExtensionsBecomeJpg) {
    Load(File({MaterialNamed("Rock", {MapProperty(0xA200, "ROCK.BMP")}),
               MaterialNamed("Wood", {MapProperty(0xA200, "wood.jpg")}),
               MaterialNamed(
                   "Leaf", {MapProperty(0xA200, "LEAF.TGA"), MapProperty(0xA210, "LEAFA.TGA")})}));
    ASSERT_EQ(ListLength(scene.materials), 3);
    EXPECT_EQ(Nth(scene.materials, 0)->textureName.view(), "ROCK.jpg");
    EXPECT_EQ(Nth(scene.materials, 0)->hasOpacityMap, 0u);
    EXPECT_EQ(Nth(scene.materials, 1)->textureName.view(), "wood.jpg");
    const Material* leaf = Nth(scene.materials, 2);
    EXPECT_EQ(leaf->textureName.view(), "LEAF.jpg");
    EXPECT_EQ(leaf->opacityMapName.view(), "LEAFA.jpg");
    EXPECT_EQ(leaf->hasOpacityMap, 1u);
    EXPECT_EQ(leaf->transparent, 1u);
    EXPECT_EQ(leaf->opacity, 1.0f);
    // The buffers are zero-filled past the name.
    for (size_t i = 8; i < 15; ++i) EXPECT_EQ(leaf->textureName.bytes()[i], '\0');
    EXPECT_TRUE(err.empty()) << err;
}

TEST_F(MaterialChunk, OpacityMapAfterTransparencyMakesTheMaterialOpaqueButBlended) {
    Load(
        File({MaterialNamed("Leaf", {PercentProperty(0xA050, 50), MapProperty(0xA210, "A.TGA")})}));
    ASSERT_NE(scene.materials, nullptr);
    EXPECT_EQ(scene.materials->opacity, 1.0f);
    EXPECT_EQ(scene.materials->transparent, 1u);
}

TEST_F(MaterialChunk, MissingPropertiesGiveZeroColoursAndFullOpacity) {
    Load(File({MaterialNamed("Bare")}));
    ASSERT_NE(scene.materials, nullptr);
    const Material* m = scene.materials;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m->ambient[i], 0.0f);
        EXPECT_EQ(m->diffuse[i], 0.0f);
        EXPECT_EQ(m->specular[i], 0.0f);
    }
    EXPECT_EQ(m->shininess, 0.0f);
    EXPECT_EQ(m->shininessStrength, 0.0f);
    EXPECT_EQ(m->opacity, 1.0f);
    EXPECT_FALSE(m->textureName.isSet());
    EXPECT_FALSE(m->opacityMapName.isSet());
}

TEST_F(MaterialChunk, IgnoredIdsDoNothing) {
    Load(File({MaterialNamed("M", {PercentProperty(0xA081, 1), PercentProperty(0xA084, 50),
                                   MapProperty(0xA220, "REFL.BMP")})}));
    ASSERT_NE(scene.materials, nullptr);
    EXPECT_FALSE(scene.materials->textureName.isSet());
    EXPECT_EQ(scene.materials->transparent, 0u);
    EXPECT_EQ(scene.materials->sphereMapped, 0u);
}
