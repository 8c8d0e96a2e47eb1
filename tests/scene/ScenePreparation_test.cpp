#include "scene/ScenePreparation.h"

#include <gmock/gmock.h>

#include "PreparedSceneFixture.h"
#include "scene/Emitters.h"
#include "support/ImageFiles.h"

using namespace test3ds;
using namespace scenetest;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

class ScenePreparation : public PreparedSceneTest {};

TEST_F(ScenePreparation, MaterialPicturesComeFromThePrefixedEntryIntoTheManagedPool) {
    entries["scene3\\wood.jpg"] = SmallJpeg();
    entries["scene3\\leaf.jpg"] = SmallJpeg();
    LoadAndPrepare(File(
        {MaterialNamed("Wood", {MapProperty(0xA200, "wood.bmp"), MapProperty(0xA210, "leaf.tga")}),
         MeshObject("Box", kTri, kFace, "Wood")},
        {Keyframer(0, 100, {ObjectNode(0, "Box")})}));
    const Material* m = scene.materials;
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->texture, nullptr);
    EXPECT_EQ(m->texture->pool(), D3DPOOL_MANAGED);
    ASSERT_NE(m->opacityTexture, nullptr);
    EXPECT_EQ(m->opacityTexture->pool(), D3DPOOL_MANAGED);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(ScenePreparation, MissingPicturesGiveMessageBoxesCaptionedWithTheEntry) {
    LoadAndPrepare(File(
        {MaterialNamed("Wood", {MapProperty(0xA200, "wood.jpg"), MapProperty(0xA210, "mask.jpg")}),
         MeshObject("Box", kTri, kFace, "Wood")},
        {Keyframer(0, 100, {ObjectNode(0, "Box")})}));
    EXPECT_EQ(scene.materials->texture, nullptr);
    EXPECT_EQ(scene.materials->opacityTexture, nullptr);
    EXPECT_THAT(reports.reports, Contains("scene3\\wood.jpg: TextureError!!!!"));
    EXPECT_THAT(reports.reports, Contains("scene3\\mask.jpg: OpacityError!!!!"));
    // The scene is still prepared: the object has its buffers and is visible.
    EXPECT_NE(scene.objects->vertexBuffer, nullptr);
    EXPECT_EQ(scene.objects->visible, 1u);
}

TEST_F(ScenePreparation, OpacityMapTakesItsAlphaFromBlueInEveryLevel) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device.CreateTexture(4, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 3u);
    for (UINT level = 0; level < 3; ++level) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(tex->LockRect(level, &lr, nullptr, 0), D3D_OK);
        D3DSURFACE_DESC d;
        tex->GetLevelDesc(level, &d);
        for (UINT y = 0; y < d.Height; ++y)
            for (UINT x = 0; x < d.Width; ++x) {
                uint8_t* p = static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + 4 * x;
                p[0] = 200, p[1] = 10, p[2] = 10, p[3] = 255;  // blue, green, red, alpha
            }
        tex->UnlockRect(level);
    }
    scene::AlphaFromBlue(*tex);
    for (UINT level = 0; level < 3; ++level) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        D3DSURFACE_DESC d;
        tex->GetLevelDesc(level, &d);
        for (UINT y = 0; y < d.Height; ++y)
            for (UINT x = 0; x < d.Width; ++x) {
                const uint8_t* p = static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch + 4 * x;
                EXPECT_THAT(std::vector<int>(p, p + 4), ElementsAre(200, 10, 10, 200))
                    << "level " << level << " at " << x << "," << y;
            }
        tex->UnlockRect(level);
    }
}

TEST_F(ScenePreparation, OpacityLevelThatCannotBeLockedIsReportedAndSkipped) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device.CreateTexture(2, 2, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    D3DLOCKED_RECT held;
    ASSERT_EQ(tex->LockRect(0, &held, nullptr, 0), D3D_OK);  // level 0 is busy
    static_cast<uint8_t*>(held.pBits)[0] = 77;
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(1, &lr, nullptr, 0), D3D_OK);
    static_cast<uint8_t*>(lr.pBits)[0] = 99;
    tex->UnlockRect(1);

    scene::AlphaFromBlue(*tex);
    EXPECT_THAT(reports.reports, ElementsAre("Error!!!!: Error!!!!"));
    EXPECT_EQ(static_cast<uint8_t*>(held.pBits)[3], 0);  // untouched
    tex->UnlockRect(0);
    ASSERT_EQ(tex->LockRect(1, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(lr.pBits)[3], 99);  // the next level was still done
    tex->UnlockRect(1);
}

