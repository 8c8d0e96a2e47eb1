// The bump-lit surface programs and the metal program of the pack: the tangent frame and the
// vectors the vertex programs hand on, and the lighting the pixel programs compute from them.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ExecSupport.h"

namespace shadertest {
namespace {

std::string Source(const std::string& file) {
    const std::string dir =
        std::filesystem::path(RUNEPLAY_TEST_DATA).parent_path().parent_path().string() +
        "/content/shaders/";
    std::ifstream in(dir + file);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A vector stored as a texel: (d + 1) / 2, as the normal map and cube map hold it.
Vec4 Encoded(float x, float y, float z, float a = 1.0f) {
    return {(x + 1) / 2, (y + 1) / 2, (z + 1) / 2, a};
}

TextureData Texel(const Vec4& v) {
    TextureData t;
    t.texels = {v};
    return t;
}

VertexInputs IdentityTransforms() {
    VertexInputs in;
    for (int i = 0; i < 4; ++i) in.c[2 + i][i] = 1;   // world
    for (int i = 0; i < 4; ++i) in.c[14 + i][i] = 1;  // view-projection
    in.c[0] = {0, 0, 0, 0};
    in.c[1] = {1, 1, 1, 1};
    return in;
}

TEST(SurfaceShadersTest, VertexProgramTakesLightAndHalfVectorIntoTheTangentFrame) {
    REQUIRE_GL();
    VertexInputs in = IdentityTransforms();
    in.v[0] = {0, 0, 0, 1};
    in.v[1] = {0, 1, 0, 0};  // normal up
    in.v[3] = {0.25f, 0.75f, 0, 1};
    in.v[5] = {1, 0, 0, 0};  // u along +x
    in.v[6] = {0, 0, 1, 0};  // v along +z
    in.c[11] = {10, 10, 0, 1};
    in.c[12] = {0, 10, 0, 0};
    VertexOutputs out;
    std::string error;
    ASSERT_TRUE(RunVs(Source("shading2.vsa"), in, out, error)) << error;
    EXPECT_TRUE(Near({out.t[0][0], out.t[0][1], 0, 0}, {0.25f, 0.75f, 0, 0}));
    EXPECT_TRUE(Near({out.t[1][0], out.t[1][1], 0, 0}, {0.25f, 0.75f, 0, 0}));
    // Light (10, 10, 0) from the vertex: 10 along u, 0 along v, 10 along the normal.
    EXPECT_TRUE(Near({out.t[2][0], out.t[2][1], out.t[2][2], 0}, {10, 0, 10, 0}));
    // Half vector: unit light (0.7071, 0, 0.7071) plus unit eye (0, 0, 1).
    EXPECT_TRUE(
        Near({out.t[3][0], out.t[3][1], out.t[3][2], 0}, {0.70711f, 0, 1.70711f, 0}, 1e-4f));

    // The world matrix turns the frame with the mesh: a quarter turn about z takes the
    // tangent to +y and the normal to -x.
    in.c[2] = {0, -1, 0, 0};
    in.c[3] = {1, 0, 0, 0};
    in.c[11] = {-10, 10, 0, 1};
    ASSERT_TRUE(RunVs(Source("shading2.vsa"), in, out, error)) << error;
    EXPECT_TRUE(Near({out.t[2][0], out.t[2][1], out.t[2][2], 0}, {10, 0, 10, 0}));
}

class SurfacePixelTest : public ::testing::Test {
  protected:
    // Surface colour (0.6, 0.4, 0.2) with the given gloss, a flat normal map unless set.
    void SetUp() override {
        in.textures[0] = Texel({0.6f, 0.4f, 0.2f, 0.0f});
        in.textures[1] = Texel(Encoded(0, 0, 1));
    }
    Vec4 Shade(const Vec4& light, const Vec4& half) {
        in.textures[2] = Texel(light);
        in.textures[3] = Texel(half);
        PixelOutputs out;
        std::string error;
        EXPECT_TRUE(RunPs(Source(program), in, out, error)) << error;
        return out.color;
    }
    PixelInputs in;
    std::string program = "shading2.psa";
};

TEST_F(SurfacePixelTest, FacingTheLightShowsTheSurfaceColour) {
    REQUIRE_GL();
    const Vec4 c = Shade(Encoded(0, 0, 1), Encoded(0, 0, 1));
    EXPECT_TRUE(Near(c, {0.6f, 0.4f, 0.2f, 0.0f}, 0.01f));
}

TEST_F(SurfacePixelTest, GrazingLightKeepsSomeReliefAndLightFromBehindNone) {
    REQUIRE_GL();
    const Vec4 grazing = Shade(Encoded(1, 0, 0), Encoded(0.7071f, 0, 0.7071f));
    EXPECT_NEAR(grazing[0], 0.6f * 0.3f, 0.01f);
    const Vec4 behind = Shade(Encoded(0, 0, -1), Encoded(0, 0, 1));
    EXPECT_TRUE(Near(behind, {0, 0, 0, 0}, 0.01f));
}

TEST_F(SurfacePixelTest, NormalMapTiltedAlongUFacesALightAlongU) {
    REQUIRE_GL();
    in.textures[1] = Texel(Encoded(0.6f, 0, 0.8f));
    const Vec4 towards = Shade(Encoded(1, 0, 0), Encoded(0, 0, 1));
    const Vec4 away = Shade(Encoded(-1, 0, 0), Encoded(0, 0, 1));
    EXPECT_NEAR(towards[0], 0.6f * (0.3f + 0.7f * 0.6f), 0.015f);
    EXPECT_NEAR(away[0], 0.0f, 0.01f);
    // And along v the same way.
    in.textures[1] = Texel(Encoded(0, 0.6f, 0.8f));
    EXPECT_GT(Shade(Encoded(0, 1, 0), Encoded(0, 0, 1))[1],
              Shade(Encoded(0, -1, 0), Encoded(0, 0, 1))[1] + 0.2f);
}

TEST_F(SurfacePixelTest, GlossyTexelsCarryAHighlightThatFallsOffSharply) {
    REQUIRE_GL();
    in.textures[0] = Texel({0.1f, 0.1f, 0.1f, 1.0f});
    const Vec4 peak = Shade(Encoded(0, 0, 1), Encoded(0, 0, 1));
    EXPECT_NEAR(peak[0], 0.1f + 0.85f, 0.01f);  // surface plus the whole highlight
    EXPECT_EQ(peak[3], 1.0f);
    // 30 degrees off the half vector: (cos 30)^16 = 0.1 of the highlight.
    const Vec4 off = Shade(Encoded(0, 0, 1), Encoded(0.5f, 0, 0.866f));
    EXPECT_NEAR(off[0], 0.1f + 0.85f * 0.1f, 0.01f);
    // Matt texels (gloss 0) show none.
    in.textures[0] = Texel({0.1f, 0.1f, 0.1f, 0.0f});
    EXPECT_NEAR(Shade(Encoded(0, 0, 1), Encoded(0, 0, 1))[0], 0.1f, 0.01f);
}

TEST_F(SurfacePixelTest, EndMeshProgramLightsFromTheCubeMappedNormal) {
    REQUIRE_GL();
    program = "shading32.psa";
    in.textures[1] = Texel(Encoded(0, 1, 0));
    EXPECT_NEAR(Shade(Encoded(0, 1, 0), Encoded(0, 0, 1))[0], 0.6f, 0.01f);
    EXPECT_NEAR(Shade(Encoded(0, -1, 0), Encoded(0, 0, 1))[0], 0.0f, 0.01f);
}

TEST(SurfaceShadersTest, EndMeshProjectsItsPictureOnTheWorldPlaneItFacesMost) {
    REQUIRE_GL();
    VertexInputs in = IdentityTransforms();
    in.c[11] = {0, 89, 0, 1};
    in.c[12] = {0, 0, -500, 0};
    std::string error;
    VertexOutputs out;
    const float k = 0.0035f;
    struct Case {
        Vec4 position, normal;
        float u, v;
    };
    const Case cases[] = {
        {{100, 0, 200, 1}, {0, 1, 0, 0}, 100 * k, 200 * k},            // top: x-z
        {{100, 50, 30, 1}, {0.9f, 0.3f, 0.1f, 0}, 30 * k, -50 * k},    // side facing x: z-y
        {{100, 50, 30, 1}, {0.2f, 0.1f, -0.9f, 0}, 100 * k, -50 * k},  // side facing z: x-y
    };
    for (const Case& c : cases) {
        in.v[0] = c.position;
        in.v[1] = c.normal;
        ASSERT_TRUE(RunVs(Source("shading32.vsa"), in, out, error)) << error;
        EXPECT_TRUE(Near({out.t[0][0], out.t[0][1], 0, 0}, {c.u, c.v, 0, 0}, 1e-4f));
        // The normal, the light vector and the half vector for stages 1 to 3.
        EXPECT_TRUE(Near({out.t[1][0], out.t[1][1], out.t[1][2], 0},
                         {c.normal[0], c.normal[1], c.normal[2], 0}));
        EXPECT_TRUE(Near({out.t[2][0], out.t[2][1], out.t[2][2], 0},
                         {-c.position[0], 89 - c.position[1], -c.position[2], 0}));
    }
}

TEST(SurfaceShadersTest, MetalCombinesBothReflectionsWithTheVertexColours) {
    REQUIRE_GL();
    PixelInputs in;
    in.textures[0] = Texel({0.4f, 0.3f, 0.2f, 1});
    in.textures[1] = Texel({0.2f, 0.2f, 0.4f, 1});
    in.d0 = {0.5f, 0.5f, 0.5f, 1};
    in.d1 = {0.1f, 0.0f, 0.0f, 0};
    PixelOutputs out;
    std::string error;
    ASSERT_TRUE(RunPs(Source("metal.psa"), in, out, error)) << error;
    // 2 t0 (v0 + floor) + t1 spots + v1.
    EXPECT_NEAR(out.color[0], 2 * 0.4f * 0.8f + 0.2f * 0.45f + 0.1f, 1e-3f);
    EXPECT_NEAR(out.color[2], 2 * 0.2f * 0.84f + 0.4f * 0.38f, 1e-3f);
    EXPECT_EQ(out.color[3], 1.0f);
    // A strong specular colour saturates to white.
    in.d1 = {1, 1, 1, 0};
    ASSERT_TRUE(RunPs(Source("metal.psa"), in, out, error)) << error;
    EXPECT_TRUE(Near(out.color, {1, 1, 1, 1}, 1e-4f));
}

}  // namespace
}  // namespace shadertest
