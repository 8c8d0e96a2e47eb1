// Blend factors and operations against the original API's definitions, computed by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::GlDeviceTest;

// Destination 0x406080 (an opaque X8R8G8B8 back buffer), source 0x40C86432.
constexpr D3DCOLOR kDest = 0xFF406080;
constexpr D3DCOLOR kSource = 0x40C86432;

struct BlendCase {
    D3DBLEND src, dst;
    D3DBLENDOP op;
    uint32_t expected;  // 0x00RRGGBB
};

std::ostream& operator<<(std::ostream& os, const BlendCase& c) {
    return os << "src " << c.src << " dst " << c.dst << " op " << c.op;
}

// s = (200, 100, 50) / 255, alpha 64 / 255 = 0.25098; d = (64, 96, 128) / 255, alpha 1.
const BlendCase kCases[] = {
    {D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0xC86432},
    {D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_ADD, 0x406080},
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFFC4B2},
    // 0.25098 s + 0.74902 d
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0x62616C},
    {D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0x62616C},
    {D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0xA66346},
    // s * d, the surface pass of the bump-lit scenes
    {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0x322619},
    {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 0x322619},
    {D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0x963E19},
    {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD, 0x0E3A67},
    // the back buffer has no alpha channel: destination alpha reads 1
    {D3DBLEND_DESTALPHA, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0xC86432},
    {D3DBLEND_INVDESTALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 0x406080},
    // f = min(as, 1 - ad) = 0
    {D3DBLEND_SRCALPHASAT, D3DBLEND_ONE, D3DBLENDOP_ADD, 0x406080},
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_SUBTRACT, 0x880400},
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0x00004E},
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MIN, 0x406032},
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MAX, 0xC86480},
};

class BlendFactors : public GlDeviceTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(BlendFactors, MatchTheirDefinition) {
    const BlendCase& c = GetParam();
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, kDest, 1.0f, 0);
    dev().SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev().SetRenderState(D3DRS_SRCBLEND, c.src);
    dev().SetRenderState(D3DRS_DESTBLEND, c.dst);
    dev().SetRenderState(D3DRS_BLENDOP, c.op);
    drawScreenQuad(0, 0, 64, 64, kSource);
    EXPECT_TRUE(ColorNear(pixel(20, 20), 0xFF000000u | c.expected, 1));
}

INSTANTIATE_TEST_SUITE_P(AllFactors, BlendFactors, ::testing::ValuesIn(kCases));

class Blending : public GlDeviceTest {};

TEST_F(Blending, FactorsAreIgnoredWhileBlendingIsOff) {
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, kDest, 1.0f, 0);
    dev().SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev().SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    dev().SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    drawScreenQuad(0, 0, 64, 64, kSource);
    EXPECT_TRUE(ColorNear(pixel(5, 5), 0xFFC86432, 1));
}

TEST_F(Blending, ColourWriteEnableMasksChannels) {
    plainStates();
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, kDest, 1.0f, 0);
    dev().SetRenderState(D3DRS_COLORWRITEENABLE, 0x1 | 0x4);  // red and blue
    drawScreenQuad(0, 0, 64, 64, kSource);
    EXPECT_TRUE(ColorNear(pixel(5, 5), 0xFFC86032, 1));
}

// An X8R8G8B8 target has no alpha to write: a translucent draw leaves destination alpha at 1
// for the draws after it, whichever colour channels are written.
TEST_F(Blending, TargetsWithoutAlphaKeepDestinationAlphaAtOne) {
    for (DWORD writeMask : {0xFu, 0x7u}) {
        plainStates();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, kDest, 1.0f, 0);
        dev().SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        dev().SetRenderState(D3DRS_COLORWRITEENABLE, writeMask);
        drawScreenQuad(0, 0, 64, 64, kSource);  // alpha 0.25 would land here if it were kept
        dev().SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        // white * (1 - ad) + d * ad: the first draw's colour while ad is 1
        dev().SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev().SetRenderState(D3DRS_SRCBLEND, D3DBLEND_INVDESTALPHA);
        dev().SetRenderState(D3DRS_DESTBLEND, D3DBLEND_DESTALPHA);
        drawScreenQuad(0, 0, 64, 64, 0xFFFFFFFF);
        EXPECT_TRUE(ColorNear(pixel(20, 20), 0xFFC86432, 1)) << "write mask " << writeMask;
    }
}

TEST_F(Blending, StatesPersistAcrossDrawsAndFrames) {
    plainStates();
    dev().SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev().SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev().SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    for (int frame = 0; frame < 3; ++frame) {
        dev().BeginScene();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        drawScreenQuad(0, 0, 64, 64, 0xFF101010);
        drawScreenQuad(0, 0, 64, 64, 0xFF101010);
        dev().EndScene();
        dev().Present(nullptr, nullptr, nullptr, nullptr);
        EXPECT_TRUE(ColorNear(pixel(1, 1), 0xFF202020, 1)) << "frame " << frame;
    }
}

}  // namespace
