// Fixed-function lighting against values worked out by hand from the original pipeline's
// formulas. The quad's corners (+-1, +-1, 0.5) all face the light the same way, so every
// corner, and hence every pixel, gets the same colour.
#include <gtest/gtest.h>

#include <cmath>

#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::GlDeviceTest;

uint32_t Rgb(double r, double g, double b) {
    auto c = [](double v) {
        return static_cast<uint32_t>(std::lround(255.0 * std::fmin(std::fmax(v, 0.0), 1.0)));
    };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

class Lighting : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        dev().SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev().SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        dev().SetRenderState(D3DRS_LIGHTING, TRUE);
        dev().SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        dev().SetRenderState(D3DRS_AMBIENT, 0);
        dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        D3DMATERIAL8 m{};
        m.Diffuse = {1.0f, 1.0f, 0.5f, 1.0f};
        dev().SetMaterial(&m);
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    D3DLIGHT8 light(D3DLIGHTTYPE type) {
        D3DLIGHT8 l{};
        l.Type = type;
        l.Diffuse = {0.5f, 0.25f, 1.0f, 0.0f};
        l.Position = {0, 0, -2};
        l.Direction = {0, 0, 1};
        l.Range = 100.0f;
        l.Attenuation0 = 1.0f;
        return l;
    }
    uint32_t drawLit(const D3DLIGHT8& l) {
        dev().SetLight(0, &l);
        dev().LightEnable(0, TRUE);
        drawMeshQuad(-1, -1, 1, 1, 0.5f);
        return pixel(32, 32);
    }
};

// Every corner: distance sqrt(1 + 1 + 2.5^2) = 2.8723 from (0, 0, -2), N.L = 2.5 / 2.8723.
const double kDistance = std::sqrt(8.25);
const double kNdotL = 2.5 / kDistance;

TEST_F(Lighting, DirectionalLightUsesTheAngleOnly) {
    EXPECT_TRUE(ColorNear(drawLit(light(D3DLIGHT_DIRECTIONAL)), Rgb(0.5, 0.25, 0.5), 1));
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    D3DLIGHT8 slanted = light(D3DLIGHT_DIRECTIONAL);
    slanted.Direction = {0, -1, 1};  // 45 degrees off the normal
    const double c = std::sqrt(0.5);
    EXPECT_TRUE(ColorNear(drawLit(slanted), Rgb(0.5 * c, 0.25 * c, 0.5 * c), 1));
}

TEST_F(Lighting, PointLightAttenuatesWithDistance) {
    D3DLIGHT8 l = light(D3DLIGHT_POINT);
    l.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    l.Attenuation0 = 0.5f;
    l.Attenuation1 = 0.1f;
    l.Attenuation2 = 0.02f;
    const double att = 1.0 / (0.5 + 0.1 * kDistance + 0.02 * kDistance * kDistance);
    const double v = 0.5 * kNdotL * att;
    EXPECT_TRUE(ColorNear(drawLit(l), Rgb(v, v, v * 0.5), 1));
}

TEST_F(Lighting, PointLightBeyondItsRangeGivesNothing) {
    D3DLIGHT8 l = light(D3DLIGHT_POINT);
    l.Range = 2.8f;  // just short of every corner
    EXPECT_EQ(drawLit(l), 0xFF000000u);
}

TEST_F(Lighting, SpotLightConeAndFalloff) {
    // Each corner lies 29.5 degrees off the spot axis: cos = 0.8704.
    D3DLIGHT8 l = light(D3DLIGHT_SPOT);
    l.Theta = 40.0f * 3.14159265f / 180.0f;  // inner cone half-angle 20: cos 0.9397
    l.Phi = 80.0f * 3.14159265f / 180.0f;    // outer 40: cos 0.7660
    l.Falloff = 2.0f;
    const double inner = std::cos(20.0 * M_PI / 180.0), outer = std::cos(40.0 * M_PI / 180.0);
    const double spot = std::pow((kNdotL - outer) / (inner - outer), 2.0);
    EXPECT_TRUE(ColorNear(drawLit(l),
                          Rgb(0.5 * kNdotL * spot, 0.25 * kNdotL * spot, 0.5 * kNdotL * spot), 1));
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    l.Theta = 70.0f * 3.14159265f / 180.0f;  // every corner inside the inner cone
    l.Phi = 90.0f * 3.14159265f / 180.0f;
    EXPECT_TRUE(ColorNear(drawLit(l), Rgb(0.5 * kNdotL, 0.25 * kNdotL, 0.5 * kNdotL), 1));
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    l.Theta = 20.0f * 3.14159265f / 180.0f;  // every corner outside the outer cone
    l.Phi = 50.0f * 3.14159265f / 180.0f;
    EXPECT_EQ(drawLit(l), 0xFF000000u);
}

