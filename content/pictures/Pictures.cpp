// The picture producer: paints every picture of the catalogue, encodes it and adds it to the
// pack. With KELVRA_PREVIEW_DIR set it also writes each picture there as PNG, for review.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

#include <stb/stb_image_write.h>

#include "content/gen/Content.h"
#include "content/pictures/Catalogue.h"
#include "content/pictures/Producers.h"
#include "content/pictures/SetupPicture.h"

namespace content {

namespace pictures {

namespace {

PictureEntry Jpeg(std::string name, int w, int h, std::function<Image()> make, int quality = 90,
                  bool fullChroma = false) {
    PictureEntry s;
    s.name = std::move(name);
    s.kind = FileKind::Jpeg;
    s.width = w;
    s.height = h;
    s.quality = quality;
    s.fullChroma = fullChroma;
    s.make = std::move(make);
    return s;
}

PictureEntry Other(std::string name, FileKind kind, int w, int h, std::function<Image()> make) {
    PictureEntry s;
    s.name = std::move(name);
    s.kind = kind;
    s.width = w;
    s.height = h;
    s.make = std::move(make);
    return s;
}

std::vector<PictureEntry> BuildCatalogue() {
    const std::string t = "!textures\\";
    std::vector<PictureEntry> c;
    // Title picture, cuts, backgrounds and flashes, in the order the load routine asks for them.
    c.push_back(Jpeg(t + "mirrane.jpeg", 1024, 768, MakeTitlePicture));
    for (int k = 1; k <= 7; ++k)
        c.push_back(Jpeg(t + "kowadlo" + std::to_string(k) + ".jpg", 1024, 768,
                         [k] { return MakeCut(k); }));
    c.push_back(Jpeg(t + "p_zo_people.jpg", 1024, 768, MakePeople));
    c.push_back(Jpeg(t + "stagi.jpg", 1024, 768, MakeStage));
    c.push_back(Jpeg(t + "p3.jpg", 1024, 768, MakeEndFrame));
    for (int k = 1; k <= 4; ++k)
        c.push_back(Jpeg(t + "gret" + std::to_string(k) + ".jpg", 1024, 768,
                         [k] { return MakeLongFlash(k); }));
    // These five names really have no backslash after the folder word.
    for (int k = 1; k <= 5; ++k)
        c.push_back(Jpeg(
            "!textureswstawka" + std::to_string(k) + ".jpg", 1024, 768,
            [k] { return MakeInsertFlash(k); }, 90, true));
    c.push_back(Jpeg(t + "endscr.jpg", 1024, 768, MakeEndScreen, 92, true));
    c.push_back(Jpeg(t + "p1.jpg", 1024, 768, MakeGridBackdrop));
    c.push_back(Jpeg(t + "some.jpg", 512, 64, MakeTitleLettering, 95, true));
    static const char* const kCredits[8][2] = {
        {"tarn", "Tarn"},   {"morvek", "Morvek"}, {"pelwandr", "Pelwandr"}, {"sovane", "Sovane"},
        {"tolve", "Tolve"}, {"harvel", "Harvel"}, {"dumeck", "Dumeck"},     {"yeld", "Yeld"}};
    for (const auto& credit : kCredits) {
        std::string shown = credit[1];
        c.push_back(Jpeg(
            t + credit[0] + ".jpg", 256, 128, [shown] { return MakeCreditName(shown); }, 95, true));
    }
    for (int k = 1; k <= 5; ++k)
        c.push_back(
            Jpeg(t + "k" + std::to_string(k) + ".jpg", 512, 384, [k] { return MakeScreen(k); }));
    // Effect and mesh textures.
    c.push_back(Jpeg(t + "metal5.jpg", 256, 256, MakeMetalReflection, 92));
    c.push_back(Jpeg(t + "metal51.jpg", 256, 256, MakeMetalDetail, 92));
    c.push_back(Jpeg(t + "point.jpg", 128, 128, MakePointSprite, 95, true));
    c.push_back(Jpeg(t + "!voda1.jpg", 512, 512, MakeWaterLight, 90));
    c.push_back(Jpeg(t + "boxtext.jpg", 256, 256, MakePanelSurface, 92));
    c.push_back(Jpeg(t + "boxtext1.jpg", 256, 256, MakeBlockSurface, 92));
    c.push_back(Other(t + "pointlight.tga", FileKind::Tga32, 256, 256, MakePointLight));
    c.push_back(Other(t + "bump.tga", FileKind::Tga32, 256, 256, MakePanelBump));
    c.push_back(Other(t + "bump1.tga", FileKind::Tga32, 256, 256, MakeBlockBump));
    c.push_back(Other(t + "metal.tga", FileKind::Tga32, 256, 256, MakeSteelSurface));
    c.push_back(Other(t + "text.tga", FileKind::Tga32, 256, 256, MakeBronzeSurface));
    // The frame-rate counter's glyphs.
    for (char d = '0'; d <= '9'; ++d)
        c.push_back(Other(std::string("numbers\\") + d + ".bmp", FileKind::Bmp24, 32, 32,
                          [d] { return MakeDigit(d); }));
    c.push_back(Other("numbers\\c.bmp", FileKind::Bmp24, 32, 32, [] { return MakeDigit('c'); }));
    // The flare sprite is read from the disk beside the program, not from the pack.
    PictureEntry flare = Other("point.bmp", FileKind::Bmp24, 64, 64, MakeFlareSprite);
    flare.loose = true;
    c.push_back(std::move(flare));
    return c;
}

// "!textures\k1.jpg" -> "textures_k1.png": a file name any system accepts.
std::string PreviewName(const std::string& entry) {
    std::string out;
    for (char ch : entry) {
        if (ch == '\\' || ch == '/')
            out += '_';
        else if (ch == '!')
            continue;
        else if (ch == '.')
            out += '_';
        else
            out += ch;
    }
    return out + ".png";
}

}  // namespace

const std::vector<PictureEntry>& Catalogue() {
    static const std::vector<PictureEntry> catalogue = BuildCatalogue();
    return catalogue;
}

std::vector<uint8_t> EncodePicture(const PictureEntry& entry, const Image& img) {
    switch (entry.kind) {
        case FileKind::Jpeg:
            return EncodeJpeg(img, entry.quality, entry.fullChroma);
        case FileKind::Tga24:
            return EncodeTga(img, false);
        case FileKind::Tga32:
            return EncodeTga(img, true);
        case FileKind::Bmp24:
            return EncodeBmp24(img);
    }
    throw std::logic_error("unknown picture file kind");
}

std::vector<EncodedPicture> ProduceAll(int threads) {
    const std::vector<PictureEntry>& entries = Catalogue();
    std::vector<EncodedPicture> results(entries.size());
    std::vector<std::exception_ptr> errors(entries.size());
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < entries.size(); i = next++) {
            try {
                const PictureEntry& entry = entries[i];
                auto t0 = std::chrono::steady_clock::now();
                Image img = entry.make();
                if (img.width != entry.width || img.height != entry.height)
                    throw std::runtime_error(
                        "picture " + entry.name + " came out " + std::to_string(img.width) + "x" +
                        std::to_string(img.height) + ", expected " + std::to_string(entry.width) +
                        "x" + std::to_string(entry.height));
                std::vector<uint8_t> bytes = EncodePicture(entry, img);
                double s =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                results[i] = {&entry, std::move(img), std::move(bytes), s};
            } catch (...) {
                errors[i] = std::current_exception();
            }
        }
    };
    threads = std::max(1, threads);
    std::vector<std::thread> pool;
    for (int k = 1; k < threads; ++k) pool.emplace_back(worker);
    worker();
    for (std::thread& th : pool) th.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);  // the first failure in catalogue order
    return results;
}

}  // namespace pictures

