// The overlays and the glow drawn by the OpenGL device (headless): what reaches the pixels.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>

#include "app/DeviceSetup.h"
#include "assets/PackArchive.h"
#include "effects/overlays/DigitCounter.h"
#include "effects/overlays/ScreenQuad.h"
#include "effects/shader/Glow.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "support/GlTestDevice.h"
#include "support/ReportCapture.h"
#include "support/ShowPack.h"

namespace {

using testsupport::Blue;
using testsupport::ColorNear;
using testsupport::Green;
using testsupport::Red;

class OverlayRenderTest : public testsupport::GlDeviceTest {
  protected:
    OverlayRenderTest(UINT w = 64, UINT h = 48) : GlDeviceTest(w, h) {}
    static void SetUpTestSuite() {
        pack() =
            ::testing::TempDir() + "runeplay-overlay-render-" + std::to_string(getpid()) + ".dat";
        std::string error;
        ASSERT_TRUE(testsupport::WriteOverlayPack(RUNEPLAY_TEST_DATA "/../../content/shaders",
                                                  pack(), &error))
            << error;
    }
    static void TearDownTestSuite() { std::remove(pack().c_str()); }
    static std::string& pack() {
        static std::string path;
        return path;
    }
    void SetUp() override {
        GlDeviceTest::SetUp();
        previous_ = RenderDevice;
        RenderDevice = device_.get();
        app::SetDefaultState(dev());
        ASSERT_TRUE(assets::GlobalPack().Open(pack()));
        effects::fadeQuad = effects::ScreenQuad{};
        effects::pictureQuad = effects::ScreenQuad{};
        ASSERT_TRUE(effects::fadeQuad.Create("!shaders\\fade.pso", false));
        ASSERT_TRUE(effects::pictureQuad.Create("!shaders\\logo.pso", true));
        dev().BeginScene();
    }
    void TearDown() override {
        RenderDevice = previous_;
        GlDeviceTest::TearDown();
    }
    void Clear(D3DCOLOR colour) { dev().Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0); }
    void Blend(DWORD source, DWORD destination) {
        dev().SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev().SetRenderState(D3DRS_SRCBLEND, source);
        dev().SetRenderState(D3DRS_DESTBLEND, destination);
    }
    void PointFilters() {
        dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        dev().SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        dev().SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    }

    testsupport::ReportCapture reports_;
    gfx::RenderDevice* previous_ = nullptr;
};

TEST_F(OverlayRenderTest, FullScreenCopyUnderPointFilteringIsPixelForPixel) {
    std::vector<uint32_t> picture(64 * 48);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = 0xFF000000u | static_cast<uint32_t>((i * 2654435761u) & 0xFFFFFF);
    dev().SetTexture(0, texture(64, 48, picture));
    PointFilters();
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    effects::pictureQuad.alpha = 255;
    effects::pictureQuad.DrawFull();
    const auto out = read();
    int wrong = 0;
    for (size_t i = 0; i < out.size(); ++i)
        if (!ColorNear(out[i], picture[i], 1)) ++wrong;
    EXPECT_EQ(wrong, 0);
}

