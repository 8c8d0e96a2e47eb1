#include "assets/TextureLoading.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "support/ImageFiles.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

using testimg::Argb;
using testimg::Bytes;
using testing::HasSubstr;

// Dark top half, bright bottom half; the first column red.
Argb UpDown(uint32_t w, uint32_t h) {
    return testimg::MakeArgb(w, h, [h](uint32_t x, uint32_t y) {
        const uint32_t level = y < h / 2 ? 0x20 : 0xE0;
        return 0xFF000000u | (x == 0 ? 0xFF0000u : level * 0x010101u);
    });
}

uint32_t Texel(IDirect3DTexture8* tex, UINT level, uint32_t x, uint32_t y) {
    D3DLOCKED_RECT lr;
    EXPECT_EQ(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(lr.pBits) + y * size_t(lr.Pitch) + x * 4, 4);
    tex->UnlockRect(level);
    return v;
}

class TextureLoadingTest : public testing::Test {
  protected:
    void SetUp() override {
        assets::PackWriter w;
        w.Add("!textures\\k1.jpg", testimg::MakeJpeg(UpDown(16, 12)));
        w.Add("!textures\\grey.jpg",
              testimg::MakeJpeg(UpDown(6, 4), {.kind = testimg::JpegKind::Grey}));
        Bytes cut = testimg::MakeJpeg(UpDown(64, 64), {.quality = 70});
        cut.resize(cut.size() / 2);
        w.Add("!textures\\broken.jpg", cut);
        w.Add("!textures\\bump.tga", testimg::MakeTga(UpDown(8, 4), {.rle = true}));
        w.Add("!textures\\pointlight.tga", testimg::MakeTga(UpDown(4, 4), {.bits = 32}));
        w.Add("!textures\\pic.bmp", testimg::MakeBmp(UpDown(5, 3)));
        w.Add("!textures\\junk.tga", Bytes{1, 2, 3});
        std::string error;
        ASSERT_TRUE(w.WriteFile(dir.file("kelvra.dat"), &error)) << error;
        ASSERT_TRUE(assets::GlobalPack().Open(dir.file("kelvra.dat")));
        previous_ = RenderDevice;
        RenderDevice = &device;
    }
    void TearDown() override { RenderDevice = previous_; }

    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::StateDevice device{gfx::DeviceParams{}};

  private:
    IDirect3DDevice8* previous_ = nullptr;
};

TEST_F(TextureLoadingTest, JpegEntryBecomesAnUprightTextureWithAFullChain) {
    IDirect3DTexture8* tex = LoadJpegTexture("!textures\\K1.JPG");
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->format(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(tex->pool(), D3DPOOL_DEFAULT);
    EXPECT_EQ(tex->width(), 16u);
    EXPECT_EQ(tex->height(), 12u);
    EXPECT_EQ(tex->GetLevelCount(), 5u);                   // 16x12 8x6 4x3 2x1 1x1
    EXPECT_LE(Texel(tex, 0, 8, 0) & 0xFF, 0x30u);          // top row dark
    EXPECT_GE(Texel(tex, 0, 8, 11) & 0xFF, 0xD0u);         // bottom row bright
    EXPECT_GE((Texel(tex, 0, 0, 5) >> 16) & 0xFF, 0xE0u);  // red first column
    EXPECT_EQ(Texel(tex, 0, 8, 0) >> 24, 0xFFu);
    // Level 2 (4 x 3) still has its dark top and bright bottom.
    EXPECT_LT(Texel(tex, 2, 2, 0) & 0xFF, Texel(tex, 2, 2, 2) & 0xFF);

    IDirect3DTexture8* managed = LoadJpegTexture("!textures\\grey.jpg", D3DPOOL_MANAGED);
    ASSERT_NE(managed, nullptr);
    EXPECT_EQ(managed->pool(), D3DPOOL_MANAGED);
    const uint32_t v = Texel(managed, 0, 3, 3);
    EXPECT_EQ(v & 0xFF, (v >> 8) & 0xFF);
    EXPECT_EQ(v & 0xFF, (v >> 16) & 0xFF);
    EXPECT_TRUE(reports.fatals.empty());
}

TEST_F(TextureLoadingTest, DecodeJpegGivesTheBitmapOfTheEntry) {
    std::vector<uint8_t> picture;
    ASSERT_EQ(DecodeJpeg("!textures\\grey.jpg", picture), 1);
    ASSERT_EQ(picture.size(), 40u + (18 + 2) * 4);
    EXPECT_EQ(picture[14], 24);
}

TEST_F(TextureLoadingTest, OtherPicturesAsStored) {
    IDirect3DTexture8* bump = LoadImageTexture("!textures\\bump.tga", D3DPOOL_DEFAULT);
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump->format(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(bump->GetLevelCount(), 4u);
    EXPECT_EQ(Texel(bump, 0, 3, 0), 0xFF202020u);
    EXPECT_EQ(Texel(bump, 0, 3, 3), 0xFFE0E0E0u);
    EXPECT_EQ(Texel(bump, 1, 1, 1), 0xFFE0E0E0u);

    IDirect3DTexture8* light = LoadImageTexture("!textures\\pointlight.tga", D3DPOOL_MANAGED);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->pool(), D3DPOOL_MANAGED);

    IDirect3DTexture8* bmp = LoadImageTexture("!textures\\pic.bmp", D3DPOOL_DEFAULT);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(Texel(bmp, 0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Texel(bmp, 0, 4, 2), 0xFFE0E0E0u);
    EXPECT_EQ(bmp->GetLevelCount(), 3u);
}

TEST_F(TextureLoadingTest, UnreadablePicturesGiveNullAndOneLineNamingTheEntry) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadJpegTexture("!textures\\broken.jpg"), nullptr);
    EXPECT_EQ(LoadImageTexture("!textures\\junk.tga", D3DPOOL_DEFAULT), nullptr);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_THAT(printed, HasSubstr("!textures\\broken.jpg: damaged JPEG"));
    EXPECT_THAT(printed, HasSubstr("!textures\\junk.tga: unrecognised image format"));

    std::vector<uint8_t> picture = {1};
    testing::internal::CaptureStderr();
    EXPECT_EQ(DecodeJpeg("!textures\\broken.jpg", picture), 0);
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                HasSubstr("!textures\\broken.jpg: damaged JPEG"));
    EXPECT_TRUE(picture.empty());
}

TEST_F(TextureLoadingTest, MissingEntryAndMissingDevice) {
    EXPECT_EQ(LoadJpegTexture("!textures\\none.jpg"), nullptr);
    EXPECT_EQ(LoadImageTexture("!textures\\none.tga", D3DPOOL_DEFAULT), nullptr);
    EXPECT_FALSE(reports.fatals.empty());  // the pack reader reported the misses

    RenderDevice = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadJpegTexture("!textures\\k1.jpg"), nullptr);
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("no rendering device"));
}

}  // namespace