TEST_F(Lighting, AmbientEmissiveAndLightAmbient) {
    D3DMATERIAL8 m{};
    m.Diffuse = {0, 0, 0, 1};
    m.Ambient = {1.0f, 0.5f, 0.0f, 1.0f};
    m.Emissive = {0.1f, 0.2f, 0.3f, 0.0f};
    dev().SetMaterial(&m);
    dev().SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    D3DLIGHT8 l = light(D3DLIGHT_POINT);
    l.Ambient = {0.2f, 0.2f, 0.2f, 0.0f};
    l.Attenuation0 = 2.0f;  // halves the light's ambient too
    const double a = 64.0 / 255.0 + 0.1;
    EXPECT_TRUE(ColorNear(drawLit(l), Rgb(0.1 + a, 0.2 + 0.5 * a, 0.3), 1));
}

TEST_F(Lighting, SpecularWithLocalAndDistantViewer) {
    D3DMATERIAL8 m{};
    m.Specular = {1, 1, 1, 1};
    m.Power = 10.0f;
    dev().SetMaterial(&m);
    dev().SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    D3DLIGHT8 l = light(D3DLIGHT_DIRECTIONAL);
    l.Diffuse = {0, 0, 0, 0};
    l.Specular = {1, 1, 1, 0};
    // Local viewer: at a corner, towards the eye (-1, -1, -0.5) / 1.5, towards the light
    // (0, 0, -1); N.H = 1.3333 / 1.6330.
    dev().SetRenderState(D3DRS_LOCALVIEWER, TRUE);
    const double s = std::pow((4.0 / 3.0) / std::sqrt(8.0 / 3.0), 10.0);
    EXPECT_TRUE(ColorNear(drawLit(l), Rgb(s, s, s), 1));
    // Distant viewer: H = (0, 0, -1) = N.
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev().SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    EXPECT_EQ(drawLit(l), 0xFFFFFFFFu);
    // Without SPECULARENABLE nothing is added.
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev().SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    EXPECT_EQ(drawLit(l), 0xFF000000u);
}

TEST_F(Lighting, SpecularPowerZeroIsFullOrNothingNeverUndefined) {
    // Scene files give shininess 0 as the power: (N.H)^0 is 1 where N.H > 0 and the highlight
    // is absent elsewhere, not whatever pow(0, 0) gives.
    D3DMATERIAL8 m{};
    m.Specular = {1, 1, 1, 1};
    m.Power = 0.0f;
    dev().SetMaterial(&m);
    dev().SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    D3DLIGHT8 l = light(D3DLIGHT_DIRECTIONAL);
    l.Diffuse = {0, 0, 0, 0};
    l.Specular = {1, 1, 1, 0};
    EXPECT_EQ(drawLit(l), 0xFFFFFFFFu);
    // Turned to face away from the eye (normal +z at z = 0.5), lit at a grazing angle from the
    // far side: N.L > 0 but N.H < 0 at every corner.
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev().SetRenderState(D3DRS_LOCALVIEWER, TRUE);
    D3DMATRIX turned{};
    turned.m[0][0] = -1;
    turned.m[1][1] = 1;
    turned.m[2][2] = -1;
    turned.m[3][2] = 1;
    turned.m[3][3] = 1;
    dev().SetTransform(D3DTS_WORLD, &turned);
    l.Direction = {-0.7f, -0.7f, -0.1f};
    EXPECT_EQ(drawLit(l), 0xFF000000u);
}