TEST_F(OverlayRenderTest, SizedDrawCoversExactlyTheTopLeftRectangle) {
    Clear(0xFF000000);
    dev().SetTexture(0, texture(1, 1, {0xFFFFFFFF}));
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    effects::pictureQuad.alpha = 255;
    effects::pictureQuad.DrawSized(16, 8);
    EXPECT_TRUE(ColorNear(pixel(0, 0), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(pixel(15, 7), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(pixel(16, 7), 0xFF000000, 0));
    EXPECT_TRUE(ColorNear(pixel(15, 8), 0xFF000000, 0));
}

TEST_F(OverlayRenderTest, StrengthFadesReplacesAndSetsOpacity) {
    gfx::Texture* orange = texture(1, 1, {0xFFFF8000});
    // ONE, ZERO at 128: half the picture.
    Clear(0xFF0000FF);
    dev().SetTexture(0, orange);
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    effects::pictureQuad.alpha = 128;
    effects::pictureQuad.DrawFull();
    EXPECT_TRUE(ColorNear(pixel(5, 5), 0xFF804000, 2));
    // SRCALPHA, INVSRCALPHA at 128: halfway between the frame and the picture.
    Clear(0xFF0000FF);
    Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    effects::pictureQuad.DrawFull();
    const uint32_t mixed = pixel(5, 5);
    EXPECT_NEAR(Red(mixed), 64, 2);  // the colour is scaled too, then by the alpha
    EXPECT_NEAR(Blue(mixed), 127, 2);
    // Above 255 the picture shows at full strength.
    Clear(0xFF0000FF);
    effects::pictureQuad.alpha = 510;
    effects::pictureQuad.DrawFull();
    EXPECT_TRUE(ColorNear(pixel(5, 5), 0xFFFF8000, 2));
}

TEST_F(OverlayRenderTest, FadeQuadAddsWhiteByItsOwnStrength) {
    Clear(0xFF102030);
    dev().SetTexture(0, nullptr);
    Blend(D3DBLEND_SRCALPHA, D3DBLEND_ONE);  // as the white flashes draw it
    effects::fadeQuad.alpha = 255;
    effects::fadeQuad.DrawFade();
    EXPECT_TRUE(ColorNear(pixel(63, 47), 0xFFFFFFFF, 0));
    Clear(0xFF102030);
    effects::fadeQuad.alpha = 127;  // adds (127/255)^2
    effects::fadeQuad.DrawFade();
    EXPECT_NEAR(Red(pixel(30, 30)), 0x10 + 63, 2);
    EXPECT_NEAR(Blue(pixel(30, 30)), 0x30 + 63, 2);
}

TEST_F(OverlayRenderTest, CounterDigitsSitSixteenPixelsApart) {
    effects::digitCounter = effects::DigitCounter{};
    ASSERT_TRUE(effects::digitCounter.Create());
    Clear(0xFF000000);
    effects::digitCounter.Draw(0, 0, 18.0f);  // "18.": 1, 8, shared picture
    // The synthetic digits are seven white segments in 32 x 32, drawn at half size: the
    // middle bar of the 8 (rows 14..17 -> 7..8) lights x 16+4..16+12; the 1 has none.
    EXPECT_GT(Green(pixel(16 + 8, 8)), 200);
    EXPECT_LT(Green(pixel(8, 8)), 40);
    // Its right-hand bars: x 11..13 in the 1's cell, rows 2..13.
    EXPECT_GT(Green(pixel(12, 4)), 200);
    // The point, in the third cell near the bottom.
    EXPECT_GT(Green(pixel(32 + 8, 13)), 200);
    EXPECT_LT(Green(pixel(48 + 8, 13)), 40);  // nothing after the text
}

TEST_F(OverlayRenderTest, ScreenEffectQuadCoversTheWholeTarget) {
    effects::ScreenEffectQuad quad;
    quad.init();
    Clear(0xFF000000);
    Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
    // Mode 3 keeps the pixel program on the device: the fade program shows c0 itself.
    dev().SetPixelShader(effects::fadeQuad.pixelProgram);
    quad.selectMode(3);
    quad.strength = 1.0f;
    quad.prepare();
    quad.drawQuad();
    const auto out = read();
    int dark = 0;
    for (uint32_t v : out)
        if (Green(v) < 250) ++dark;
    EXPECT_EQ(dark, 0);
}

// The whole glow on a 256 x 256 display: the sharp frame copied, plus a soft copy of it of
// the strength in c0, centred where the sharp one is.
class GlowRenderTest : public OverlayRenderTest {
  protected:
    GlowRenderTest() : OverlayRenderTest(256, 256) {}
    void SetUp() override {
        OverlayRenderTest::SetUp();
        effects::screenEffectQuad = effects::ScreenEffectQuad{};
        effects::screenEffectQuad.init();
        for (auto* t : {&frame, &targetA, &targetB}) {
            *t = effects::RenderTarget{};
            t->width = t->height = 256.0f;
            ASSERT_TRUE(t->create());
        }
    }
    // Draws a square of `grey` and `size` at (x, y) into the frame target on black, runs the
    // glow and returns the back buffer.
    std::vector<uint32_t> GlowOf(int x, int y, int size, float strength, uint32_t grey = 0xFF) {
        frame.begin(1);
        dev().SetTexture(0, texture(1, 1, {0xFF000000u | grey * 0x010101u}));
        Blend(D3DBLEND_ONE, D3DBLEND_ZERO);
        effects::pictureQuad.alpha = 255;
        effects::pictureQuad.DrawSized(x + size, y + size);  // the square from the corner ...
        dev().SetTexture(0, texture(1, 1, {0xFF000000}));
        effects::pictureQuad.DrawSized(x, y + size);  // ... then black over the left
        effects::pictureQuad.DrawSized(x + size, y);  // and the top
        effects::DrawGlow(frame, targetA, targetB, strength);
        return read();
    }

    effects::RenderTarget frame;  // what the segments draw into
    effects::RenderTarget targetA, targetB;
};

TEST_F(GlowRenderTest, BlackFrameGivesNoGlow) {
    const auto out = GlowOf(0, 0, 0, 0.265f);
    for (uint32_t v : out) ASSERT_TRUE(ColorNear(v, 0xFF000000, 0));
}

TEST_F(GlowRenderTest, GlowSurroundsTheSquareSoftlyAndOnCentre) {
    // A dim square, so that frame plus glow stays below white and the glow can be measured.
    const int x0 = 112, y0 = 112, size = 32, grey = 48;
    const auto out = GlowOf(x0, y0, size, 0.265f, grey);
    auto glow = [&](int x, int y) {
        const bool inside = x >= x0 && x < x0 + size && y >= y0 && y < y0 + size;
        return Green(out[y * 256 + x]) - (inside ? grey : 0);
    };
    // Soft: it reaches well beyond the square and falls off with distance, alike across
    // and down.
    EXPECT_GT(glow(x0 + size + 1, 128), 20);
    EXPECT_GT(glow(x0 + size + 1, 128), glow(x0 + size + 8, 128));
    EXPECT_GT(glow(x0 + size + 8, 128), 0);
    EXPECT_EQ(glow(10, 10), 0);
    for (int d : {-8, -3, 2, 6}) EXPECT_EQ(glow(x0 + d, 128), glow(128, y0 + d)) << d;
    double sum = 0, sx = 0, sy = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double g = glow(x, y);
            sum += g;
            sx += g * (x + 0.5);
            sy += g * (y + 0.5);
        }
    ASSERT_GT(sum, 0);
    // Its centre sits up and left of the square's by about 1.4 pixels: the quad's 0.0025
    // shift of its coordinates moves the glow 0.14 texel per pass, as the original
    // rasterisation did.
    EXPECT_NEAR(sx / sum, x0 + size / 2.0 - 1.4, 0.5);
    EXPECT_NEAR(sy / sum, y0 + size / 2.0 - 1.4, 0.5);
    // A strength of 0.265 raises the glow's total to (4 x 0.265)^10, about 1.79 times the
    // square's, less what the 8-bit targets round away.
    const double total = sum / (grey * size * size);
    EXPECT_GT(total, 1.3);
    EXPECT_LT(total, 1.9);
}

TEST_F(GlowRenderTest, StrongerGlowIsBrighter) {
    // At a strength of 0.25 each pass keeps the brightness: the glow inside the square adds
    // what the square has; at 0.28 about three times as much.
    const int weak = Green(GlowOf(112, 112, 32, 0.25f, 48)[128 * 256 + 128]) - 48;
    const int strong = Green(GlowOf(112, 112, 32, 0.28f, 48)[128 * 256 + 128]) - 48;
    EXPECT_NEAR(weak, 48, 4);
    EXPECT_NEAR(strong, 48 * 3.1, 12);
}

}  // namespace
