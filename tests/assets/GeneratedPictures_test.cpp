// The pictures the content generator writes must come back as textures: its encoders checked
// pixel for pixel against the decoders, and every picture entry of the generated pack loaded
// the way the presentation loads it, at the size its use needs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "assets/PackArchive.h"
#include "assets/TextureLoading.h"
#include "content/gen/Image.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "imaging/D3DXTexture.h"
#include "imaging/Decoders.h"
#include "support/EnginePackEntries.h"
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

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool PowerOfTwo(UINT v) { return v != 0 && (v & (v - 1)) == 0; }

TEST(GeneratedPicturesTest, EveryPictureOfThePackLoadsAtItsSize) {
    const std::string dir = RUNEPLAY_PLAY_DIR;
    if (!std::filesystem::exists(dir + "/kelvra.dat")) GTEST_SKIP() << "no generated pack";
    testsupport::ReportCapture reports;
    ASSERT_TRUE(assets::GlobalPack().Open(dir + "/kelvra.dat"));
    gfx::StateDevice device{gfx::DeviceParams{}};
    IDirect3DDevice8* previous = RenderDevice;
    RenderDevice = &device;

    std::map<std::string, const testsupport::PictureEntry*> intended;
    for (const testsupport::PictureEntry& e : testsupport::kEnginePictures)
        intended[assets::FoldPackName(e.name)] = &e;
    size_t named = 0, sceneTextures = 0;
    for (const assets::PackEntry& e : assets::GlobalPack().entries()) {
        const std::string lower = assets::FoldPackName(e.name);
        SCOPED_TRACE(e.name);
        IDirect3DTexture8* tex = nullptr;
        // As the engine loads each kind: JPEG through its own decoder, the rest as stored.
        if (EndsWith(lower, ".jpg") || EndsWith(lower, ".jpeg")) {
            tex = LoadJpegTexture(e.name, D3DPOOL_MANAGED);
        } else if (EndsWith(lower, ".tga") || EndsWith(lower, ".bmp")) {
            tex = LoadImageTexture(e.name, D3DPOOL_DEFAULT);
        } else {
            continue;
        }
        if (!tex) {
            ADD_FAILURE() << "does not load";
            continue;
        }
        EXPECT_EQ(tex->format(), D3DFMT_A8R8G8B8);
        EXPECT_EQ(tex->GetLevelCount(), gfx::FullMipLevelCount(tex->width(), tex->height()));
        auto it = intended.find(lower);
        if (it != intended.end()) {
            ++named;
            EXPECT_EQ(tex->width(), UINT(it->second->width));
            EXPECT_EQ(tex->height(), UINT(it->second->height));
            continue;
        }
        // Otherwise a picture a scene names from its own folder: it wraps round a mesh or
        // becomes a particle, so its sides are powers of two of a sensible size.
        ++sceneTextures;
        EXPECT_TRUE(lower.rfind("scene3\\", 0) == 0 || lower.rfind("scene2\\", 0) == 0 ||
                    lower.rfind("objs\\", 0) == 0);
        EXPECT_TRUE(PowerOfTwo(tex->width()) && PowerOfTwo(tex->height()))
            << tex->width() << " x " << tex->height();
        EXPECT_GE(std::min(tex->width(), tex->height()), 64u);
        EXPECT_LE(std::max(tex->width(), tex->height()), 512u);
    }
    EXPECT_EQ(named, intended.size());
    EXPECT_GT(sceneTextures, 0u);
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
