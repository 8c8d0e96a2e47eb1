#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/Decoders.h"
#include "support/ImageFiles.h"

namespace {

using imaging::FileFormat;
using imaging::Picture;
using testimg::Argb;
using testimg::Bytes;

// Four distinct opaque colours in a 3 x 2 picture: every row and column tells which way up
// and which way round the decoder put it.
Argb Sample() {
    static const uint32_t px[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                   0xFFFFFF00, 0xFF00FFFF, 0xFF808080};
    return testimg::MakeArgb(3, 2, [](uint32_t x, uint32_t y) { return px[y * 3 + x]; });
}

void ExpectPixels(const Picture& p, const Argb& a) {
    ASSERT_EQ(p.width, a.width);
    ASSERT_EQ(p.height, a.height);
    for (uint32_t y = 0; y < a.height; ++y)
        for (uint32_t x = 0; x < a.width; ++x)
            EXPECT_EQ(p.pixel(x, y), a.at(x, y)) << "at " << x << "," << y;
}

bool Decodes(const Bytes& file, Picture& p, std::string& error) {
    return imaging::DecodeImage(file.data(), file.size(), p, error);
}

void ExpectRefused(const Bytes& file, const std::string& fragment) {
    Picture p;
    std::string error;
    EXPECT_FALSE(Decodes(file, p, error));
    EXPECT_NE(error.find(fragment), std::string::npos) << "message was: " << error;
    EXPECT_TRUE(p.pixels.empty());
}

// ------------------------------------------------------------------ BMP and DIB

TEST(BmpDecoderTest, TwentyFourBitBottomUpAndTopDown) {
    for (bool topDown : {false, true}) {
        Picture p;
        std::string error;
        ASSERT_TRUE(Decodes(testimg::MakeBmp(Sample(), {.bits = 24, .topDown = topDown}), p, error))
            << error;
        ExpectPixels(p, Sample());
        EXPECT_EQ(p.fileFormat, FileFormat::Bmp);
        EXPECT_EQ(p.sourceFormat, D3DFMT_R8G8B8);
        EXPECT_FALSE(p.hasAlpha);
    }
}

TEST(BmpDecoderTest, ThirtyTwoBitKeepsAlphaUnlessItIsAllZero) {
    Argb a = testimg::MakeArgb(2, 2, [](uint32_t x, uint32_t y) {
        return (x + y == 0 ? 0x40000000u : 0xFF000000u) | (x * 0x70 + y * 0x0700);
    });
    Picture p;
    std::string error;
    ASSERT_TRUE(Decodes(testimg::MakeBmp(a, {.bits = 32}), p, error)) << error;
    ExpectPixels(p, a);
    EXPECT_TRUE(p.hasAlpha);
    EXPECT_EQ(p.sourceFormat, D3DFMT_A8R8G8B8);

    // A writer that never filled the reserved byte: opaque.
    Argb zero = a;
    for (auto& v : zero.px) v &= 0x00FFFFFF;
    ASSERT_TRUE(Decodes(testimg::MakeBmp(zero, {.bits = 32}), p, error)) << error;
    for (auto& v : zero.px) v |= 0xFF000000;
    ExpectPixels(p, zero);
    EXPECT_FALSE(p.hasAlpha);
    EXPECT_EQ(p.sourceFormat, D3DFMT_X8R8G8B8);
}

TEST(BmpDecoderTest, EightBitPalettised) {
    const std::vector<uint32_t> palette = {0xFF102030, 0xFFA0B0C0, 0xFF00FF00};
    Argb indices = testimg::MakeArgb(5, 3, [](uint32_t x, uint32_t y) { return (x + y) % 3; });
    for (bool topDown : {false, true}) {
        Picture p;
        std::string error;
        ASSERT_TRUE(
            Decodes(testimg::MakeBmp(indices, {.bits = 8, .topDown = topDown}, palette), p, error))
            << error;
        ASSERT_EQ(p.width, 5u);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(p.pixel(x, y), palette[(x + y) % 3]);
        EXPECT_EQ(p.sourceFormat, D3DFMT_P8);
    }
}

TEST(BmpDecoderTest, SixteenBitBitFieldsInBothHeaderStyles) {
    Argb a = testimg::MakeArgb(3, 1, [](uint32_t x, uint32_t) {
        return x == 0 ? 0xFFFF0000u : x == 1 ? 0xFF00FF00u : 0xFF0000FFu;
    });
    for (uint32_t headerSize : {40u, 108u}) {
        Picture p;
        std::string error;
        ASSERT_TRUE(Decodes(testimg::MakeBmp(a, {.bits = 16, .headerSize = headerSize}), p, error))
            << error;
        ExpectPixels(p, a);
        EXPECT_EQ(p.sourceFormat, D3DFMT_R5G6B5);
    }
}

TEST(BmpDecoderTest, PackedDibAsTheJpegLoaderWritesIt) {
    for (uint32_t bits : {24u, 32u}) {
        Picture p;
        std::string error;
        Bytes dib = testimg::MakeBmp(Sample(), {.bits = bits, .fileHeader = false});
        EXPECT_EQ(imaging::SniffFormat(dib.data(), dib.size()), FileFormat::Dib);
        ASSERT_TRUE(Decodes(dib, p, error)) << error;
        ExpectPixels(p, Sample());
        EXPECT_EQ(p.fileFormat, FileFormat::Dib);
    }
}

TEST(BmpDecoderTest, DamagedFilesAreRefused) {
    const Bytes good = testimg::MakeBmp(Sample());

    Bytes truncated(good.begin(), good.end() - 5);
    ExpectRefused(truncated, "truncated");
    ExpectRefused(Bytes(good.begin(), good.begin() + 20), "truncated");

    Bytes wide = good;
    testimg::SetU32(wide, 18, 100000);
    ExpectRefused(wide, "larger than 16384");

    // Sizes whose byte counts overflow 32 bits, with hardly any data behind them.
    Bytes huge = good;
    testimg::SetU32(huge, 18, 16384);
    testimg::SetU32(huge, 22, 16384);
    ExpectRefused(huge, "truncated");

    Bytes minHeight = good;
    testimg::SetU32(minHeight, 22, 0x80000000u);
    ExpectRefused(minHeight, "larger than 16384");

    Bytes negativeWidth = good;
    testimg::SetU32(negativeWidth, 18, static_cast<uint32_t>(-3));
    ExpectRefused(negativeWidth, "bad bitmap size");

    Bytes header = good;
    testimg::SetU32(header, 14, 77);
    ExpectRefused(header, "header size 77");

    Bytes depth = good;
    depth[28] = 7;
    ExpectRefused(depth, "depth");

    Bytes rle = good;
    rle[30] = 1;
    ExpectRefused(rle, "run-length");

    Bytes offset = good;
    testimg::SetU32(offset, 10, 0x7FFFFFF0u);
    ExpectRefused(offset, "truncated");
}

TEST(BmpDecoderTest, PaletteProblemsAreRefused) {
    const std::vector<uint32_t> palette = {0xFF000000, 0xFFFFFFFF};
    Argb indices =
        testimg::MakeArgb(4, 2, [](uint32_t x, uint32_t) { return x == 3 ? 5u : x % 2; });
    ExpectRefused(testimg::MakeBmp(indices, {.bits = 8}, palette), "palette index 5 out of range");

    Argb ok = testimg::MakeArgb(4, 2, [](uint32_t x, uint32_t) { return x % 2; });
    Bytes tooMany = testimg::MakeBmp(ok, {.bits = 8}, palette);
    testimg::SetU32(tooMany, 14 + 32, 300);  // colours used
    ExpectRefused(tooMany, "palette of 300 colours");

    Bytes cut = testimg::MakeBmp(ok, {.bits = 8}, palette);
    testimg::SetU32(cut, 14 + 32, 256);
    cut.resize(14 + 40 + 100);
    ExpectRefused(cut, "palette truncated");
}

// ------------------------------------------------------------------ TGA

TEST(TgaDecoderTest, EveryDepthOriginAndEncoding) {
    Argb a = testimg::MakeArgb(5, 3, [](uint32_t x, uint32_t y) {
        // Repeats in the first row exercise RLE run packets, the rest raw packets.
        return y == 0 ? 0xFF112233u : 0x80000000u | (x * 40) << 16 | (y * 60) << 8 | (x ^ y);
    });
    for (uint32_t bits : {24u, 32u})
        for (bool rle : {false, true})
            for (bool topDown : {false, true})
                for (bool rightToLeft : {false, true}) {
                    SCOPED_TRACE(testing::Message() << bits << " bits, rle " << rle << ", top "
                                                    << topDown << ", rtl " << rightToLeft);
                    Picture p;
                    std::string error;
                    Bytes file = testimg::MakeTga(
                        a,
                        {.bits = bits, .rle = rle, .topDown = topDown, .rightToLeft = rightToLeft});
                    ASSERT_TRUE(Decodes(file, p, error)) << error;
                    Argb expect = a;
                    if (bits == 24)
                        for (auto& v : expect.px) v |= 0xFF000000;
                    ExpectPixels(p, expect);
                    EXPECT_EQ(p.fileFormat, FileFormat::Tga);
                    EXPECT_EQ(p.hasAlpha, bits == 32);
                }
}

TEST(TgaDecoderTest, GreyAndColourMapped) {
    // 2 x 2 grey, bottom-left origin: file rows are bottom first.
    Bytes grey = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0, 10, 20, 30, 40};
    Picture p;
    std::string error;
    ASSERT_TRUE(Decodes(grey, p, error)) << error;
    EXPECT_EQ(p.pixel(0, 0), 0xFF1E1E1Eu);
    EXPECT_EQ(p.pixel(1, 1), 0xFF141414u);
    EXPECT_EQ(p.sourceFormat, D3DFMT_L8);

