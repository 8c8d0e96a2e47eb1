// Shader programs run through the device itself: the builder's prologue and epilogue, the
// constants and stage states the device uploads, the textures it binds. Each program is
// assembled, created, drawn over a small target and its pixels compared with values worked
// out by hand from the instruction definitions (8-bit results, within a step or two).
#include <gtest/gtest.h>

#include "gfx/shader/Assembler.h"
#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::GlDeviceTest;

class ProgramExec : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }

    std::vector<uint32_t> assemble(const std::string& source) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_TRUE(gfx::shader::Assemble(source, "test", tokens, error)) << error;
        return tokens;
    }

    DWORD pixelProgram(const std::string& source) {
        const auto tokens = assemble(source);
        DWORD handle = 0;
        EXPECT_EQ(
            dev().CreatePixelShader(tokens.data(), static_cast<UINT>(tokens.size() * 4), &handle),
            D3D_OK)
            << source;
        return handle;
    }

    // A texture whose texel (i, j) holds red 16 i and green 16 j, so a point sample tells
    // where it was taken.
    gfx::Texture* coordinateTexture() {
        std::vector<uint32_t> texels;
        for (uint32_t j = 0; j < 16; ++j)
            for (uint32_t i = 0; i < 16; ++i)
                texels.push_back(0xFF000000u | (i * 16) << 16 | j * 16 << 8);
        return texture(16, 16, texels);
    }

    void stageFloat(DWORD stage, D3DTEXTURESTAGESTATETYPE type, float value) {
        dev().SetTextureStageState(stage, type, FloatToDWORD(value));
    }

    // The whole 64 x 64 target with texture coordinates (u, v) everywhere.
    void drawAt(float u, float v, D3DCOLOR diffuse = 0xFFFFFFFF) {
        drawScreenQuad(0, 0, 64, 64, diffuse, u, v, u, v);
    }
};

TEST_F(ProgramExec, TexbemAndTexbemlUseTheMatrixAndLuminanceOfTheirStage) {
    // Bump texel (du, dv, l) = (128, 64, 255) / 255.
    dev().SetTexture(0, texture(1, 1, {0xFF8040FF}));
    dev().SetTexture(1, coordinateTexture());
    // Stage 0's matrix and stage 2's must not be used.
    for (DWORD s : {0u, 2u})
        for (auto t :
             {D3DTSS_BUMPENVMAT00, D3DTSS_BUMPENVMAT01, D3DTSS_BUMPENVMAT10, D3DTSS_BUMPENVMAT11})
            stageFloat(s, t, 0.9f);
    stageFloat(1, D3DTSS_BUMPENVMAT00, 0.25f);
    stageFloat(1, D3DTSS_BUMPENVMAT01, 0.5f);
    stageFloat(1, D3DTSS_BUMPENVMAT10, 0.125f);
    stageFloat(1, D3DTSS_BUMPENVMAT11, 0.625f);
    stageFloat(1, D3DTSS_BUMPENVLSCALE, 0.5f);
    stageFloat(1, D3DTSS_BUMPENVLOFFSET, 0.25f);
    stageFloat(0, D3DTSS_BUMPENVLSCALE, 0.0f);
    // Coordinate set 1 is (0, 0): u' = 0.25 du + 0.125 dv = 0.157 (texel 2),
    // v' = 0.5 du + 0.625 dv = 0.408 (texel 6).
    dev().SetPixelShader(pixelProgram("ps.1.1\ntex t0\ntexbem t1, t0\nmov r0, t1\n"));
    drawAt(0.5f, 0.5f);
    EXPECT_TRUE(ColorNear(pixel(20, 20), 0xFF206000, 1));
    // Luminance 0.5 * 1 + 0.25 scales the colour, not the alpha.
    dev().SetPixelShader(pixelProgram("ps.1.1\ntex t0\ntexbeml t1, t0\nmov r0, t1\n"));
    drawAt(0.5f, 0.5f);
    EXPECT_TRUE(ColorNear(pixel(20, 20), 0xFF184800, 1));
}

TEST_F(ProgramExec, Ps14DependentReadAcrossThePhase) {
    dev().SetTexture(1, coordinateTexture());
    // Phase 1 copies the coordinates (texel 6, 2) and sets r2.a; phase 2 samples stage 1 at
    // them, scales by the diffuse colour and shows r2.a in blue: lost at the phase marker.
    dev().SetPixelShader(
        pixelProgram("ps.1.4\ndef c0, 0, 0, 0, 1\ntexcrd r2.rgb, t0\nmov r2.a, c0.a\nphase\n"
                     "texld r1, r2\nmul r0.rg, r1, v0\nmov r0.b, r2.a\nmov r0.a, c0.a\n"));
    drawAt(6.5f / 16, 2.5f / 16, 0xFF808080);
    EXPECT_TRUE(ColorNear(pixel(20, 20), 0xFF301000, 1));
    // texld with _dw: (u, v, 0, 1) divided by w is the same point.
    dev().SetPixelShader(pixelProgram("ps.1.4\ntexld r1, t0_dw.xyw\nmov r0, r1\n"));
    drawAt(6.5f / 16, 2.5f / 16);
    EXPECT_TRUE(ColorNear(pixel(20, 20), 0xFF602000, 1));
}

