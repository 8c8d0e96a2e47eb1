#include <gtest/gtest.h>

#include <cstring>

#include "assets/JpegPicture.h"
#include "gfx/StateDevice.h"
#include "imaging/D3DXTexture.h"
#include "support/ImageFiles.h"

namespace {

using testimg::Argb;
using testimg::Bytes;

uint32_t U32(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t U16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }

// Top half dark, bottom half bright, so up and down cannot be mistaken even after JPEG
// compression; the left column is red.
Argb UpDown(uint32_t w, uint32_t h) {
    return testimg::MakeArgb(w, h, [h](uint32_t x, uint32_t y) {
        const uint32_t level = y < h / 2 ? 0x20 : 0xE0;
        return 0xFF000000u | (x == 0 ? 0xFF0000u : level * 0x010101u);
    });
}

Bytes Decode(const Bytes& jpeg) {
    Bytes dib;
    std::string error;
    EXPECT_TRUE(assets::DecodeJpegToDib(jpeg.data(), jpeg.size(), dib, error)) << error;
    return dib;
}

TEST(JpegPictureTest, RowPaddingAndSizes) {
    EXPECT_EQ(assets::DibRowPad(3), 3u);
    EXPECT_EQ(assets::DibImageBytes(3, 2), 24u);
    EXPECT_EQ(assets::DibRowPad(256), 0u);
    EXPECT_EQ(assets::DibRowPad(1), 1u);
    EXPECT_EQ(assets::DibRowPad(2), 2u);
    EXPECT_EQ(assets::DibRowPad(4), 0u);
    EXPECT_EQ(assets::DibImageBytes(16384, 16384), 16384ull * 3 * 16384);
}

TEST(JpegPictureTest, ThreeByTwoPictureLayout) {
    const Argb a = testimg::MakeArgb(3, 2, [](uint32_t x, uint32_t y) {
        return y == 0 ? 0xFF000000u | (x * 0x40) : 0xFFFFFFFFu;
    });
    const Bytes dib = Decode(testimg::MakeJpeg(a));
    ASSERT_EQ(dib.size(), 64u);  // 40 + (9 + 3) * 2
    EXPECT_EQ(U32(dib, 0), 40u);
    EXPECT_EQ(U32(dib, 4), 3u);
    EXPECT_EQ(U32(dib, 8), 2u);
    EXPECT_EQ(U16(dib, 12), 1u);
    EXPECT_EQ(U16(dib, 14), 24u);
    for (size_t i = 16; i < 40; ++i) EXPECT_EQ(dib[i], 0) << "header byte " << i;
    // Both rows end in three zero pad bytes.
    for (size_t row = 0; row < 2; ++row)
        for (size_t i = 9; i < 12; ++i) EXPECT_EQ(dib[40 + row * 12 + i], 0);
    // First stored row is the bottom (white) row.
    EXPECT_GE(dib[40], 0xF0);
    EXPECT_LE(dib[40 + 12 + 1], 0x20);
}

TEST(JpegPictureTest, WidthOf256HasNoPadding) {
    const Bytes dib = Decode(testimg::MakeJpeg(UpDown(256, 4), {.quality = 90}));
    ASSERT_EQ(dib.size(), 40u + 256 * 3 * 4);
    EXPECT_EQ(U32(dib, 4), 256u);
    EXPECT_EQ(U32(dib, 8), 4u);
}

TEST(JpegPictureTest, GreyScaleJpegBecomesTheSameTwentyFourBitLayout) {
    const Argb a = UpDown(5, 4);
    const Bytes jpeg = testimg::MakeJpeg(a, {.kind = testimg::JpegKind::Grey});
    const Bytes dib = Decode(jpeg);
    ASSERT_EQ(dib.size(), 40u + (15 + 1) * 4);
    EXPECT_EQ(U16(dib, 14), 24u);
    for (uint32_t row = 0; row < 4; ++row)
        for (uint32_t x = 0; x < 5; ++x) {
            const uint8_t* p = &dib[40 + row * 16 + x * 3];
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
        }
    EXPECT_GE(dib[40 + 3 * 1], 0xD0);       // stored row 0 = bottom, bright
    EXPECT_LE(dib[40 + 3 * 16 + 3], 0x30);  // stored row 3 = top, dark
}

TEST(JpegPictureTest, TextureFromTheBitmapIsUpright) {
    const Argb a = UpDown(8, 8);
    const Bytes dib = Decode(testimg::MakeJpeg(a));
    gfx::StateDevice device{gfx::DeviceParams{}};
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                  &device, dib.data(), static_cast<UINT>(dib.size()), D3DX_DEFAULT, D3DX_DEFAULT, 0,
                  0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                  nullptr, nullptr, &tex),
              D3D_OK)
        << imaging::LastTextureError();
    ASSERT_EQ(tex->GetLevelCount(), 4u);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto texel = [&](uint32_t x, uint32_t y) {
        uint32_t v;
        std::memcpy(&v, static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
        return v;
    };
    // Row 0 is the top of the picture (dark), row 7 the bottom (bright); column 0 red.
    EXPECT_LE(texel(4, 0) & 0xFF, 0x30u);
    EXPECT_GE(texel(4, 7) & 0xFF, 0xD0u);
    EXPECT_GE((texel(0, 3) >> 16) & 0xFF, 0xE0u);
    EXPECT_LE(texel(0, 3) & 0xFF, 0x20u);
    EXPECT_EQ(texel(4, 0) >> 24, 0xFFu);
    tex->UnlockRect(0);
}

TEST(JpegPictureTest, DamagedJpegsAreRefusedWithAReason) {
    const Bytes good = testimg::MakeJpeg(UpDown(32, 32), {.quality = 80});
    const Bytes cases[] = {
        Bytes(good.begin(), good.begin() + good.size() / 2),
        Bytes(good.begin(), good.begin() + 2),
        Bytes{},
        testimg::MakeBmp(UpDown(4, 4)),
    };
    for (const Bytes& c : cases) {
        Bytes dib = {1, 2, 3};
        std::string error;
        EXPECT_FALSE(assets::DecodeJpegToDib(c.data(), c.size(), dib, error));
        EXPECT_TRUE(dib.empty());
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(JpegPictureTest, CmykJpegsComeOutInColour) {
    const Argb a = testimg::MakeArgb(8, 8, [](uint32_t, uint32_t) { return 0xFF3080C0u; });
    for (auto kind : {testimg::JpegKind::AdobeCmyk, testimg::JpegKind::PlainCmyk}) {
        const Bytes dib = Decode(testimg::MakeJpeg(a, {.kind = kind}));
        ASSERT_EQ(dib.size(), 40u + 24 * 8);
        EXPECT_NEAR(dib[40 + 0], 0xC0, 3);
        EXPECT_NEAR(dib[40 + 1], 0x80, 3);
        EXPECT_NEAR(dib[40 + 2], 0x30, 3);
    }
}

}  // namespace
