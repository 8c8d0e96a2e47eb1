#include "effects/overlays/DigitCounter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/OverlayFixture.h"

namespace {

using testing::ElementsAre;

std::string Text(float value) {
    char text[effects::kCounterTextSize];
    effects::FormatCounterText(value, text);
    return text;
}

TEST(CounterText, SevenSignificantDigitsWithTheTrailingPointKept) {
    EXPECT_EQ(Text(56.25f), "56.25");
    EXPECT_EQ(Text(60.0f), "60.");
    EXPECT_EQ(Text(1234567.8f), "1234568.");
    EXPECT_EQ(Text(0.1f), "0.1");
    EXPECT_EQ(Text(-2.5f), "-2.5");
    EXPECT_EQ(Text(0.0f), "0.");
}

TEST(CounterText, ExponentNotationOutsideTheFixedRange) {
    EXPECT_EQ(Text(0.05f), "5.e-02");
    EXPECT_EQ(Text(12345678.0f), "1.234568e+07");
    EXPECT_EQ(Text(10000000.0f), "1.e+07");
    EXPECT_EQ(Text(100000.0f), "100000.");
    EXPECT_EQ(Text(std::numeric_limits<float>::infinity()), "inf");
}

TEST(CounterText, PicturesAreTheDigitsAndOneSharedPicture) {
    EXPECT_EQ(effects::CounterPictureIndex('0'), 0);
    EXPECT_EQ(effects::CounterPictureIndex('9'), 9);
    for (char c : {'.', '-', '+', 'e', 'E', 'i', 'n'})
        EXPECT_EQ(effects::CounterPictureIndex(c), 10);
}

class DigitCounterTest : public testsupport::OverlayFixture {
  protected:
    void SetUp() override {
        OverlayFixture::SetUp();
        effects::digitCounter = effects::DigitCounter{};
        ASSERT_TRUE(effects::digitCounter.Create());
    }
};

TEST_F(DigitCounterTest, LoadsTheDigitsThenTheSharedPicture) {
    for (const auto* p : effects::digitCounter.pictures) EXPECT_NE(p, nullptr);
    const auto& t = effects::digitCounter.quadTemplate;
    EXPECT_EQ(t[2].x, 32.0f);
    EXPECT_EQ(t[2].y, 32.0f);
    EXPECT_TRUE(reports_.fatals.empty());
}

TEST_F(DigitCounterTest, WritesEachCharacterSixteenPixelsApart) {
    dev().clearCalls();
    effects::digitCounter.Draw(0, 0, 56.25f);
    ASSERT_EQ(dev().draws.size(), 5u);
    const int pictures[5] = {5, 6, 10, 2, 5};
    for (int i = 0; i < 5; ++i) {
        const auto& d = dev().draws[i];
        EXPECT_EQ(d.texture, effects::digitCounter.pictures[pictures[i]]) << i;
        EXPECT_EQ(d.vertices[0].x, 16.0f * i);
        EXPECT_EQ(d.vertices[2].x, 16.0f * i + 16.0f);
        EXPECT_EQ(d.vertices[2].y, 16.0f);
        EXPECT_EQ(d.pixelShader, 0u);
        EXPECT_EQ(d.srcBlend, static_cast<DWORD>(D3DBLEND_ONE));
        EXPECT_EQ(d.destBlend, static_cast<DWORD>(D3DBLEND_ONE));
    }
    // States restored at the end: culling none, lighting on, blending off, depth on.
    const auto calls = dev().callStrings();
    EXPECT_THAT(
        std::vector<std::string>(calls.end() - 4, calls.end()),
        ElementsAre("SetRenderState(D3DRS_CULLMODE, 1)", "SetRenderState(D3DRS_LIGHTING, 1)",
                    "SetRenderState(D3DRS_ALPHABLENDENABLE, 0)",
                    "SetRenderState(D3DRS_ZENABLE, 1)"));
}

TEST_F(DigitCounterTest, SixtyShowsTwoDigitsAndThePoint) {
    effects::digitCounter.Draw(100, 50, 60.0f);
    ASSERT_EQ(dev().draws.size(), 3u);
    EXPECT_EQ(dev().draws[2].texture, effects::digitCounter.pictures[10]);
    EXPECT_EQ(dev().draws[2].vertices[0].x, 132.0f);
    EXPECT_EQ(dev().draws[2].vertices[0].y, 50.0f);
}

TEST_F(DigitCounterTest, AnInfiniteRateShowsSharedPictures) {
    effects::digitCounter.Draw(0, 0, std::numeric_limits<float>::infinity());
    ASSERT_EQ(dev().draws.size(), 3u);
    for (const auto& d : dev().draws) EXPECT_EQ(d.texture, effects::digitCounter.pictures[10]);
}

}  // namespace