    // Colour map of 2 entries starting at index 4, 24-bit entries, top-left origin.
    Bytes mapped = {0, 1, 1, 4, 0,    2,    0,    24,   0,    0,    0,    0, 2,
                    0, 1, 0, 8, 0x20, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 5, 4};
    ASSERT_TRUE(Decodes(mapped, p, error)) << error;
    EXPECT_EQ(p.pixel(0, 0), 0xFF665544u);
    EXPECT_EQ(p.pixel(1, 0), 0xFF332211u);

    Bytes outOfRange = mapped;
    outOfRange.back() = 6;
    ExpectRefused(outOfRange, "colour-map index 6 out of range");
    Bytes belowFirst = mapped;
    belowFirst.back() = 3;
    ExpectRefused(belowFirst, "colour-map index 3 out of range");
}

TEST(TgaDecoderTest, DamagedFilesAreRefused) {
    Argb a =
        testimg::MakeArgb(4, 4, [](uint32_t x, uint32_t y) { return 0xFF000000u | x << 8 | y; });
    const Bytes raw = testimg::MakeTga(a);
    ExpectRefused(Bytes(raw.begin(), raw.end() - 1), "truncated");

    const Bytes rle = testimg::MakeTga(a, {.rle = true});
    ExpectRefused(Bytes(rle.begin(), rle.end() - 1), "truncated");

    // A run packet of 128 pixels in a 16-pixel picture.
    Bytes runPast(rle.begin(), rle.begin() + 18);
    runPast.insert(runPast.end(), {0xFF, 1, 2, 3});
    ExpectRefused(runPast, "runs past the end");

    Bytes zero = raw;
    zero[12] = zero[13] = 0;
    ExpectRefused(zero, "unrecognised");  // not even taken for a TGA

    Bytes depth = raw;
    depth[16] = 17;
    ExpectRefused(depth, "unrecognised");

    // 0xFFFF x 0xFFFF with no data behind it.
    Bytes big = raw;
    big[12] = big[13] = big[14] = big[15] = 0xFF;
    ExpectRefused(big, "larger than 16384");

    // Colour map larger than the file.
    Bytes map = {0, 1, 1, 0, 0, 0xFF, 0xFF, 32, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 0};
    ExpectRefused(map, "colour map truncated");
}

