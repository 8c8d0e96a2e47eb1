// The pack's pictures as the engine will meet them: every entry it asks for, under its exact
// name, decoding at the size its use needs, and with the properties its drawing relies on
// (black where it is added to the frame, tiling where it wraps, a white middle where it
// multiplies, unit normals in bump maps, white-on-black digits).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "content/gen/Content.h"
#include "content/pictures/Catalogue.h"
#include "content/pictures/SetupPicture.h"
#include "support/EnginePackEntries.h"
#include "tests/content/ImageReaders.h"

namespace {

using content_test::Decoded;

using testsupport::kEnginePictures;
using testsupport::PictureEntry;
using testsupport::PictureKind;

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

// Name -> bytes of every entry in a pack image (count, then {offset, size, name\0} records).
std::map<std::string, std::vector<uint8_t>> PackEntries(const std::vector<uint8_t>& pack) {
    std::map<std::string, std::vector<uint8_t>> entries;
    if (pack.size() < 4) return entries;
    const uint32_t count = content_test::U32(pack, 0);
    size_t pos = 4;
    for (uint32_t i = 0; i < count && pos + 9 <= pack.size(); ++i) {
        const uint32_t off = content_test::U32(pack, pos), size = content_test::U32(pack, pos + 4);
        pos += 8;
        const size_t end = std::find(pack.begin() + pos, pack.end(), 0) - pack.begin();
        std::string name(pack.begin() + pos, pack.begin() + end);
        pos = end + 1;
        if (static_cast<size_t>(off) + size <= pack.size() && !entries.count(name))
            entries[name].assign(pack.begin() + off, pack.begin() + off + size);
    }
    return entries;
}

// The suite looks at the pack the build generated, as the engine will; only without one
// (a build that skipped the generator) are the pictures painted here.
class Pictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        entries_ = new std::map<std::string, std::vector<uint8_t>>(
            PackEntries(ReadFile(RUNEPLAY_PLAY_DIR "/kelvra.dat")));
        flare_ = new std::vector<uint8_t>(ReadFile(RUNEPLAY_PLAY_DIR "/point.bmp"));
        if (entries_->empty() || flare_->empty()) {
            content::Output out;
            content::AddPictures(out);
            *entries_ = PackEntries(out.pack.Build());
            *flare_ = out.looseFiles["point.bmp"];
        }
    }
    static void TearDownTestSuite() {
        delete entries_;
        delete flare_;
    }

    static const std::vector<uint8_t>& Entry(const std::string& name) {
        static const std::vector<uint8_t> none;
        auto it = entries_->find(name);
        return it == entries_->end() ? none : it->second;
    }
    static Decoded Decode(const std::string& name) {
        const std::vector<uint8_t>& b = Entry(name);
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tga") == 0)
            return content_test::ReadTga(b);
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0)
            return content_test::ReadBmp24(b);
        return content_test::DecodeJpeg(b);
    }

    static std::map<std::string, std::vector<uint8_t>>* entries_;
    static std::vector<uint8_t>* flare_;
};

std::map<std::string, std::vector<uint8_t>>* Pictures::entries_ = nullptr;
std::vector<uint8_t>* Pictures::flare_ = nullptr;

float Luma(const Decoded& d, int x, int y) {
    const uint8_t* p = d.at(x, y);
    return (0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2]) / 255.0f;
}

// Mean luma of the outermost `band` pixels all round.
float BorderLuma(const Decoded& d, int band) {
    double sum = 0.0;
    int n = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            if (x < band || y < band || x >= d.width - band || y >= d.height - band) {
                sum += Luma(d, x, y);
                ++n;
            }
    return static_cast<float>(sum / n);
}

float MaxLuma(const Decoded& d) {
    float m = 0.0f;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) m = std::max(m, Luma(d, x, y));
    return m;
}

// How much the picture jumps across its wrap seam compared with between ordinary neighbours.
double SeamRatio(const Decoded& d) {
    auto diff = [&](int x0, int y0, int x1, int y1) {
        double s = 0.0;
        for (int c = 0; c < 3; ++c) s += std::abs(int(d.at(x0, y0)[c]) - int(d.at(x1, y1)[c]));
        return s;
    };
    double seam = 0.0, inner = 0.0;
    for (int y = 0; y < d.height; ++y) {
        seam += diff(d.width - 1, y, 0, y);
        inner += diff(d.width / 2 - 1, y, d.width / 2, y);
    }
    for (int x = 0; x < d.width; ++x) {
        seam += diff(x, d.height - 1, x, 0);
        inner += diff(x, d.height / 2 - 1, x, d.height / 2);
    }
    return seam / std::max(inner, 1.0);
}

