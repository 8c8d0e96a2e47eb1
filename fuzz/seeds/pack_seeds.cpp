// Writes a starting corpus for fuzz_pack: packs made by the pack writer with the name forms
// the engine uses, and hand-made damaged ones. Usage: make_pack_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "assets/PackWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutU32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes Record(uint32_t offset, uint32_t size, const std::string& name) {
    Bytes out;
    PutU32(out, offset);
    PutU32(out, size);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pack_seeds DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    auto write = [&](const std::string& name, const Bytes& bytes) {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ok &= static_cast<bool>(out);
    };

    assets::PackWriter show;
    show.Add("!textures\\some.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xD9});
    show.Add("Objs\\szk.3ds", Bytes{0x4D, 0x4D, 6, 0, 0, 0});
    show.Add("Nrm\\Box01.nrm", Bytes(12, 0));
    show.Add("scene3\\emitter01.bin", Bytes(40, 1));
    show.Add("!shaders\\logo.pso", Bytes{1, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0});
    show.Add("morvek.mp3", Bytes{});
    write("show.dat", show.Build());

    // By hand, since the writer refuses names that differ only in case.
    Bytes names;
    const std::vector<std::string> odd = {"Same.TXT",   "same.txt", std::string(49, 'n'),
                                          "..\\escape", "a\\\\b",   "C:\\drive"};
    uint32_t dataAt = 4;
    for (const std::string& n : odd) dataAt += static_cast<uint32_t>(8 + n.size() + 1);
    PutU32(names, static_cast<uint32_t>(odd.size()));
    for (size_t i = 0; i < odd.size(); ++i) {
        const Bytes r = Record(dataAt + static_cast<uint32_t>(i), 1, odd[i]);
        names.insert(names.end(), r.begin(), r.end());
    }
    for (size_t i = 0; i < odd.size(); ++i) names.push_back(static_cast<uint8_t>('a' + i));
    write("names.dat", names);

    write("empty.dat", Bytes{0, 0, 0, 0});

    // Two records sharing data, one of them pointing into the directory itself.
    Bytes shared;
    PutU32(shared, 2);
    const Bytes a = Record(0, 8, "head"), b = Record(4, 4, "tail");
    shared.insert(shared.end(), a.begin(), a.end());
    shared.insert(shared.end(), b.begin(), b.end());
    write("overlap.dat", shared);

    Bytes truncated = show.Build();
    truncated.resize(truncated.size() / 3);
    write("truncated.dat", truncated);

    Bytes longName;
    PutU32(longName, 1);
    const Bytes c = Record(0, 0, std::string(60, 'x'));
    longName.insert(longName.end(), c.begin(), c.end());
    write("long_name.dat", longName);
    return ok ? 0 : 1;
}
