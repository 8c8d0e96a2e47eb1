// Writes a starting corpus for fuzz_emitter: parameter files with the name lengths and
// values the parser distinguishes. Usage: make_emitter_seeds DIRECTORY
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct File {
    uint32_t count = 16;
    float spread = 0.5f, life = 10, speed = 2, pointSize = 8;
    uint8_t rgba[4] = {0x10, 0x20, 0x30, 0x40};
    float start = 0, end = 200;
    std::string texture = "spark.jpg";
    bool terminate = true;

    Bytes bytes() const {
        Bytes out;
        auto u32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        auto f32 = [&](float f) {
            uint32_t v;
            std::memcpy(&v, &f, 4);
            u32(v);
        };
        u32(count);
        f32(spread);
        f32(life);
        f32(speed);
        f32(pointSize);
        out.insert(out.end(), rgba, rgba + 4);
        f32(start);
        f32(end);
        out.insert(out.end(), texture.begin(), texture.end());
        if (terminate) out.push_back(0);
        return out;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_emitter_seeds DIRECTORY\n");
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
    File plain;
    write("plain.bin", plain.bytes());
    File fifteen;
    fifteen.texture = "fifteen_chars.j";
    write("name15.bin", fifteen.bytes());
    File cut;
    cut.texture = "a_name_longer_than_fifteen.jpg";
    write("name_cut.bin", cut.bytes());
    File open;
    open.terminate = false;
    write("no_nul.bin", open.bytes());
    File one;
    one.count = 1;
    one.life = 0;
    one.texture = "";
    write("one_particle.bin", one.bytes());
    File none;
    none.count = 0;
    write("no_particles.bin", none.bytes());
    File nan;
    nan.speed = std::numeric_limits<float>::quiet_NaN();
    write("nan_speed.bin", nan.bytes());
    Bytes shortFile = plain.bytes();
    shortFile.resize(31);
    write("short.bin", shortFile);
    return ok ? 0 : 1;
}
