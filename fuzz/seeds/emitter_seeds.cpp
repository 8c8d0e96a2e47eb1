// Writes a starting corpus for fuzz_emitter: parameter files with the name lengths and
// values the parser distinguishes. Usage: make_emitter_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "support/EmitterFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Sixteen particles from frame 0 to 200.
struct File : testsupport::EmitterFile {
    File() {
        count = 16;
        start = 0;
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
    open.terminated = false;
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
