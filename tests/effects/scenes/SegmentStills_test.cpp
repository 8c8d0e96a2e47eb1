// Frames of the two loaded-scene segments drawn headless at 320 x 240 on the OpenGL device,
// into a frame-sized render target as the timeline draws them, compared with the committed
// pictures in tests/data/segments/ (tolerance in support/ReferenceImages.h). Before each
// still the particles are reborn from a reseeded generator and the water's two targets are
// cleared, so every still is the same whatever ran before it. RUNEPLAY_UPDATE_REFERENCES=1
// rewrites the references.
//
// The water is also checked for what it is meant to show: below the water line the picture
// mirrors what stands above it, and the bump offsets move that mirror image about.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/DeviceSetup.h"
#include "assets/PackArchive.h"
#include "effects/objects/RenderTarget.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/scenes/WaterScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "platform/Clock.h"
#include "scene/Emitters.h"
#include "scene/Random.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/SceneLog.h"
#include "support/GlTestDevice.h"
#include "support/ReferenceImages.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"
#include "timeline/Schedule.h"

namespace {

constexpr UINT kWidth = 320;
constexpr UINT kHeight = 240;
constexpr int kWarmup = 20;

using Picture = std::vector<uint32_t>;

class SegmentStills : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string error;
        device_ = testsupport::MakeHeadlessDevice(kWidth, kHeight, &error).release();
        if (!device_) {
            skipReason_ = new std::string("no headless OpenGL device: " + error);
            return;
        }
        app::SetDefaultState(*device_);
        previousDevice_ = RenderDevice;
        RenderDevice = device_;
        dir_ = new testsupport::TempDir;
        reports_ = new testsupport::ReportCapture;
        previousLog_ = scene3ds::SceneLogPath;
        scene3ds::SceneLogPath = dir_->file("engine.log");
        previousFlare_ = scene::FlarePicturePath;
        scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
        ASSERT_TRUE(assets::GlobalPack().Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat"));
        effects::screenEffectQuad.init();
        water_ = new effects::WaterScene;
        scene::RandomGenerator random;
        water_->Load(random);
        screen_ = new effects::ScreenScene;
        screen_->Load(random);
        screen_->FindScreenObject();
        screen_->LoadPictures();
        frameTarget_ = new effects::RenderTarget;
        frameTarget_->width = static_cast<float>(kWidth);
        frameTarget_->height = static_cast<float>(kHeight);
        frameTarget_->create();
    }

    static void TearDownTestSuite() {
        if (!device_) return;
        RenderDevice = previousDevice_;
        scene3ds::SceneLogPath = previousLog_;
        scene::FlarePicturePath = previousFlare_;
        delete frameTarget_;
        delete screen_;
        delete water_;
        delete reports_;
        delete dir_;
        delete device_;
        device_ = nullptr;
    }

    void SetUp() override {
        if (!device_) GTEST_SKIP() << *skipReason_;
        RenderDevice = device_;
        ASSERT_TRUE(reports_->reports.empty()) << reports_->reports.front();
        water_->bumpScale = effects::water::kBumpScale;
    }

    // The segments as they start (every particle reborn on the next update) with a
    // reseeded generator; the water's targets black again.
    static void Restart() {
        random_ = scene::RandomGenerator{};
        water = water_->StartState();
        screen = screen_->StartState();
        for (effects::NestedRenderTarget* t : {&water_->mirrorTarget, &water_->surfaceTarget}) {
            t->begin(1);
            t->end();
        }
    }

