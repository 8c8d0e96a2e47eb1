// Texture addressing, filtering and mip selection, cube textures, texture coordinate
// generation and the signed bump format.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/gl/TextureUpload.h"
#include "support/GlTestDevice.h"

namespace {

using testsupport::ColorNear;
using testsupport::GlDeviceTest;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

class Sampling : public GlDeviceTest {
  protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        plainStates();
        dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        point(0);
    }
    void point(DWORD stage) {
        dev().SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        dev().SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_POINT);
        dev().SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    }
    // Colours of the quad's columns 4, 20, 36, 52 for u running 0..2 across it.
    std::vector<uint32_t> columns() {
        dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        drawScreenQuad(0, 0, 64, 64, 0xFFFFFFFF, 0, 0, 2, 1);
        return {pixel(4, 8), pixel(20, 8), pixel(36, 8), pixel(52, 8)};
    }
};

TEST_F(Sampling, AddressModes) {
    dev().SetTexture(0, texture(2, 1, {kRed, kGreen}));
    dev().SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    EXPECT_EQ(columns(), (std::vector<uint32_t>{kRed, kGreen, kRed, kGreen}));
    dev().SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    EXPECT_EQ(columns(), (std::vector<uint32_t>{kRed, kGreen, kGreen, kGreen}));
    dev().SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
    EXPECT_EQ(columns(), (std::vector<uint32_t>{kRed, kGreen, kGreen, kRed}));
    dev().SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_BORDER);
    dev().SetTextureStageState(0, D3DTSS_BORDERCOLOR, kBlue);
    EXPECT_EQ(columns(), (std::vector<uint32_t>{kRed, kGreen, kBlue, kBlue}));
}

TEST_F(Sampling, LinearMagnificationBlends) {
    dev().SetTexture(0, texture(2, 1, {0xFF000000, 0xFFFFFFFF}));
    dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    dev().SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    drawScreenQuad(0, 0, 64, 64);
    // Column 31 sits at u = 31.5 / 64, just left of the midpoint between the texel centres.
    const int v = testsupport::Red(pixel(31, 5));
    EXPECT_NEAR(v, 124, 2);
    EXPECT_EQ(pixel(0, 5), 0xFF000000u);
    EXPECT_EQ(pixel(63, 5), 0xFFFFFFFFu);
}

TEST_F(Sampling, MipLevelFollowsTheMinification) {
    // 64 x 64 with seven levels, each level its own colour; drawn 8 x 8 it reads level 3.
    const std::vector<uint32_t> levels = {0xFF010101, 0xFF020202, 0xFF030303,
                                          0xFF040404, 0xFF050505, 0xFF060606};
    dev().SetTexture(
        0, texture(64, 64, std::vector<uint32_t>(64 * 64, 0xFF000000), D3DFMT_A8R8G8B8, 0, levels));
    dev().SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    drawScreenQuad(0, 0, 8, 8);
    EXPECT_EQ(pixel(4, 4), 0xFF030303u);
    dev().SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    drawScreenQuad(0, 0, 8, 8);
    EXPECT_EQ(pixel(4, 4), 0xFF000000u);  // no mip filter: level 0
    dev().SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    dev().SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, 5);  // level 5 is the most detailed left
    drawScreenQuad(0, 0, 8, 8);
    EXPECT_EQ(pixel(4, 4), 0xFF050505u);
}

// A texture of one level is sampled without mipmapping (the same picture, and no level of
// detail for a software rasteriser to work out); one with levels on the same stage and
// states gets its mip filter back.
TEST_F(Sampling, OneLevelTexturesAreSampledWithoutMipmapping) {
    const auto boundMinFilter = [] {
        GLint sampler = 0, filter = 0;
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        glGetSamplerParameteriv(static_cast<GLuint>(sampler), GL_TEXTURE_MIN_FILTER, &filter);
        return filter;
    };
    dev().SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    dev().SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    dev().SetTexture(0, texture(64, 64, std::vector<uint32_t>(64 * 64, kGreen)));
    drawScreenQuad(0, 0, 8, 8);
    EXPECT_EQ(pixel(4, 4), kGreen);
    EXPECT_EQ(boundMinFilter(), GL_LINEAR);
    const std::vector<uint32_t> levels = {kRed, kRed, kBlue, kRed, kRed, kRed};
    dev().SetTexture(
        0, texture(64, 64, std::vector<uint32_t>(64 * 64, kGreen), D3DFMT_A8R8G8B8, 0, levels));
    drawScreenQuad(0, 0, 8, 8);
    EXPECT_EQ(pixel(4, 4), kBlue);  // level 3
    EXPECT_EQ(boundMinFilter(), GL_LINEAR_MIPMAP_NEAREST);
}

