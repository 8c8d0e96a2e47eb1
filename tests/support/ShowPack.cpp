#include "support/ShowPack.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "content/shaders/Shaders.h"
#include "support/ImageFiles.h"

namespace testsupport {

namespace {

using testimg::Argb;

uint32_t Rgb(int r, int g, int b) {
    auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

// Sixteen distinct hues.
uint32_t Hue(int i) {
    static const uint32_t hues[16] = {0xE04030, 0x30A0E0, 0x40C050, 0xE0B020, 0xA040D0, 0x20C0B0,
                                      0xF07090, 0x8080F0, 0xC08040, 0x60E0E0, 0xD0D050, 0x5070A0,
                                      0xF0A060, 0x90D080, 0xB06080, 0x70B0F0};
    return hues[i & 15];
}

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// A full-screen picture: a lit gradient of its hue with stripes, a white border, a bright
// disc in the middle and a white square near the top-left corner (orientation).
Argb ScreenPicture(int index) {
    const uint32_t hue = Hue(index);
    const int w = 256, h = 192;
    return testimg::MakeArgb(w, h, [&](uint32_t x, uint32_t y) {
        if (x < 4 || y < 4 || x >= w - 4u || y >= h - 4u) return Rgb(240, 240, 240);
        if (x >= 20 && x < 52 && y >= 20 && y < 52) return Rgb(255, 255, 255);
        const float light = 0.3f + 0.6f * static_cast<float>(y) / h;
        const float dx = static_cast<float>(x) - w / 2.0f, dy = static_cast<float>(y) - h / 2.0f;
        const bool disc = dx * dx + dy * dy < 40.0f * 40.0f;
        const bool stripe = ((x + y) / 16) % 2 == 0;
        const float f = disc ? 1.0f : light * (stripe ? 1.0f : 0.7f);
        return Rgb(static_cast<int>(Channel(hue, 16) * f), static_cast<int>(Channel(hue, 8) * f),
                   static_cast<int>(Channel(hue, 0) * f));
    });
}

// The title: eight bars of rising height on black, like a word.
Argb TitlePicture() {
    return testimg::MakeArgb(512, 64, [](uint32_t x, uint32_t y) {
        const int k = static_cast<int>(x) / 64, inBar = static_cast<int>(x) % 64;
        const int top = 40 - 3 * k;
        if (inBar >= 14 && inBar < 50 && static_cast<int>(y) >= top && y < 56)
            return Rgb(230, 200 - 10 * k, 120 + 15 * k);
        return Rgb(0, 0, 0);
    });
}

// A credit: a plate of its hue on black with k + 1 white dots under it.
Argb CreditPicture(int k) {
    const uint32_t hue = Hue(k + 3);
    return testimg::MakeArgb(256, 128, [&](uint32_t x, uint32_t y) {
        if (x >= 32 && x < 224 && y >= 40 && y < 88)
            return Rgb(Channel(hue, 16), Channel(hue, 8), Channel(hue, 0));
        if (y >= 96 && y < 104 && x >= 32 && (x - 32) % 16 < 8 &&
            static_cast<int>(x - 32) / 16 <= k)
            return Rgb(255, 255, 255);
        return Rgb(0, 0, 0);
    });
}

// A digit as seven segments (white on black), 32 x 32; index 10 is a dot.
Argb DigitPicture(int digit) {
    static const int segments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    return testimg::MakeArgb(32, 32, [digit](uint32_t ux, uint32_t uy) {
        const int x = static_cast<int>(ux), y = static_cast<int>(uy);
        if (digit == 10)
            return x >= 13 && x < 19 && y >= 24 && y < 30 ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
        const int s = segments[digit];
        const bool horizontal = x >= 8 && x < 24;
        const bool left = x >= 5 && x < 9, right = x >= 23 && x < 27;
        const bool upper = y >= 4 && y < 16, lower = y >= 16 && y < 28;
        const bool on = (s & 1 && horizontal && y >= 3 && y < 7) || (s & 2 && right && upper) ||
                        (s & 4 && right && lower) || (s & 8 && horizontal && y >= 25 && y < 29) ||
                        (s & 16 && left && lower) || (s & 32 && left && upper) ||
                        (s & 64 && horizontal && y >= 14 && y < 18);
        return on ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
    });
}

std::vector<uint8_t> Jpeg(const Argb& a) {
    testimg::JpegOptions o;
    o.quality = 95;
    return testimg::MakeJpeg(a, o);
}

}  // namespace

const std::vector<std::string>& ShowPictureNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {"!textures\\mirrane.jpeg"};
        for (int i = 1; i <= 7; ++i) n.push_back("!textures\\kowadlo" + std::to_string(i) + ".jpg");
        n.push_back("!textures\\p_zo_people.jpg");
        n.push_back("!textures\\stagi.jpg");
        n.push_back("!textures\\p3.jpg");
        for (int i = 1; i <= 4; ++i) n.push_back("!textures\\gret" + std::to_string(i) + ".jpg");
        for (int i = 1; i <= 5; ++i) n.push_back("!textureswstawka" + std::to_string(i) + ".jpg");
        n.push_back("!textures\\endscr.jpg");
        n.push_back("!textures\\p1.jpg");
        n.push_back("!textures\\some.jpg");
        for (const char* c :
             {"tarn", "morvek", "pelwandr", "sovane", "tolve", "harvel", "dumeck", "yeld"})
            n.push_back(std::string("!textures\\") + c + ".jpg");
        for (int i = 1; i <= 5; ++i) n.push_back("!textures\\k" + std::to_string(i) + ".jpg");
        for (int i = 0; i <= 9; ++i) n.push_back("numbers\\" + std::to_string(i) + ".bmp");
        n.push_back("numbers\\c.bmp");
        return n;
    }();
    return names;
}