TEST_F(Lighting, MaterialColourFromTheVertex) {
    struct V {
        float x, y, z, nx, ny, nz;
        D3DCOLOR diffuse;
    };
    const V quad[] = {{-1, 1, 0.5f, 0, 0, -1, 0xFF00FF00},
                      {1, 1, 0.5f, 0, 0, -1, 0xFF00FF00},
                      {1, -1, 0.5f, 0, 0, -1, 0xFF00FF00},
                      {-1, -1, 0.5f, 0, 0, -1, 0xFF00FF00}};
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    D3DLIGHT8 l = light(D3DLIGHT_DIRECTIONAL);
    l.Diffuse = {1, 1, 1, 0};
    dev().SetLight(0, &l);
    dev().LightEnable(0, TRUE);
    dev().SetVertexShader(fvf);
    dev().SetStreamSource(0, vertexBuffer(quad, sizeof quad), sizeof(V));
    dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    EXPECT_EQ(pixel(32, 32), 0xFF00FF00u);  // D3DMCS_COLOR1: the vertex colour
    dev().SetRenderState(D3DRS_COLORVERTEX, FALSE);
    dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    EXPECT_TRUE(ColorNear(pixel(32, 32), 0xFFFFFF80, 1));  // the material's (1, 1, 0.5)
}

TEST_F(Lighting, LightsFollowTheViewTransform) {
    // A view that turns the scene half round about y: the light, set in world space behind
    // the quad, then shines at its front.
    D3DMATRIX view{};
    view.m[0][0] = -1;
    view.m[1][1] = 1;
    view.m[2][2] = -1;
    view.m[3][3] = 1;
    dev().SetTransform(D3DTS_VIEW, &view);
    const D3DMATRIX world = view;  // the quad turns with it, so it still faces the eye
    dev().SetTransform(D3DTS_WORLD, &world);
    D3DLIGHT8 l = light(D3DLIGHT_DIRECTIONAL);
    l.Direction = {0, 0, -1};  // world space; (0, 0, 1) in camera space
    EXPECT_TRUE(ColorNear(drawLit(l), Rgb(0.5, 0.25, 0.5), 1));
}

// Normals go through the inverse transpose of the whole 4 x 4 world-view matrix. This world
// matrix sends z to w and moves z by -0.4 (the quad at z = 0.5 lands at (x, y, 0.1, 0.5)); the
// upper 3 x 3 of its inverse transpose is diag(1, 1, 0), which flattens the normal (0, 0, -1)
// to nothing: the quad is unlit. Its own upper 3 x 3 is the identity and would light it.
TEST_F(Lighting, NormalsFollowTheWholeWorldViewMatrix) {
    D3DMATRIX world = testsupport::Identity();
    world.m[2][3] = 1.0f;
    world.m[3][2] = -0.4f;
    world.m[3][3] = 0.0f;
    dev().SetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(drawLit(light(D3DLIGHT_DIRECTIONAL)), 0xFF000000u);
    // An affine world matrix keeps the familiar result.
    world = testsupport::Translation(0.0f, 0.0f, -0.25f);
    dev().SetTransform(D3DTS_WORLD, &world);
    EXPECT_TRUE(ColorNear(drawLit(light(D3DLIGHT_DIRECTIONAL)), Rgb(0.5, 0.25, 0.5), 1));
}

TEST_F(Lighting, EightLightsAddUp) {
    for (DWORD i = 0; i < 8; ++i) {
        D3DLIGHT8 l = light(D3DLIGHT_DIRECTIONAL);
        l.Diffuse = {0.1f, 0.05f, 0.0f, 0.0f};
        dev().SetLight(i, &l);
        dev().LightEnable(i, TRUE);
    }
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Rgb(0.8, 0.4, 0.0), 1));
    dev().LightEnable(3, FALSE);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    EXPECT_TRUE(ColorNear(pixel(32, 32), Rgb(0.7, 0.35, 0.0), 1));
}

TEST_F(Lighting, LightingOffPassesVertexColours) {
    dev().SetRenderState(D3DRS_LIGHTING, FALSE);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);  // no diffuse in the format: white
    EXPECT_EQ(pixel(32, 32), 0xFFFFFFFFu);
}

}  // namespace
