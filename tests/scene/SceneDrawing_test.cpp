#include "scene/SceneDrawing.h"

#include <gmock/gmock.h>

#include <cmath>

#include "PreparedSceneFixture.h"
#include "scene/Emitters.h"
#include "scene/SceneLights.h"

using namespace test3ds;
using namespace scenetest;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

std::string Stream(const SceneObject* o) {
    return "SetStreamSource(0, vb#" + std::to_string(o->vertexBuffer->serial()) + ", 32)";
}

class SceneDrawing : public PreparedSceneTest {
  protected:
    // Glass (opacity map), Solid, emitter01, Clear (transparent, no map), Hidden, Last.
    void PrepareMixedScene() {
        entries["scene3\\glass.jpg"] = SmallJpeg(0xFFC0C0C0u);
        entries["scene3\\mask.jpg"] = SmallJpeg(0xFFC0C0C0u);
        entries["scene3\\spark.jpg"] = SmallJpeg(0xFFC0C0C0u);
        entries["scene3\\emitter01.bin"] = EmitterFile{}.bytes();
        LoadAndPrepare(File(
            {MaterialNamed("Plain"),
             MaterialNamed("Glass",
                           {MapProperty(0xA200, "glass.jpg"), MapProperty(0xA210, "mask.jpg")}),
             MaterialNamed("Clear", {PercentProperty(0xA050, 50)}),
             MeshObject("Glass", kTri, kFace, "Glass"), MeshObject("Solid", kTri, kFace, "Plain"),
             MeshObject("emitter01", kTri, kFace, "Plain"),
             MeshObject("Clear", kTri, kFace, "Clear"), MeshObject("Hidden", kTri, kFace, "Plain"),
             MeshObject("Last", kTri, kFace, "Plain"),
             Camera("Cam", {0, 0, -10}, {0, 0, 0}, 0, 44)},
            {Keyframer(0, 100,
                       {ObjectNode(0, "Glass"), ObjectNode(1, "Solid"), ObjectNode(2, "emitter01"),
                        ObjectNode(3, "Clear"), ObjectNode(4, "Hidden"), ObjectNode(5, "Last")})}));
        glass = FindObject(scene, scene3ds::SceneName("Glass"));
        solid = FindObject(scene, scene3ds::SceneName("Solid"));
        clear = FindObject(scene, scene3ds::SceneName("Clear"));
        hidden = FindObject(scene, scene3ds::SceneName("Hidden"));
        last = FindObject(scene, scene3ds::SceneName("Last"));
        hidden->visible = 0;
        scene.ambientColor = 0x00B78832;
        scene::SelectCamera(scene, 1);
        Update(150);
        device.clearCalls();
    }

    SceneObject *glass = nullptr, *solid = nullptr, *clear = nullptr, *hidden = nullptr,
                *last = nullptr;
};

TEST_F(SceneDrawing, OpaqueObjectsThenTransparentOnesThenEmitters) {
    PrepareMixedScene();
    Draw();
    std::vector<std::string> draws;
    for (const std::string& call : device.callStrings()) {
        if (call.rfind("SetStreamSource", 0) == 0 || call.rfind("DrawPrimitive", 0) == 0)
            draws.push_back(call);
    }
    const std::string emitter = "SetStreamSource(0, vb#" +
                                std::to_string(scene.emitters[0].vertexBuffer->serial()) + ", 16)";
    EXPECT_THAT(draws, ElementsAre(Stream(solid), Stream(last), Stream(glass), Stream(clear),
                                   emitter, "DrawPrimitive(D3DPT_POINTLIST, 0, 4)"));
    const int transparentPass = device.find("SetRenderState(D3DRS_ZWRITEENABLE, 0)");
    EXPECT_GT(transparentPass, device.find(Stream(last)));
    EXPECT_LT(transparentPass, device.find(Stream(glass)));
}