// ------------------------------------------------------------------ PNG

TEST(PngDecoderTest, ColourAlphaAndGrey) {
    Argb a = testimg::MakeArgb(3, 2, [](uint32_t x, uint32_t y) {
        return (y == 1 && x == 2 ? 0x20000000u : 0xFF000000u) | x * 0x500000 | y * 0x7000 | 9;
    });
    Picture p;
    std::string error;
    ASSERT_TRUE(Decodes(testimg::MakePng(a, 4), p, error)) << error;
    ExpectPixels(p, a);
    EXPECT_TRUE(p.hasAlpha);
    EXPECT_EQ(p.fileFormat, FileFormat::Png);

    ASSERT_TRUE(Decodes(testimg::MakePng(a, 3), p, error)) << error;
    EXPECT_FALSE(p.hasAlpha);
    EXPECT_EQ(p.pixel(2, 1), 0xFFA07009u);

    ASSERT_TRUE(Decodes(testimg::MakePng(a, 1), p, error)) << error;
    EXPECT_EQ(p.pixel(1, 1), 0xFF707070u);
    EXPECT_EQ(p.sourceFormat, D3DFMT_L8);
}

TEST(PngDecoderTest, DamagedFilesAreRefused) {
    Argb a = testimg::MakeArgb(16, 16, [](uint32_t x, uint32_t y) { return 0xFF000000u | x * y; });
    const Bytes good = testimg::MakePng(a);
    ExpectRefused(Bytes(good.begin(), good.begin() + good.size() / 2), "runs past the end");
    ExpectRefused(Bytes(good.begin(), good.end() - 12), "no IEND");

    // A chunk length of almost 2 GiB must be refused before anything is allocated for it.
    Bytes longChunk = good;
    testimg::SetU32(longChunk, 33, 0x5400007A);  // big-endian 0x7A000054
    ExpectRefused(longChunk, "runs past the end");

    // Well-formed chunks around a broken compressed stream.
    Bytes zlib = good;
    ASSERT_EQ(std::string(zlib.begin() + 37, zlib.begin() + 41), "IDAT");
    zlib[41] = 0;
    ExpectRefused(zlib, "damaged PNG");
    ExpectRefused(Bytes(good.begin(), good.begin() + 20), "truncated");

    Bytes wide = good;
    wide[16] = 0x7F;  // width 0x7F000010
    ExpectRefused(wide, "larger than 16384");

    Bytes crcless = good;
    crcless[40] ^= 0xFF;  // inside the compressed data
    Picture p;
    std::string error;
    // The library may or may not notice a flipped bit in compressed data, but must not crash;
    // when it succeeds the size is the header's.
    if (Decodes(crcless, p, error)) {
        EXPECT_EQ(p.width, 16u);
    }
}