void AddShowPictures(assets::PackWriter& writer) {
    static const std::set<std::string> credits = {
        "!textures\\tarn.jpg",   "!textures\\morvek.jpg", "!textures\\pelwandr.jpg",
        "!textures\\sovane.jpg", "!textures\\tolve.jpg",  "!textures\\harvel.jpg",
        "!textures\\dumeck.jpg", "!textures\\yeld.jpg"};
    int screen = 0, credit = 0;
    for (const std::string& name : ShowPictureNames()) {
        if (name == "!textures\\some.jpg") {
            writer.Add(name, Jpeg(TitlePicture()));
        } else if (name.rfind("numbers\\", 0) == 0) {
            const char c = name[8];
            writer.Add(name, testimg::MakeBmp(DigitPicture(c == 'c' ? 10 : c - '0')));
        } else if (credits.count(name)) {
            writer.Add(name, Jpeg(CreditPicture(credit++)));
        } else {
            writer.Add(name, Jpeg(ScreenPicture(screen++)));
        }
    }
}

bool WriteShowPack(const std::string& generatedPack, const std::string& path, std::string* error) {
    assets::PackArchive source;
    if (!source.TryOpen(generatedPack, error)) return false;
    assets::PackWriter writer;
    AddShowPictures(writer);
    std::set<std::string> replaced;
    for (const std::string& name : ShowPictureNames()) replaced.insert(assets::FoldPackName(name));
    std::vector<uint8_t> data;
    for (const assets::PackEntry& entry : source.entries()) {
        if (replaced.count(assets::FoldPackName(entry.name))) continue;
        if (!source.TryReadEntry(entry, data, error)) return false;
        writer.Add(entry.name, data);
    }
    return writer.WriteFile(path, error);
}

bool CopyPackEditing(const std::string& from, const std::string& to,
                     const std::function<void(const std::string&, std::vector<uint8_t>&)>& edit,
                     std::string* error) {
    assets::PackArchive source;
    if (!source.TryOpen(from, error)) return false;
    assets::PackWriter writer;
    for (const assets::PackEntry& entry : source.entries()) {
        std::vector<uint8_t> data;
        if (!source.TryReadEntry(entry, data, error)) return false;
        edit(entry.name, data);
        writer.Add(entry.name, std::move(data));
    }
    return writer.WriteFile(to, error);
}

bool WriteOverlayPack(const std::string& shaderSourceDir, const std::string& path,
                      std::string* error) {
    assets::PackWriter writer;
    try {
        for (const content::ShaderSource& s : content::ShaderSources()) {
            const std::vector<uint32_t> tokens =
                content::AssembleShaderFile(shaderSourceDir + "/" + s.file);
            writer.Add(s.entry, tokens.data(), tokens.size() * sizeof(uint32_t));
        }
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return false;
    }
    AddShowPictures(writer);
    return writer.WriteFile(path, error);
}

std::string& SuiteShowPack::Path() {
    static std::string path;
    return path;
}

void SuiteShowPack::Write(const std::string& generatedPack, const std::string& tag) {
    Path() = ::testing::TempDir() + "runeplay-" + tag + "-" + std::to_string(getpid()) + ".dat";
    std::string error;
    ASSERT_TRUE(WriteShowPack(generatedPack, Path(), &error)) << error;
}

void SuiteShowPack::Remove() { std::remove(Path().c_str()); }

}  // namespace testsupport