TEST(PictureCatalogue, NamesExactlyTheEntriesTheEngineLoads) {
    std::set<std::string> expected;
    for (const PictureEntry& e : kEnginePictures) expected.insert(e.name);
    std::set<std::string> inPack;
    int loose = 0;
    for (const auto& entry : content::pictures::Catalogue()) {
        if (entry.loose) {
            EXPECT_EQ(entry.name, "point.bmp");  // read from the disk beside the program
            ++loose;
        } else {
            EXPECT_TRUE(inPack.insert(entry.name).second) << "twice: " << entry.name;
        }
    }
    EXPECT_EQ(inPack, expected);
    EXPECT_EQ(loose, 1);
}

TEST_F(Pictures, PackHoldsThemAllAndTheFlareLiesBesideIt) {
    for (const PictureEntry& e : kEnginePictures) EXPECT_FALSE(Entry(e.name).empty()) << e.name;
    EXPECT_EQ(entries_->count("point.bmp"), 0u);
    EXPECT_FALSE(flare_->empty());
}

TEST_F(Pictures, EveryEntryDecodesAtItsSize) {
    for (const PictureEntry& e : kEnginePictures) {
        SCOPED_TRACE(e.name);
        const std::vector<uint8_t>& bytes = Entry(e.name);
        ASSERT_FALSE(bytes.empty());
        const Decoded d = Decode(e.name);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.width, e.width);
        EXPECT_EQ(d.height, e.height);
        EXPECT_EQ(d.channels, e.kind == PictureKind::Tga ? 4 : 3);
    }
    const Decoded flare = content_test::ReadBmp24(*flare_);
    ASSERT_TRUE(flare.ok) << flare.error;
    EXPECT_EQ(flare.width, 64);
    EXPECT_EQ(flare.height, 64);
}

TEST_F(Pictures, DigitsAreWhiteGlyphsOnBlack) {
    int previousLit = -1;
    std::set<std::string> distinct;  // the pictures' bytes
    int dotLit = 0;
    for (const char* n : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "c"}) {
        SCOPED_TRACE(n);
        const Decoded d = Decode(std::string("numbers\\") + n + ".bmp");
        ASSERT_TRUE(d.ok) << d.error;
        int lit = 0, white = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const uint8_t* p = d.at(x, y);
                EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << "colour at " << x << "," << y;
                lit += p[0] > 128;
                white += p[0] >= 250;
            }
        EXPECT_EQ(BorderLuma(d, 2), 0.0f);  // added to the frame: the cell edge must vanish
        EXPECT_GT(white, 0);
        if (std::string(n) == "c") {
            dotLit = lit;
        } else {
            EXPECT_GT(lit, 40);
            EXPECT_LT(lit, 32 * 32 / 2);
            previousLit = std::max(previousLit, lit);
        }
        distinct.insert(std::string(d.rgba.begin(), d.rgba.end()));
    }
    EXPECT_EQ(distinct.size(), 11u);
    EXPECT_GT(dotLit, 4);
    EXPECT_LT(dotLit, 60);  // a small mark, much less ink than any digit
}

// The luma below which the darkest `fraction` of the picture lies.
float Percentile(const Decoded& d, float fraction) {
    std::vector<float> l;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) l.push_back(Luma(d, x, y));
    std::nth_element(l.begin(), l.begin() + static_cast<long>(fraction * (l.size() - 1)), l.end());
    return l[static_cast<size_t>(fraction * (l.size() - 1))];
}