// ------------------------------------------------------------------ JPEG

int MaxDifference(const Picture& p, const Argb& a) {
    int worst = 0;
    for (uint32_t y = 0; y < a.height; ++y)
        for (uint32_t x = 0; x < a.width; ++x)
            for (int c = 0; c < 32; c += 8) {
                const int d = static_cast<int>((p.pixel(x, y) >> c) & 0xFF) -
                              static_cast<int>((a.at(x, y) >> c) & 0xFF);
                worst = std::max(worst, std::abs(d));
            }
    return worst;
}

Argb Smooth(uint32_t w, uint32_t h) {
    return testimg::MakeArgb(w, h, [w, h](uint32_t x, uint32_t y) {
        return 0xFF000000u | (x * 255 / (w - 1)) << 16 | (y * 255 / (h - 1)) << 8 | 0x60;
    });
}

TEST(JpegDecoderTest, ColourGreyProgressiveAndCmyk) {
    const Argb a = Smooth(24, 16);
    Picture p;
    std::string error;
    ASSERT_TRUE(Decodes(testimg::MakeJpeg(a), p, error)) << error;
    EXPECT_LE(MaxDifference(p, a), 6);
    EXPECT_EQ(p.fileFormat, FileFormat::Jpeg);
    EXPECT_FALSE(p.hasAlpha);

    ASSERT_TRUE(Decodes(testimg::MakeJpeg(a, {.progressive = true}), p, error)) << error;
    EXPECT_LE(MaxDifference(p, a), 6);

    ASSERT_TRUE(Decodes(testimg::MakeJpeg(a, {.kind = testimg::JpegKind::Grey}), p, error))
        << error;
    for (uint32_t y = 0; y < 16; ++y) {
        const uint32_t v = p.pixel(5, y);
        EXPECT_EQ(v & 0xFF, (v >> 8) & 0xFF);
        EXPECT_EQ(v & 0xFF, (v >> 16) & 0xFF);
        EXPECT_NEAR(static_cast<int>(v & 0xFF), static_cast<int>((a.at(5, y) >> 8) & 0xFF), 3);
    }
    EXPECT_EQ(p.sourceFormat, D3DFMT_L8);

    for (auto kind : {testimg::JpegKind::AdobeCmyk, testimg::JpegKind::PlainCmyk}) {
        ASSERT_TRUE(Decodes(testimg::MakeJpeg(a, {.kind = kind}), p, error)) << error;
        EXPECT_LE(MaxDifference(p, a), 6) << "kind " << static_cast<int>(kind);
    }
}

