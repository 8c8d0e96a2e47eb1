// Texture stage operations, arguments and cascades of the fixed-function pixel stage.
#include <gtest/gtest.h>

#include <cmath>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::GlDeviceTest;

// Texture (200, 100, 50, alpha 64), diffuse (128, 255, 64, alpha 192), factor (10, 20, 30, 96).
constexpr uint32_t kTexel = 0x40C86432, kDiffuse = 0xC080FF40, kFactor = 0x600A141E;

uint32_t Rgba(double a, double r, double g, double b) {
    auto c = [](double v) {
        return static_cast<uint32_t>(std::lround(255.0 * std::fmin(std::fmax(v, 0.0), 1.0)));
    };
    return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

struct OpCase {
    const char* name;
    DWORD op, arg1, arg2, arg0;
    double r, g, b;  // expected, 0..1
};

std::ostream& operator<<(std::ostream& os, const OpCase& c) { return os << c.name; }

// t = (0.784, 0.392, 0.196, a 0.251), d = (0.502, 1.0, 0.251, a 0.753), f = (0.039, 0.078,
// 0.118, a 0.376).
const double T[] = {200 / 255.0, 100 / 255.0, 50 / 255.0}, Ta = 64 / 255.0;
const double D[] = {128 / 255.0, 1.0, 64 / 255.0}, Da = 192 / 255.0;
const double F[] = {10 / 255.0, 20 / 255.0, 30 / 255.0}, Fa = 96 / 255.0;

const OpCase kOps[] = {
    {"SelectArg1", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, T[0], T[1], T[2]},
    {"SelectArg2", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, D[0], D[1], D[2]},
    {"Modulate", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, T[0] * D[0], T[1] * D[1],
     T[2] * D[2]},
    {"Modulate2x", D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 2 * T[0] * D[0],
     2 * T[1] * D[1], 2 * T[2] * D[2]},
    {"Modulate4x", D3DTOP_MODULATE4X, D3DTA_TEXTURE, D3DTA_TFACTOR, 0, 4 * T[0] * F[0],
     4 * T[1] * F[1], 4 * T[2] * F[2]},
    {"Add", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, T[0] + D[0], T[1] + D[1], T[2] + D[2]},
    {"AddSigned", D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, T[0] + D[0] - 0.5,
     T[1] + D[1] - 0.5, T[2] + D[2] - 0.5},
    {"Subtract", D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, T[0] - D[0], T[1] - D[1],
     T[2] - D[2]},
    {"AddSmooth", D3DTOP_ADDSMOOTH, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, T[0] + D[0] - T[0] * D[0],
     T[1] + D[1] - T[1] * D[1], T[2] + D[2] - T[2] * D[2]},
    {"BlendDiffuseAlpha", D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TEXTURE, D3DTA_TFACTOR, 0,
     T[0] * Da + F[0] * (1 - Da), T[1] * Da + F[1] * (1 - Da), T[2] * Da + F[2] * (1 - Da)},
    {"BlendTextureAlpha", D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0,
     T[0] * Ta + D[0] * (1 - Ta), T[1] * Ta + D[1] * (1 - Ta), T[2] * Ta + D[2] * (1 - Ta)},
    {"BlendFactorAlpha", D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0,
     T[0] * Fa + D[0] * (1 - Fa), T[1] * Fa + D[1] * (1 - Fa), T[2] * Fa + D[2] * (1 - Fa)},
    {"DotProduct3", D3DTOP_DOTPRODUCT3, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0,
     4 * ((T[0] - .5) * (D[0] - .5) + (T[1] - .5) * (D[1] - .5) + (T[2] - .5) * (D[2] - .5)),
     4 * ((T[0] - .5) * (D[0] - .5) + (T[1] - .5) * (D[1] - .5) + (T[2] - .5) * (D[2] - .5)),
     4 * ((T[0] - .5) * (D[0] - .5) + (T[1] - .5) * (D[1] - .5) + (T[2] - .5) * (D[2] - .5))},
    {"MultiplyAdd", D3DTOP_MULTIPLYADD, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTA_DIFFUSE,
     D[0] + T[0] * F[0], D[1] + T[1] * F[1], D[2] + T[2] * F[2]},
    {"Lerp", D3DTOP_LERP, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTA_DIFFUSE,
     D[0] * T[0] + (1 - D[0]) * F[0], D[1] * T[1] + (1 - D[1]) * F[1],
     D[2] * T[2] + (1 - D[2]) * F[2]},
    {"Complement", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, 0, 1 - T[0],
     1 - T[1], 1 - T[2]},
    {"AlphaReplicate", D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE, D3DTA_DIFFUSE, 0,
     Da, Da, Da},
    {"ModulateAlphaAddColor", D3DTOP_MODULATEALPHA_ADDCOLOR, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0,
     T[0] + Ta* D[0], T[1] + Ta* D[1], T[2] + Ta* D[2]},
};

class StageOps : public GlDeviceTest, public ::testing::WithParamInterface<OpCase> {};

TEST_P(StageOps, ColourOperation) {
    const OpCase& c = GetParam();
    plainStates();
    dev().SetTexture(0, texture(1, 1, {kTexel}));
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, kFactor);
    dev().SetTextureStageState(0, D3DTSS_COLOROP, c.op);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
    dev().SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
    dev().SetTextureStageState(0, D3DTSS_COLORARG0, c.arg0);
    drawScreenQuad(0, 0, 64, 64, kDiffuse);
    EXPECT_TRUE(ColorNear(pixel(9, 9), Rgba(1, c.r, c.g, c.b), 2));
}