    // One timeline frame around `draw`, read back from the frame target.
    template <typename Draw>
    static Picture Frame(Draw draw) {
        device_->BeginScene();
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                       0xFF000000, 1.0f, 0);
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        // The glow and overlays that close every timeline frame leave the depth test on.
        device_->SetRenderState(D3DRS_ZENABLE, TRUE);
        frameTarget_->begin(1);
        draw();
        frameTarget_->end();
        device_->EndScene();
        Picture pixels;
        EXPECT_EQ(device_->ReadPixels(frameTarget_->targetSurface, pixels), D3D_OK);
        return pixels;
    }

    // Segment B at a clip time through a camera, after the frames leading up to it.
    static Picture WaterStill(float clip, uint32_t camera) {
        Restart();
        Picture last;
        for (int i = kWarmup; i >= 0; --i)
            last = Frame(
                [&] { water_->DrawFrame(water, random_, clip - static_cast<float>(i), camera); });
        return last;
    }

    // Segment C up to its metal object: the scene backwards through camera 4 in its night
    // colours, then the glow quad's one pass over whatever the water frame left bound.
    static Picture BackwardsStill(float clip, bool withQuad = true) {
        Restart();
        water.ambientColor = 0x001024BA;
        water.lightAttenuation[1] = 0.04f;
        Picture last;
        for (int i = kWarmup; i >= 0; --i)
            last = Frame([&] {
                IDirect3DDevice8& d = *RenderDevice;
                d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
                d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
                water_->DrawFrame(water, random_, clip + static_cast<float>(i), 4);
                if (!withQuad) return;
                for (DWORD stage = 0; stage < 4; ++stage) d.SetTexture(stage, nullptr);
                effects::screenEffectQuad.drawQuad();
            });
        return last;
    }

    // Segment D at a position with the clip timer holding `elapsed`.
    static Picture ScreenStill(uint32_t position, float elapsed) {
        Restart();
        const uint32_t shot = timeline::ScreenSceneShotAt(position);
        Picture last;
        for (int i = kWarmup; i >= 0; --i)
            last = Frame([&] {
                screen.clipTimer.running = 1;
                screen.clipTimer.startTime = timeGetTime();
                screen.clipTimer.elapsed = elapsed - static_cast<float>(i);
                screen_->DrawFrame(screen, random_, shot, timeline::kScreenSceneCamera[shot]);
            });
        return last;
    }

    static ::testing::AssertionResult Matches(const Picture& picture, const std::string& name) {
        return testsupport::MatchesReference(
            std::string(RUNEPLAY_TEST_DATA) + "/segments/" + name + ".png", picture, kWidth,
            kHeight);
    }

    static inline gfx::gl::GlRenderDevice* device_ = nullptr;
    static inline std::string* skipReason_ = nullptr;
    static inline testsupport::TempDir* dir_ = nullptr;
    static inline testsupport::ReportCapture* reports_ = nullptr;
    static inline effects::WaterScene* water_ = nullptr;
    static inline effects::ScreenScene* screen_ = nullptr;
    // What the stills' frames change.
    static inline effects::WaterSceneState water;
    static inline effects::ScreenSceneState screen;
    static inline scene::RandomGenerator random_;
    static inline effects::RenderTarget* frameTarget_ = nullptr;
    static inline IDirect3DDevice8* previousDevice_ = nullptr;
    static inline std::string previousLog_, previousFlare_;
};

// ---------------------------------------------------------------- what the water shows

