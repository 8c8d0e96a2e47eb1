// The picture screen segment on a recording device with the generated pack's hall: its
// settings, the shots cut at soundtrack positions, the clip time lowered per passed cut, and
// the five-picture loop on the screen object. Time runs on the virtual clock.
#include "effects/scenes/ScreenScene.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "platform/Clock.h"
#include "scene/Random.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene/Track.h"
#include "scene3ds/SceneLog.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"
#include "timeline/Schedule.h"

namespace {

using effects::screen::PictureFor;

TEST(ScreenShots, CountersSelectThePicturesEightFramesEachAndTheFifthOnce) {
    const uint32_t expected[33] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2,
                                   2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 4};
    for (uint32_t c = 0; c <= 32; ++c) EXPECT_EQ(PictureFor(c), expected[c]) << c;
}

class ScreenSegment : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new testsupport::TempDir;
        reports_ = new testsupport::ReportCapture;
        device_ = new gfx::RecordingDevice(gfx::DeviceParams{800, 600});
        previousDevice_ = RenderDevice;
        RenderDevice = device_;
        previousLog_ = scene3ds::SceneLogPath;
        scene3ds::SceneLogPath = dir_->file("engine.log");
        previousFlare_ = scene::FlarePicturePath;
        scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
        ASSERT_TRUE(assets::GlobalPack().Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat"));
        screen_ = new effects::ScreenScene;
        scene::RandomGenerator random;
        screen_->Load(random);
        screen_->FindScreenObject();
        screen_->LoadPictures();
    }

    static void TearDownTestSuite() {
        RenderDevice = previousDevice_;
        scene3ds::SceneLogPath = previousLog_;
        scene::FlarePicturePath = previousFlare_;
        delete screen_;
        delete device_;
        delete reports_;
        delete dir_;
    }

    void SetUp() override {
        RenderDevice = device_;
        platform::UseVirtualClock(100000);
        state_ = screen().StartState();
        if (screen().screenObject == nullptr) screen().FindScreenObject();
    }

    void TearDown() override {
        platform::UseRealClock();
        RenderDevice = previousDevice_;
    }

    static effects::ScreenScene& screen() { return *screen_; }
    static gfx::RecordingDevice& device() { return *device_; }

    static const SceneCamera* CameraNumber(uint32_t index) {
        const SceneCamera* c = screen().scene->cameras;
        for (uint32_t i = 1; i < index && c; ++i) c = c->next;
        return c;
    }

    // The active camera is `index`, updated to `frame`.
    static ::testing::AssertionResult DrawnThrough(uint32_t index, float frame) {
        const SceneCamera* active = screen().scene->activeCamera;
        if (active != CameraNumber(index))
            return ::testing::AssertionFailure()
                   << "active camera " << (active ? active->name.str() : "none") << ", not "
                   << CameraNumber(index)->name.str();
        const D3DXVECTOR3 expected = scene::SampleVectorTrack(active->positionTrack, frame);
        const D3DXVECTOR3 drawn(active->position);
        if (!(drawn == expected))
            return ::testing::AssertionFailure() << "camera not at frame " << frame;
        return ::testing::AssertionSuccess();
    }

    // A frame at a soundtrack position: the shot and camera the show's schedule gives it.
    void Draw(uint32_t position) {
        const uint32_t shot = timeline::ScreenSceneShotAt(position);
        screen().DrawFrame(state_, random_, shot, timeline::kScreenSceneCamera[shot]);
    }
    // A frame with the clip timer running and holding `elapsed` from its last update.
    void FrameAt(uint32_t position, float elapsed) {
        state_.clipTimer.running = 1;
        state_.clipTimer.startTime = platform::timeGetTime();
        state_.clipTimer.elapsed = elapsed;
        Draw(position);
    }

    effects::ScreenSceneState state_;
    scene::RandomGenerator random_;

  private:
    static inline testsupport::TempDir* dir_ = nullptr;
    static inline testsupport::ReportCapture* reports_ = nullptr;
    static inline gfx::RecordingDevice* device_ = nullptr;
    static inline effects::ScreenScene* screen_ = nullptr;
    static inline IDirect3DDevice8* previousDevice_ = nullptr;
    static inline std::string previousLog_, previousFlare_;
};

TEST_F(ScreenSegment, LoadMakesTheFogAndLightSettingsAndFindsTheScreen) {
    const Scene& s = *screen().scene;
    EXPECT_FLOAT_EQ(s.aspectRatio, 800.0f / 600.0f);
    EXPECT_FLOAT_EQ(s.lightAttenuation[0], 0.94f);
    EXPECT_FLOAT_EQ(s.lightAttenuation[1], 0.0035f);
    EXPECT_FLOAT_EQ(s.lightAttenuation[2], 0.000001f);
    EXPECT_EQ(s.ambientColor, 0x00B1B132u);
    EXPECT_EQ(s.fogEnable, 1u);
    EXPECT_FLOAT_EQ(s.fogDensity, 0.0005f);
    EXPECT_EQ(s.fogColor, 0x0014140Au);
    EXPECT_EQ(s.cameraCount, 6u);
    ASSERT_NE(screen().screenObject, nullptr);
    EXPECT_TRUE(screen().screenObject->name.startsWith("ekr"));
    for (gfx::Texture* picture : screen().pictures) EXPECT_NE(picture, nullptr);
}