TEST_F(Pictures, AdditivePicturesAreLightOnBlack) {
    // Flashes, sprites and credits are added to the frame: where they are dark they must add
    // nothing, or their rectangle would show. Flashes may reach the edges with their light,
    // but their ground is black; sprites are black all round their border.
    for (const char* name :
         {"!textures\\gret1.jpg", "!textures\\gret2.jpg", "!textures\\gret3.jpg",
          "!textures\\gret4.jpg", "!textureswstawka1.jpg", "!textureswstawka2.jpg",
          "!textureswstawka3.jpg", "!textureswstawka4.jpg", "!textureswstawka5.jpg"}) {
        SCOPED_TRACE(name);
        const Decoded d = Decode(name);
        ASSERT_TRUE(d.ok);
        EXPECT_LE(Percentile(d, 0.3f), 2.0f / 255.0f);
        EXPECT_GT(MaxLuma(d), 0.6f);
    }
    for (const char* name :
         {"!textures\\some.jpg", "!textures\\tarn.jpg", "!textures\\pelwandr.jpg",
          "!textures\\yeld.jpg", "!textures\\point.jpg"}) {
        SCOPED_TRACE(name);
        const Decoded d = Decode(name);
        ASSERT_TRUE(d.ok);
        EXPECT_LT(BorderLuma(d, 2), 1.0f / 255.0f);
        EXPECT_GT(MaxLuma(d), 0.6f);
    }
    const Decoded flare = content_test::ReadBmp24(*flare_);
    EXPECT_EQ(BorderLuma(flare, 1), 0.0f);
    EXPECT_GT(Luma(flare, 32, 32), 0.8f);
}

TEST_F(Pictures, SpritesAreBrightestInTheMiddle) {
    const Decoded point = Decode("!textures\\point.jpg");
    EXPECT_GT(Luma(point, 64, 64), 0.8f);
    EXPECT_GT(Luma(point, 64, 64), Luma(point, 64, 32));
    EXPECT_GT(Luma(point, 64, 32), Luma(point, 64, 8));
    // Credit names: lettering in the middle band, nothing in the corners.
    const Decoded name = Decode("!textures\\morvek.jpg");
    float middle = 0.0f;
    for (int x = 40; x < 216; ++x) middle = std::max(middle, Luma(name, x, 58));
    EXPECT_GT(middle, 0.6f);
}

TEST_F(Pictures, PointLightFallsOffFromWhiteToBlack) {
    const Decoded d = Decode("!textures\\pointlight.tga");
    ASSERT_TRUE(d.ok);
    EXPECT_GE(d.at(128, 128)[0], 254);
    EXPECT_EQ(BorderLuma(d, 1), 0.0f);  // clamped lookups beyond the edge stay dark
    int previous = 256;
    for (int x = 128; x < 256; ++x) {
        const uint8_t* p = d.at(x, 128);
        EXPECT_LE(p[0], previous) << "x " << x;
        previous = p[0];
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[0], p[2]);
        EXPECT_EQ(p[0], p[3]);  // alpha carries the same falloff
    }
    // Round: the same value the same distance away in any direction.
    EXPECT_EQ(d.at(128 + 60, 128)[0], d.at(128, 128 + 60)[0]);
    EXPECT_EQ(d.at(128 - 61, 128)[0], d.at(128, 128 - 61)[0]);
}

TEST_F(Pictures, BumpMapsHoldUnitTangentSpaceNormals) {
    for (const char* name : {"!textures\\bump.tga", "!textures\\bump1.tga"}) {
        SCOPED_TRACE(name);
        const Decoded d = Decode(name);
        ASSERT_TRUE(d.ok);
        int tilted = 0;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                const uint8_t* p = d.at(x, y);
                float nx = p[0] / 127.5f - 1.0f, ny = p[1] / 127.5f - 1.0f,
                      nz = p[2] / 127.5f - 1.0f;
                float len = std::sqrt(nx * nx + ny * ny + nz * nz);
                ASSERT_NEAR(len, 1.0f, 0.02f) << x << "," << y;
                ASSERT_GT(nz, 0.0f);
                tilted += nz < 0.95f;
            }
        EXPECT_GT(tilted, d.width * d.height / 50);  // there is relief to light
        EXPECT_LT(SeamRatio(d), 2.5);
    }
}

TEST_F(Pictures, WrappedTexturesTile) {
    for (const char* name : {"!textures\\boxtext.jpg", "!textures\\boxtext1.jpg",
                             "!textures\\metal.tga", "!textures\\text.tga", "!textures\\metal5.jpg",
                             "!textures\\metal51.jpg", "!textures\\!voda1.jpg"}) {
        SCOPED_TRACE(name);
        const Decoded d = Decode(name);
        ASSERT_TRUE(d.ok);
        EXPECT_LT(SeamRatio(d), 2.5);
    }
}