double Luminance(uint32_t argb) {
    return (((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF)) / 3.0;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= n;
    mb /= n;
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

// A window of columns [x0, x1) and the rows of a band either side of an axis.
struct Window {
    int x0, x1;
};

// Row `y` of the window as luminance less the row's mean: the detail, without the sky's and
// the water's gradients from top to bottom.
void AppendRow(const Picture& p, const Window& w, int y, std::vector<double>& out) {
    double mean = 0;
    for (int x = w.x0; x < w.x1; ++x) mean += Luminance(p[static_cast<size_t>(y) * kWidth + x]);
    mean /= w.x1 - w.x0;
    for (int x = w.x0; x < w.x1; ++x)
        out.push_back(Luminance(p[static_cast<size_t>(y) * kWidth + x]) - mean);
}

// How the `band` rows above row `axis` compare with the rows below it: read outwards from
// the axis (a mirror image) or in the same order (a copy moved down).
struct BandMatch {
    double mirrored = 0;
    double copied = 0;
};

BandMatch CompareAcross(const Picture& p, const Window& w, int axis, int band) {
    std::vector<double> above, below, aboveInOrder;
    for (int k = 0; k < band; ++k) {
        AppendRow(p, w, axis - 1 - k, above);
        AppendRow(p, w, axis - band + k, aboveInOrder);
        AppendRow(p, w, axis + k, below);
    }
    return {Correlation(above, below), Correlation(aboveInOrder, below)};
}

// The row about which the window is best mirrored.
int MirrorAxis(const Picture& p, const Window& w, int band) {
    int best = band;
    double bestMatch = -2;
    for (int axis = band; axis + band <= static_cast<int>(kHeight); ++axis) {
        const double m = CompareAcross(p, w, axis, band).mirrored;
        if (m > bestMatch) {
            bestMatch = m;
            best = axis;
        }
    }
    return best;
}

double MeanDifference(const Picture& a, const Picture& b, int fromRow, int toRow) {
    double sum = 0;
    int count = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < static_cast<int>(kWidth); ++x) {
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            sum += std::fabs(Luminance(a[i]) - Luminance(b[i]));
            ++count;
        }
    return count ? sum / count : 0.0;
}

TEST_F(SegmentStills, WaterMirrorsTheSceneAndRipplesIt) {
    // Camera 6 sits low over the water by the buoys: each buoy stands on the water and its
    // reflection hangs below it. The same frame is drawn calm (bump scale 0) and rippled.
    water_->bumpScale = 0.0f;
    const Picture calm = WaterStill(300.0f, 6);
    water_->bumpScale = effects::water::kBumpScale;
    const Picture rippled = WaterStill(300.0f, 6);

    // In strips of 40 columns, the row about which the calm picture is best mirrored. Where a
    // strip shows something standing on the water, what lies below that row is its mirror
    // image, not a copy moved down.
    constexpr int kBand = 30;
    int mirrorStrips = 0;
    double calmSum = 0, rippledSum = 0;
    for (int x0 = 0; x0 < static_cast<int>(kWidth); x0 += 40) {
        const Window w{x0, x0 + 40};
        const int axis = MirrorAxis(calm, w, kBand);
        const BandMatch c = CompareAcross(calm, w, axis, kBand);
        if (c.mirrored < 0.8 || c.mirrored < c.copied + 0.3) continue;
        const BandMatch r = CompareAcross(rippled, w, axis, kBand);
        ++mirrorStrips;
        calmSum += c.mirrored;
        rippledSum += r.mirrored;
    }
    ASSERT_GE(mirrorStrips, 3);
    const double calmMirror = calmSum / mirrorStrips, rippledMirror = rippledSum / mirrorStrips;
    // The ripple moves the mirror image about, yet leaves it recognisable.
    EXPECT_GT(rippledMirror, 0.5);
    EXPECT_LT(rippledMirror, calmMirror - 0.05);

    // Above the water nothing moves; in the water the picture changes.
    EXPECT_LT(MeanDifference(calm, rippled, 0, static_cast<int>(kHeight) / 3), 0.2);
    EXPECT_GT(
        MeanDifference(calm, rippled, 2 * static_cast<int>(kHeight) / 3, static_cast<int>(kHeight)),
        2.0);
}

TEST_F(SegmentStills, WaterStillsMatchTheReferences) {
    EXPECT_TRUE(Matches(WaterStill(500.0f, 1), "water_b_cam1_clip500"));
    EXPECT_TRUE(Matches(WaterStill(300.0f, 6), "water_b_cam6_clip300"));
    EXPECT_TRUE(Matches(WaterStill(200.0f, 5), "water_b_cam5_clip200"));
    EXPECT_TRUE(Matches(WaterStill(300.0f, 2), "water_b_cam2_clip300"));
}

TEST_F(SegmentStills, BackwardsRunMatchesTheReferencesAndItsQuadAddsNothing) {
    const Picture withQuad = BackwardsStill(400.0f);
    EXPECT_TRUE(Matches(withQuad, "water_c_clip400"));
    EXPECT_TRUE(Matches(BackwardsStill(1800.0f), "water_c_clip1800"));
    // The quad's fan runs along the first row of the water grid, which has no area: the
    // frame is exactly what the water scene drew.
    EXPECT_EQ(withQuad, BackwardsStill(400.0f, false));
}

TEST_F(SegmentStills, ScreenStillsMatchTheReferences) {
    EXPECT_TRUE(Matches(ScreenStill(18100000, 100.0f), "screen_d_shot0_e100"));
    EXPECT_TRUE(Matches(ScreenStill(19000000, 500.0f), "screen_d_shot1_e500"));
    EXPECT_TRUE(Matches(ScreenStill(21500000, 1800.0f), "screen_d_shot5_e1800"));
}

}  // namespace