TEST_F(ProgramExec, DefinedConstantsTakePrecedenceOverSetOnes) {
    const float c0[4] = {0.5f, 0.25f, 0, 0};
    const float c1[4] = {1, 1, 1, 1};
    dev().SetPixelShaderConstant(0, c0, 1);
    dev().SetPixelShaderConstant(1, c1, 1);  // hidden by the program's def c1
    dev().SetPixelShader(pixelProgram("ps.1.1\ndef c1, 0.25, 0.5, 0.75, 1\nadd r0, c0, c1\n"));
    drawAt(0, 0);
    EXPECT_TRUE(ColorNear(pixel(10, 10), 0xFFBFBFBF, 1));
    // Changing a set constant between draws reaches the program.
    const float c0b[4] = {0, 0, 0.25f, 0};
    dev().SetPixelShaderConstant(0, c0b, 1);
    drawAt(0, 0);
    EXPECT_TRUE(ColorNear(pixel(10, 10), 0xFF4080FF, 1));
}

TEST_F(ProgramExec, ConstantsAndRegistersAreClampedToPlusMinusOne) {
    const float c[5][4] = {{2, 2, 2, 2},
                           {-0.75f, -0.5f, -0.25f, 0},
                           {0.5f, 0.5f, 0, 0},
                           {0.75f, 0, 0, 1},
                           {-0.75f, 0.75f, 0, 0}};
    dev().SetPixelShaderConstant(0, c, 5);
    // c0 reads as 1: (0.25, 0.5, 0.75), where 2 + c1 would saturate to white.
    dev().SetPixelShader(pixelProgram("ps.1.1\nadd r0, c0, c1\n"));
    drawAt(0, 0);
    EXPECT_TRUE(ColorNear(pixel(10, 10), 0xFF4080BF, 1));
    // r1 = 2 (c4 + c4) = (-3, 3) holds (-1, 1): r1 c2 + c3 = (0.25, 0.5), not (-0.75, 1.5).
    dev().SetPixelShader(pixelProgram("ps.1.1\nadd_x2 r1, c4, c4\nmad r0, r1, c2, c3\n"));
    drawAt(0, 0);
    EXPECT_TRUE(ColorNear(pixel(10, 10), 0xFF408000, 1));
}

TEST_F(ProgramExec, VertexProgramConstantsFromTheDeclarationAndTheDevice) {
    // c5 comes with the declaration (loaded each time the program is selected); c0, c4, c6
    // and c8 are set on the device.
    const DWORD decl[] = {
        D3DVSD_STREAM(0),   D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_CONST(5, 1), FloatToDWORD(0.25f),
        FloatToDWORD(0.5f), FloatToDWORD(0.75f),           FloatToDWORD(1.0f), D3DVSD_END()};
    // a0.x = floor(2.7) = 2 selects c5; rounding to nearest would select the green c6.
    const auto tokens =
        assemble("vs.1.1\nmov a0.x, c0.x\nmov oPos, v0\nadd oD0, c[a0.x + 3], c8\n");
    DWORD vs = 0;
    ASSERT_EQ(
        dev().CreateVertexShader(decl, tokens.data(), static_cast<UINT>(tokens.size() * 4), &vs, 0),
        D3D_OK);
    const float c0[4] = {2.7f, 0, 0, 0};
    const float red[4] = {1, 0, 0, 1};  // c4 (unread) and the overwritten c5
    const float green[4] = {0, 1, 0, 1};
    const float c8[4] = {0.25f, 0, 0, 0};
    dev().SetVertexShaderConstant(0, c0, 1);
    dev().SetVertexShaderConstant(4, red, 1);
    dev().SetVertexShaderConstant(5, red, 1);  // replaced by the declaration's value
    dev().SetVertexShaderConstant(6, green, 1);
    dev().SetVertexShaderConstant(8, c8, 1);
    dev().SetVertexShader(vs);
    const float quad[] = {-1, 1, 0.5f, 1, 1, 0.5f, 1, -1, 0.5f, -1, -1, 0.5f};
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), 12);
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_TRUE(ColorNear(pixel(32, 32), 0xFF8080BF, 1));
    // A constant set after selection is seen by the next draw.
    const float c8b[4] = {0, 0.25f, 0, 0};
    dev().SetVertexShaderConstant(8, c8b, 1);
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_TRUE(ColorNear(pixel(32, 32), 0xFF40BFBF, 1));
}

}  // namespace
