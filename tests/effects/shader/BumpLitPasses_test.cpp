#include "effects/shader/BumpLitPasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "assets/PackArchive.h"
#include "content/gen/Content.h"
#include "gfx/RecordingDevice.h"
#include "gfx/VertexLayout.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

using effects::BumpLitMesh;
using effects::BumpLitPrograms;

D3DMATRIX Matrix(float base) {
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m.m[i][j] = base + static_cast<float>(i * 4 + j);
    return m;
}

// The pack's real programs, built by the content generator.
class BumpLitPassesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        content::Output out;
        out.sourceDir =
            std::filesystem::path(RUNEPLAY_TEST_DATA).parent_path().parent_path().string() +
            "/content";
        content::AddShaders(out);
        std::string error;
        ASSERT_TRUE(out.pack.WriteFile(dir.file("kelvra.dat"), &error)) << error;
        ASSERT_TRUE(assets::GlobalPack().Open(dir.file("kelvra.dat")));
        device.CreateVertexBuffer(56 * 3, D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_MANAGED, &vb);
        device.CreateIndexBuffer(6, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
        device.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &attenuation);
        device.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &surface);
        device.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &bump);
        device.CreateCubeTexture(4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube);
        mesh = {vb, ib, 3, 1};
    }
    std::vector<std::string> callsFrom(size_t first) {
        auto all = device.callStrings();
        return {all.begin() + static_cast<long>(first), all.end()};
    }

    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::RecordingDevice device;
    gfx::VertexBuffer* vb = nullptr;
    gfx::IndexBuffer* ib = nullptr;
    gfx::Texture *attenuation = nullptr, *surface = nullptr, *bump = nullptr;
    gfx::CubeTexture* cube = nullptr;
    BumpLitMesh mesh;
};

TEST(ShaderVertexTest, DeclarationsNameTheDocumentedRegisters) {
    EXPECT_EQ(effects::kShaderVertexDeclaration[6], 0xFFFFFFFFu);
    gfx::VertexLayout layout;
    std::string error;
    ASSERT_TRUE(gfx::ParseDeclaration(effects::kShaderVertexDeclaration, 7, layout, error))
        << error;
    ASSERT_EQ(layout.elements.size(), 5u);
    const UINT regs[] = {0, 1, 3, 5, 6};
    const UINT offsets[] = {0, 12, 24, 32, 44};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(layout.elements[i].reg, regs[i]);
        EXPECT_EQ(layout.elements[i].offset, offsets[i]);
    }
    EXPECT_EQ(layout.streamStride[0], 56u);
    ASSERT_TRUE(gfx::ParseDeclaration(effects::kQuadVertexDeclaration, 4, layout, error)) << error;
    EXPECT_EQ(layout.streamStride[0], 20u);
}

TEST_F(BumpLitPassesTest, ProgramsAreCreatedInOrderFromThePack) {
    const size_t first = device.calls().size();
    const BumpLitPrograms p =
        effects::CreateBumpLitPrograms(device, "!shaders\\shading2.vso", "!shaders\\shading2.pso");
    EXPECT_TRUE(reports.reports.empty() && reports.fatals.empty());
    EXPECT_NE(p.lightVertex, 0u);
    EXPECT_NE(p.lightPixel, 0u);
    EXPECT_NE(p.surfaceVertex, 0u);
    EXPECT_NE(p.surfacePixel, 0u);
    const auto calls = callsFrom(first);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].rfind("CreateVertexShader(", 0), 0u);
    EXPECT_EQ(calls[1].rfind("CreatePixelShader(", 0), 0u);
    EXPECT_EQ(calls[2].rfind("CreateVertexShader(", 0), 0u);
    EXPECT_EQ(calls[3].rfind("CreatePixelShader(", 0), 0u);
    EXPECT_EQ(device.vertexShaderObject(p.lightVertex)->declaration.size(), 7u);
}

TEST_F(BumpLitPassesTest, FramePrologueSetsAddressingAndConstants) {
    const size_t first = device.calls().size();
    effects::BumpLitFramePrologue(device, 4200.5f);
    const std::vector<std::string> expected = {
        "SetTextureStageState(0, D3DTSS_ADDRESSU, 1)",
        "SetTextureStageState(0, D3DTSS_ADDRESSV, 1)",
        "SetTextureStageState(1, D3DTSS_ADDRESSU, 1)",
        "SetTextureStageState(1, D3DTSS_ADDRESSV, 1)",
        "SetRenderState(D3DRS_WRAP0, 0)",
        "SetRenderState(D3DRS_WRAP1, 0)",
        "SetTextureStageState(2, D3DTSS_ADDRESSU, 3)",
        "SetTextureStageState(2, D3DTSS_ADDRESSV, 3)",
        "SetTextureStageState(2, D3DTSS_ADDRESSW, 3)",
        "SetTextureStageState(3, D3DTSS_ADDRESSU, 3)",
        "SetTextureStageState(3, D3DTSS_ADDRESSV, 3)",
        "SetTextureStageState(3, D3DTSS_ADDRESSW, 3)",
        "SetRenderState(D3DRS_WRAP2, 0)",
        "SetVertexShaderConstant(0, 1)",
        "SetVertexShaderConstant(1, 1)",
        "SetVertexShaderConstant(13, 1)",
        "SetVertexShaderConstant(33, 1)",
    };
    EXPECT_EQ(callsFrom(first), expected);
    float c33[4];
    device.GetVertexShaderConstant(33, c33, 1);
    uint32_t bits;
    std::memcpy(&bits, &c33[0], 4);
    EXPECT_EQ(bits, 0x3979A199u);  // 1/4200.5 in single precision
    EXPECT_EQ(c33[1], 0.5f);
    EXPECT_EQ(c33[2], 0.1f);
    EXPECT_EQ(c33[3], 0.5f);
}