TEST_F(ScreenSegment, FirstFrameIsSceneFrameZeroThroughCameraOne) {
    Draw(18030000);
    EXPECT_TRUE(DrawnThrough(1, 0.0f));
    EXPECT_EQ(state_.clipTimer.running, 1);
}

TEST_F(ScreenSegment, SecondShotLowersTheClipTimeBy200Ticks) {
    FrameAt(19000000, 500.0f);
    EXPECT_TRUE(DrawnThrough(6, 0.7f * 300.0f));  // frame 210
}

TEST_F(ScreenSegment, PositionExactlyAtACutIsStillTheShotBefore) {
    FrameAt(18719232, 500.0f);
    EXPECT_TRUE(DrawnThrough(1, 0.7f * 500.0f));
    FrameAt(18719233, 500.0f);
    EXPECT_TRUE(DrawnThrough(6, 0.7f * 300.0f));
}

TEST_F(ScreenSegment, EveryShotHasItsCameraAndItsLowering) {
    const uint32_t positions[6] = {18100000, 19000000, 19500000, 20100000, 20800000, 21500000};
    const uint32_t cameras[6] = {1, 6, 3, 4, 5, 2};
    for (int k = 0; k < 6; ++k) {
        FrameAt(positions[k], 2000.0f);
        EXPECT_TRUE(DrawnThrough(cameras[k], 0.7f * (2000.0f - 200.0f * static_cast<float>(k))))
            << "shot " << k;
    }
}

TEST_F(ScreenSegment, LoweringActsOnTheLastUpdateAndNeverAccumulates) {
    Draw(19000000);  // starts the timer: elapsed 0, lowered to -200
    platform::VirtualClockAdvance(10000);
    Draw(19000000);  // still the first update's 0; this update reads 600
    EXPECT_FLOAT_EQ(state_.clipTimer.elapsed, 600.0f);
    Draw(19000000);
    EXPECT_TRUE(DrawnThrough(6, 0.7f * 400.0f));
    Draw(19000000);
    EXPECT_TRUE(DrawnThrough(6, 0.7f * 400.0f));
    EXPECT_FLOAT_EQ(state_.clipTimer.elapsed, 600.0f);
}

TEST_F(ScreenSegment, ScreenShowsFivePicturesInA33FrameLoop) {
    ASSERT_NE(screen().screenObject, nullptr);
    const Material* material = screen().screenObject->material;
    ASSERT_NE(material, nullptr);
    std::vector<int> shown;
    for (int frame = 0; frame < 35; ++frame) {
        FrameAt(19000000, 500.0f);
        int picture = -1;
        for (int i = 0; i < 5; ++i)
            if (material->texture == screen().pictures[i]) picture = i;
        shown.push_back(picture);
    }
    std::vector<int> expected;
    for (int i = 0; i < 4; ++i) expected.insert(expected.end(), 8, i);
    expected.push_back(4);
    expected.push_back(0);
    expected.push_back(0);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(state_.screenCounter, 2u);
}

TEST_F(ScreenSegment, WithoutAScreenObjectThePictureLoopIsSkipped) {
    screen().screenObject = nullptr;
    FrameAt(19000000, 500.0f);
    EXPECT_EQ(state_.screenCounter, 0u);
    EXPECT_TRUE(DrawnThrough(6, 0.7f * 300.0f));  // the scene is drawn all the same
}

TEST_F(ScreenSegment, FrameSetsItsBlendAndLightingBeforeDrawingTheScene) {
    const size_t from = device().calls().size();
    FrameAt(19000000, 500.0f);
    const int source = device().find("SetRenderState(D3DRS_SRCBLEND, 2)", from);
    const int destination = device().find("SetRenderState(D3DRS_DESTBLEND, 1)", from);
    const int lighting = device().find("SetRenderState(D3DRS_LIGHTING, 1)", from);
    const int view = device().find("SetTransform(D3DTS_VIEW)", from);
    const int fog = device().find("SetRenderState(D3DRS_FOGENABLE, 1)", from);
    ASSERT_GE(source, 0);
    EXPECT_LT(source, destination);
    EXPECT_LT(destination, lighting);
    EXPECT_LT(lighting, view);
    EXPECT_LT(view, fog);
}

TEST(ScreenSegmentBare, DrawBeforeLoadDoesNothing) {
    gfx::RecordingDevice device;
    IDirect3DDevice8* previous = RenderDevice;
    RenderDevice = &device;
    effects::ScreenScene screen;
    effects::ScreenSceneState state;
    scene::RandomGenerator random;
    screen.DrawFrame(state, random, 1, 6);
    EXPECT_TRUE(device.calls().empty());
    RenderDevice = previous;
}

}  // namespace
