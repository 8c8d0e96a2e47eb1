// Shader programs with fixed-function stages in any combination, declaration-driven
// fixed-function input, and the caches that keep repeated states from compiling, linking or
// uploading again.
#include <gtest/gtest.h>

#include "gfx/gl/ProgramCache.h"
#include "support/GlTestDevice.h"

namespace {

using testsupport::GlDeviceTest;

// vs.1.1: mov oPos, v0
const DWORD kPassPosition[] = {0xFFFE0101u, 0x00000001u, 0xC00F0000u, 0x90E40000u, 0x0000FFFFu};
// ps.1.1: mov r0, c0
const DWORD kConstantColour[] = {0xFFFF0101u, 0x00000001u, 0x800F0000u, 0xA0E40000u, 0x0000FFFFu};

class Programs : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
};

TEST_F(Programs, FixedFunctionVertexStageWithAPixelProgram) {
    DWORD ps = 0;
    ASSERT_EQ(dev().CreatePixelShader(kConstantColour, sizeof kConstantColour, &ps), D3D_OK);
    const float white[4] = {1, 1, 1, 1};
    dev().SetPixelShaderConstant(0, white, 1);
    dev().SetPixelShader(ps);
    // The fixed-function transform moves a quad of width 1 into the left half.
    const D3DMATRIX world = testsupport::Translation(-0.5f, 0, 0);
    dev().SetTransform(D3DTS_WORLD, &world);
    drawMeshQuad(-0.5f, -1, 0.5f, 1, 0.5f);
    EXPECT_EQ(pixel(10, 10), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(50, 10), 0xFF000000u);
    // Back to fixed-function pixel processing: the factor colour.
    dev().SetPixelShader(0);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
    drawMeshQuad(-0.5f, -1, 0.5f, 1, 0.5f);
    EXPECT_EQ(pixel(10, 10), 0xFF00FF00u);
}

TEST_F(Programs, VertexProgramWithFixedFunctionPixelStage) {
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    DWORD vs = 0;
    ASSERT_EQ(dev().CreateVertexShader(decl, kPassPosition, sizeof kPassPosition, &vs, 0), D3D_OK);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF2040C0);
    // Clip-space positions: the left half of the screen, upper half of it in y.
    const float quad[] = {-1, 1, 0.5f, 0, 1, 0.5f, 0, 0, 0.5f, -1, 0, 0.5f};
    dev().SetVertexShader(vs);
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), 12);
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(10, 10), 0xFF2040C0u);
    EXPECT_EQ(pixel(10, 50), 0xFF000000u);
    EXPECT_EQ(pixel(50, 10), 0xFF000000u);
}

TEST_F(Programs, DeclarationsFeedTheFixedFunctionPipeline) {
    // No program tokens: position in v0 and a D3DCOLOR in v5 (diffuse), colours in B, G, R, A
    // byte order.
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                          D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    DWORD vs = 0;
    ASSERT_EQ(dev().CreateVertexShader(decl, nullptr, 0, &vs, 0), D3D_OK);
    using testsupport::ColorVertex;
    dev().SetVertexShader(vs);
    dev().SetStreamSource(0,
                          vertexBuffer<ColorVertex>({{-1, 1, 0.5f, 0xFF102030},
                                                     {1, 1, 0.5f, 0xFF102030},
                                                     {1, -1, 0.5f, 0xFF102030},
                                                     {-1, -1, 0.5f, 0xFF102030}}),
                          sizeof(ColorVertex));
    ASSERT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(32, 32), 0xFF102030u);
}

