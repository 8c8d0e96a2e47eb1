// Writes a starting corpus for fuzz_shader: the programs of
// tests/support/EveryInstructionPrograms.h and any assembly files named on the command line,
// assembled into token streams, each also with a comment block and filled length fields. Usage:
// make_shader_seeds DIRECTORY [SOURCE.vsa|SOURCE.psa ...]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/shader/Assembler.h"
#include "gfx/shader/Decoder.h"
#include "support/EveryInstructionPrograms.h"

namespace {

bool Write(const std::string& path, const std::vector<uint32_t>& tokens) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(tokens.data()),
              static_cast<std::streamsize>(tokens.size() * 4));
    return static_cast<bool>(out);
}

bool AssembleTo(const std::string& dir, const std::string& name, const std::string& source) {
    std::vector<uint32_t> tokens;
    std::string error;
    if (!gfx::shader::Assemble(source, name, tokens, error)) {
        std::fprintf(stderr, "make_shader_seeds: %s\n", error.c_str());
        return false;
    }
    const bool pixel = !tokens.empty() && (tokens[0] >> 16) == 0xFFFF;
    if (!Write(dir + "/" + name + (pixel ? ".pso" : ".vso"), tokens)) return false;
    // The same program with a comment block after the version token and the length field of
    // every instruction filled in, as other assemblers write them.
    gfx::shader::Program program;
    if (!gfx::shader::Decode(tokens.data(), tokens.size(), program, error)) {
        std::fprintf(stderr, "make_shader_seeds: %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    std::vector<uint32_t> dressed = {tokens[0], 0x0002FFFEu, 0x43424140u, 0x00000001u};
    for (gfx::shader::Instruction ins : program.instructions) {
        ins.lengthField = static_cast<uint8_t>(ins.info->paramTokens());
        ins.write(dressed);
    }
    dressed.push_back(gfx::shader::kEndToken);
    return Write(dir + "/" + name + "_dressed" + (pixel ? ".pso" : ".vso"), dressed);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_shader_seeds DIRECTORY [SOURCE ...]\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (const auto& [name, source] : testsupport::EveryInstructionPrograms())
        ok &= AssembleTo(dir, name, source);
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string source{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "make_shader_seeds: cannot read %s\n", argv[i]);
            ok = false;
            continue;
        }
        ok &= AssembleTo(dir, std::filesystem::path(argv[i]).stem().string(), source);
    }
    return ok ? 0 : 1;
}
