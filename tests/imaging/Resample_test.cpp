#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/PixelFormat.h"
#include "imaging/Resample.h"

namespace {

using imaging::MutablePixelBlock;
using imaging::PixelBlock;
using imaging::ResampleFilter;

// Pixels given and read as 0xAARRGGBB.
struct Block {
    uint32_t width, height;
    std::vector<uint32_t> px;
    Block(uint32_t w, uint32_t h, std::vector<uint32_t> p = {})
        : width(w), height(h), px(p.empty() ? std::vector<uint32_t>(size_t{w} * h) : p) {}
    PixelBlock in() const {
        return {reinterpret_cast<const uint8_t*>(px.data()), width, height, size_t{width} * 4};
    }
    MutablePixelBlock out() {
        return {reinterpret_cast<uint8_t*>(px.data()), width, height, size_t{width} * 4};
    }
};

TEST(HalveBoxTest, FourByTwoChainValues) {
    // Channels chosen so every average needs rounding (x.5 and x.25 / x.75 cases).
    const Block level0(4, 2,
                       {0x00000000, 0x01020304, 0x10101010, 0x20202020,  //
                        0x03030303, 0xFF000001, 0x30303030, 0x40404041});
    Block level1(2, 1);
    imaging::HalveBox(level0.in(), level1.out());
    // (0+1+3+255+2)/4 = 65 alpha; red (0+2+3+0+2)/4 = 1; green (0+3+3+0+2)/4 = 2;
    // blue (0+4+3+1+2)/4 = 2.
    EXPECT_EQ(level1.px[0], 0x41010202u);
    // (0x10+0x20+0x30+0x40+2)/4 = 0x28; blue (0x10+0x20+0x30+0x41+2)/4 = 0x28.
    EXPECT_EQ(level1.px[1], 0x28282828u);

    Block level2(1, 1);
    imaging::HalveBox(level1.in(), level2.out());
    // (0x41 + 0x28 + 1) / 2 = 0x35, (1 + 0x28 + 1) / 2 = 0x15, (2 + 0x28 + 1) / 2 = 0x15.
    EXPECT_EQ(level2.px[0], 0x35151515u);
}

TEST(HalveBoxTest, WideRowsMatchThePlainAverage) {
    // Wide enough for the vector path, with a remainder for the scalar tail.
    Block src(78, 6);
    uint32_t seed = 99;
    for (auto& v : src.px) v = seed = seed * 1664525u + 1013904223u;
    Block dst(39, 3);
    imaging::HalveBox(src.in(), dst.out());
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 39; ++x) {
            uint32_t expect = 0;
            for (int c = 0; c < 32; c += 8) {
                uint32_t sum = 2;
                for (uint32_t dy = 0; dy < 2; ++dy)
                    for (uint32_t dx = 0; dx < 2; ++dx)
                        sum += (src.px[(2 * y + dy) * 78 + 2 * x + dx] >> c) & 0xFF;
                expect |= (sum >> 2) << c;
            }
            ASSERT_EQ(dst.px[y * 39 + x], expect) << x << "," << y;
        }
}

TEST(HalveBoxTest, ColumnAndOddSides) {
    Block column(1, 4, {0xFF000000, 0xFF000002, 0xFF000010, 0xFF000011});
    Block half(1, 2);
    imaging::HalveBox(column.in(), half.out());
    EXPECT_EQ(half.px[0], 0xFF000001u);
    EXPECT_EQ(half.px[1], 0xFF000011u);  // 0x10.5 rounds up

    // 3 -> 1: each source pixel covers a third of the destination.
    Block three(3, 1, {0xFF000003, 0xFF000006, 0xFF000009});
    Block one(1, 1);
    imaging::HalveBox(three.in(), one.out());
    EXPECT_EQ(one.px[0], 0xFF000006u);

    // 5 -> 2: the middle pixel is shared half and half: (10 + 20 + 0.5 * 30) / 2.5 = 18.
    Block five(5, 1, {0xFF00000A, 0xFF000014, 0xFF00001E, 0xFF000028, 0xFF000032});
    Block two(2, 1);
    imaging::HalveBox(five.in(), two.out());
    EXPECT_EQ(two.px[0], 0xFF000012u);
    EXPECT_EQ(two.px[1], 0xFF00002Au);  // (15 + 40 + 50) / 2.5 = 42
}

