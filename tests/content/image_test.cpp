// The generator's picture encoders: files decode back to the pixels that went in (exactly for
// TGA and BMP, within JPEG's loss), at any size including odd widths, byte for byte the same
// on every run, and bad arguments are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include <stb/stb_image.h>

#include "content/gen/Image.h"
#include "tests/content/ImageReaders.h"

namespace {

using content::Image;
using content_test::Decoded;

// Deterministic test picture: smooth gradients with some edges, varying alpha.
Image TestPicture(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.at(x, y);
            p[0] = static_cast<uint8_t>((x * 255) / std::max(1, w - 1));
            p[1] = static_cast<uint8_t>((y * 255) / std::max(1, h - 1));
            p[2] = static_cast<uint8_t>(((x / 8 + y / 8) % 2) ? 200 : 40);
            p[3] = static_cast<uint8_t>((x * 7 + y * 13) & 0xFF);
        }
    return img;
}

bool SameRgb(const Image& a, const Decoded& d, bool alpha) {
    if (!d.ok || d.width != a.width || d.height != a.height) return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < (alpha ? 4 : 3); ++c)
                if (a.at(x, y)[c] != d.at(x, y)[c]) return false;
    return true;
}

struct Size {
    int w, h;
};
// Widths 1, 2 and 3 need 3, 2 and 1 bytes of BMP row padding; 3 x 2 is the textbook case.
const Size kSizes[] = {{1, 1}, {2, 3}, {3, 2}, {5, 7}, {17, 9}, {64, 32}, {255, 3}};

TEST(TgaEncoder, RoundTripsExactlyWithAndWithoutAlpha) {
    for (Size s : kSizes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        const Image img = TestPicture(s.w, s.h);
        const auto with = content::EncodeTga(img, true);
        const auto without = content::EncodeTga(img, false);
        EXPECT_EQ(with.size(), 18u + static_cast<size_t>(s.w) * s.h * 4);
        EXPECT_EQ(without.size(), 18u + static_cast<size_t>(s.w) * s.h * 3);
        const Decoded a = content_test::ReadTga(with);
        ASSERT_TRUE(a.ok) << a.error;
        EXPECT_EQ(a.channels, 4);
        EXPECT_TRUE(SameRgb(img, a, true));
        const Decoded b = content_test::ReadTga(without);
        ASSERT_TRUE(b.ok) << b.error;
        EXPECT_EQ(b.channels, 3);
        EXPECT_TRUE(SameRgb(img, b, false));
    }
}

TEST(TgaEncoder, StoresRowsBottomUpAsTheHeaderSays) {
    Image img(1, 2);
    img.at(0, 0)[0] = 10;  // top row
    img.at(0, 1)[0] = 20;  // bottom row
    const auto bytes = content::EncodeTga(img, false);
    EXPECT_EQ(bytes[17] & 0x20, 0);  // origin bottom-left
    EXPECT_EQ(bytes[18 + 2], 20);    // first stored pixel is the bottom one (B, G, R order)
    EXPECT_EQ(bytes[18 + 3 + 2], 10);
}

TEST(BmpEncoder, RoundTripsExactlyWithRowPadding) {
    for (Size s : kSizes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        const Image img = TestPicture(s.w, s.h);
        const auto bytes = content::EncodeBmp24(img);
        const size_t row = (static_cast<size_t>(s.w) * 3 + 3) / 4 * 4;
        EXPECT_EQ(bytes.size(), 54u + row * s.h);
        const Decoded d = content_test::ReadBmp24(bytes);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_TRUE(SameRgb(img, d, false));
    }
}

TEST(BmpEncoder, ThreeByTwoIsSeventyEightBytes) {
    // Rows of 9 bytes padded to 12: 24 bytes of pixels after the 54 of headers.
    EXPECT_EQ(content::EncodeBmp24(TestPicture(3, 2)).size(), 78u);
}

TEST(Encoders, ReadBackByAnIndependentDecoder) {
    // stb_image is what the engine's texture loader uses for these formats.
    const Image img = TestPicture(13, 6);
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        const auto bytes =
            kind == 0 ? content::EncodeBmp24(img) : content::EncodeTga(img, kind == 2);
        int w = 0, h = 0, n = 0;
        unsigned char* px =
            stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 4);
        ASSERT_NE(px, nullptr) << stbi_failure_reason();
        EXPECT_EQ(w, 13);
        EXPECT_EQ(h, 6);
        bool same = true;
        for (int i = 0; i < w * h && same; ++i)
            for (int c = 0; c < (kind == 2 ? 4 : 3); ++c)
                same = same && px[i * 4 + c] == img.rgba[i * 4 + c];
        EXPECT_TRUE(same);
        stbi_image_free(px);
    }
}

