// Writes a starting corpus for fuzz_shader_asm: the programs of
// tests/support/EveryInstructionPrograms.h as assembly text, with the comment styles and spellings
// the assembler accepts. Usage: make_shader_asm_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <string>

#include "support/EveryInstructionPrograms.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_shader_asm_seeds DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream out(dir + "/" + name);
        out << text;
        ok &= static_cast<bool>(out);
    };
    for (const auto& [name, source] : testsupport::EveryInstructionPrograms())
        write(name + (source[0] == 'p' ? ".psa" : ".vsa"), source);
    write("spellings.vsa",
          "// other spellings\nVS_1_1 ; version\n  m4x4 oPos , v0 , c[ 2 + a0.x ]\r\n"
          "\tmov oD0.xyzw, -c1.xyzw\nmov r0.w, c[3]\n");
    write("errors.psa", "ps.1.4\ntexld r0, t0\nphase\nphase\n");
    return ok ? 0 : 1;
}
