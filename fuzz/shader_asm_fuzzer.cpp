// Fuzzes the shader assembler on arbitrary text, as shadertool and the content build feed it.
// A refusal must name the file, line and column; a program that assembles must decode, and
// assemble -> disassemble -> assemble must give the same tokens and the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/shader/Assembler.h"
#include "gfx/shader/Decoder.h"

namespace {

using namespace gfx::shader;

void Fail(const char* what, std::string_view source, const std::string& detail) {
    std::fprintf(stderr, "shader_asm_fuzzer: %s\n--- source\n%.*s\n--- detail\n%s\n", what,
                 static_cast<int>(source.size()), source.data(), detail.c_str());
    std::abort();
}

// "fuzz.psa:LINE:COLUMN: message" with a line the source has.
void CheckError(std::string_view source, const std::string& error) {
    const std::string prefix = "fuzz.psa:";
    if (error.rfind(prefix, 0) != 0) Fail("error without the file name", source, error);
    char* end = nullptr;
    const unsigned long line = std::strtoul(error.c_str() + prefix.size(), &end, 10);
    size_t lines = 1;
    for (char c : source) lines += c == '\n';
    if (line == 0 || line > lines || *end != ':') Fail("error names no real line", source, error);
    const unsigned long column = std::strtoul(end + 1, &end, 10);
    if (column == 0 || std::string_view(end).substr(0, 2) != ": ")
        Fail("error names no column", source, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    std::vector<uint32_t> tokens;
    std::string error;
    if (!Assemble(source, "fuzz.psa", tokens, error)) {
        CheckError(source, error);
        if (!tokens.empty()) Fail("a refused program left tokens", source, error);
        return 0;
    }
    Program program;
    if (!Decode(tokens.data(), tokens.size(), program, error) ||
        program.tokenCount != tokens.size())
        Fail("assembled tokens do not decode", source, error);

    std::string text;
    if (!Disassemble(tokens.data(), tokens.size(), text, error))
        Fail("assembled tokens do not disassemble", source, error);
    std::vector<uint32_t> again;
    if (!Assemble(text, "fuzz.psa", again, error))
        Fail("the disassembly does not assemble", source, error + "\n" + text);
    if (again != tokens) Fail("the disassembly assembles to other tokens", source, text);
    std::string text2;
    if (!Disassemble(again.data(), again.size(), text2, error) || text2 != text)
        Fail("the disassembly is not stable", source, text + "\n---\n" + text2);
    return 0;
}