TEST_F(ScenePreparation, MaterialBindingLastMatchWinsAndNoMatchTakesTheFirst) {
    LoadAndPrepare(
        File({MaterialNamed("First"), MaterialNamed("Gold"), MaterialNamed("Gold"),
              MeshObject("A", kTri, kFace, "Gold"), MeshObject("B", kTri, kFace, "None")},
             {Keyframer(0, 100, {ObjectNode(0, "A"), ObjectNode(1, "B")})}));
    EXPECT_EQ(scene.objects->material, Nth(scene.materials, 2));
    EXPECT_EQ(scene.objects->next->material, scene.materials);
}

TEST_F(ScenePreparation, SurfaceIsBuiltFromTheMaterial) {
    LoadAndPrepare(File(
        {MaterialNamed("M", {ColourProperty(0xA010, 255, 0, 0), ColourProperty(0xA020, 0, 255, 0),
                             ColourProperty(0xA030, 0, 0, 255), PercentProperty(0xA040, 40),
                             PercentProperty(0xA041, 20), PercentProperty(0xA050, 25)}),
         MeshObject("Box", kTri, kFace, "M")},
        {Keyframer(0, 100, {ObjectNode(0, "Box")})}));
    const D3DMATERIAL8& s = scene.objects->surface;
    EXPECT_FLOAT_EQ(s.Diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(s.Diffuse.a, 0.75f);
    EXPECT_FLOAT_EQ(s.Ambient.r, 0.4f);
    EXPECT_FLOAT_EQ(s.Ambient.a, 0.75f);
    EXPECT_FLOAT_EQ(s.Specular.b, 2.5f * 0.2f);
    EXPECT_FLOAT_EQ(s.Specular.a, 1.0f);
    EXPECT_EQ(s.Emissive.r, 0.0f);
    EXPECT_EQ(s.Emissive.a, 0.0f);
    EXPECT_FLOAT_EQ(s.Power, 40.0f);
}

TEST_F(ScenePreparation, ObjectWithoutMaterialGetsANeutralGreySurface) {
    LoadAndPrepare(
        File({MeshObject("Box", kTri, kFace)}, {Keyframer(0, 100, {ObjectNode(0, "Box")})}));
    const SceneObject& o = *scene.objects;
    EXPECT_EQ(o.material, nullptr);
    EXPECT_FLOAT_EQ(o.surface.Diffuse.r, 0.6f);
    EXPECT_FLOAT_EQ(o.surface.Diffuse.a, 1.0f);
    EXPECT_EQ(o.surface.Specular.r, 0.0f);
    EXPECT_EQ(o.visible, 1u);
    // And it is drawn, untextured, in the opaque pass.
    device.clearCalls();
    Draw();
    EXPECT_NE(device.find("SetTexture(0, null)"), -1);
    EXPECT_NE(device.find("DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)"), -1);
}

TEST_F(ScenePreparation, BoundsAlwaysHoldTheOrigin) {
    LoadAndPrepare(File({MeshObject("Box", {2, 1, 3, 5, 2, 4, 3, 1.5f, 3.5f}, kFace, "")},
                        {Keyframer(0, 100, {ObjectNode(0, "Box")})}));
    const SceneObject& o = *scene.objects;
    // File (x, y, z) is stored as (x, z, y).
    EXPECT_THAT(o.boundsMin, ElementsAre(0.0f, 0.0f, 0.0f));
    EXPECT_THAT(o.boundsMax, ElementsAre(5.0f, 4.0f, 2.0f));
    EXPECT_THAT(o.boundsCentre, ElementsAre(0.0f, 0.0f, 0.0f));
    EXPECT_THAT(o.boundsCorners[0], ElementsAre(0.0f, 0.0f, 0.0f));
    EXPECT_THAT(o.boundsCorners[2], ElementsAre(5.0f, 0.0f, 2.0f));
    EXPECT_THAT(o.boundsCorners[7], ElementsAre(0.0f, 4.0f, 2.0f));
}

TEST_F(ScenePreparation, VertexBufferHoldsPositionsLessPivotNormalsAndTexCoords) {
    entries["Nrm\\Box.nrm"] = FloatBytes({0, 0, -1, 1, 0, 0, 0, 1, 0});
    LoadAndPrepare(File({MeshObject("Box", kTri, kFace, "")},
                        {Keyframer(0, 100, {ObjectNode(0, "Box", 0xFFFF, {Pivot(1, 0, 0)})})}));
    const SceneObject& o = *scene.objects;
    ASSERT_NE(o.vertexBuffer, nullptr);
    ASSERT_EQ(o.vertexBuffer->size(), 3u * 32);
    const float* v = reinterpret_cast<const float*>(o.vertexBuffer->data());
    EXPECT_THAT(std::vector<float>(v + 8, v + 14), ElementsAre(0, 0, 0, 1, 0, 0));
    ASSERT_NE(o.indexBuffer, nullptr);
    EXPECT_EQ(o.indexBuffer->size(), 6u);
}

TEST_F(ScenePreparation, StaticFlagRestMatrixAndFrameZeroWorld) {
    LoadAndPrepare(
        File({MeshObject("Still", kTri, kFace, ""), MeshObject("Moving", kTri, kFace, "")},
             {Keyframer(0, 100,
                        {ObjectNode(0, "Still", 0xFFFF, {TrackChunk(0xB020, {{0, {5, 6, 7}}})}),
                         ObjectNode(1, "Moving", 0xFFFF,
                                    {TrackChunk(0xB020, {{0, {0, 0, 0}}, {10, {10, 0, 0}}})})})}));
    const SceneObject& still = *scene.objects;
    const SceneObject& moving = *scene.objects->next;
    EXPECT_EQ(still.isStatic, 1u);
    EXPECT_EQ(moving.isStatic, 0u);
    EXPECT_EQ(still.worldMatrix.m[3][0], 5.0f);
    EXPECT_EQ(still.worldMatrix.m[3][1], 7.0f);
    EXPECT_EQ(still.worldMatrix.m[3][2], 6.0f);
    EXPECT_EQ(D3DXMATRIX(still.restMatrix), D3DXMATRIX(still.worldMatrix));
}

TEST_F(ScenePreparation, HierarchyDepthIsOnePassAndSetsTheProgramWideMaximum) {
    // Listed grandchild, child, root: when the child hands on its depth it still has 0 (the
    // root's turn comes later), so the grandchild gets depth 1 instead of 2.
    LoadAndPrepare(File({MeshObject("Grand", kTri, kFace, ""), MeshObject("Child", kTri, kFace, ""),
                         MeshObject("Root", kTri, kFace, "")},
                        {Keyframer(0, 100,
                                   {ObjectNode(2, "Root"), ObjectNode(1, "Child", 2),
                                    ObjectNode(0, "Grand", 1)})}));
    const SceneObject* grand = FindObject(scene, scene3ds::SceneName("Grand"));
    const SceneObject* child = FindObject(scene, scene3ds::SceneName("Child"));
    const SceneObject* root = FindObject(scene, scene3ds::SceneName("Root"));
    EXPECT_EQ(root->depth, 0);
    EXPECT_EQ(child->depth, 1);
    EXPECT_EQ(grand->depth, 1);
    EXPECT_EQ(scene::MaxHierarchyDepth, 1);
}

TEST_F(ScenePreparation, ParentsListedFirstGiveGrandchildrenDepthTwoAndTheLastSceneSetsTheMaximum) {
    LoadAndPrepare(File({MeshObject("Root", kTri, kFace, ""), MeshObject("Child", kTri, kFace, ""),
                         MeshObject("Grand", kTri, kFace, "")},
                        {Keyframer(0, 100,
                                   {ObjectNode(0, "Root"), ObjectNode(1, "Child", 0),
                                    ObjectNode(2, "Grand", 1)})}));
    EXPECT_EQ(Nth(scene.objects, 2)->depth, 2);
    EXPECT_EQ(scene::MaxHierarchyDepth, 2);

    Scene flat;
    LoadAndPrepare(
        File({MeshObject("Alone", kTri, kFace, "")}, {Keyframer(0, 100, {ObjectNode(0, "Alone")})}),
        &flat);
    EXPECT_EQ(scene::MaxHierarchyDepth, 0);
}

TEST_F(ScenePreparation, OmniLightsSkipFlaresAndTakeConsecutiveIndices) {
    LoadAndPrepare(File({OmniLight("First", {1, 2, 3}, {1, 0, 0}),
                         OmniLight("flrMiddle", {4, 5, 6}, {0, 1, 0}),
                         OmniLight("Third", {7, 8, 9}, {0, 0, 1}),
                         SpotLight("Spot", {0, 0, 0}, {1, 1, 1}, {0, 0, -10}, 20, 40)}));
    EXPECT_EQ(scene.flareCount, 1);
    const auto lights = device.callsNamed("SetLight");
    ASSERT_EQ(lights.size(), 3u);
    EXPECT_EQ(lights[0].args[0], "0");
    EXPECT_EQ(lights[1].args[0], "1");
    EXPECT_EQ(lights[1].floats[12], 7.0f);  // position x of "Third"
    EXPECT_EQ(lights[2].args[0], "2");
    EXPECT_EQ(lights[2].args[1], std::to_string(D3DLIGHT_SPOT));
    // Constructed attenuation (1, 0.1, 0) at preparation.
    EXPECT_FLOAT_EQ(lights[0].floats[20], 1.0f);
    EXPECT_FLOAT_EQ(lights[0].floats[21], 0.1f);
    EXPECT_NE(device.find("LightEnable(2, TRUE)"), -1);

    ASSERT_NE(scene.flareVertexBuffer, nullptr);
    ASSERT_EQ(scene.flareVertexBuffer->size(), 16u);
    const float* v = reinterpret_cast<const float*>(scene.flareVertexBuffer->data());
    EXPECT_THAT(std::vector<float>(v, v + 3), ElementsAre(4, 6, 5));
    uint32_t colour;
    std::memcpy(&colour, v + 3, 4);
    EXPECT_EQ(colour, 0xFFFFFFFFu);
}

TEST_F(ScenePreparation, SceneWithoutFlaresAsksForAnEmptyFlareBuffer) {
    LoadAndPrepare(File({OmniLight("Lamp", {1, 2, 3}, {1, 1, 1})}));
    EXPECT_EQ(scene.flareCount, 0);
    EXPECT_NE(device.find("CreateVertexBuffer(0, 0x0, 0x42, 1) -> vb#" +
                          std::to_string(scene.flareVertexBuffer->serial())),
              -1)
        << testing::PrintToString(device.callStrings());
}

TEST_F(ScenePreparation, FlareTextureComesFromTheFileSystem) {
    testsupport::WriteBytes(
        dir.file("point.bmp"),
        testimg::MakeBmp(testimg::MakeArgb(8, 8, [](uint32_t, uint32_t) { return 0xFFFFFFFFu; })));
    LoadAndPrepare(File({OmniLight("flrA", {1, 2, 3}, {1, 1, 1})}));
    ASSERT_NE(scene.flareTexture, nullptr);
    EXPECT_EQ(scene.flareTexture->width(), 8u);
}

TEST_F(ScenePreparation, CamerasAreSampledAtFrameZero) {
    LoadAndPrepare(File(
        {Camera("Cam", {1, 2, 3}, {4, 5, 6}, 0, 45)},
        {Keyframer(
            0, 100,
            {test3ds::Node(0xB003, 0, "Cam", 0xFFFF,
                           {TrackChunk(0xB020, {{0, {10, 20, 30}}, {10, {0, 0, 0}}}),
                            TrackChunk(0xB023, {{0, {44}}}), TrackChunk(0xB024, {{0, {5}}})})})}));
    const SceneCamera& c = *scene.cameras;
    EXPECT_THAT(c.position, ElementsAre(10, 30, 20));
    EXPECT_EQ(c.fov, 44.0f);
    EXPECT_EQ(c.roll, 5.0f);
}

TEST_F(ScenePreparation, EmitterObjectsBecomeRecordsInObjectOrder) {
    entries["scene3\\emitter01.bin"] = EmitterFile{}.bytes();
    EmitterFile second;
    second.count = 7;
    entries["scene3\\emitter02.bin"] = second.bytes();
    entries["scene3\\spark.jpg"] = SmallJpeg();
    LoadAndPrepare(
        File({MeshObject("emitter01", kTri, kFace, ""), MeshObject("Box", kTri, kFace, ""),
              MeshObject("emitter02", kTri, kFace, "")},
             {Keyframer(
                 0, 100,
                 {ObjectNode(0, "emitter01"), ObjectNode(1, "Box"), ObjectNode(2, "emitter02")})}));
    ASSERT_EQ(scene.emitterCount, 2);
    ASSERT_NE(scene.emitters, nullptr);
    EXPECT_EQ(scene.emitters[0].object, scene.objects);
    EXPECT_EQ(scene.emitters[0].particleCount, 4u);
    EXPECT_EQ(scene.emitters[0].pathPrefix, "scene3\\");
    EXPECT_EQ(scene.emitters[1].object, Nth(scene.objects, 2));
    EXPECT_EQ(scene.emitters[1].particleCount, 7u);
    EXPECT_NE(scene.emitters[1].texture, nullptr);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(ScenePreparation, MissingNormalsEntryIsReportedByThePackAndLeavesZeroNormals) {
    entries["Nrm\\Box.nrm"] = FloatBytes({});
    LoadAndPrepare(
        File({MeshObject("Box", kTri, kFace, "")}, {Keyframer(0, 100, {ObjectNode(0, "Box")})}));
    EXPECT_THAT(err, HasSubstr("Nrm\\Box.nrm"));
    EXPECT_THAT(scene.objects->normals, ElementsAre(0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_NE(scene.objects->vertexBuffer, nullptr);
}

}  // namespace