void AddPictures(Output& out) {
    unsigned hw = std::thread::hardware_concurrency();
    int threads = static_cast<int>(hw == 0 ? 2 : std::min(hw, 8u));
    std::vector<pictures::EncodedPicture> done = pictures::ProduceAll(threads);

    // Developer option: every picture (and the setup dialog's, which is not in the pack) as PNG.
    const char* preview = std::getenv("KELVRA_PREVIEW_DIR");
    auto writePreview = [&](const std::string& file, const Image& img) {
        std::string path = std::string(preview) + "/" + file;
        if (!stbi_write_png(path.c_str(), img.width, img.height, 4, img.rgba.data(), img.width * 4))
            throw std::runtime_error("cannot write preview " + path);
    };
    if (preview && *preview) writePreview("setup_dialog.png", pictures::MakeSetupPicture());
    for (pictures::EncodedPicture& p : done) {
        if (preview && *preview) {
            writePreview(pictures::PreviewName(p.entry->name), p.image);
            std::printf("kelvra_gen:   %-28s %4dx%-4d %7zu bytes %6.2f s\n", p.entry->name.c_str(),
                        p.image.width, p.image.height, p.bytes.size(), p.seconds);
        }
        if (p.entry->loose)
            out.looseFiles[p.entry->name] = std::move(p.bytes);
        else
            out.pack.Add(p.entry->name, std::move(p.bytes));
    }
}

}  // namespace content
