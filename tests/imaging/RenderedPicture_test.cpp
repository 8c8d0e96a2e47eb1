// A picture decoded the way the loader does it (JPEG -> bottom-up bitmap -> texture) and drawn
// on the OpenGL device shows upright, and its mip levels carry the filtered picture.

#include <gtest/gtest.h>

#include "assets/JpegPicture.h"
#include "imaging/D3DXTexture.h"
#include "support/GlTestDevice.h"
#include "support/ImageFiles.h"

namespace {

using testsupport::Blue;
using testsupport::Red;

class RenderedPictureTest : public testsupport::GlDeviceTest {
  protected:
    IDirect3DTexture8* Create(const std::vector<uint8_t>& file) {
        IDirect3DTexture8* tex = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                      &dev(), file.data(), static_cast<UINT>(file.size()), D3DX_DEFAULT,
                      D3DX_DEFAULT, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DX_FILTER_LINEAR,
                      D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &tex),
                  D3D_OK)
            << imaging::LastTextureError();
        return tex;
    }

    IDirect3DTexture8* LoadLikeThePictureLoader(const testimg::Bytes& jpeg) {
        std::vector<uint8_t> dib;
        std::string error;
        EXPECT_TRUE(assets::DecodeJpegToDib(jpeg.data(), jpeg.size(), dib, error)) << error;
        return Create(dib);
    }

    void TexturedStates(IDirect3DTexture8* tex, D3DTEXTUREFILTERTYPE mip) {
        plainStates();
        dev().SetTexture(0, tex);
        dev().SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev().SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev().SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        dev().SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        dev().SetTextureStageState(0, D3DTSS_MIPFILTER, mip);
    }
};

TEST_F(RenderedPictureTest, JpegPictureIsDrawnUpright) {
    // Dark top half, bright bottom half, red left quarter.
    const auto a = testimg::MakeArgb(32, 32, [](uint32_t x, uint32_t y) {
        if (x < 8) return 0xFFFF0000u;
        return y < 16 ? 0xFF202020u : 0xFFE0E0E0u;
    });
    IDirect3DTexture8* tex = LoadLikeThePictureLoader(testimg::MakeJpeg(a));
    ASSERT_NE(tex, nullptr);
    TexturedStates(tex, D3DTEXF_NONE);
    drawScreenQuad(0, 0, 64, 64);
    EXPECT_LT(Blue(pixel(48, 8)), 0x40);
    EXPECT_GT(Blue(pixel(48, 56)), 0xC0);
    EXPECT_GT(Red(pixel(4, 8)), 0xE0);
    EXPECT_LT(Blue(pixel(4, 56)), 0x30);
}

TEST_F(RenderedPictureTest, MinifiedDrawUsesTheFilteredLevels) {
    // Fine vertical stripes of black and white: every level below 0 is an even grey.
    const auto a = testimg::MakeArgb(
        64, 64, [](uint32_t x, uint32_t) { return x % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
    IDirect3DTexture8* tex = Create(testimg::MakeBmp(a));
    ASSERT_NE(tex, nullptr);
    ASSERT_EQ(tex->GetLevelCount(), 7u);
    TexturedStates(tex, D3DTEXF_POINT);
    drawScreenQuad(0, 0, 16, 16);  // a quarter of the size: level 2
    for (int x = 0; x < 16; x += 5) EXPECT_NEAR(Blue(pixel(x, 8)), 0x80, 2) << x;
}

}  // namespace
