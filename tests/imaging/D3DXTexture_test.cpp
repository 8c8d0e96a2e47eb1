#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/RecordingDevice.h"
#include "gfx/StateDevice.h"
#include "imaging/D3DXTexture.h"
#include "support/ImageFiles.h"

namespace {

using testimg::Argb;
using testimg::Bytes;

// Texel (x, y) of a level as 0xAARRGGBB, whatever the pitch.
uint32_t Texel(gfx::Surface* s, uint32_t x, uint32_t y) {
    D3DLOCKED_RECT lr;
    EXPECT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint32_t v;
    std::memcpy(&v, static_cast<uint8_t*>(lr.pBits) + y * size_t(lr.Pitch) + x * 4, 4);
    s->UnlockRect();
    return v;
}

class D3DXTextureTest : public testing::Test {
  protected:
    gfx::StateDevice device{gfx::DeviceParams{}};

    IDirect3DTexture8* Create(const Bytes& file, D3DFORMAT format = D3DFMT_A8R8G8B8,
                              UINT width = D3DX_DEFAULT, UINT height = D3DX_DEFAULT,
                              D3DCOLOR key = 0, D3DXIMAGE_INFO* info = nullptr) {
        IDirect3DTexture8* tex = nullptr;
        HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
            &device, file.data(), static_cast<UINT>(file.size()), width, height, 0, 0, format,
            D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, key, info, nullptr, &tex);
        EXPECT_EQ(hr, D3D_OK) << imaging::LastTextureError();
        return tex;
    }
};

