// The picture toolkit's building blocks where a fault would quietly spoil every picture:
// the portable maths, tiling noise, blur and resampling, lettering placement, the finish.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "content/pictures/Fmath.h"
#include "content/pictures/Lettering.h"
#include "content/pictures/Noise.h"
#include "content/pictures/Paint.h"
#include "content/pictures/Runes.h"
#include "content/pictures/Style.h"

namespace {

using namespace content::pictures;

TEST(PortableMaths, AgreesWithTheLibraryToRoundingNoise) {
    for (double x = -40.0; x <= 40.0; x += 0.0137) {
        ASSERT_NEAR(Sin(x), std::sin(x), 2e-12) << x;
        ASSERT_NEAR(Cos(x), std::cos(x), 2e-12) << x;
        ASSERT_NEAR(Atan(x), std::atan(x), 1e-10) << x;
        ASSERT_NEAR(Atan2(x, 1.7), std::atan2(x, 1.7), 1e-10) << x;
        ASSERT_NEAR(Atan2(-1.3, x), std::atan2(-1.3, x), 1e-10) << x;
    }
    for (double x = -60.0; x <= 60.0; x += 0.0173)
        ASSERT_NEAR(Exp(x) / std::exp(x), 1.0, 1e-11) << x;
    for (double x = 1e-6; x < 1e6; x *= 1.37)
        ASSERT_NEAR(Log(x), std::log(x), 1e-12 * std::max(1.0, std::fabs(std::log(x)))) << x;
    EXPECT_NEAR(Pow(0.5, 12.0), std::pow(0.5, 12.0), 1e-15);
    EXPECT_NEAR(Pow(2.7, 3.3), std::pow(2.7, 3.3), 1e-10);
    EXPECT_EQ(Pow(0.0, 2.0), 0.0);
    EXPECT_EQ(Exp(-1000.0), 0.0);
    EXPECT_EQ(Atan2(0.0, -1.0), kPi);
}

TEST(Noise, StaysInRangeAndIsSeeded) {
    float lo = 1e9f, hi = -1e9f;
    int differ = 0;
    for (int i = 0; i < 4000; ++i) {
        float x = i * 0.173f, y = i * 0.071f;
        float n = Noise(x, y, 5);
        lo = std::min(lo, n);
        hi = std::max(hi, n);
        differ += n != Noise(x, y, 6);
        float f = Fbm(x, y, 9, 5);
        ASSERT_LE(std::fabs(f), 1.05f);
        float r = Ridged(x, y, 9, 4);
        ASSERT_GE(r, 0.0f);
        ASSERT_LE(r, 1.0f);
    }
    EXPECT_GE(lo, -1.05f);
    EXPECT_LE(hi, 1.05f);
    EXPECT_LT(lo, -0.4f);  // and it does use its range
    EXPECT_GT(hi, 0.4f);
    EXPECT_GT(differ, 3900);
}

TEST(Noise, PeriodicFormsRepeat) {
    for (int i = 0; i < 500; ++i) {
        float x = i * 0.37f, y = i * 0.29f;
        ASSERT_NEAR(NoisePeriodic(x, y, 3, 4, 6), NoisePeriodic(x + 4.0f, y - 6.0f, 3, 4, 6),
                    1e-4f);
        ASSERT_NEAR(FbmPeriodic(x, y, 3, 4, 5, 7), FbmPeriodic(x + 5.0f, y + 7.0f, 3, 4, 5, 7),
                    1e-4f);
        Cells a = Worley(x, y, 8, 9), b = Worley(x + 9.0f, y - 9.0f, 8, 9);
        ASSERT_NEAR(a.f1, b.f1, 1e-3f);
        ASSERT_EQ(a.id, b.id);
        ASSERT_LE(a.f1, a.f2);
    }
}

TEST(Noise, GeneratorIsReproducible) {
    Rng a(42), b(42), c(43);
    for (int i = 0; i < 100; ++i) {
        uint64_t va = a.Next();
        EXPECT_EQ(va, b.Next());
        EXPECT_NE(va, c.Next());
    }
    Rng r(7);
    for (int i = 0; i < 1000; ++i) {
        float u = r.Unit();
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
        int k = r.Below(5);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 5);
    }
}

TEST(Paint, BlurKeepsTheTotalAndSpreads) {
    for (Edge edge : {Edge::Clamp, Edge::Wrap}) {
        Plane p(64, 48);
        p.at(32, 24) = 100.0f;
        Blur(p, 4.0f, edge);
        double sum = 0.0;
        for (float v : p.v) sum += v;
        EXPECT_NEAR(sum, 100.0, 1e-2);
        EXPECT_GT(p.at(32, 24), p.at(36, 24));
        EXPECT_GT(p.at(36, 24), p.at(40, 24));
        EXPECT_NEAR(p.at(30, 24), p.at(34, 24), 1e-4);  // symmetric
    }
    // Wrapping carries light across the border; clamping does not.
    Plane w(32, 8), c(32, 8);
    w.at(0, 4) = c.at(0, 4) = 1.0f;
    Blur(w, 2.0f, Edge::Wrap);
    Blur(c, 2.0f, Edge::Clamp);
    EXPECT_GT(w.at(31, 4), 0.01f);
    EXPECT_LT(c.at(31, 4), 1e-6f);
}

TEST(Paint, ResizeAveragesAndInterpolates) {
    Canvas c(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) c.at(x, y) = (x + y) % 2 ? Rgb{1, 1, 1} : Rgb{0, 0, 0};
    Canvas half = Resize(c, 4, 4);  // a checkerboard shrinks to flat grey
    for (const Rgb& p : half.px) EXPECT_NEAR(p.r, 0.5f, 1e-5f);
    Canvas odd = Resize(c, 3, 5);  // any factor keeps the mean
    double sum = 0.0;
    for (const Rgb& p : odd.px) sum += p.g;
    EXPECT_NEAR(sum / odd.px.size(), 0.5, 0.1);
    Plane ramp(2, 1);
    ramp.at(1, 0) = 1.0f;
    Plane big = Resize(ramp, 8, 1);
    for (int x = 1; x < 8; ++x) EXPECT_GE(big.at(x, 0), big.at(x - 1, 0));
}