INSTANTIATE_TEST_SUITE_P(Operations, StageOps, ::testing::ValuesIn(kOps),
                         [](const auto& info) { return std::string(info.param.name); });

class Stages : public GlDeviceTest {
  protected:
    // Reads the pixel drawn into an A8R8G8B8 render target, so alpha can be checked.
    uint32_t drawAndReadWithAlpha(D3DCOLOR diffuse) {
        gfx::Texture* rt = nullptr;
        dev().CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                            &rt);
        gfx::Surface *target, *depth;
        rt->GetSurfaceLevel(0, &target);
        dev().GetDepthStencilSurface(&depth);
        dev().SetRenderTarget(target, depth);
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        drawScreenQuad(0, 0, 64, 64, diffuse);
        return pixel(5, 5, target);
    }
};

TEST_F(Stages, DefaultModulateWithoutATextureShowsTheDiffuseColour) {
    dev().SetRenderState(D3DRS_LIGHTING, FALSE);
    dev().SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawScreenQuad(0, 0, 64, 64, 0xFF336699);
    EXPECT_EQ(pixel(5, 5), 0xFF336699u);
}

TEST_F(Stages, DisabledFirstStagePassesTheDiffuseColour) {
    plainStates();
    dev().SetTexture(0, texture(1, 1, {kTexel}));
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    drawScreenQuad(0, 0, 64, 64, 0xFF336699);
    EXPECT_EQ(pixel(5, 5), 0xFF336699u);
}

// An operation reading D3DTA_TEXTURE on a stage without a texture passes the current colour
// and alpha on unchanged: on stage 0, the diffuse colour.
TEST_F(Stages, TextureArgumentsOfAStageWithoutATexturePassTheColourOn) {
    plainStates();
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev().SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, kFactor);
    EXPECT_EQ(drawAndReadWithAlpha(kDiffuse), kDiffuse);
    // A later stage passes what the stages before it made: the factor here.
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    dev().SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    dev().SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_ADD);
    dev().SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    EXPECT_EQ(drawAndReadWithAlpha(kDiffuse), kFactor);
    // SELECTARG2 of a texture in argument 1 does not read the texture: it selects as asked.
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    EXPECT_EQ(drawAndReadWithAlpha(kDiffuse), (kFactor & 0xFF000000u) | (kDiffuse & 0xFFFFFFu));
}

// Four stages reading textures with none bound (the screen effect quad of the backwards water
// segment draws so): the diffuse colour comes through, not white.
TEST_F(Stages, FourUnboundStagesShowTheDiffuseColour) {
    plainStates();
    for (DWORD stage = 0; stage < 4; ++stage) {
        dev().SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_ADD);
        dev().SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev().SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_CURRENT);
        dev().SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        dev().SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        dev().SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    }
    EXPECT_EQ(drawAndReadWithAlpha(0x80204060), 0x80204060u);
}

TEST_F(Stages, AlphaOperationsAndTheCascade) {
    plainStates();
    dev().SetTexture(0, texture(1, 1, {kTexel}));
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, kFactor);
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev().SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev().SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    // Stage 1 adds the factor to the colour and keeps the alpha.
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev().SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    EXPECT_TRUE(ColorNear(drawAndReadWithAlpha(kDiffuse),
                          Rgba(Ta * Da, T[0] * D[0] + F[0], T[1] * D[1] + F[1], T[2] * D[2] + F[2]),
                          2));
}

TEST_F(Stages, OpacityMapCombinationOfTheSceneDrawing) {
    // Colour from stage 0, alpha from the second texture's alpha; the factor is 0.
    plainStates();
    dev().SetTexture(0, texture(1, 1, {0xFF804020}));
    dev().SetTexture(1, texture(1, 1, {0x7FFFFFFF}));
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, 0);
    dev().SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    dev().SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    dev().SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    dev().SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    dev().SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    EXPECT_TRUE(ColorNear(drawAndReadWithAlpha(0xFFFFFFFF), 0x7F804020, 1));
}

TEST_F(Stages, TempResultAndSpecularArgument) {
    plainStates();
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_SPECULAR);
    dev().SetTextureStageState(0, D3DTSS_RESULTARG, D3DTA_TEMP);
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEMP);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);  // still the diffuse
    struct V {
        float x, y, z, rhw;
        D3DCOLOR diffuse, specular;
    };
    const V quad[] = {{0, 0, 0.5f, 1, 0xFF100000, 0xFF000020},
                      {64, 0, 0.5f, 1, 0xFF100000, 0xFF000020},
                      {64, 64, 0.5f, 1, 0xFF100000, 0xFF000020},
                      {0, 64, 0.5f, 1, 0xFF100000, 0xFF000020}};
    dev().SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), sizeof(V));
    dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    EXPECT_EQ(pixel(5, 5), 0xFF100020u);
}

TEST_F(Stages, TexCoordIndexPicksTheCoordinateSet) {
    plainStates();
    // Texture: left half red, right half green; set 0 puts u = 0.25, set 1 u = 0.75.
    dev().SetTexture(0, texture(2, 1, {0xFFFF0000, 0xFF00FF00}));
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    struct V {
        float x, y, z, rhw;
        float u0, v0, u1, v1;
    };
    const V quad[] = {{0, 0, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f},
                      {64, 0, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f},
                      {64, 64, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f},
                      {0, 64, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f}};
    dev().SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX2);
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), sizeof(V));
    dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    EXPECT_EQ(pixel(5, 5), 0xFFFF0000u);
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    EXPECT_EQ(pixel(5, 5), 0xFF00FF00u);
}

}  // namespace