TEST_F(D3DXTextureTest, FourByTwoPictureGetsAFullBoxFilteredChain) {
    const Argb a = testimg::MakeArgb(4, 2, [](uint32_t x, uint32_t y) {
        static const uint32_t px[8] = {0xFF000000, 0xFF020304, 0xFF101010, 0xFF202020,
                                       0xFF030303, 0xFF000001, 0xFF303030, 0xFF404041};
        return px[y * 4 + x];
    });
    D3DXIMAGE_INFO info{};
    IDirect3DTexture8* tex =
        Create(testimg::MakeBmp(a), D3DFMT_A8R8G8B8, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info);
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);

    ASSERT_EQ(tex->GetLevelCount(), 3u);
    EXPECT_EQ(tex->format(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(tex->pool(), D3DPOOL_MANAGED);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(Texel(tex->level(0), x, y), a.at(x, y));
    D3DSURFACE_DESC desc;
    ASSERT_EQ(tex->GetLevelDesc(1, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Height, 1u);
    // Red (0+2+3+0+2)/4 = 1, green (0+3+3+0+2)/4 = 2, blue (0+4+3+1+2)/4 = 2.
    EXPECT_EQ(Texel(tex->level(1), 0, 0), 0xFF010202u);
    EXPECT_EQ(Texel(tex->level(1), 1, 0), 0xFF282828u);
    EXPECT_EQ(Texel(tex->level(2), 0, 0), 0xFF151515u);
}

TEST_F(D3DXTextureTest, OddAndNonPowerOfTwoSizesKeepTheirSize) {
    const Argb a =
        testimg::MakeArgb(5, 3, [](uint32_t x, uint32_t) { return 0xFF000000u | x * 10; });
    IDirect3DTexture8* tex = Create(testimg::MakeTga(a));
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->width(), 5u);
    EXPECT_EQ(tex->height(), 3u);
    ASSERT_EQ(tex->GetLevelCount(), 3u);  // 5x3, 2x1, 1x1
    // 5 -> 2 over x with the middle column shared: (0 + 10 + 10) / 2.5 = 8.
    EXPECT_EQ(Texel(tex->level(1), 0, 0), 0xFF000008u);
    EXPECT_EQ(Texel(tex->level(2), 0, 0), 0xFF000014u);  // (8 + 32 + 1) / 2 -> 20
}

TEST_F(D3DXTextureTest, FormatChoiceConversionAndColourKey) {
    const Argb a = testimg::MakeArgb(
        2, 2, [](uint32_t x, uint32_t y) { return x == 0 && y == 0 ? 0x40FF00FFu : 0xC0123456u; });
    const Bytes file = testimg::MakeTga(a, {.bits = 32});
    IDirect3DTexture8* x8 = Create(file, D3DFMT_X8R8G8B8);
    ASSERT_NE(x8, nullptr);
    EXPECT_EQ(Texel(x8->level(0), 0, 0), 0xFFFF00FFu);

    IDirect3DTexture8* fromFile = Create(file, D3DFMT_UNKNOWN);
    ASSERT_NE(fromFile, nullptr);
    EXPECT_EQ(fromFile->format(), D3DFMT_A8R8G8B8);  // the file has alpha
    IDirect3DTexture8* opaque = Create(testimg::MakeBmp(a), D3DFMT_UNKNOWN);
    ASSERT_NE(opaque, nullptr);
    EXPECT_EQ(opaque->format(), D3DFMT_X8R8G8B8);

    IDirect3DTexture8* r565 = Create(file, D3DFMT_R5G6B5);
    ASSERT_NE(r565, nullptr);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(r565->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(lr.Pitch, 4);
    const auto* p = static_cast<const uint8_t*>(lr.pBits);
    EXPECT_EQ(p[0] | p[1] << 8, 0xF81F);
    r565->UnlockRect(0);

    IDirect3DTexture8* keyed =
        Create(file, D3DFMT_A8R8G8B8, D3DX_DEFAULT, D3DX_DEFAULT, 0xC0123456u);
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(Texel(keyed->level(0), 1, 1), 0u);
    EXPECT_EQ(Texel(keyed->level(0), 0, 0), 0x40FF00FFu);
    EXPECT_EQ(Texel(keyed->level(1), 0, 0), 0x10400040u);  // one of four texels survives
}

TEST_F(D3DXTextureTest, ExplicitSizeResamplesThePicture) {
    const Argb a = testimg::MakeArgb(
        2, 2, [](uint32_t x, uint32_t y) { return 0xFF000000u | (x + 2 * y) * 40; });
    IDirect3DTexture8* tex = Create(testimg::MakeBmp(a), D3DFMT_A8R8G8B8, 4, 4);
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->width(), 4u);
    EXPECT_EQ(Texel(tex->level(0), 3, 3), 0xFF000078u);
    EXPECT_EQ(Texel(tex->level(0), 0, 0), 0xFF000000u);
    EXPECT_EQ(Texel(tex->level(1), 1, 0), 0xFF000028u);
}

TEST_F(D3DXTextureTest, UndecodableDataIsRefusedWithAReason) {
    const Bytes junk = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(&device, junk.data(), junk.size(), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, 0, D3DFMT_A8R8G8B8,
                                                  D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                                  D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &tex),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(tex, nullptr);
    EXPECT_NE(imaging::LastTextureError().find("unrecognised"), std::string::npos);

    const Bytes bmp =
        testimg::MakeBmp(testimg::MakeArgb(2, 2, [](uint32_t, uint32_t) { return 0u; }));
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(nullptr, bmp.data(), bmp.size(), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, 0, D3DFMT_A8R8G8B8,
                                                  D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                                  D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &tex),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(&device, bmp.data(), bmp.size(), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, 0, D3DFMT_X8L8V8U8,
                                                  D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                                  D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &tex),
              D3DERR_INVALIDCALL);
    EXPECT_NE(imaging::LastTextureError().find("D3DFMT_X8L8V8U8"), std::string::npos);
}

TEST_F(D3DXTextureTest, TextureFromAFileOnDisk) {
    const Argb a = testimg::MakeArgb(
        8, 8, [](uint32_t x, uint32_t y) { return x == y ? 0xFFFFFFFFu : 0xFF000000u; });
    char path[] = "/tmp/runeplay_pointXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const Bytes file = testimg::MakeBmp(a);
    ASSERT_EQ(write(fd, file.data(), file.size()), static_cast<ssize_t>(file.size()));
    close(fd);

    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(&device, path, &tex), D3D_OK);
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->GetLevelCount(), 4u);
    EXPECT_EQ(tex->format(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(tex->pool(), D3DPOOL_MANAGED);
    EXPECT_EQ(Texel(tex->level(0), 3, 3), 0xFFFFFFFFu);
    EXPECT_EQ(Texel(tex->level(0), 3, 4), 0xFF000000u);
    EXPECT_EQ(Texel(tex->level(3), 0, 0), 0xFF202020u);  // 8 of 64 texels white
    std::remove(path);

    testing::internal::CaptureStderr();
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device, "/nonexistent/point.bmp", &tex),
              D3DXERR_INVALIDDATA);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(tex, nullptr);
    EXPECT_NE(printed.find("/nonexistent/point.bmp: cannot open"), std::string::npos) << printed;
}