// A failed creation still returns its failure, but its handle selects nothing to draw with:
// not the fixed-function pipeline that handle 0 would mean.
TEST_F(Programs, HandlesOfFailedCreationsDrawNothingAndAreReportedOnce) {
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    const DWORD noEnd[] = {0xFFFF0101u, 0x00000001u};
    DWORD ps = 0;
    EXPECT_EQ(dev().CreatePixelShader(noEnd, sizeof noEnd, &ps), D3DERR_INVALIDCALL);
    ASSERT_NE(ps, 0u);
    ASSERT_EQ(dev().SetPixelShader(ps), D3D_OK);
    const uint64_t refused = dev().stats().refusedDraws;
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        gfx::VertexBuffer* vb =
            vertexBuffer<testsupport::ScreenVertex>({{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                                     {64, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                                     {64, 64, 0.5f, 1, 0xFFFFFFFF, 0, 0}},
                                                    0x144);
        dev().SetVertexShader(0x144);
        dev().SetStreamSource(0, vb, sizeof(testsupport::ScreenVertex));
        EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    }
    std::string log = ::testing::internal::GetCapturedStderr();
    const std::string message =
        "gfx: draw skipped: pixel shader " + std::to_string(ps) + " failed at its creation";
    EXPECT_NE(log.find(message), std::string::npos) << log;
    EXPECT_EQ(log.find(message, log.find(message) + 1), std::string::npos) << log;
    EXPECT_EQ(dev().stats().refusedDraws, refused + 2);
    EXPECT_EQ(pixel(40, 10), 0xFF000000u);
    // The same for a vertex program that does not decode (no oPos written).
    dev().SetPixelShader(0);
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    const DWORD noPosition[] = {0xFFFE0101u, 0x00000001u, 0xD00F0000u, 0x90E40000u, 0x0000FFFFu};
    DWORD vs = 0;
    EXPECT_EQ(dev().CreateVertexShader(decl, noPosition, sizeof noPosition, &vs, 0),
              D3DERR_INVALIDCALL);
    ASSERT_TRUE(gfx::StateDevice::IsShaderHandle(vs));
    ASSERT_EQ(dev().SetVertexShader(vs), D3D_OK);
    const float quad[] = {-1, 1, 0.5f, 1, 1, 0.5f, 1, -1, 0.5f, -1, -1, 0.5f};
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), 12);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3DERR_INVALIDCALL);
    log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("gfx: draw skipped: vertex shader " + std::to_string(vs) +
                       " failed at its creation"),
              std::string::npos)
        << log;
    EXPECT_EQ(pixel(32, 32), 0xFF000000u);
}

// Programs are translated when they are created; what a draw needs of one (here the kind of
// texture on stage 0) is a variant compiled on its first use, and linked once.
TEST_F(Programs, EachKindOfTextureBindingIsAVariantBuiltOnce) {
    // ps.1.1: tex t0; mov r0, t0
    const DWORD sample[] = {0xFFFF0101u, 0x00000042u, 0xB00F0000u, 0x00000001u,
                            0x800F0000u, 0xB0E40000u, 0x0000FFFFu};
    const gfx::gl::ProgramStats before = dev().stats().programs;
    DWORD ps = 0;
    ASSERT_EQ(dev().CreatePixelShader(sample, sizeof sample, &ps), D3D_OK);
    const gfx::gl::ProgramStats created = dev().stats().programs;
    EXPECT_EQ(created.translations, before.translations + 1);
    EXPECT_EQ(created.compiles, before.compiles);
    EXPECT_EQ(created.links, before.links);
    const uint32_t faces[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                               0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    gfx::CubeTexture* cube = cubeTexture(2, faces);
    gfx::Texture* flat = texture(2, 2, std::vector<uint32_t>(4, 0xFF204060));
    dev().SetPixelShader(ps);
    // Coordinates (1, 0, 0): the +X face of the cube, the corner texel of the 2D texture.
    auto draw = [&](gfx::BaseTexture* t) {
        dev().SetTexture(0, t);
        drawScreenQuad(0, 0, 16, 16, 0xFFFFFFFF, 1, 0, 1, 0);
        return pixel(8, 8);
    };
    EXPECT_EQ(draw(cube), 0xFFFF0000u);
    EXPECT_EQ(draw(flat), 0xFF204060u);
    const gfx::gl::ProgramStats first = dev().stats().programs;
    EXPECT_EQ(first.translations, created.translations);
    EXPECT_EQ(first.variants, created.variants + 2);
    EXPECT_EQ(first.links, created.links + 2);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(draw(flat), 0xFF204060u);
        EXPECT_EQ(draw(cube), 0xFFFF0000u);
    }
    const gfx::gl::ProgramStats later = dev().stats().programs;
    EXPECT_EQ(later.translations, first.translations);
    EXPECT_EQ(later.compiles, first.compiles);
    EXPECT_EQ(later.links, first.links);
    EXPECT_EQ(later.failures, 0u);
}

// Each object of the presentation creates its own copy of a program; the copies share one
// translated stage and so one link with each vertex stage.
TEST_F(Programs, CopiesOfAProgramShareTheirStage) {
    const gfx::gl::ProgramStats before = dev().stats().programs;
    DWORD a = 0, b = 0;
    ASSERT_EQ(dev().CreatePixelShader(kConstantColour, sizeof kConstantColour, &a), D3D_OK);
    ASSERT_EQ(dev().CreatePixelShader(kConstantColour, sizeof kConstantColour, &b), D3D_OK);
    EXPECT_NE(a, b);
    const gfx::gl::ProgramStats created = dev().stats().programs;
    EXPECT_EQ(created.translations, before.translations + 1);
    EXPECT_EQ(created.shared, before.shared + 1);
    const float white[4] = {1, 1, 1, 1};
    dev().SetPixelShaderConstant(0, white, 1);
    for (DWORD ps : {a, b}) {
        dev().SetPixelShader(ps);
        drawScreenQuad(0, 0, 8, 8);
        EXPECT_EQ(pixel(4, 4), 0xFFFFFFFFu);
    }
    EXPECT_EQ(dev().stats().programs.links, created.links + 1);
    EXPECT_EQ(dev().stats().programs.variants, created.variants + 1);
}