TEST_F(SceneDrawing, OpeningStatesComeFromTheScene) {
    PrepareMixedScene();
    scene.fogEnable = 1;
    scene.fogColor = 0x0014140A;
    scene.fogDensity = 0.0005f;
    Draw();
    const std::vector<std::string> calls = device.callStrings();
    ASSERT_GE(calls.size(), 15u);
    EXPECT_THAT(
        std::vector<std::string>(calls.begin(), calls.begin() + 15),
        ElementsAre(
            "SetRenderState(D3DRS_FOGENABLE, 1)", "SetRenderState(D3DRS_FOGCOLOR, 0x0014140A)",
            "SetRenderState(D3DRS_FOGVERTEXMODE, 0)", "SetRenderState(D3DRS_FOGTABLEMODE, 1)",
            "SetRenderState(D3DRS_FOGDENSITY, 0.0005)", "SetRenderState(D3DRS_ZWRITEENABLE, 1)",
            "SetRenderState(D3DRS_AMBIENT, 0x00B78832)",
            "SetTextureStageState(0, D3DTSS_ADDRESSU, 1)",
            "SetTextureStageState(0, D3DTSS_ADDRESSV, 1)",
            "SetTextureStageState(0, D3DTSS_ADDRESSW, 1)",
            "SetTextureStageState(1, D3DTSS_ADDRESSU, 1)",
            "SetTextureStageState(1, D3DTSS_ADDRESSV, 1)",
            "SetTextureStageState(1, D3DTSS_ADDRESSW, 1)", "SetPixelShader(0)", "SetMaterial()"));
}

TEST_F(SceneDrawing, OpaqueObjectSequence) {
    PrepareMixedScene();
    Draw();
    const int at = device.find(Stream(solid));
    ASSERT_GE(at, 5);
    const std::vector<std::string> calls = device.callStrings();
    EXPECT_THAT(
        std::vector<std::string>(calls.begin() + at - 5, calls.begin() + at + 1),
        ElementsAre("SetMaterial()", "SetTransform(D3DTS_WORLD)", "SetTexture(0, null)",
                    "SetVertexShader(0x112)",
                    "SetIndices(ib#" + std::to_string(solid->indexBuffer->serial()) + ", 0)",
                    Stream(solid)));
    EXPECT_EQ(calls[at + 1], "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)");
}

TEST_F(SceneDrawing, OpacityMapStatesAreSetForTheDrawAndRestoredAfterIt) {
    PrepareMixedScene();
    Draw();
    const std::string texture = "tex#" + std::to_string(glass->material->texture->serial());
    const std::string opacity = "tex#" + std::to_string(glass->material->opacityTexture->serial());
    const int at = device.find("SetTexture(0, " + texture + ")");
    ASSERT_GE(at, 0);
    const std::vector<std::string> calls = device.callStrings();
    ASSERT_GE(calls.size(), size_t(at) + 30);
    EXPECT_THAT(
        std::vector<std::string>(calls.begin() + at, calls.begin() + at + 30),
        ElementsAre("SetTexture(0, " + texture + ")", "SetTexture(1, " + opacity + ")",
                    "SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0x0)",
                    "SetTextureStageState(1, D3DTSS_COLOROP, 3)",    // SELECTARG2
                    "SetTextureStageState(1, D3DTSS_COLORARG1, 2)",  // TEXTURE
                    "SetTextureStageState(1, D3DTSS_COLORARG2, 1)",  // CURRENT
                    "SetRenderState(D3DRS_TEXTUREFACTOR, 0x00000000)",
                    "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
                    "SetRenderState(D3DRS_ALPHAREF, 22)",
                    "SetRenderState(D3DRS_ALPHAFUNC, 5)",            // GREATER
                    "SetTextureStageState(0, D3DTSS_ALPHAOP, 2)",    // SELECTARG1
                    "SetTextureStageState(0, D3DTSS_ALPHAARG1, 3)",  // TFACTOR
                    "SetTextureStageState(1, D3DTSS_ALPHAOP, 3)",
                    "SetTextureStageState(1, D3DTSS_ALPHAARG1, 1)",
                    "SetTextureStageState(1, D3DTSS_ALPHAARG2, 2)", "SetVertexShader(0x112)",
                    "SetIndices(ib#" + std::to_string(glass->indexBuffer->serial()) + ", 0)",
                    Stream(glass), "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)",
                    "SetTextureStageState(0, D3DTSS_COLOROP, 4)",  // MODULATE
                    "SetTextureStageState(0, D3DTSS_ALPHAOP, 2)",
                    "SetTextureStageState(0, D3DTSS_ALPHAARG1, 2)",
                    "SetTextureStageState(0, D3DTSS_ALPHAARG2, 1)",
                    "SetTextureStageState(1, D3DTSS_COLORARG1, 2)",
                    "SetTextureStageState(1, D3DTSS_COLORARG2, 1)",
                    "SetTextureStageState(1, D3DTSS_COLOROP, 1)",  // DISABLE
                    "SetTextureStageState(1, D3DTSS_ALPHAOP, 1)",
                    "SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0x1)",
                    "SetRenderState(D3DRS_ALPHATESTENABLE, 0)", "SetMaterial()"));
    // The opacity map stays bound to stage 1 until the emitters clear the stage.
    const int cleared = device.find("SetTexture(1, null)", static_cast<size_t>(at));
    EXPECT_GT(cleared, device.find("SetRenderState(D3DRS_POINTSPRITEENABLE, 1)"));
}

