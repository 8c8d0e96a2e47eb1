#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/RuneplayPresentation.h"
#include "effects/objects/MetalObject.h"
#include "effects/overlays/DigitCounter.h"
#include "effects/overlays/PictureSprite.h"
#include "effects/overlays/ScreenQuad.h"
#include "effects/shader/CubeGridScene.h"
#include "effects/shader/EndMeshScene.h"
#include "effects/shader/RingScene.h"
#include "effects/shader/RotatingMeshScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "scene/Track.h"
#include "support/ShowFixture.h"

namespace {

using testing::ElementsAre;

class LoadAllTest : public testsupport::ShowFixture {
  protected:
    void SetUp() override {
        gfx::DeviceParams params;
        params.width = width_;
        params.height = height_;
        device_ = std::make_unique<testsupport::CapturingDevice>(params);
        previousDevice_ = RenderDevice;
        RenderDevice = device_.get();
        platform::UseVirtualClock(kClockStart);
        platform::ClearKeyState();
        ASSERT_TRUE(assets::GlobalPack().Open(showPack()));
        presentation_ = std::make_unique<app::RuneplayPresentation>();
        presentation_->show().cutPending[3] = 0;
        presentation_->show().speedFactor = 0.0f;
        presentation_->LoadAssets();
    }
    // The creation calls in order, as "name(args)"; programs by name only.
    std::vector<std::string> Creations() {
        std::vector<std::string> out;
        for (const auto& c : dev().calls())
            if (c.name.rfind("Create", 0) == 0) {
                if (c.name.find("Shader") != std::string::npos) {
                    out.push_back(c.name);
                    continue;
                }
                std::string s = c.name + "(";
                for (size_t i = 0; i < c.args.size(); ++i) s += (i ? ", " : "") + c.args[i];
                out.push_back(s + ")");
            }
        return out;
    }
};

TEST_F(LoadAllTest, OverlaysGlowAndTitleComeFirstInTheirOrder) {
    const auto c = Creations();
    ASSERT_GT(c.size(), 25u);
    std::vector<std::string> head(c.begin(), c.begin() + 25);
    std::vector<std::string> expected = {
        "CreateVertexBuffer(112, 0x8, 0x144, 1)",  // fade quad
        "CreatePixelShader",                       // fade.pso
        "CreateVertexBuffer(112, 0x8, 0x144, 1)",  // picture quad, full screen
        "CreateVertexBuffer(112, 0x8, 0x144, 1)",  // picture quad, sized
        "CreatePixelShader",                       // logo.pso
        "CreateVertexBuffer(112, 0x0, 0x144, 1)",  // digit counter
    };
    for (int i = 0; i < 11; ++i)
        expected.push_back("CreateTexture(32, 32, 0, 0x0, D3DFMT_A8R8G8B8, 0)");  // digits
    expected.push_back("CreateVertexBuffer(80, 0x0, 0x102, 1)");           // screen effect quad
    for (int i = 0; i < 3; ++i) expected.push_back("CreatePixelShader");   // shEf1, 2, 3
    for (int i = 0; i < 2; ++i) expected.push_back("CreateVertexShader");  // ShEf, ShEf1
    expected.push_back("CreateTexture(256, 256, 1, 0x1, D3DFMT_X8R8G8B8, 0)");  // GlowTargetA
    expected.push_back("CreateTexture(256, 256, 1, 0x1, D3DFMT_X8R8G8B8, 0)");  // GlowTargetB
    EXPECT_EQ(head, expected);
    // Then the title picture: a 256 x 192 synthetic picture, its full chain asked for as 0
    // levels.
    EXPECT_EQ(c[25], "CreateTexture(256, 192, 0, 0x0, D3DFMT_A8R8G8B8, 0)");
    // The frame target is made last, at the display size.
    EXPECT_EQ(c.back(), "CreateTexture(800, 600, 1, 0x1, D3DFMT_X8R8G8B8, 0)");
    EXPECT_TRUE(reports_.fatals.empty()) << reports_.fatals.front();
}

TEST_F(LoadAllTest, AmbientIsSetAfterTheSpritesAndBeforeTheLoadedScenes) {
    const int ambient = dev().find("SetRenderState(D3DRS_AMBIENT, 0xFF505050)");
    ASSERT_NE(ambient, -1);
    const std::string lastSprite = gfx::ResourceName(effects::creditSprites[7].vertexBuffer);
    int spriteBuffer = -1;
    for (size_t i = 0; i < dev().calls().size(); ++i)
        if (dev().calls()[i].result == lastSprite) spriteBuffer = static_cast<int>(i);
    EXPECT_LT(spriteBuffer, ambient);
    EXPECT_EQ(effects::ScreenScale, 1.0f);
    EXPECT_EQ(timeline::FrameTarget.width, 800.0f);
}

TEST_F(LoadAllTest, EveryPictureAndEffectIsInPlace) {
    const timeline::ShowPictures& p = timeline::showPictures;
    for (auto* t : {p.title, p.people, p.stagi, p.p3, p.endScreen, p.p1}) EXPECT_NE(t, nullptr);
    for (auto* t : p.cuts) EXPECT_NE(t, nullptr);
    for (auto* t : p.gret) EXPECT_NE(t, nullptr);
    for (auto* t : p.inserts) EXPECT_NE(t, nullptr);
    for (auto* t : effects::screenScene.pictures) EXPECT_NE(t, nullptr);
    EXPECT_NE(effects::titleSprite.texture, nullptr);
    EXPECT_EQ(effects::creditSprites[2].pictureName, "!textures\\pelwandr.jpg");
    // Each effect got the first object of its scene and the ring scene's shared textures.
    ASSERT_NE(effects::metalObject.mesh, nullptr);
    ASSERT_NE(effects::ringScene.ringObject, nullptr);
    ASSERT_NE(effects::ringScene.centreObject, nullptr);
    EXPECT_NE(effects::ringScene.ringObject, effects::ringScene.centreObject);
    ASSERT_NE(effects::rotatingMeshScene.object, nullptr);
    ASSERT_NE(effects::cubeGridScene.object, nullptr);
    ASSERT_NE(effects::endMeshScene.object, nullptr);
    EXPECT_EQ(effects::cubeGridScene.attenuationTexture, effects::ringScene.attenuationTexture);
    EXPECT_EQ(effects::endMeshScene.cubeMap, effects::ringScene.cubeMap);
    // The cuts wait, all seven.
    EXPECT_THAT(show().cutPending, ElementsAre(1, 1, 1, 1, 1, 1, 1));
    presentation_->AfterSoundtrackStart();
    EXPECT_EQ(show().speedFactor, 0.7f);
}

TEST_F(LoadAllTest, EndSceneCameraIsSampledAtFrameZero) {
    SceneCamera* camera = effects::endMeshScene.camera;
    ASSERT_NE(camera, nullptr);
    const D3DXVECTOR3 position = scene::SampleVectorTrack(camera->positionTrack, 0.0f);
    const D3DXVECTOR3 target = scene::SampleVectorTrack(camera->targetTrack, 0.0f);
    EXPECT_EQ(camera->position[0], position.x);
    EXPECT_EQ(camera->position[2], position.z);
    EXPECT_EQ(camera->target[1], target.y);
    EXPECT_EQ(camera->fov, scene::SampleScalarTrack(camera->fovTrack, 0.0f));
    EXPECT_EQ(camera->roll, scene::SampleScalarTrack(camera->rollTrack, 0.0f));
    const SceneObject* object = effects::endMeshScene.object;
    EXPECT_NE(object->vertexBuffer, nullptr);
    EXPECT_EQ(object->normals.size(), static_cast<size_t>(object->vertexCount) * 3);
}

class LoadAllWideTest : public LoadAllTest {
  protected:
    LoadAllWideTest() {
        width_ = 1024;
        height_ = 768;
    }
};

TEST_F(LoadAllWideTest, LayoutScaleAndFrameTargetFollowTheDisplay) {
    EXPECT_FLOAT_EQ(effects::ScreenScale, 1.28f);
    EXPECT_EQ(timeline::FrameTarget.width, 1024.0f);
    EXPECT_EQ(timeline::FrameTarget.height, 768.0f);
    EXPECT_FLOAT_EQ(effects::titleSprite.x, 192.0f);
    EXPECT_FLOAT_EQ(effects::creditSprites[0].width, 256.0f * 1.28f);
}

TEST(ScreenObject, IsTheLastObjectWhoseNameBeginsWithEkr) {
    Scene scene;
    for (const char* name : {"ekrLeft", "Frame", "ekrRight", "ekr", "Ekr2"}) {
        auto* o = new SceneObject;
        o->name = scene3ds::SceneName(name);
        scene3ds::Append(scene, o);
    }
    SceneObject* found = app::FindScreenObject(&scene);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name.str(), "ekr");
    Scene none;
    EXPECT_EQ(app::FindScreenObject(&none), nullptr);
    EXPECT_EQ(app::FindScreenObject(nullptr), nullptr);
}

}  // namespace
