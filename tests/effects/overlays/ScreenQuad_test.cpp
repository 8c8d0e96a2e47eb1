#include "effects/overlays/ScreenQuad.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/OverlayFixture.h"

namespace {

using effects::ScreenVertex;
using testing::ElementsAre;

class ScreenQuadTest : public testsupport::OverlayFixture {
  protected:
    void SetUp() override {
        OverlayFixture::SetUp();
        effects::fadeQuad = effects::ScreenQuad{};
        effects::pictureQuad = effects::ScreenQuad{};
        ASSERT_TRUE(effects::fadeQuad.Create("!shaders\\fade.pso", false));
        ASSERT_TRUE(effects::pictureQuad.Create("!shaders\\logo.pso", true));
    }
    static std::vector<ScreenVertex> Vertices(const gfx::VertexBuffer* vb) {
        std::vector<ScreenVertex> v(4);
        std::memcpy(v.data(), vb->data(), 4 * sizeof(ScreenVertex));
        return v;
    }
};

TEST(ScreenQuadStrength, IsAlphaOver255InEveryComponent) {
    float c0[4];
    effects::StrengthConstant(0, c0);
    EXPECT_THAT(c0, ElementsAre(0.0f, 0.0f, 0.0f, 0.0f));
    effects::StrengthConstant(255, c0);
    EXPECT_THAT(c0,
                ElementsAre(testing::FloatNear(1.0f, 1e-6f), testing::_, testing::_, testing::_));
    effects::StrengthConstant(128, c0);
    for (float v : c0) EXPECT_NEAR(v, 0.50196f, 1e-5f);
    // Above 255 the constant passes 1; the pixel stage limits it.
    effects::StrengthConstant(300, c0);
    EXPECT_NEAR(c0[3], 1.17647f, 1e-5f);
}

TEST_F(ScreenQuadTest, FullScreenBufferCoversTheDisplayInFanOrder) {
    const auto v = Vertices(effects::pictureQuad.fullVertexBuffer);
    const float xy[4][2] = {{0, 0}, {800, 0}, {800, 600}, {0, 600}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, xy[i][0]);
        EXPECT_EQ(v[i].y, xy[i][1]);
        EXPECT_EQ(v[i].z, 1.0f);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].diffuse, 0xFFFFFFFFu);
        EXPECT_EQ(v[i].u, uv[i][0]);
        EXPECT_EQ(v[i].v, uv[i][1]);
    }
    EXPECT_NE(effects::pictureQuad.sizedVertexBuffer, nullptr);
    EXPECT_EQ(effects::fadeQuad.sizedVertexBuffer, nullptr);
    // The fade quad's program first, then the picture quad's.
    const auto shaders = dev().callsNamed("CreatePixelShader");
    ASSERT_EQ(shaders.size(), 2u);
    EXPECT_EQ(shaders[0].result, "ps#" + std::to_string(effects::fadeQuad.pixelProgram));
    EXPECT_EQ(shaders[1].result, "ps#" + std::to_string(effects::pictureQuad.pixelProgram));
}

TEST_F(ScreenQuadTest, DrawFullSetsItsStatesAroundOneFan) {
    dev().clearCalls();
    effects::pictureQuad.alpha = 128;
    effects::pictureQuad.DrawFull();
    const std::string vb = gfx::ResourceName(effects::pictureQuad.fullVertexBuffer);
    EXPECT_THAT(
        dev().callStrings(),
        ElementsAre("SetTextureStageState(0, D3DTSS_ADDRESSU, 3)",
                    "SetTextureStageState(0, D3DTSS_ADDRESSV, 3)",
                    "SetTextureStageState(0, D3DTSS_ADDRESSW, 3)", "SetPixelShaderConstant(0, 1)",
                    "SetPixelShader(ps#2)", "SetRenderState(D3DRS_CULLMODE, 1)",
                    "SetRenderState(D3DRS_ZENABLE, 0)", "SetRenderState(D3DRS_LIGHTING, 0)",
                    "SetVertexShader(0x144)", "SetStreamSource(0, " + vb + ", 28)",
                    "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", "SetRenderState(D3DRS_ZENABLE, 1)"));
    const auto constants = dev().callsNamed("SetPixelShaderConstant");
    for (float v : constants[0].floats) EXPECT_NEAR(v, 0.50196f, 1e-5f);
}

TEST_F(ScreenQuadTest, DrawSizedWritesARectangleAtTheTopLeft) {
    dev().clearCalls();
    effects::pictureQuad.alpha = 128;
    effects::pictureQuad.DrawSized(256, 256);
    ASSERT_EQ(dev().draws.size(), 1u);
    const auto& v = dev().draws[0].vertices;
    const float xy[4][2] = {{0, 0}, {256, 0}, {256, 256}, {0, 256}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, xy[i][0]);
        EXPECT_EQ(v[i].y, xy[i][1]);
        EXPECT_EQ(v[i].diffuse, 0xFF808080u);  // opaque, grey level = alpha
    }
    const std::string vb = gfx::ResourceName(effects::pictureQuad.sizedVertexBuffer);
    EXPECT_THAT(
        dev().callStrings(),
        ElementsAre("SetTextureStageState(0, D3DTSS_ADDRESSU, 3)",
                    "SetTextureStageState(0, D3DTSS_ADDRESSV, 3)", "SetPixelShaderConstant(0, 1)",
                    "SetPixelShader(ps#2)", "SetRenderState(D3DRS_CULLMODE, 1)",
                    "SetRenderState(D3DRS_LIGHTING, 0)", "SetRenderState(D3DRS_ZENABLE, 0)",
                    "SetVertexShader(0x144)", "SetStreamSource(0, " + vb + ", 28)",
                    "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", "SetRenderState(D3DRS_ZENABLE, 1)"));
}

TEST_F(ScreenQuadTest, DrawFadeLeavesAddressingAndLightingAlone) {
    dev().clearCalls();
    effects::fadeQuad.alpha = 255;
    effects::fadeQuad.DrawFade();
    const std::string vb = gfx::ResourceName(effects::fadeQuad.fullVertexBuffer);
    EXPECT_THAT(
        dev().callStrings(),
        ElementsAre("SetPixelShader(ps#1)", "SetPixelShaderConstant(0, 1)",
                    "SetRenderState(D3DRS_CULLMODE, 1)", "SetRenderState(D3DRS_ZENABLE, 0)",
                    "SetVertexShader(0x144)", "SetStreamSource(0, " + vb + ", 28)",
                    "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", "SetRenderState(D3DRS_ZENABLE, 1)"));
    EXPECT_NEAR(dev().draws[0].c0[0], 1.0f, 1e-6f);
}

TEST(ScreenQuadWithoutDevice, CreateFailsAndDrawsDoNothing) {
    gfx::RenderDevice* previous = RenderDevice;
    RenderDevice = nullptr;
    effects::ScreenQuad quad;
    EXPECT_FALSE(quad.Create("!shaders\\logo.pso", true));
    quad.DrawFull();
    quad.DrawSized(10, 10);
    quad.DrawFade();
    RenderDevice = previous;
}

}  // namespace
