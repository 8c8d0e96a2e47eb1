#include "effects/overlays/PictureSprite.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/OverlayFixture.h"

namespace {

using testing::ElementsAre;

class PictureSpriteTest : public testsupport::OverlayFixture {
  protected:
    void TearDown() override {
        effects::ScreenScale = 1.0f;
        OverlayFixture::TearDown();
    }
    // The rectangle of the last draw: left, top, right, bottom.
    std::vector<float> LastRectangle() {
        const auto& v = dev().draws.back().vertices;
        return {v[0].x, v[0].y, v[2].x, v[2].y};
    }
};

TEST_F(PictureSpriteTest, TitleSpriteScalesWithTheDisplayWidth) {
    effects::ScreenScale = 800 * 0.00125f;
    effects::CreateTitleSprite();
    effects::titleSprite.Draw();
    EXPECT_THAT(LastRectangle(), ElementsAre(150, 270, 662, 334));

    effects::ScreenScale = 1024 * 0.00125f;  // 1.28
    effects::CreateTitleSprite();
    effects::titleSprite.Draw();
    const auto r = LastRectangle();
    EXPECT_FLOAT_EQ(r[0], 192.0f);
    EXPECT_FLOAT_EQ(r[1], 345.6f);
    EXPECT_FLOAT_EQ(r[2], 847.36f);
    EXPECT_FLOAT_EQ(r[3], 427.52f);
}

TEST_F(PictureSpriteTest, DrawIsOneFanWithTheSpritesOwnTextureAndStrength) {
    effects::PictureSprite sprite;
    sprite.pictureName = "!textures\\tarn.jpg";
    ASSERT_TRUE(sprite.Create());
    ASSERT_NE(sprite.texture, nullptr);
    sprite.x = 10;
    sprite.y = 20;
    sprite.width = 256;
    sprite.height = 128;
    sprite.alpha = 0.0f;  // still drawn, with a zero constant
    dev().clearCalls();
    sprite.Draw();
    const std::string vb = gfx::ResourceName(sprite.vertexBuffer);
    const std::string ps = gfx::RecordingDevice::PixelShaderName(sprite.pixelProgram);
    EXPECT_THAT(
        dev().callStrings(),
        ElementsAre("SetTextureStageState(0, D3DTSS_ADDRESSU, 3)",
                    "SetTextureStageState(0, D3DTSS_ADDRESSV, 3)",
                    "SetTexture(0, " + gfx::ResourceName(sprite.texture) + ")",
                    "SetPixelShader(" + ps + ")", "SetPixelShaderConstant(0, 1)",
                    "SetRenderState(D3DRS_LIGHTING, 0)", "SetRenderState(D3DRS_CULLMODE, 1)",
                    "SetRenderState(D3DRS_ZENABLE, 0)", "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
                    "SetVertexShader(0x144)", "SetStreamSource(0, " + vb + ", 28)",
                    "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", "SetRenderState(D3DRS_ZENABLE, 1)"));
    EXPECT_THAT(dev().draws.back().c0, ElementsAre(0, 0, 0, 0));
    EXPECT_THAT(LastRectangle(), ElementsAre(10, 20, 266, 148));
    const auto& v = dev().draws.back().vertices;
    EXPECT_EQ(v[1].u, 1.0f);
    EXPECT_EQ(v[3].v, 1.0f);
    EXPECT_EQ(v[2].rhw, 1.0f);
    EXPECT_EQ(v[0].diffuse, 0xFFFFFFFFu);
    // The sprite does not choose the blend factors.
    EXPECT_EQ(dev().find("SetRenderState(D3DRS_SRCBLEND, 2)"), -1);
}

TEST_F(PictureSpriteTest, CreditSpritesTakeTheirPicturesInOrderAndAScaledSize) {
    effects::ScreenScale = 1.0f;
    effects::NameCreditSprites();
    effects::CreateCreditSprites();
    EXPECT_EQ(effects::creditSprites[0].pictureName, "!textures\\tarn.jpg");
    EXPECT_EQ(effects::creditSprites[7].pictureName, "!textures\\yeld.jpg");
    for (const auto& s : effects::creditSprites) {
        EXPECT_NE(s.texture, nullptr);
        EXPECT_EQ(s.width, 256.0f);
        EXPECT_EQ(s.height, 128.0f);
        EXPECT_EQ(s.x, 100.0f);
    }
}

}  // namespace
