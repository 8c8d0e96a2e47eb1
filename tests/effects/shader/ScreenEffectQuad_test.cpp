#include "effects/shader/ScreenEffectQuad.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "effects/shader/BumpLitPasses.h"
#include "support/OverlayFixture.h"

namespace {

using effects::ScreenEffectQuad;
using testing::ElementsAre;

class ScreenEffectQuadTest : public testsupport::OverlayFixture {
  protected:
    void SetUp() override {
        OverlayFixture::SetUp();
        quad_.init();
        dev().CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &first_);
        dev().CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &second_);
        quad_.firstTexture = first_;
        quad_.secondTexture = second_;
        dev().clearCalls();
    }
    gfx::BaseTexture* Stage(DWORD stage) { return dev().state().textures[stage]; }

    ScreenEffectQuad quad_;
    gfx::Texture* first_ = nullptr;
    gfx::Texture* second_ = nullptr;
};

TEST_F(ScreenEffectQuadTest, InitMakesTheQuadAndFivePrograms) {
    ScreenEffectQuad q;
    dev().clearCalls();
    q.init();
    std::vector<std::string> creations;
    for (const auto& c : dev().calls())
        if (c.name.rfind("Create", 0) == 0) creations.push_back(c.name + " " + c.result);
    ASSERT_EQ(creations.size(), 6u);
    EXPECT_EQ(creations[0].rfind("CreateVertexBuffer", 0), 0u);
    EXPECT_THAT(dev().calls()[0].args, ElementsAre("80", "0x0", "0x102", "1"));
    EXPECT_EQ(creations[1], "CreatePixelShader ps#" + std::to_string(q.shEf1));
    EXPECT_EQ(creations[2], "CreatePixelShader ps#" + std::to_string(q.shEf2));
    EXPECT_EQ(creations[3], "CreatePixelShader ps#" + std::to_string(q.shEf3));
    EXPECT_EQ(creations[4].rfind("CreateVertexShader", 0), 0u);
    EXPECT_EQ(q.texelStep, 1.0f / 256);
    EXPECT_EQ(q.bumpScale, 0.2f);
    // Clip-space corners, coordinates shifted by 0.0025.
    effects::QuadVertex v[4];
    std::memcpy(v, q.quad->data(), sizeof v);
    EXPECT_EQ(v[0].position[0], -1.0f);
    EXPECT_EQ(v[0].position[1], -1.0f);
    EXPECT_EQ(v[0].uv[0], 0.0025f);
    EXPECT_EQ(v[0].uv[1], 1.0025f);
    EXPECT_EQ(v[2].position[0], 1.0f);
    EXPECT_EQ(v[2].uv[1], 0.0025f);
    EXPECT_EQ(v[3].position[2], 1.0f);
}

TEST_F(ScreenEffectQuadTest, ModeThreeLeavesThePixelProgramOnTheDevice) {
    dev().SetPixelShader(quad_.shEf2);
    quad_.selectMode(3);
    dev().clearCalls();
    quad_.drawFull();
    EXPECT_TRUE(dev().callsNamed("SetPixelShader").empty());
    EXPECT_EQ(dev().state().pixelShader, quad_.shEf2);
    EXPECT_EQ(dev().state().vertexShader, quad_.shEf);
    EXPECT_EQ(Stage(1), first_);
}

TEST_F(ScreenEffectQuadTest, ModeZeroSamplesTheSecondTextureOnStageOneOnly) {
    quad_.selectMode(0);
    quad_.bumpScale = 0.35f;
    quad_.drawFull();
    EXPECT_EQ(Stage(0), first_);
    EXPECT_EQ(Stage(1), second_);
    EXPECT_EQ(Stage(2), first_);
    EXPECT_EQ(Stage(3), first_);
    EXPECT_EQ(dev().state().pixelShader, quad_.shEf1);
    EXPECT_NE(dev().find("SetTextureStageState(2, D3DTSS_BUMPENVMAT00, 0.35)"), -1);
    EXPECT_NE(dev().find("SetTextureStageState(2, D3DTSS_BUMPENVMAT11, 0.35)"), -1);
    EXPECT_NE(dev().find("SetTextureStageState(4, D3DTSS_ADDRESSV, 3)"), -1);
    // One draw, then four states restored.
    const auto calls = dev().callStrings();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_THAT(
        std::vector<std::string>(calls.end() - 5, calls.end()),
        ElementsAre("DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", "SetRenderState(D3DRS_CULLMODE, 2)",
                    "SetRenderState(D3DRS_LIGHTING, 1)",
                    "SetRenderState(D3DRS_ALPHABLENDENABLE, 0)",
                    "SetRenderState(D3DRS_ZENABLE, 1)"));
    // Vertex constants: c13 from the texel step, c14 to c16 the fixed offset form.
    for (const auto& c : dev().callsNamed("SetVertexShaderConstant")) {
        if (c.args[0] == "13") {
            EXPECT_THAT(c.floats, ElementsAre(0.0078125f, 0.00390625f, 0.00390625f, 0.5f));
        }
        if (c.args[0] == "14") {
            EXPECT_THAT(c.floats, ElementsAre(0.002f, 0.0f, 0.5f, 0.5f));
        }
    }
}

TEST_F(ScreenEffectQuadTest, PreparePutsTheStrengthInCZeroAndDrawsNothing) {
    quad_.selectMode(1);
    quad_.strength = 0.265f;
    quad_.prepare();
    EXPECT_TRUE(dev().callsNamed("DrawPrimitive").empty());
    EXPECT_TRUE(dev().callsNamed("SetTexture").empty());
    const auto c0 = dev().callsNamed("SetPixelShaderConstant");
    ASSERT_EQ(c0.size(), 1u);
    EXPECT_THAT(c0[0].floats, ElementsAre(0.265f, 0.265f, 0.265f, 0.265f));
    EXPECT_EQ(dev().state().pixelShader, quad_.shEf3);
    EXPECT_EQ(dev().state().vertexShader, quad_.shEf1Vertex);
    EXPECT_EQ(dev().callStrings().back(), "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)");
    EXPECT_NE(dev().find("SetStreamSource(0, " + gfx::ResourceName(quad_.quad) + ", 20)"), -1);
    EXPECT_EQ(dev().find("SetTextureStageState(4, D3DTSS_ADDRESSU, 3)"), -1);

    dev().clearCalls();
    quad_.drawQuad();
    EXPECT_THAT(dev().callStrings(), ElementsAre("DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)"));
}

TEST_F(ScreenEffectQuadTest, AnUnknownModeIsKeptAndChangesNoProgram) {
    quad_.selectMode(2);
    quad_.selectMode(7);
    EXPECT_EQ(quad_.mode, 7);
    EXPECT_EQ(quad_.pixelProgram, quad_.shEf2);
    EXPECT_EQ(quad_.vertexProgram, quad_.shEf1Vertex);
}

}  // namespace