TEST(JpegEncoder, RoundTripsWithinTheLossOfTheQuality) {
    for (Size s : kSizes) {
        for (bool full : {false, true}) {
            SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) +
                         (full ? " 4:4:4" : " 4:2:0"));
            Image img(s.w, s.h);
            // A smooth picture: JPEG's error there is small and predictable.
            for (int y = 0; y < s.h; ++y)
                for (int x = 0; x < s.w; ++x) {
                    uint8_t* p = img.at(x, y);
                    p[0] = static_cast<uint8_t>(60 + std::min(150, 2 * x));
                    p[1] = static_cast<uint8_t>(90 + std::min(120, 3 * y));
                    p[2] = static_cast<uint8_t>(200 - std::min(120, x + y));
                    p[3] = 255;
                }
            const auto bytes = content::EncodeJpeg(img, 95, full);
            ASSERT_GT(bytes.size(), 4u);
            EXPECT_EQ(bytes[0], 0xFF);
            EXPECT_EQ(bytes[1], 0xD8);  // SOI
            const Decoded d = content_test::DecodeJpeg(bytes);
            ASSERT_TRUE(d.ok) << d.error;
            EXPECT_EQ(d.width, s.w);
            EXPECT_EQ(d.height, s.h);
            EXPECT_EQ(d.channels, 3);
            double sum = 0.0;
            int worst = 0;
            for (int i = 0; i < s.w * s.h; ++i)
                for (int c = 0; c < 3; ++c) {
                    int e = std::abs(static_cast<int>(img.rgba[i * 4 + c]) - d.rgba[i * 4 + c]);
                    sum += e;
                    worst = std::max(worst, e);
                }
            EXPECT_LT(sum / (s.w * s.h * 3), 2.5);
            EXPECT_LE(worst, 24);
        }
    }
}

TEST(JpegEncoder, KeepsChromaDetailOnlyWithFullChroma) {
    // One-pixel red and blue stripes: subsampling blurs them, full chroma keeps them apart.
    Image img(32, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            uint8_t* p = img.at(x, y);
            p[0] = (x & 1) ? 220 : 30;
            p[1] = 60;
            p[2] = (x & 1) ? 30 : 220;
            p[3] = 255;
        }
    auto error = [&](bool full) {
        const Decoded d = content_test::DecodeJpeg(content::EncodeJpeg(img, 95, full));
        double sum = 0.0;
        for (size_t i = 0; i < img.rgba.size(); i += 4)
            sum += std::abs(int(img.rgba[i]) - int(d.rgba[i]));
        return sum / (32 * 16);
    };
    EXPECT_LT(error(true), 12.0);
    EXPECT_GT(error(false), 2.0 * error(true));
}

TEST(Encoders, AreDeterministic) {
    const Image img = TestPicture(97, 41);
    EXPECT_EQ(content::EncodeJpeg(img, 90), content::EncodeJpeg(img, 90));
    EXPECT_EQ(content::EncodeJpeg(img, 90, true), content::EncodeJpeg(img, 90, true));
    EXPECT_EQ(content::EncodeTga(img, true), content::EncodeTga(img, true));
    EXPECT_EQ(content::EncodeBmp24(img), content::EncodeBmp24(img));
}

TEST(Encoders, RefuseBadPictures) {
    Image empty;
    EXPECT_THROW(content::EncodeJpeg(empty, 90), std::invalid_argument);
    EXPECT_THROW(content::EncodeTga(empty, true), std::invalid_argument);
    EXPECT_THROW(content::EncodeBmp24(empty), std::invalid_argument);
    Image torn(4, 4);
    torn.rgba.resize(10);  // buffer shorter than the size says
    EXPECT_THROW(content::EncodeJpeg(torn, 90), std::invalid_argument);
    EXPECT_THROW(content::EncodeTga(torn, false), std::invalid_argument);
    EXPECT_THROW(content::EncodeBmp24(torn), std::invalid_argument);
    Image huge;
    huge.width = 70000;  // wider than a JPEG or TGA can say
    huge.height = 1;
    EXPECT_THROW(content::EncodeTga(huge, false), std::invalid_argument);
    const Image ok = TestPicture(4, 4);
    EXPECT_THROW(content::EncodeJpeg(ok, 0), std::invalid_argument);
    EXPECT_THROW(content::EncodeJpeg(ok, 101), std::invalid_argument);
    EXPECT_NO_THROW(content::EncodeJpeg(ok, 1));
    EXPECT_NO_THROW(content::EncodeJpeg(ok, 100));
}

}  // namespace