TEST_F(SceneDrawing, TransparentObjectWithoutOpacityMapLeavesStageOneAlone) {
    PrepareMixedScene();
    Draw();
    const int begin = device.find(Stream(glass)) + 1;
    const int from = device.find("SetMaterial()", static_cast<size_t>(begin) + 1);
    const int to = device.find(Stream(clear));
    ASSERT_GT(from, 0);
    ASSERT_GT(to, from);
    const std::vector<std::string> calls = device.callStrings();
    for (int i = from; i <= to + 1; ++i) {
        EXPECT_EQ(calls[i].find("(1, "), std::string::npos) << calls[i];
        EXPECT_EQ(calls[i].find("ALPHATEST"), std::string::npos) << calls[i];
    }
}

TEST_F(SceneDrawing, EmitterPassAndClosingStates) {
    PrepareMixedScene();
    scene.fogEnable = 1;
    Draw();
    const std::vector<std::string> calls = device.callStrings();
    const int pass = device.find("SetRenderState(D3DRS_CULLMODE, 1)");
    ASSERT_GT(pass, 0);
    EXPECT_THAT(
        std::vector<std::string>(calls.begin() + pass, calls.begin() + pass + 8),
        ElementsAre("SetRenderState(D3DRS_CULLMODE, 1)", "SetRenderState(D3DRS_LIGHTING, 0)",
                    "SetRenderState(D3DRS_POINTSPRITEENABLE, 1)",
                    "SetRenderState(D3DRS_POINTSCALEENABLE, 0)",
                    "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
                    "SetRenderState(D3DRS_SRCBLEND, 2)", "SetRenderState(D3DRS_DESTBLEND, 2)",
                    "SetRenderState(D3DRS_BLENDOP, 1)"));
    ASSERT_GE(calls.size(), 9u);
    EXPECT_THAT(
        std::vector<std::string>(calls.end() - 9, calls.end()),
        ElementsAre("SetRenderState(D3DRS_POINTSPRITEENABLE, 0)",
                    "SetRenderState(D3DRS_POINTSCALEENABLE, 0)",
                    "SetRenderState(D3DRS_CULLMODE, 2)", "SetRenderState(D3DRS_LIGHTING, 1)",
                    "SetRenderState(D3DRS_ALPHABLENDENABLE, 0)",
                    "SetRenderState(D3DRS_ZWRITEENABLE, 1)", "SetRenderState(D3DRS_SRCBLEND, 2)",
                    "SetRenderState(D3DRS_DESTBLEND, 2)", "SetRenderState(D3DRS_FOGENABLE, 0)"));
    DWORD fog = 1, lighting = 0;
    device.GetRenderState(D3DRS_FOGENABLE, &fog);
    device.GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(fog, FALSE);
    EXPECT_EQ(lighting, TRUE);
}

TEST_F(SceneDrawing, HiddenEmitterAndGeometryLessObjectsAreNotDrawnAsMeshes) {
    PrepareMixedScene();
    Draw();
    EXPECT_EQ(device.find(Stream(hidden)), -1);
    EXPECT_EQ(device.find(Stream(scene.emitters[0].object)), -1);
    EXPECT_EQ(device.callsNamed("DrawIndexedPrimitive").size(), 4u);
}