TEST(JpegDecoderTest, DamagedFilesAreRefusedWithoutEndingTheProcess) {
    const Bytes good = testimg::MakeJpeg(Smooth(64, 48), {.quality = 90});

    ExpectRefused(Bytes(good.begin(), good.begin() + good.size() * 2 / 3), "damaged JPEG");
    ExpectRefused(Bytes(good.begin(), good.begin() + 40), "damaged JPEG");
    ExpectRefused(Bytes(good.begin(), good.begin() + 3), "damaged JPEG");

    Bytes big = good;
    const size_t at = testimg::JpegSizeField(big);
    ASSERT_NE(at, 0u);
    big[at + 2] = 0x4E;  // width 20000
    big[at + 3] = 0x20;
    ExpectRefused(big, "larger than 16384");

    Bytes zeroHeight = good;
    zeroHeight[at] = zeroHeight[at + 1] = 0;
    ExpectRefused(zeroHeight, "damaged JPEG");

    // A marker in the middle of the entropy-coded data.
    Bytes marker = good;
    marker[good.size() / 2] = 0xFF;
    marker[good.size() / 2 + 1] = 0xD9;
    ExpectRefused(marker, "damaged JPEG");
}

// ------------------------------------------------------------------ sniffing

TEST(SniffTest, FormatComesFromContentNotName) {
    const Argb a = Sample();
    EXPECT_EQ(imaging::SniffFormat(testimg::MakeBmp(a).data(), 100), FileFormat::Bmp);
    const Bytes png = testimg::MakePng(a);
    EXPECT_EQ(imaging::SniffFormat(png.data(), png.size()), FileFormat::Png);
    const Bytes jpg = testimg::MakeJpeg(a);
    EXPECT_EQ(imaging::SniffFormat(jpg.data(), jpg.size()), FileFormat::Jpeg);
    const Bytes tga = testimg::MakeTga(a, {.rle = true});
    EXPECT_EQ(imaging::SniffFormat(tga.data(), tga.size()), FileFormat::Tga);

    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', ' ',
                        't', 'h', 'i', 's', ' ', 'i', 's', ' ', 'n', 'o', 't'};
    EXPECT_EQ(imaging::SniffFormat(text.data(), text.size()), FileFormat::Unknown);
    ExpectRefused(text, "unrecognised image format");
    ExpectRefused(Bytes{}, "empty");
}

}  // namespace