// Fog, alpha test and points are built into the variant a draw uses; switching them between
// draws finds each variant again without compiling or linking anything new.
TEST_F(Programs, DrawStatesChooseVariantsWithoutRebuildingThem) {
    DWORD ps = 0;
    ASSERT_EQ(dev().CreatePixelShader(kConstantColour, sizeof kConstantColour, &ps), D3D_OK);
    const float white[4] = {1, 1, 1, 1};
    dev().SetPixelShaderConstant(0, white, 1);
    auto round = [&]() {
        for (const DWORD program : {ps, DWORD{0}}) {
            dev().SetPixelShader(program);
            dev().SetRenderState(D3DRS_FOGENABLE, FALSE);
            dev().SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            drawScreenQuad(0, 0, 8, 8);
            dev().SetRenderState(D3DRS_FOGENABLE, TRUE);
            dev().SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
            drawScreenQuad(0, 0, 8, 8);
            dev().SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
            dev().SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
            drawScreenQuad(0, 0, 8, 8);
        }
    };
    round();
    const gfx::gl::ProgramStats first = dev().stats().programs;
    EXPECT_EQ(first.variants, 3u);  // the program's three; fixed-function keys hold theirs
    round();
    round();
    const gfx::gl::ProgramStats later = dev().stats().programs;
    EXPECT_EQ(later.compiles, first.compiles);
    EXPECT_EQ(later.links, first.links);
}

TEST_F(Programs, StagesThatDoNotCompileDrawNothingAndAreReportedOnce) {
    gfx::gl::ProgramCache cache;
    gfx::shader::GlslStage broken;
    broken.body = "this is not glsl;";
    const gfx::gl::CompiledShader bad = cache.compileVertex(broken, "test stage");
    EXPECT_EQ(bad.id, 0u);
    EXPECT_NE(bad.serial, 0u);
    gfx::shader::GlslStage white;
    white.body = "dx_oC0 = vec4(1.0);";
    const gfx::gl::CompiledShader good = cache.compilePixel(white, "test pixel stage");
    EXPECT_NE(good.id, 0u);
    EXPECT_EQ(cache.link(bad, good), 0u);
    EXPECT_EQ(cache.link(bad, good), 0u);  // remembered, not retried
    EXPECT_EQ(cache.stats().links, 0u);
    EXPECT_EQ(cache.stats().failures, 1u);
    cache.destroy();
}

TEST_F(Programs, RepeatedStatesNeitherRelinkNorUpload) {
    gfx::Texture* a = texture(2, 2, std::vector<uint32_t>(4, 0xFFFF0000));
    gfx::Texture* b = texture(2, 2, std::vector<uint32_t>(4, 0xFF0000FF));
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    auto frame = [&]() {
        for (int i = 0; i < 10; ++i) {
            dev().SetTexture(0, i % 2 ? a : b);
            dev().SetRenderState(D3DRS_ALPHABLENDENABLE, i % 2);
            dev().SetRenderState(D3DRS_LIGHTING, FALSE);
            drawMeshQuad(-1, -1, 1, 1, 0.5f);
        }
    };
    frame();
    const gfx::gl::DeviceStats first = dev().stats();
    frame();
    frame();
    const gfx::gl::DeviceStats later = dev().stats();
    EXPECT_EQ(later.programs.compiles, first.programs.compiles);
    EXPECT_EQ(later.programs.links, first.programs.links);
    EXPECT_EQ(later.uploads.textureUploads, first.uploads.textureUploads);
    // Vertex buffers are new per quad here; nothing else is sent again.
    EXPECT_EQ(later.draws, first.draws + 20);
    EXPECT_EQ(later.programBinds, first.programBinds);
}

TEST_F(Programs, ProgramsAreSharedAcrossStateCombinationsThatReturn) {
    DWORD ps = 0;
    ASSERT_EQ(dev().CreatePixelShader(kConstantColour, sizeof kConstantColour, &ps), D3D_OK);
    for (int round = 0; round < 3; ++round) {
        dev().SetPixelShader(ps);
        drawScreenQuad(0, 0, 8, 8);
        dev().SetPixelShader(0);
        drawScreenQuad(0, 0, 8, 8);
    }
    // Two pairs of stages: the screen-space vertex stage with the program and with the
    // fixed-function pixel stage.
    EXPECT_EQ(dev().stats().programs.links, 2u);
}

}  // namespace
