// The pictures the content generator writes must come back as textures: its encoders checked
// pixel for pixel against the decoders, and every picture entry of the generated pack loaded
// the way the presentation loads it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "assets/PackArchive.h"
#include "assets/TextureLoading.h"
#include "content/gen/Image.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "imaging/D3DXTexture.h"
#include "imaging/Decoders.h"
#include "support/ReportCapture.h"

namespace {

content::Image Gradient(int w, int h) {
    content::Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.at(x, y);
            p[0] = static_cast<uint8_t>(x * 255 / (w - 1));
            p[1] = static_cast<uint8_t>(y * 255 / (h - 1));
            p[2] = static_cast<uint8_t>((x + y) * 4);
            p[3] = static_cast<uint8_t>(255 - x * 8);
        }
    return img;
}

// Largest channel difference between the decoded picture and the RGBA source.
int Difference(const imaging::Picture& p, const content::Image& img, bool alpha) {
    int worst = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint32_t v = p.pixel(x, y);
            const uint8_t* s = img.at(x, y);
            const int got[4] = {int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF),
                                int(v >> 24)};
            for (int c = 0; c < 4; ++c) {
                const int want = c == 3 && !alpha ? 255 : s[c];
                worst = std::max(worst, std::abs(got[c] - want));
            }
        }
    return worst;
}

TEST(GeneratedPicturesTest, ContentEncodersRoundTrip) {
    const content::Image img = Gradient(19, 11);
    imaging::Picture p;
    std::string error;

    const auto tga32 = content::EncodeTga(img, true);
    ASSERT_TRUE(imaging::DecodeImage(tga32.data(), tga32.size(), p, error)) << error;
    EXPECT_EQ(Difference(p, img, true), 0);
    const auto tga24 = content::EncodeTga(img, false);
    ASSERT_TRUE(imaging::DecodeImage(tga24.data(), tga24.size(), p, error)) << error;
    EXPECT_EQ(Difference(p, img, false), 0);
    const auto bmp = content::EncodeBmp24(img);
    ASSERT_TRUE(imaging::DecodeImage(bmp.data(), bmp.size(), p, error)) << error;
    EXPECT_EQ(Difference(p, img, false), 0);
    const auto jpeg = content::EncodeJpeg(img, 95, true);
    ASSERT_TRUE(imaging::DecodeImage(jpeg.data(), jpeg.size(), p, error)) << error;
    EXPECT_LE(Difference(p, img, false), 12);
}

TEST(GeneratedPicturesTest, EveryPictureOfThePackLoads) {
    const std::string dir = RUNEPLAY_PLAY_DIR;
    if (!std::filesystem::exists(dir + "/kelvra.dat")) GTEST_SKIP() << "no generated pack";
    testsupport::ReportCapture reports;
    ASSERT_TRUE(assets::GlobalPack().Open(dir + "/kelvra.dat"));
    gfx::StateDevice device{gfx::DeviceParams{}};
    IDirect3DDevice8* previous = RenderDevice;
    RenderDevice = &device;

    int pictures = 0;
    for (const assets::PackEntry& e : assets::GlobalPack().entries()) {
        std::string lower = assets::FoldPackName(e.name);
        const std::string ext = lower.size() > 4 ? lower.substr(lower.size() - 4) : "";
        IDirect3DTexture8* tex = nullptr;
        if (ext == ".jpg") {
            tex = LoadJpegTexture(e.name, D3DPOOL_MANAGED);
        } else if (ext == ".tga" || ext == ".bmp") {
            tex = LoadImageTexture(e.name, D3DPOOL_DEFAULT);
        } else {
            continue;
        }
        ++pictures;
        ASSERT_NE(tex, nullptr) << e.name;
        EXPECT_EQ(tex->format(), D3DFMT_A8R8G8B8) << e.name;
        EXPECT_EQ(tex->GetLevelCount(), gfx::FullMipLevelCount(tex->width(), tex->height()))
            << e.name;
    }
    EXPECT_GT(pictures, 0);
    EXPECT_TRUE(reports.fatals.empty());

    if (std::filesystem::exists(dir + "/point.bmp")) {
        IDirect3DTexture8* flare = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(&device, (dir + "/point.bmp").c_str(), &flare), D3D_OK)
            << imaging::LastTextureError();
        EXPECT_NE(flare, nullptr);
    }
    RenderDevice = previous;
}

}  // namespace
