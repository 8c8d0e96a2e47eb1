// Deterministic mutation of valid pictures of every format: the decoders must refuse or accept
// each variant cleanly (the suite runs under AddressSanitizer, which turns any out-of-bounds
// access into a failure). fuzz/images_fuzzer.cpp is the open-ended libFuzzer version.

#include <gtest/gtest.h>

#include <random>

#include "gfx/StateDevice.h"
#include "imaging/D3DXTexture.h"
#include "imaging/Decoders.h"
#include "imaging/JpegDecoder.h"
#include "support/ImageFiles.h"

namespace {

using testimg::Argb;
using testimg::Bytes;

Bytes Mutate(const Bytes& seed, std::mt19937& rng) {
    Bytes b = seed;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !b.empty(); ++e) {
        const size_t at = rng() % b.size();
        switch (rng() % 6) {
            case 0:
                b[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
                break;
            case 1: {
                static const uint8_t interesting[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0x40};
                b[at] = interesting[rng() % sizeof interesting];
                break;
            }
            case 2:
                b.resize(at);
                break;
            case 3:
                b.insert(b.begin() + static_cast<ptrdiff_t>(at), static_cast<uint8_t>(rng()));
                break;
            case 4:
                b.erase(b.begin() + static_cast<ptrdiff_t>(at));
                break;
            default:
                // Headers hold the interesting fields: hit the first 64 bytes more often.
                b[at % std::min<size_t>(b.size(), 64)] = static_cast<uint8_t>(rng());
                break;
        }
    }
    return b;
}

class NullSink : public imaging::JpegSink {
  public:
    bool begin(uint32_t w, uint32_t h, std::string&) override {
        rows_.assign(size_t{w} * 3 * h, 0);
        width_ = w;
        return true;
    }
    uint8_t* row(uint32_t y) override { return rows_.data() + size_t{y} * width_ * 3; }

  private:
    std::vector<uint8_t> rows_;
    uint32_t width_ = 0;
};

TEST(MutationTest, DecodersSurviveDamagedVariantsOfEveryFormat) {
    const Argb a = testimg::MakeArgb(13, 9, [](uint32_t x, uint32_t y) {
        return (y < 3 ? 0xFF000000u : 0x80000000u) | (x * 19) << 16 | (y * 28) << 8 | (x ^ y) * 7;
    });
    const Argb idx = testimg::MakeArgb(13, 9, [](uint32_t x, uint32_t y) { return (x + y) % 4; });
    const std::vector<Bytes> seeds = {
        testimg::MakeBmp(a),
        testimg::MakeBmp(a, {.bits = 32, .topDown = true}),
        testimg::MakeBmp(a, {.bits = 16, .headerSize = 124}),
        testimg::MakeBmp(idx, {.bits = 8}, {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}),
        testimg::MakeBmp(a, {.bits = 24, .fileHeader = false}),
        testimg::MakeTga(a),
        testimg::MakeTga(a, {.bits = 32, .rle = true, .topDown = true}),
        Bytes{0, 1, 9, 0, 0, 2, 0, 24, 0, 0,    0, 0, 2, 0, 2,
              0, 8, 0, 1, 2, 3, 4, 5,  6, 0x81, 0, 1, 1, 1},
        testimg::MakePng(a),
        testimg::MakeJpeg(a),
        testimg::MakeJpeg(a, {.progressive = true}),
        testimg::MakeJpeg(a, {.kind = testimg::JpegKind::AdobeCmyk}),
    };
    std::mt19937 rng(20240611);
    gfx::StateDevice device{gfx::DeviceParams{}};
    int accepted = 0, refused = 0;
    for (size_t s = 0; s < seeds.size(); ++s) {
        for (int i = 0; i < 4000; ++i) {
            const Bytes m = Mutate(seeds[s], rng);
            imaging::Picture p;
            std::string error;
            if (imaging::DecodeImage(m.data(), m.size(), p, error)) {
                ++accepted;
                ASSERT_GT(p.width, 0u);
                ASSERT_LE(p.width, imaging::kMaxPictureSide);
                ASSERT_LE(p.height, imaging::kMaxPictureSide);
                ASSERT_EQ(p.pixels.size(), size_t{p.width} * p.height * 4);
            } else {
                ++refused;
                ASSERT_FALSE(error.empty()) << "seed " << s << " variant " << i;
                ASSERT_EQ(error.find('\n'), std::string::npos) << error;
                ASSERT_TRUE(p.pixels.empty());
            }
            if (m.size() > 2 && m[0] == 0xFF && m[1] == 0xD8) {
                NullSink sink;
                imaging::DecodeJpegRows(m.data(), m.size(), imaging::JpegPixels::Bgr24, sink,
                                        error);
            }
            if (i % 10 == 0 && !m.empty()) {
                IDirect3DTexture8* tex = nullptr;
                D3DXCreateTextureFromFileInMemoryEx(
                    &device, m.data(), static_cast<UINT>(m.size()), D3DX_DEFAULT, D3DX_DEFAULT, 0,
                    0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                    nullptr, nullptr, &tex);
            }
        }
    }
    // Both outcomes must actually occur, or the mutations test nothing.
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(refused, 1000);
}

}  // namespace