TEST_F(BumpLitPassesTest, UploadFrameConstantsWritesLightEyeAndTransposedViewProjection) {
    effects::BumpLitFramePrologue(device, 500.5f);
    const float light[4] = {0, 500, 500, 1};
    const float eye[4] = {0, 220, 310, 0};
    const D3DMATRIX view = Matrix(1), proj = Matrix(-3);
    const size_t first = device.calls().size();
    effects::uploadFrameConstants(device, light, eye, view, proj);
    EXPECT_EQ(callsFrom(first), (std::vector<std::string>{"SetVertexShaderConstant(11, 1)",
                                                          "SetVertexShaderConstant(12, 1)",
                                                          "SetVertexShaderConstant(14, 4)"}));
    float c[4][4];
    device.GetVertexShaderConstant(11, c[0], 1);
    EXPECT_EQ(std::vector<float>(c[0], c[0] + 4), std::vector<float>(light, light + 4));
    device.GetVertexShaderConstant(12, c[0], 1);
    EXPECT_EQ(std::vector<float>(c[0], c[0] + 4), std::vector<float>(eye, eye + 4));
    device.GetVertexShaderConstant(13, c[0], 1);
    EXPECT_EQ(std::vector<float>(c[0], c[0] + 4), std::vector<float>(4, 0.5f));
    device.GetVertexShaderConstant(14, c, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float product = 0;  // (view x proj)[j][i]
            for (int k = 0; k < 4; ++k) product += view.m[j][k] * proj.m[k][i];
            EXPECT_FLOAT_EQ(c[i][j], product) << i << "," << j;
        }
}

TEST_F(BumpLitPassesTest, LightPassThenSurfacePassInTheirOrder) {
    const BumpLitPrograms p =
        effects::CreateBumpLitPrograms(device, "!shaders\\shading2.vso", "!shaders\\shading2.pso");
    const size_t first = device.calls().size();
    effects::LightPass(device, mesh, attenuation, p);
    effects::SurfacePass(device, mesh, surface, bump, cube, p);
    const std::string att = gfx::ResourceName(attenuation);
    const std::vector<std::string> expected = {
        "SetTextureStageState(0, D3DTSS_ADDRESSU, 3)",
        "SetTextureStageState(0, D3DTSS_ADDRESSV, 3)",
        "SetTextureStageState(1, D3DTSS_ADDRESSU, 3)",
        "SetTextureStageState(1, D3DTSS_ADDRESSV, 3)",
        "SetRenderState(D3DRS_WRAP0, 0)",
        "SetRenderState(D3DRS_WRAP1, 0)",
        "SetTexture(0, " + att + ")",
        "SetTexture(1, " + att + ")",
        "SetVertexShader(vs#1)",
        "SetPixelShader(ps#1)",
        "SetRenderState(D3DRS_SRCBLEND, 2)",
        "SetRenderState(D3DRS_DESTBLEND, 1)",
        "SetIndices(" + gfx::ResourceName(ib) + ", 0)",
        "SetStreamSource(0, " + gfx::ResourceName(vb) + ", 56)",
        "SetRenderState(D3DRS_CULLMODE, 2)",
        "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)",
        // surface pass
        "SetTextureStageState(0, D3DTSS_ADDRESSU, 1)",
        "SetTextureStageState(0, D3DTSS_ADDRESSV, 1)",
        "SetTextureStageState(1, D3DTSS_ADDRESSU, 1)",
        "SetTextureStageState(1, D3DTSS_ADDRESSV, 1)",
        "SetRenderState(D3DRS_WRAP0, 0)",
        "SetRenderState(D3DRS_WRAP1, 0)",
        "SetTexture(0, " + gfx::ResourceName(surface) + ")",
        "SetTexture(1, " + gfx::ResourceName(bump) + ")",
        "SetTexture(2, " + gfx::ResourceName(cube) + ")",
        "SetTexture(3, " + gfx::ResourceName(cube) + ")",
        "SetVertexShader(vs#2)",
        "SetPixelShader(ps#2)",
        "SetRenderState(D3DRS_SRCBLEND, 9)",
        "SetRenderState(D3DRS_DESTBLEND, 1)",
        "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)",
    };
    EXPECT_EQ(callsFrom(first), expected);
}

TEST_F(BumpLitPassesTest, GridAndRingVariantsOfTheLightPass) {
    const BumpLitPrograms p =
        effects::CreateBumpLitPrograms(device, "!shaders\\shading2.vso", "!shaders\\shading2.pso");
    const size_t first = device.calls().size();
    effects::LightPass(device, mesh, attenuation, p, {.setBlend = false, .cullMode = D3DCULL_NONE});
    const auto calls = callsFrom(first);
    for (const auto& c : calls) EXPECT_EQ(c.find("BLEND"), std::string::npos) << c;
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SetRenderState(D3DRS_CULLMODE, 1)"),
              calls.end());
}

}  // namespace