TEST_F(Sampling, ChangedLevelsAreUploadedAgain) {
    gfx::Texture* tex = texture(4, 4, std::vector<uint32_t>(16, kRed));
    dev().SetTexture(0, tex);
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(pixel(5, 5), kRed);
    const uint64_t uploads = dev().stats().uploads.textureUploads;
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(dev().stats().uploads.textureUploads, uploads);
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, nullptr, 0);
    for (int i = 0; i < 16; ++i) static_cast<uint32_t*>(lr.pBits)[i] = kGreen;
    tex->UnlockRect(0);
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(pixel(5, 5), kGreen);
    EXPECT_EQ(dev().stats().uploads.textureUploads, uploads + 1);
}

TEST_F(Sampling, X8R8G8B8ReadsOpaqueAndR5G6B5Converts) {
    gfx::Texture* rt = nullptr;
    dev().CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt);
    gfx::Surface *target, *depth;
    rt->GetSurfaceLevel(0, &target);
    dev().GetDepthStencilSurface(&depth);
    dev().SetRenderTarget(target, depth);
    dev().SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev().SetTexture(0, texture(1, 1, {0x00123456}, D3DFMT_X8R8G8B8));
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(pixel(5, 5, target), 0xFF123456u);
    gfx::Texture* t565 = nullptr;
    dev().CreateTexture(1, 1, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t565);
    D3DLOCKED_RECT lr;
    t565->LockRect(0, &lr, nullptr, 0);
    *static_cast<uint16_t*>(lr.pBits) = 0xF81F;  // red and blue full, green 0
    t565->UnlockRect(0);
    dev().SetTexture(0, t565);
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(pixel(5, 5, target), 0xFFFF00FFu);
}

TEST_F(Sampling, CubeFacesFollowTheDirection) {
    const uint32_t faces[6] = {0xFFFF0000, 0xFF800000, 0xFF00FF00,
                               0xFF008000, 0xFF0000FF, 0xFF000080};  // +x -x +y -y +z -z
    dev().SetTexture(0, cubeTexture(4, faces));
    // The camera-space normal picks the face: (0, 0, -1) the -z face, (0, 2, 0) (normalised
    // on the way) the +y face.
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    EXPECT_EQ(pixel(32, 32), 0xFF000080u);
    using testsupport::MeshVertex;
    dev().SetVertexShader(0x112);
    const MeshVertex up[] = {{-1, 1, 0.5f, 0, 2, 0, 0, 0},
                             {1, 1, 0.5f, 0, 2, 0, 1, 0},
                             {1, -1, 0.5f, 0, 2, 0, 1, 1},
                             {-1, -1, 0.5f, 0, 2, 0, 0, 1}};
    dev().SetStreamSource(0, vertexBuffer(up, sizeof up), sizeof(MeshVertex));
    dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    EXPECT_EQ(pixel(32, 32), 0xFF00FF00u);
}

TEST_F(Sampling, CameraSpaceReflectionVector) {
    // Corners (+-1, +-1, 0.5) seen from the origin with normal (0, 0, -1) reflect to
    // (+-0.667, +-0.667, -0.333): the middle of the screen looks along -z, the left and top
    // edges along -x and +y.
    const uint32_t faces[6] = {0xFFFF0000, 0xFF800000, 0xFF00FF00,
                               0xFF008000, 0xFF0000FF, 0xFF000080};
    dev().SetTexture(0, cubeTexture(4, faces));
    dev().SetRenderState(D3DRS_LOCALVIEWER, TRUE);
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR | 1);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    EXPECT_EQ(pixel(32, 32), 0xFF000080u);  // -z
    EXPECT_EQ(pixel(1, 32), 0xFF800000u);   // -x
    EXPECT_EQ(pixel(32, 1), 0xFF00FF00u);   // +y: up on the screen is up in camera space
    EXPECT_EQ(pixel(62, 32), 0xFFFF0000u);  // +x
}

TEST_F(Sampling, ReflectionVectorIsInCameraSpaceWhateverWorldAndView) {
    // The world turns the quad 90 degrees about y and doubles it, the view turns it back: in
    // camera space it is the quad of the test above, so the same faces must show. World- or
    // object-space coordinates would pick other faces.
    const uint32_t faces[6] = {0xFFFF0000, 0xFF800000, 0xFF00FF00,
                               0xFF008000, 0xFF0000FF, 0xFF000080};
    dev().SetTexture(0, cubeTexture(4, faces));
    dev().SetRenderState(D3DRS_LOCALVIEWER, TRUE);
    dev().SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    D3DMATRIX world{}, view{};
    world.m[0][2] = -2;  // 2 x rotation about y by +90 degrees (row vectors)
    world.m[1][1] = 2;
    world.m[2][0] = 2;
    world.m[3][3] = 1;
    view.m[0][2] = 1;  // rotation about y by -90 degrees
    view.m[1][1] = 1;
    view.m[2][0] = -1;
    view.m[3][3] = 1;
    dev().SetTransform(D3DTS_WORLD, &world);
    dev().SetTransform(D3DTS_VIEW, &view);
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    drawMeshQuad(-0.5f, -0.5f, 0.5f, 0.5f, 0.25f);
    EXPECT_EQ(pixel(32, 32), 0xFF000080u);  // -z
    EXPECT_EQ(pixel(1, 32), 0xFF800000u);   // -x
    EXPECT_EQ(pixel(32, 1), 0xFF00FF00u);   // +y
    EXPECT_EQ(pixel(62, 32), 0xFFFF0000u);  // +x
}