TEST_F(SceneDrawing, CameraIndexCountsFromOneAndStopsAtTheLast) {
    LoadAndPrepare(
        File({Camera("A", {0, 0, 0}, {0, 0, 1}, 0, 40), Camera("B", {0, 0, 0}, {0, 0, 1}, 0, 40),
              Camera("C", {0, 0, 0}, {0, 0, 1}, 0, 40)}));
    scene::SelectCamera(scene, 1);
    EXPECT_EQ(scene.activeCamera, scene.cameras);
    scene::SelectCamera(scene, 2);
    EXPECT_EQ(scene.activeCamera, scene.cameras->next);
    scene::SelectCamera(scene, 5);
    EXPECT_EQ(scene.activeCamera, Nth(scene.cameras, 2));
    scene::SelectCamera(scene, 0);
    EXPECT_EQ(scene.activeCamera, scene.cameras);

    Scene empty;
    scene::SelectCamera(empty, 1);
    EXPECT_EQ(empty.activeCamera, nullptr);
    device.clearCalls();
    scene::SceneParticles none;
    scene::UpdateScene(empty, 10, none, random);  // no camera: no view or projection
    EXPECT_TRUE(device.callsNamed("SetTransform").empty());
}

TEST_F(SceneDrawing, UpVectorFollowsTheRoll) {
    const D3DXVECTOR3 up = scene::CameraUpVector(90.0f);
    EXPECT_EQ(up.x, 1.0f);
    EXPECT_EQ(up.y, -4.371139e-8f);
    EXPECT_EQ(up.z, 0.0f);
    EXPECT_EQ(scene::CameraUpVector(0.0f), D3DXVECTOR3(0, 1, 0));
}

TEST_F(SceneDrawing, ProjectionIsOneDegreeWiderInRadiansAndComesBeforeTheView) {
    LoadAndPrepare(File({Camera("Cam", {0, 0, 0}, {0, 10, 0}, 0, 40)},
                        {Keyframer(0, 100,
                                   {test3ds::Node(0xB003, 0, "Cam", 0xFFFF,
                                                  {TrackChunk(0xB020, {{0, {1, 2, 3}}}),
                                                   TrackChunk(0xB023, {{0, {44}}}),
                                                   TrackChunk(0xB024, {{0, {90}}})})})}));
    scene.aspectRatio = 1.5f;
    scene::SelectCamera(scene, 1);
    device.clearCalls();
    Update(20);
    EXPECT_EQ(scene.activeCamera->fov, 0.7853982f);
    const auto transforms = device.callsNamed("SetTransform");
    ASSERT_EQ(transforms.size(), 2u);
    EXPECT_EQ(transforms[0].str(), "SetTransform(D3DTS_PROJECTION)");
    EXPECT_EQ(transforms[1].str(), "SetTransform(D3DTS_VIEW)");
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1.5f, 1.0f, 54000.0f);
    EXPECT_THAT(transforms[0].floats, ElementsAreArray(&projection.m[0][0], 16));
    EXPECT_EQ(projection.m[2][2], 1.0000185f);

    // The view looks from (1, 3, 2) at the target with the rolled up vector.
    const D3DXVECTOR3 eye(1, 3, 2), at(0, 0, 10), up(1.0f, -4.371139e-8f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    EXPECT_THAT(transforms[1].floats, ElementsAreArray(&view.m[0][0], 16));
    // Resampled on the next update, so the width does not grow.
    Update(21);
    EXPECT_EQ(scene.activeCamera->fov, 0.7853982f);
}