TEST(Paint, ShapesKnowInsideFromOutside) {
    const float tri[] = {0, 0, 10, 0, 0, 10};
    EXPECT_LT(SdPolygon(2, 2, tri, 3), 0.0f);
    EXPECT_GT(SdPolygon(8, 8, tri, 3), 0.0f);
    EXPECT_NEAR(SdPolygon(5, -3, tri, 3), 3.0f, 1e-5f);
    EXPECT_NEAR(SdBox(13, 5, 5, 5, 4, 4), 4.0f, 1e-5f);
    EXPECT_NEAR(SdCircle(3, 4, 0, 0, 1), 4.0f, 1e-5f);
    EXPECT_NEAR(SdCapsule(5, 3, 0, 0, 10, 0, 1), 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(Coverage(-1.0f), 1.0f);
    EXPECT_FLOAT_EQ(Coverage(1.0f), 0.0f);
}

TEST(Runes, AreStrokeGlyphsInTheirBox) {
    for (uint32_t seed = 0; seed < 64; ++seed) {
        std::vector<Stroke> r = MakeRune(seed);
        ASSERT_GE(r.size(), 2u);  // a stave and at least one branch
        for (const Stroke& s : r) {
            EXPECT_GE(std::min({s.x0, s.x1, s.y0, s.y1}), 0.0f);
            EXPECT_LE(std::max({s.x0, s.x1, s.y0, s.y1}), 1.0f);
        }
        EXPECT_EQ(RuneDistance(r, 50.0f, 50.0f, 0, 0, 100),
                  RuneDistance(MakeRune(seed), 50.0f, 50.0f, 0, 0, 100));
    }
}

TEST(Lettering, CentresTextWhereAsked) {
    const Text t = SetText("Harvel", Face::Light, 40.0f, 0.06f, 3);
    ASSERT_GT(t.mask.w, 0);
    ASSERT_GT(t.capHeight, 20.0f);
    ASSERT_LT(t.capHeight, 40.0f);
    Canvas c(300, 100);
    const int left = TextLeft(t, 150.0f), top = TextTop(t, 50.0f);
    AddMask(c, t.mask, left, top, Rgb{1, 1, 1});
    // Ink bounds on the canvas: centred on 150 across; the capital H spans the cap height
    // centred on 50.
    int x0 = 300, x1 = -1, y0 = 100, y1 = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x)
            if (c.at(x, y).r > 0.5f) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                if (x < left + t.inkLeft + 8) {  // the H
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            }
    EXPECT_NEAR(0.5f * (x0 + x1 + 1), 150.0f, 1.5f);
    EXPECT_NEAR(0.5f * (y0 + y1 + 1), 50.0f, 1.5f);
    // Tracking widens the word.
    EXPECT_GT(SetText("Harvel", Face::Light, 40.0f, 0.3f).inkRight -
                  SetText("Harvel", Face::Light, 40.0f, 0.3f).inkLeft,
              t.inkRight - t.inkLeft + 40.0f);
    // UTF-8 is decoded: the middle dot is one glyph, not two broken ones.
    EXPECT_LT(SetText("a·b", Face::Book, 20.0f).mask.w, SetText("a??b", Face::Book, 20.0f).mask.w);
}

TEST(LetteringDeathTest, MissingFontIsAClearError) {
    // Run in a fresh process: fonts are loaded once per process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("KELVRA_FONT_DIR", "/nonexistent/fonts", 1);
            try {
                SetText("x", Face::Bold, 20.0f);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                std::exit(3);
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "cannot open font /nonexistent/fonts/DejaVuSans-Bold.ttf");
}

TEST(Finish, KeepsBlackBlackForAddedPictures) {
    Canvas c(16, 16);
    c.at(8, 8) = Rgb{0.8f, 0.6f, 0.3f};
    Develop d;
    d.keepBlack = true;
    d.vignette = 0.0f;
    const content::Image img = Finish(c, d);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t* p = img.at(x, y);
            if (x == 8 && y == 8) {
                EXPECT_GT(p[0], 150);
            } else {
                ASSERT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
            }
            ASSERT_EQ(p[3], 255);
        }
}

TEST(Finish, RollsOffHighlightsAndGrainsMidTones) {
    Canvas c(64, 64, Rgb{0.4f, 0.4f, 0.4f});
    c.at(0, 0) = Rgb{5.0f, 5.0f, 5.0f};
    Develop d;
    d.vignette = 0.0f;
    d.toning = 0.0f;
    const content::Image img = Finish(c, d);
    EXPECT_GE(img.at(0, 0)[0], 250);  // very bright reaches white without wrapping around
    int lo = 255, hi = 0;
    for (int y = 8; y < 64; ++y)
        for (int x = 8; x < 64; ++x) {
            lo = std::min<int>(lo, img.at(x, y)[1]);
            hi = std::max<int>(hi, img.at(x, y)[1]);
        }
    EXPECT_NEAR(0.5 * (lo + hi), 0.4 * 255, 6);
    EXPECT_GT(hi - lo, 4);  // grain
    EXPECT_LT(hi - lo, 40);
    Develop same = d;
    EXPECT_EQ(Finish(c, same).rgba, img.rgba);
    same.seed = 2;
    EXPECT_NE(Finish(c, same).rgba, img.rgba);
}

}  // namespace
