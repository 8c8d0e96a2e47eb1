// shadertool: assembler, disassembler and GLSL viewer for D3D8 shader programs.
//   shadertool asm FILE.vsa|FILE.psa -o FILE.vso|FILE.pso
//   shadertool disasm FILE.vso|FILE.pso
//   shadertool glsl FILE.vso|FILE.pso      (the translated stage code)
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/shader/Assembler.h"
#include "gfx/shader/Decoder.h"
#include "gfx/shader/Translators.h"
#include "platform/OutputFile.h"

namespace {

const char* const kUsage =
    "usage: shadertool asm SOURCE -o OUTPUT\n"
    "       shadertool disasm PROGRAM\n"
    "       shadertool glsl PROGRAM\n";

// Exit statuses: 1 for input that cannot be used, 2 for a usage error, 3 for a failed write.
constexpr int kWriteFailed = 3;

int Usage() {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
}

bool ReadFile(const std::string& path, std::string& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool ReadTokens(const std::string& path, std::vector<uint32_t>& tokens) {
    std::string data;
    if (!ReadFile(path, data)) {
        std::fprintf(stderr, "shadertool: cannot read %s\n", path.c_str());
        return false;
    }
    if (data.size() % 4 != 0) {
        std::fprintf(stderr, "shadertool: %s: size %zu is not a whole number of 32-bit tokens\n",
                     path.c_str(), data.size());
        return false;
    }
    tokens.resize(data.size() / 4);
    if (!data.empty()) std::memcpy(tokens.data(), data.data(), data.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("%s", kUsage);
        return 0;
    }
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "asm") {
        if (argc != 5 || std::strcmp(argv[3], "-o") != 0) return Usage();
        const std::string input = argv[2], output = argv[4];
        std::string source;
        if (!ReadFile(input, source)) {
            std::fprintf(stderr, "shadertool: cannot read %s\n", input.c_str());
            return 1;
        }
        std::vector<uint32_t> tokens;
        std::string error;
        if (!gfx::shader::Assemble(source, input, tokens, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (!platform::WriteWholeFile(output, tokens.data(), tokens.size() * 4, &error)) {
            std::fprintf(stderr, "shadertool: cannot write %s: %s\n", output.c_str(),
                         error.c_str());
            return kWriteFailed;
        }
        return 0;
    }
    if (argc != 3) return Usage();
    const std::string input = argv[2];
    std::vector<uint32_t> tokens;
    if (!ReadTokens(input, tokens)) return 1;
    std::string error;
    if (command == "disasm") {
        std::string text;
        if (!gfx::shader::Disassemble(tokens.data(), tokens.size(), text, error)) {
            std::fprintf(stderr, "%s: %s\n", input.c_str(), error.c_str());
            return 1;
        }
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    if (command == "glsl") {
        gfx::shader::Program program;
        gfx::shader::GlslStage stage;
        bool ok = gfx::shader::Decode(tokens.data(), tokens.size(), program, error);
        if (ok)
            ok = program.version.pixel ? gfx::shader::TranslatePixelProgram(program, stage, error)
                                       : gfx::shader::TranslateVertexProgram(program, stage, error);
        if (!ok) {
            std::fprintf(stderr, "%s: %s\n", input.c_str(), error.c_str());
            return 1;
        }
        std::printf("// declarations\n%s// body\n%s", stage.declarations.c_str(),
                    stage.body.c_str());
        return 0;
    }
    return Usage();
}