TEST_F(Pictures, EndMeshSurfaceIsLightWhereItIsSampled) {
    // The end scene's mesh has no texture coordinates: it shows only texel (0, 0) of
    // "boxtext.jpg" multiplied into its lighting, so that texel must be a light surface.
    const Decoded d = Decode("!textures\\boxtext.jpg");
    for (auto [x, y] : {std::pair{0, 0}, {255, 0}, {0, 255}, {255, 255}})
        EXPECT_GT(Luma(d, x, y), 0.45f);
}

TEST_F(Pictures, EndFrameMultipliesWithAWhiteMiddle) {
    // Drawn under DESTCOLOR / ZERO: white keeps the scene, black removes it.
    const Decoded d = Decode("!textures\\p3.jpg");
    float centre = 0.0f;
    for (int y = 344; y < 424; ++y)
        for (int x = 472; x < 552; ++x) centre += Luma(d, x, y);
    EXPECT_GT(centre / (80 * 80), 0.85f);
    EXPECT_LT(Luma(d, 512, 10), 0.02f);  // letterbox bar
    EXPECT_LT(Luma(d, 512, 758), 0.02f);
    EXPECT_LT(Luma(d, 5, 384), 0.8f);  // darker towards the edges
    EXPECT_LT(Luma(d, 20, 90), 0.45f);
}

TEST_F(Pictures, CutsAndBackgroundsAreFullPictures) {
    // Pictures that replace or underlie the frame: real images, neither black nor flat.
    for (const char* name :
         {"!textures\\kowadlo1.jpg", "!textures\\kowadlo4.jpg", "!textures\\kowadlo7.jpg",
          "!textures\\mirrane.jpeg", "!textures\\p_zo_people.jpg", "!textures\\stagi.jpg",
          "!textures\\p1.jpg", "!textures\\endscr.jpg", "!textures\\k3.jpg"}) {
        SCOPED_TRACE(name);
        const Decoded d = Decode(name);
        double sum = 0.0, sum2 = 0.0;
        const int n = d.width * d.height;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                float l = Luma(d, x, y);
                sum += l;
                sum2 += l * l;
            }
        const double mean = sum / n, dev = std::sqrt(std::max(0.0, sum2 / n - mean * mean));
        EXPECT_GT(mean, 0.05);
        EXPECT_LT(mean, 0.7);
        EXPECT_GT(dev, 0.04);
    }
}

TEST_F(Pictures, ProducersAreDeterministic) {
    // Painted twice here, and once by the generator in another process: the same bytes.
    for (const auto& entry : content::pictures::Catalogue()) {
        if (entry.name != "!textures\\kowadlo6.jpg" && entry.name != "!textures\\gret1.jpg" &&
            entry.name != "!textures\\boxtext.jpg" && entry.name != "!textures\\bump1.tga" &&
            entry.name != "numbers\\7.bmp" && entry.name != "!textures\\mirrane.jpeg" &&
            entry.name != "point.bmp")
            continue;
        SCOPED_TRACE(entry.name);
        const std::vector<uint8_t> once = content::pictures::EncodePicture(entry, entry.make());
        EXPECT_EQ(content::pictures::EncodePicture(entry, entry.make()), once);
        EXPECT_EQ(once, entry.loose ? *flare_ : Entry(entry.name));
    }
}

TEST(SetupPicture, IsTheDialogBitmap) {
    const content::Image img = content::pictures::MakeSetupPicture();
    ASSERT_EQ(img.width, content::pictures::kSetupPictureSize);
    ASSERT_EQ(img.height, 128);
    const std::vector<uint8_t> bmp = content::EncodeBmp24(img);
    EXPECT_EQ(bmp.size(), 54u + 128u * 128u * 3u);
    const Decoded d = content_test::ReadBmp24(bmp);
    ASSERT_TRUE(d.ok) << d.error;
    // A pale photograph with dark lettering across its middle.
    double mean = 0.0;
    int dark = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float l = Luma(d, x, y);
            mean += l;
            if (y > 30 && y < 80 && l < 0.3f) ++dark;
        }
    EXPECT_GT(mean / (128 * 128), 0.55);
    EXPECT_GT(dark, 150);
    for (size_t i = 3; i < img.rgba.size(); i += 4) ASSERT_EQ(img.rgba[i], 255);
    EXPECT_EQ(content::pictures::MakeSetupPicture().rgba, img.rgba);
}

}  // namespace