TEST_F(Sampling, ReflectionVectorAsTwoDimensionalCoordinates) {
    // The metal object samples 2D textures with the reflection's x and y.
    dev().SetTexture(0, texture(2, 2, {kRed, kGreen, kBlue, 0xFFFFFFFF}));
    dev().SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    dev().SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    dev().SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    drawMeshQuad(-1, -1, 1, 1, 0.5f);
    // Top right: (u, v) = (0.667, 0.667): texel (1, 1). Bottom left: negative, clamped to 0.
    EXPECT_EQ(pixel(60, 3), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(3, 60), kRed);
}

TEST(SignedFormats, LookupValuesOfBumpTexels) {
    const uint8_t texel[4] = {0xE0, 0x20, 50, 0};  // U -32, V 32, L 50
    float rgba[4];
    gfx::gl::DecodeSignedTexel(D3DFMT_X8L8V8U8, texel, rgba);
    EXPECT_FLOAT_EQ(rgba[0], -32 / 127.0f);
    EXPECT_FLOAT_EQ(rgba[1], 32 / 127.0f);
    EXPECT_FLOAT_EQ(rgba[2], 50 / 255.0f);
    EXPECT_FLOAT_EQ(rgba[3], 1.0f);
    const uint8_t extreme[4] = {0x80, 0x7F, 255, 0};
    gfx::gl::DecodeSignedTexel(D3DFMT_X8L8V8U8, extreme, rgba);
    EXPECT_FLOAT_EQ(rgba[0], -1.0f);
    EXPECT_FLOAT_EQ(rgba[1], 1.0f);
    EXPECT_FLOAT_EQ(rgba[2], 1.0f);
}

TEST_F(Sampling, X8L8V8U8ReadsSignedThroughTheStages) {
    // Stage 0 selects the texel, stage 1 adds 0.502: negative U survives to the addition.
    gfx::Texture* bump = nullptr;
    dev().CreateTexture(1, 1, 1, 0, D3DFMT_X8L8V8U8, D3DPOOL_MANAGED, &bump);
    D3DLOCKED_RECT lr;
    bump->LockRect(0, &lr, nullptr, 0);
    const uint8_t texel[4] = {0xE0, 0x20, 50, 0};
    std::memcpy(lr.pBits, texel, 4);
    bump->UnlockRect(0);
    dev().SetTexture(0, bump);
    dev().SetRenderState(D3DRS_TEXTUREFACTOR, 0x80808080);
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    dev().SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    drawScreenQuad(0, 0, 64, 64);
    const double f = 128 / 255.0;
    auto byte = [](double v) { return static_cast<uint32_t>(std::lround(255 * v)); };
    EXPECT_TRUE(ColorNear(
        pixel(5, 5),
        0xFF000000u | byte(f - 32 / 127.0) << 16 | byte(f + 32 / 127.0) << 8 | byte(f + 50 / 255.0),
        1));
}

TEST_F(Sampling, BumpEnvironmentMapOffsetsTheNextStage) {
    gfx::Texture* bump = nullptr;
    dev().CreateTexture(1, 1, 1, 0, D3DFMT_X8L8V8U8, D3DPOOL_MANAGED, &bump);
    D3DLOCKED_RECT lr;
    bump->LockRect(0, &lr, nullptr, 0);
    const uint8_t texel[4] = {0x40, 0x00, 0, 0};  // U = 64 / 127
    std::memcpy(lr.pBits, texel, 4);
    bump->UnlockRect(0);
    dev().SetTexture(0, bump);
    dev().SetTexture(1, texture(2, 1, {kRed, kGreen}));
    point(1);
    dev().SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    dev().SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    dev().SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
    dev().SetTextureStageState(0, D3DTSS_BUMPENVMAT00, FloatToDWORD(0.25f));
    drawScreenQuad(0, 0, 64, 64);
    // u + 0.25 * 0.504 crosses 0.5 at u = 0.374: column 24 onward is green, not 32.
    EXPECT_EQ(pixel(22, 5), kRed);
    EXPECT_EQ(pixel(26, 5), kGreen);
    dev().SetTextureStageState(0, D3DTSS_BUMPENVMAT00, FloatToDWORD(0.0f));
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_EQ(pixel(26, 5), kRed);
}

}  // namespace
