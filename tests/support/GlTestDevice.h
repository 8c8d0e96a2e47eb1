// A headless OpenGL device for rendering tests, with helpers to build small scenes and read
// pixels back. Tests draw into the 64 x 64 back buffer (or a size of their choosing) and
// compare pixels with stated tolerances.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gl/GlRenderDevice.h"

namespace testsupport {

// A headless device, or null with the reason in `error`.
std::unique_ptr<gfx::gl::GlRenderDevice> MakeHeadlessDevice(UINT width, UINT height,
                                                            std::string* error);

// Vertex of FVF 0x144: screen position, diffuse colour, one texture coordinate pair.
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};

// Vertex of FVF 0x112: position, normal, one texture coordinate pair.
struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

// Vertex of FVF 0x042: position and diffuse colour.
struct ColorVertex {
    float x, y, z;
    D3DCOLOR diffuse;
};

// Matrices of the original API (row vectors, left-handed).
D3DMATRIX Identity();
D3DMATRIX Translation(float x, float y, float z);
D3DMATRIX PerspectiveFovLH(float fovY, float aspect, float zn, float zf);

int Red(uint32_t argb);
int Green(uint32_t argb);
int Blue(uint32_t argb);
int Alpha(uint32_t argb);

// Each of the four channels within `tolerance` of the expected value.
::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tolerance);

class GlDeviceTest : public ::testing::Test {
  protected:
    explicit GlDeviceTest(UINT width = 64, UINT height = 64) : width_(width), height_(height) {}
    void SetUp() override;
    // Fails the test if GL recorded an error on the way.
    void TearDown() override;

    gfx::gl::GlRenderDevice& dev() { return *device_; }

    // Reads the back buffer (or another render-target surface) as 0xAARRGGBB, rows from
    // the top.
    std::vector<uint32_t> read(gfx::Surface* surface = nullptr);
    uint32_t pixel(int x, int y, gfx::Surface* surface = nullptr);

    gfx::VertexBuffer* vertexBuffer(const void* data, UINT bytes, DWORD fvf = 0);
    template <typename V>
    gfx::VertexBuffer* vertexBuffer(std::initializer_list<V> vertices, DWORD fvf = 0) {
        std::vector<V> v(vertices);
        return vertexBuffer(v.data(), static_cast<UINT>(v.size() * sizeof(V)), fvf);
    }
    gfx::IndexBuffer* indexBuffer(std::initializer_list<uint16_t> indices);
    // A texture whose level 0 holds `argb` (rows from the top); further levels are filled
    // with `levelColors[i - 1]` when given.
    gfx::Texture* texture(UINT width, UINT height, const std::vector<uint32_t>& argb,
                          D3DFORMAT format = D3DFMT_A8R8G8B8, UINT levels = 1,
                          const std::vector<uint32_t>& levelColors = {});
    gfx::CubeTexture* cubeTexture(UINT edge, const uint32_t (&faceColors)[6]);

    // A screen-space quad (FVF 0x144) drawn as a triangle fan, texture coordinates spanning
    // u0..u1, v0..v1 over the quad.
    void drawScreenQuad(float x0, float y0, float x1, float y1, D3DCOLOR diffuse = 0xFFFFFFFF,
                        float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1, float z = 0.5f);
    // Stage 0 outputs the diffuse colour only (no texture), lighting off, no culling or
    // depth test: the states most tests start from.
    void plainStates();
    // A quad (FVF 0x112) at depth z spanning x0..x1, y0..y1 with normal (0, 0, -1) and
    // texture coordinates 0..1, drawn as a fan through the current transforms.
    void drawMeshQuad(float x0, float y0, float x1, float y1, float z);

    UINT width_, height_;
    std::unique_ptr<gfx::gl::GlRenderDevice> device_;
};

}  // namespace testsupport