TEST(ResampleTest, BoxAveragesAreasAndPointPicksCentres) {
    Block src(4, 4);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x) src.px[y * 4 + x] = 0xFF000000u | (x * 16 + y) << 0;
    Block box(2, 2);
    imaging::Resample(src.in(), box.out(), ResampleFilter::Box);
    EXPECT_EQ(box.px[0], 0xFF000009u);  // (0 + 16 + 1 + 17) / 4 = 8.5 -> 9
    Block point(2, 2);
    imaging::Resample(src.in(), point.out(), ResampleFilter::Point);
    EXPECT_EQ(point.px[0], src.px[1 * 4 + 1]);
    EXPECT_EQ(point.px[3], src.px[3 * 4 + 3]);

    // Enlarging repeats pixels exactly with either filter.
    Block tiny(2, 1, {0xFF0000FF, 0x80FF0000});
    Block wide(4, 2);
    imaging::Resample(tiny.in(), wide.out(), ResampleFilter::Box);
    EXPECT_EQ(wide.px, (std::vector<uint32_t>{0xFF0000FF, 0xFF0000FF, 0x80FF0000, 0x80FF0000,
                                              0xFF0000FF, 0xFF0000FF, 0x80FF0000, 0x80FF0000}));
}

TEST(ResampleTest, HonoursPitch) {
    // Source rows 3 pixels apart but 2 wide; destination with padding that must stay untouched.
    std::vector<uint32_t> src = {4, 8, 0xDEAD, 12, 16, 0xBEEF};
    std::vector<uint32_t> dst = {0, 0x5555};
    imaging::HalveBox({reinterpret_cast<const uint8_t*>(src.data()), 2, 2, 12},
                      {reinterpret_cast<uint8_t*>(dst.data()), 1, 1, 8});
    EXPECT_EQ(dst[0], 10u);
    EXPECT_EQ(dst[1], 0x5555u);
}

// ------------------------------------------------------------------ formats

uint32_t PackUnpack(D3DFORMAT f, uint32_t argb) {
    uint8_t packed[4] = {}, back[4] = {};
    imaging::PackRow(f, reinterpret_cast<const uint8_t*>(&argb), packed, 1);
    imaging::UnpackRow(f, packed, back, 1);
    uint32_t v;
    std::memcpy(&v, back, 4);
    return v;
}

TEST(PixelFormatTest, PackedLayouts) {
    const uint32_t px = 0x80FF8000;  // half alpha, red, half green
    uint8_t out[4] = {};
    imaging::PackRow(D3DFMT_R5G6B5, reinterpret_cast<const uint8_t*>(&px), out, 1);
    EXPECT_EQ(out[0] | out[1] << 8, 0xFC00);  // r 31, g 32
    imaging::PackRow(D3DFMT_A1R5G5B5, reinterpret_cast<const uint8_t*>(&px), out, 1);
    EXPECT_EQ(out[0] | out[1] << 8, 0x8000 | 31 << 10 | 16 << 5);
    imaging::PackRow(D3DFMT_A4R4G4B4, reinterpret_cast<const uint8_t*>(&px), out, 1);
    EXPECT_EQ(out[0] | out[1] << 8, 0x8F80);
    imaging::PackRow(D3DFMT_X8R8G8B8, reinterpret_cast<const uint8_t*>(&px), out, 1);
    EXPECT_EQ(out[3], 0xFF);
    imaging::PackRow(D3DFMT_L8, reinterpret_cast<const uint8_t*>(&px), out, 1);
    EXPECT_EQ(out[0], 54 + 92);  // 0.2126 * 255 + 0.7152 * 128
    imaging::PackRow(D3DFMT_A8L8, reinterpret_cast<const uint8_t*>(&px), out, 1);
    EXPECT_EQ(out[1], 0x80);
}

TEST(PixelFormatTest, RoundTripsKeepWhatTheFormatHolds) {
    EXPECT_EQ(PackUnpack(D3DFMT_A8R8G8B8, 0x12345678), 0x12345678u);
    EXPECT_EQ(PackUnpack(D3DFMT_X8R8G8B8, 0x12345678), 0xFF345678u);
    EXPECT_EQ(PackUnpack(D3DFMT_R8G8B8, 0x12345678), 0xFF345678u);
    EXPECT_EQ(PackUnpack(D3DFMT_R5G6B5, 0x00FF00FF), 0xFFFF00FFu);
    EXPECT_EQ(PackUnpack(D3DFMT_A4R4G4B4, 0x11223344), 0x11223344u);
    EXPECT_EQ(PackUnpack(D3DFMT_A8, 0x7F123456), 0x7F000000u);
    EXPECT_EQ(PackUnpack(D3DFMT_L8, 0xFF404040), 0xFF404040u);
    // Every 5-bit level survives widening and narrowing.
    for (uint32_t v = 0; v < 32; ++v) {
        uint8_t packed[2] = {static_cast<uint8_t>(v), 0x80};
        uint8_t bgra[4], again[2];
        imaging::UnpackRow(D3DFMT_X1R5G5B5, packed, bgra, 1);
        imaging::PackRow(D3DFMT_X1R5G5B5, bgra, again, 1);
        EXPECT_EQ(again[0], packed[0]);
    }
    EXPECT_FALSE(imaging::IsConvertibleFormat(D3DFMT_X8L8V8U8));
    EXPECT_TRUE(imaging::IsConvertibleFormat(D3DFMT_X8R8G8B8));
}

}  // namespace
