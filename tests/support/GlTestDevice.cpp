#include "support/GlTestDevice.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testsupport {

std::unique_ptr<gfx::gl::GlRenderDevice> MakeHeadlessDevice(UINT width, UINT height,
                                                            std::string* error) {
    gfx::DeviceParams params;
    params.width = width;
    params.height = height;
    // The back end's own tests reach past the Device interface.
    return std::unique_ptr<gfx::gl::GlRenderDevice>(static_cast<gfx::gl::GlRenderDevice*>(
        gfx::gl::CreateHeadlessDevice(params, error).release()));
}

D3DMATRIX Identity() {
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

D3DMATRIX Translation(float x, float y, float z) {
    D3DMATRIX m = Identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

D3DMATRIX PerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovY / 2), xs = ys / aspect;
    D3DMATRIX m{};
    m.m[0][0] = xs;
    m.m[1][1] = ys;
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -zn * zf / (zf - zn);
    return m;
}

int Red(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
int Green(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(uint32_t c) { return static_cast<int>(c & 0xFF); }
int Alpha(uint32_t c) { return static_cast<int>(c >> 24); }

::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tolerance) {
    const int d[4] = {
        std::abs(Alpha(actual) - Alpha(expected)), std::abs(Red(actual) - Red(expected)),
        std::abs(Green(actual) - Green(expected)), std::abs(Blue(actual) - Blue(expected))};
    for (int v : d) {
        if (v > tolerance) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "0x%08X is not within %d of 0x%08X", actual, tolerance,
                          expected);
            return ::testing::AssertionFailure() << buf;
        }
    }
    return ::testing::AssertionSuccess();
}

void GlDeviceTest::SetUp() {
    std::string error;
    device_ = MakeHeadlessDevice(width_, height_, &error);
    ASSERT_NE(device_, nullptr) << "no headless OpenGL device: " << error;
}

void GlDeviceTest::TearDown() {
    if (device_) {
        device_->makeCurrent();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "GL reported an error";
    }
    device_.reset();
}

std::vector<uint32_t> GlDeviceTest::read(gfx::Surface* surface) {
    if (!surface) dev().GetBackBuffer(0, &surface);
    std::vector<uint32_t> argb;
    EXPECT_EQ(dev().ReadPixels(surface, argb), D3D_OK);
    return argb;
}

uint32_t GlDeviceTest::pixel(int x, int y, gfx::Surface* surface) {
    if (!surface) dev().GetBackBuffer(0, &surface);
    const std::vector<uint32_t> all = read(surface);
    const size_t i = static_cast<size_t>(y) * surface->width() + static_cast<size_t>(x);
    return i < all.size() ? all[i] : 0;
}

gfx::VertexBuffer* GlDeviceTest::vertexBuffer(const void* data, UINT bytes, DWORD fvf) {
    gfx::VertexBuffer* vb = nullptr;
    EXPECT_EQ(dev().CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb),
              D3D_OK);
    BYTE* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, data, bytes);
    vb->Unlock();
    return vb;
}

gfx::IndexBuffer* GlDeviceTest::indexBuffer(std::initializer_list<uint16_t> indices) {
    gfx::IndexBuffer* ib = nullptr;
    const UINT bytes = static_cast<UINT>(indices.size() * 2);
    EXPECT_EQ(dev().CreateIndexBuffer(bytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    BYTE* p = nullptr;
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, indices.begin(), bytes);
    ib->Unlock();
    return ib;
}

gfx::Texture* GlDeviceTest::texture(UINT width, UINT height, const std::vector<uint32_t>& argb,
                                    D3DFORMAT format, UINT levels,
                                    const std::vector<uint32_t>& levelColors) {
    gfx::Texture* tex = nullptr;
    EXPECT_EQ(dev().CreateTexture(width, height, levels, 0, format, D3DPOOL_MANAGED, &tex), D3D_OK);
    for (UINT l = 0; l < tex->GetLevelCount(); ++l) {
        D3DLOCKED_RECT lr;
        tex->LockRect(l, &lr, nullptr, 0);
        gfx::Surface* s = tex->level(l);
        for (UINT y = 0; y < s->height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch);
            for (UINT x = 0; x < s->width(); ++x) {
                uint32_t v = 0;
                if (l == 0)
                    v = argb[static_cast<size_t>(y) * width + x];
                else if (l - 1 < levelColors.size())
                    v = levelColors[l - 1];
                std::memcpy(row + x, &v, 4);
            }
        }
        tex->UnlockRect(l);
    }
    return tex;
}

gfx::CubeTexture* GlDeviceTest::cubeTexture(UINT edge, const uint32_t (&faceColors)[6]) {
    gfx::CubeTexture* cube = nullptr;
    EXPECT_EQ(dev().CreateCubeTexture(edge, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    for (int f = 0; f < 6; ++f) {
        D3DLOCKED_RECT lr;
        const auto face = static_cast<D3DCUBEMAP_FACES>(f);
        cube->LockRect(face, 0, &lr, nullptr, 0);
        for (UINT y = 0; y < edge; ++y)
            for (UINT x = 0; x < edge; ++x)
                std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &faceColors[f],
                            4);
        cube->UnlockRect(face, 0);
    }
    return cube;
}

void GlDeviceTest::drawScreenQuad(float x0, float y0, float x1, float y1, D3DCOLOR diffuse,
                                  float u0, float v0, float u1, float v1, float z) {
    gfx::VertexBuffer* vb = vertexBuffer<ScreenVertex>({{x0, y0, z, 1, diffuse, u0, v0},
                                                        {x1, y0, z, 1, diffuse, u1, v0},
                                                        {x1, y1, z, 1, diffuse, u1, v1},
                                                        {x0, y1, z, 1, diffuse, u0, v1}},
                                                       0x144);
    dev().SetVertexShader(0x144);
    dev().SetStreamSource(0, vb, sizeof(ScreenVertex));
    EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
}

void GlDeviceTest::drawMeshQuad(float x0, float y0, float x1, float y1, float z) {
    gfx::VertexBuffer* vb = vertexBuffer<MeshVertex>({{x0, y1, z, 0, 0, -1, 0, 0},
                                                      {x1, y1, z, 0, 0, -1, 1, 0},
                                                      {x1, y0, z, 0, 0, -1, 1, 1},
                                                      {x0, y0, z, 0, 0, -1, 0, 1}},
                                                     0x112);
    dev().SetVertexShader(0x112);
    dev().SetStreamSource(0, vb, sizeof(MeshVertex));
    EXPECT_EQ(dev().DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
}

void GlDeviceTest::plainStates() {
    dev().SetRenderState(D3DRS_LIGHTING, FALSE);
    dev().SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev().SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev().SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev().SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
}

}  // namespace testsupport