TEST_F(SceneDrawing, HierarchyComposesOnlyTheLevelsTheProgramWideMaximumAllows) {
    LoadAndPrepare(
        File({MeshObject("Root", kTri, kFace, ""), MeshObject("Child", kTri, kFace, ""),
              MeshObject("Grand", kTri, kFace, "")},
             {Keyframer(0, 100,
                        {ObjectNode(0, "Root", 0xFFFF, {TrackChunk(0xB020, {{0, {100, 0, 0}}})}),
                         ObjectNode(1, "Child", 0, {TrackChunk(0xB020, {{0, {10, 0, 0}}})}),
                         ObjectNode(2, "Grand", 1, {TrackChunk(0xB020, {{0, {1, 0, 0}}})})})}));
    SceneObject* child = Nth(scene.objects, 1);
    SceneObject* grand = Nth(scene.objects, 2);
    ASSERT_EQ(grand->depth, 2);

    scene::MaxHierarchyDepth = 1;  // as if a flatter scene had been prepared since
    Update(0);
    EXPECT_EQ(child->worldMatrix.m[3][0], 110.0f);
    EXPECT_EQ(grand->worldMatrix.m[3][0], 1.0f);

    scene::MaxHierarchyDepth = 2;
    Update(0);
    EXPECT_EQ(grand->worldMatrix.m[3][0], 111.0f);
    EXPECT_EQ(D3DXMATRIX(grand->envMapMatrix), D3DXMATRIX(grand->worldMatrix));

    scene::MaxHierarchyDepth = 0;
    Update(0);
    EXPECT_EQ(child->worldMatrix.m[3][0], 10.0f);
}

TEST_F(SceneDrawing, WorldMatrixIsScaleThenRotationThenTranslation) {
    const float halfPi = 1.5707964f;
    LoadAndPrepare(File({MeshObject("Box", kTri, kFace, "")},
                        {Keyframer(0, 100,
                                   {ObjectNode(0, "Box", 0xFFFF,
                                               {TrackChunk(0xB020, {{0, {5, 0, 0}}}),
                                                TrackChunk(0xB021, {{0, {halfPi, 0, 0, 1}}}),
                                                TrackChunk(0xB022, {{0, {2, 2, 2}}})})})}));
    Update(0);
    // The point (1, 0, 0) is scaled to (2, 0, 0), turned a quarter about y, moved by (5, 0, 0).
    const D3DXVECTOR3 p(1, 0, 0);
    D3DXVECTOR3 out;
    const D3DXMATRIX world = scene.objects->worldMatrix;
    D3DXVec3TransformCoord(&out, &p, &world);
    EXPECT_NEAR(std::fabs(out.z), 2.0f, 1e-5f);
    EXPECT_NEAR(out.x, 5.0f, 1e-5f);
}

TEST_F(SceneDrawing, LightsTakeIndicesFromZeroWithFlaresSkipped) {
    LoadAndPrepare(
        File({OmniLight("flrA", {0, 0, 0}, {1, 1, 1}), OmniLight("Lamp", {1, 2, 3}, {1, 1, 1}),
              SpotLight("Spot", {0, 0, 5}, {1, 0.5f, 0}, {0, 0, 0}, 20, 40)}));
    scene.lightAttenuation[0] = 0.95f;
    scene.lightAttenuation[1] = 0.03f;
    scene.lightAttenuation[2] = 0.0f;
    // A light left enabled at index 5 by someone else is switched off.
    device.LightEnable(5, TRUE);
    device.clearCalls();
    Update(0);
    const std::vector<std::string> calls = device.callStrings();
    std::vector<std::string> lightCalls;
    for (const std::string& c : calls)
        if (c.rfind("Light", 0) == 0 || c.rfind("SetLight", 0) == 0) lightCalls.push_back(c);
    EXPECT_THAT(
        lightCalls,
        ElementsAre("LightEnable(0, FALSE)", "LightEnable(1, FALSE)", "LightEnable(2, FALSE)",
                    "LightEnable(3, FALSE)", "LightEnable(4, FALSE)", "LightEnable(5, FALSE)",
                    "LightEnable(6, FALSE)", "LightEnable(7, FALSE)", "SetLight(0, 1)",
                    "LightEnable(0, TRUE)", "SetLight(1, 2)", "LightEnable(1, TRUE)"));
    for (DWORD i = 0; i < 8; ++i) {
        BOOL on = FALSE;
        device.GetLightEnable(i, &on);
        EXPECT_EQ(on, i < 2 ? TRUE : FALSE) << i;
    }
    D3DLIGHT8 omni;
    ASSERT_EQ(device.GetLight(0, &omni), D3D_OK);
    EXPECT_FLOAT_EQ(omni.Attenuation0, 0.95f);
    EXPECT_FLOAT_EQ(omni.Attenuation1, 0.03f);
    EXPECT_EQ(omni.Range, 3.4028235e38f);

    D3DLIGHT8 spot;
    ASSERT_EQ(device.GetLight(1, &spot), D3D_OK);
    EXPECT_EQ(spot.Type, D3DLIGHT_SPOT);
    EXPECT_FLOAT_EQ(spot.Diffuse.r, 40.0f);
    EXPECT_FLOAT_EQ(spot.Diffuse.g, 0.0f);
    EXPECT_FLOAT_EQ(spot.Diffuse.b, 20.0f);
    EXPECT_FLOAT_EQ(spot.Specular.r, 80.0f);
    EXPECT_FLOAT_EQ(spot.Specular.g, 0.0f);
    EXPECT_FLOAT_EQ(spot.Specular.b, 40.0f);
    EXPECT_EQ(spot.Ambient.r, 1.0f);
    EXPECT_EQ(spot.Ambient.a, 0.0f);
    EXPECT_EQ(spot.Falloff, 1.0f);
    EXPECT_FLOAT_EQ(spot.Direction.y, -5.0f);  // target − position, not normalised
    EXPECT_EQ(spot.Theta, 20.0f * DEG_TO_RAD);
    EXPECT_EQ(spot.Phi, 40.0f * DEG_TO_RAD);
    EXPECT_FLOAT_EQ(spot.Attenuation0, 0.95f);
}

