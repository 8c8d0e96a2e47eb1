// The pack's own programs: each assembles, decodes as the right kind, translates and compiles,
// and the ones the host relies on behave as their callers expect.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "ExecSupport.h"
#include "content/shaders/Shaders.h"
#include "gfx/shader/TokenCheck.h"
#include "support/EnginePackEntries.h"

namespace shadertest {
namespace {

// RUNEPLAY_TEST_DATA is <source>/tests/data (which need not exist).
const std::string kShaderDir =
    std::filesystem::path(RUNEPLAY_TEST_DATA).parent_path().parent_path().string() +
    "/content/shaders/";

std::string Source(const std::string& file) {
    std::ifstream in(kShaderDir + file);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ContentShadersTest, SourcesAreExactlyTheProgramsTheEngineLoads) {
    std::multiset<std::string> sources, engine;
    for (const content::ShaderSource& s : content::ShaderSources()) sources.insert(s.entry);
    for (const char* name : testsupport::kEngineShaders) engine.insert(name);
    EXPECT_EQ(sources, engine);
}

TEST(ContentShadersTest, EveryEntryAssemblesDecodesAndCompiles) {
    for (const content::ShaderSource& s : content::ShaderSources()) {
        SCOPED_TRACE(s.entry);
        const std::string entry = s.entry;
        ASSERT_EQ(entry.rfind("!shaders\\", 0), 0u);
        const bool pixel = entry.ends_with(".pso");
        std::vector<uint32_t> tokens;
        ASSERT_NO_THROW(tokens = content::AssembleShaderFile(kShaderDir + s.file));
        std::string error;
        EXPECT_TRUE(gfx::shader::CheckTokens(
            tokens.data(), tokens.size(),
            pixel ? gfx::shader::ShaderType::Pixel : gfx::shader::ShaderType::Vertex, error))
            << error;
        gfx::shader::Program program;
        ASSERT_TRUE(gfx::shader::Decode(tokens.data(), tokens.size(), program, error)) << error;
        EXPECT_EQ(program.tokenCount, tokens.size());
        gfx::shader::GlslStage stage;
        GlHarness* gl = GlHarness::Get();
        if (pixel) {
            ASSERT_TRUE(gfx::shader::TranslatePixelProgram(program, stage, error)) << error;
            if (gl) {
                EXPECT_TRUE(gl->compilePixel(stage, error)) << error;
            }
        } else {
            ASSERT_TRUE(gfx::shader::TranslateVertexProgram(program, stage, error)) << error;
            if (gl) {
                EXPECT_TRUE(gl->compileVertex(stage, error)) << error;
            }
        }
    }
}

TEST(ContentShadersTest, PictureAndFadeProgramsScaleByTheStrength) {
    REQUIRE_GL();
    PixelInputs in;
    in.textures[0].texels = {{0.8f, 0.4f, 0.2f, 1.0f}};
    in.c[0] = {0.50196f, 0.50196f, 0.50196f, 0.50196f};
    PixelOutputs out;
    std::string error;
    ASSERT_TRUE(RunPs(Source("logo.psa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.color, {0.8f * 0.50196f, 0.4f * 0.50196f, 0.2f * 0.50196f, 0.50196f}));
    in.c[0] = {1.5f, 1.5f, 1.5f, 1.5f};  // alpha above 255: limited to full strength
    ASSERT_TRUE(RunPs(Source("logo.psa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.color, {0.8f, 0.4f, 0.2f, 1}));
    in.c[0] = {0.25f, 0.25f, 0.25f, 0.25f};
    ASSERT_TRUE(RunPs(Source("fade.psa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.color, {0.25f, 0.25f, 0.25f, 0.25f}));
}

TEST(ContentShadersTest, GlowPassKeepsBrightnessAtAQuarterAndRisesAbove) {
    REQUIRE_GL();
    PixelInputs in;
    for (int s = 0; s < 4; ++s) in.textures[s].texels = {{0.5f, 0.2f, 0.1f, 1}};
    in.c[0] = {0.25f, 0.25f, 0.25f, 0.25f};
    PixelOutputs out;
    std::string error;
    ASSERT_TRUE(RunPs(Source("shEf3.psa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.color, {0.5f, 0.2f, 0.1f, 1}));
    in.c[0] = {0.265f, 0.265f, 0.265f, 0.265f};
    ASSERT_TRUE(RunPs(Source("shEf3.psa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.color, {0.53f, 0.212f, 0.106f, 1}, 1e-4f));
}

TEST(ContentShadersTest, BlurTapsSitOnARotatedCross) {
    REQUIRE_GL();
    VertexInputs in;
    in.v[0] = {-1, 1, 1, 1};
    in.v[1] = {0.5f, 0.25f, 0, 1};
    const float s = 1.0f / 256;
    in.c[13] = {2 * s, s, s, 0.5f};
    VertexOutputs out;
    std::string error;
    ASSERT_TRUE(RunVs(Source("ShEf1.vsa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.pos, {-1, 1, 1, 1}));
    // Around the point half a texel before the pixel's centre.
    const float u = 0.5f - s / 2, v = 0.25f - s / 2;
    EXPECT_TRUE(Near(out.t[0], {u + 2 * s, v + s, 0, 1}));
    EXPECT_TRUE(Near(out.t[1], {u - 2 * s, v - s, 0, 1}));
    EXPECT_TRUE(Near(out.t[2], {u - s, v + 2 * s, 0, 1}));
    EXPECT_TRUE(Near(out.t[3], {u + s, v - 2 * s, 0, 1}));
}

TEST(ContentShadersTest, LightPassPutsTheLightAtTheCentreOfTheFalloff) {
    REQUIRE_GL();
    VertexInputs in;
    in.v[0] = {10, 20, 30, 1};
    for (int i = 0; i < 4; ++i) in.c[2 + i][i] = 1;   // world = identity
    for (int i = 0; i < 4; ++i) in.c[14 + i][i] = 1;  // view-projection = identity
    in.c[11] = {10, 20, 30, 1};                       // light at the vertex
    in.c[33] = {1.0f / 100, 0.5f, 0.1f, 0.5f};
    VertexOutputs out;
    std::string error;
    ASSERT_TRUE(RunVs(Source("shading.vsa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.pos, {10, 20, 30, 1}));
    EXPECT_TRUE(Near(out.t[0], {0.5f, 0.5f, 0, 1}));
    EXPECT_TRUE(Near(out.t[1], {0.5f, 0.5f, 0, 1}));
    in.c[11] = {-40, 20, 30, 1};  // half the range away along x
    ASSERT_TRUE(RunVs(Source("shading.vsa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.t[0], {0.75f, 0.5f, 0, 1}));
}

TEST(ContentShadersTest, WaterDistortionMovesTheMirrorLookupByTheBumpMatrix) {
    REQUIRE_GL();
    PixelInputs in;
    in.textures[1].texels = {{0.4f, 0.2f, 0, 1}};  // perturbation from the surface target
    TextureData coords;
    coords.size = 16;
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i)
            coords.texels.push_back({(i + 0.5f) / 16, (j + 0.5f) / 16, 0, 1});
    in.textures[2] = coords;
    in.bumpMat[2] = {0.35f, 0, 0, 0.35f};
    in.t[2] = {0.3f, 0.6f, 0, 1};
    PixelOutputs out;
    std::string error;
    ASSERT_TRUE(RunPs(Source("shEf1.psa"), in, out, error)) << error;
    // (0.3 + 0.35 * 0.4, 0.6 + 0.35 * 0.2) = (0.44, 0.67): texels 7 and 10.
    EXPECT_TRUE(Near(out.color, {7.5f / 16, 10.5f / 16, 0, 1}));
}

}  // namespace
}  // namespace shadertest