TEST_F(D3DXTextureTest, CubeTextureAndItsFilteredFaces) {
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(D3DXCreateCubeTexture(&device, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube),
              D3D_OK);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->GetLevelCount(), 3u);
    EXPECT_EQ(cube->format(), D3DFMT_X8R8G8B8);
    // Face f: a left half of value 10 * f and a right half of 10 * f + 40 in every channel.
    for (UINT f = 0; f < 6; ++f) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), 0, &lr, nullptr, 0), D3D_OK);
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x) {
                const uint32_t v = (x < 2 ? 10 * f : 10 * f + 40) * 0x010101u;
                std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &v, 4);
            }
        cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), 0);
    }
    const uint32_t before = cube->contentVersion();
    ASSERT_EQ(D3DXFilterCubeTexture(cube, nullptr, 0, D3DX_FILTER_LINEAR), D3D_OK);
    EXPECT_NE(cube->contentVersion(), before);
    for (UINT f = 0; f < 6; ++f) {
        const auto face = static_cast<D3DCUBEMAP_FACES>(f);
        const uint32_t left = 10 * f, right = 10 * f + 40;
        EXPECT_EQ(Texel(cube->surface(face, 1), 0, 0), 0xFF000000u | left * 0x010101u);
        EXPECT_EQ(Texel(cube->surface(face, 1), 1, 1), 0xFF000000u | right * 0x010101u);
        EXPECT_EQ(Texel(cube->surface(face, 2), 0, 0),
                  0xFF000000u | ((left + right + 1) / 2) * 0x010101u);
        // Level 0 is the source and stays as it was.
        EXPECT_EQ(Texel(cube->surface(face, 0), 3, 0) & 0xFFFFFF, right * 0x010101u);
    }
    EXPECT_EQ(D3DXFilterCubeTexture(cube, nullptr, 3, D3DX_FILTER_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXFilterCubeTexture(nullptr, nullptr, 0, D3DX_FILTER_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateCubeTexture(&device, 0, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube),
              D3DERR_INVALIDCALL);
}

TEST_F(D3DXTextureTest, FilterTextureFromAMiddleLevel) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(device.CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(1, &lr, nullptr, 0), D3D_OK);
    std::memset(lr.pBits, 0x64, size_t(lr.Pitch) * 4);
    tex->UnlockRect(1);
    ASSERT_EQ(D3DXFilterTexture(tex, nullptr, 1, D3DX_DEFAULT), D3D_OK);
    EXPECT_EQ(Texel(tex->level(0), 0, 0), 0u);  // above the source: untouched
    EXPECT_EQ(Texel(tex->level(3), 0, 0), 0x64646464u);
}

TEST_F(D3DXTextureTest, CreationGoesThroughTheDevice) {
    gfx::RecordingDevice recorder{gfx::DeviceParams{}};
    const Bytes file =
        testimg::MakeBmp(testimg::MakeArgb(16, 8, [](uint32_t, uint32_t) { return 0xFF102030u; }));
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(&recorder, file.data(), file.size(), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, 0, D3DFMT_A8R8G8B8,
                                                  D3DPOOL_DEFAULT, D3DX_FILTER_LINEAR,
                                                  D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &tex),
              D3D_OK);
    ASSERT_FALSE(recorder.calls().empty());
    EXPECT_EQ(recorder.calls().back().str(),
              "CreateTexture(16, 8, 0, 0x0, D3DFMT_A8R8G8B8, 0) -> tex#3");
    EXPECT_EQ(Texel(tex->level(4), 0, 0), 0xFF102030u);
}

}  // namespace