TEST_F(SceneDrawing, OmniColourFromTheTrackReachesTheDeviceAsRedGreenBlue) {
    LoadAndPrepare(File({OmniLight("Lamp", {1, 2, 3}, {1, 1, 1})},
                        {Keyframer(0, 100,
                                   {test3ds::Node(0xB005, 0, "Lamp", 0xFFFF,
                                                  {TrackChunk(0xB025, {{0, {0, 1, 0}}}),
                                                   TrackChunk(0xB020, {{0, {1, 2, 3}}})})})}));
    Update(0);
    EXPECT_THAT(scene.omniLights->colour, ElementsAre(0.0f, 0.0f, 1.0f));
    D3DLIGHT8 l;
    ASSERT_EQ(device.GetLight(0, &l), D3D_OK);
    EXPECT_EQ(l.Type, D3DLIGHT_POINT);
    EXPECT_EQ(l.Diffuse.r, 0.0f);
    EXPECT_EQ(l.Diffuse.g, 40.0f);
    EXPECT_EQ(l.Diffuse.b, 0.0f);
    EXPECT_EQ(l.Specular.g, 3.0f);
    EXPECT_EQ(l.Position.y, 3.0f);
}

TEST_F(SceneDrawing, SphereMapWritesViewSpaceNormalsIntoTheTextureCoordinates) {
    entries["Nrm\\Orb.nrm"] = FloatBytes({1, 0, 0, 0, 1, 0, 0, 0, -1});
    LoadAndPrepare(
        File({MaterialNamed("Chrome", {Chunk(0xA085)}), MeshObject("Orb", kTri, kFace, "Chrome"),
              Camera("Cam", {0, 0, 0}, {10, 0, 0}, 0, 40)},
             {Keyframer(0, 100, {ObjectNode(0, "Orb")})}));
    ASSERT_TRUE(scene.materials->sphereMapped);
    scene::SelectCamera(scene, 1);
    Update(0);
    Draw();
    // The camera looks along +x: view x = world −z, view y = world y, view z = world x.
    const float* v = reinterpret_cast<const float*>(scene.objects->vertexBuffer->data());
    EXPECT_NEAR(v[6], 0.5f, 1e-6f);
    EXPECT_NEAR(v[7], 0.5f, 1e-6f);
    EXPECT_NEAR(v[8 + 6], 0.5f, 1e-6f);
    EXPECT_NEAR(v[8 + 7], 1.0f, 1e-6f);
    EXPECT_NEAR(v[16 + 6], 1.0f, 1e-6f);
    EXPECT_NEAR(v[16 + 7], 0.5f, 1e-6f);
    // Positions and normals are kept.
    EXPECT_EQ(v[16 + 5], -1.0f);
    EXPECT_EQ(v[8 + 0], 1.0f);
}

}  // namespace
