// Fuzzes compiled shader token streams the way a pack entry reaches the engine: the device's
// check for both kinds, the decoder (whose instructions must write back the very tokens they
// were read from), the analysis, the vertex and pixel translators (pixel programs for several
// sets of sampler kinds), the disassembler (whose text must assemble back into the stream)
// and shader creation on a state device. The same tokens are also read as a vertex
// declaration and an FVF code, the device's other token format.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effects/shader/BumpLitPasses.h"
#include "gfx/StateDevice.h"
#include "gfx/VertexLayout.h"
#include "gfx/shader/Analysis.h"
#include "gfx/shader/Assembler.h"
#include "gfx/shader/Decoder.h"
#include "gfx/shader/TokenCheck.h"
#include "gfx/shader/Translators.h"

namespace {

using namespace gfx::shader;

void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "shader_fuzzer: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// Every refusal names where the stream went wrong.
void CheckError(const std::string& error) {
    if (error.rfind("token ", 0) != 0 && error != "empty shader token stream")
        Fail("error without a token offset", error);
}

// Generated code is plain text with balanced brackets.
void CheckGlsl(const GlslStage& stage) {
    for (const std::string* text : {&stage.declarations, &stage.body}) {
        int round = 0, curly = 0, square = 0;
        for (char c : *text) {
            if ((c < 0x20 && c != '\n') || c > 0x7E) Fail("odd character in GLSL", *text);
            round += c == '(' ? 1 : c == ')' ? -1 : 0;
            curly += c == '{' ? 1 : c == '}' ? -1 : 0;
            square += c == '[' ? 1 : c == ']' ? -1 : 0;
            if (round < 0 || curly < 0 || square < 0) Fail("unbalanced GLSL", *text);
        }
        if (round || curly || square) Fail("unbalanced GLSL", *text);
    }
}

// The stream as the assembler would write it: comment blocks dropped, the instruction
// token's control and length fields zero (the text form has neither).
std::vector<uint32_t> Canonical(const Program& program) {
    std::vector<uint32_t> out{program.version.token()};
    for (Instruction ins : program.instructions) {
        if (ins.isComment()) continue;
        ins.controls = 0;
        ins.lengthField = 0;
        ins.write(out);
    }
    out.push_back(kEndToken);
    return out;
}

void CheckProgram(const uint32_t* tokens, size_t count, const Program& program) {
    if (program.tokenCount == 0 || program.tokenCount > count ||
        tokens[program.tokenCount - 1] != kEndToken)
        Fail("decoded length is wrong");

    // read() then write() gives back the same tokens.
    std::vector<uint32_t> written{tokens[0]};
    for (const Instruction& ins : program.instructions) ins.write(written);
    written.push_back(kEndToken);
    if (written.size() != program.tokenCount ||
        std::memcmp(written.data(), tokens, written.size() * 4) != 0)
        Fail("instructions do not write back their tokens");

    (void)Analyze(program);

    // Disassembly is text the assembler reads back into the same program.
    std::string text, error;
    if (!Disassemble(tokens, count, text, error)) Fail("a decodable stream did not disassemble");
    std::vector<uint32_t> again;
    if (!Assemble(text, "disassembly", again, error))
        Fail("disassembly does not assemble", error + "\n" + text);
    if (again != Canonical(program)) Fail("disassembly assembles to other tokens", text);

    GlslStage stage;
    if (program.version.pixel) {
        if (TranslatePixelProgram(program, stage, error))
            CheckGlsl(stage);
        else
            CheckError(error);
        if (TranslateVertexProgram(program, stage, error)) Fail("pixel program as vertex");
    } else {
        if (TranslateVertexProgram(program, stage, error))
            CheckGlsl(stage);
        else
            CheckError(error);
        if (TranslatePixelProgram(program, stage, error)) Fail("vertex program as pixel");
    }
}

// What a declaration parse gives must stay inside the device's register and stream files.
void CheckDeclaration(const uint32_t* tokens, size_t count) {
    gfx::VertexLayout layout;
    std::string error;
    if (gfx::ParseDeclaration(tokens, count, layout, error)) {
        if (layout.declarationTokens == 0 || layout.declarationTokens > count)
            Fail("declaration length is wrong");
        for (const gfx::VertexElement& e : layout.elements)
            if (e.reg > 15 || e.stream >= 16 || gfx::VertexElementSize(e.type) == 0)
                Fail("declaration element out of range");
    } else if (error.empty()) {
        Fail("declaration refused without a reason");
    }
    gfx::LayoutFromFvf(tokens[0], layout);
    (void)gfx::FvfStride(tokens[0]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A pack entry in 32-bit units, a partial tail zero-padded as the program loader does.
    std::vector<uint32_t> tokens((size + 3) / 4, 0);
    if (size) std::memcpy(tokens.data(), data, size);
    const size_t count = tokens.size();
    const uint32_t* t = count ? tokens.data() : nullptr;

    std::string vertexError, pixelError;
    const bool vertex = CheckTokens(t, count, ShaderType::Vertex, vertexError);
    const bool pixel = CheckTokens(t, count, ShaderType::Pixel, pixelError);
    if (vertex && pixel) Fail("both kinds accepted");
    if (!vertex) CheckError(vertexError);
    if (!pixel) CheckError(pixelError);

    Program program;
    std::string error;
    const bool decoded = Decode(t, count, program, error);
    if (decoded != (vertex || pixel)) Fail("Decode and CheckTokens disagree");
    if (decoded)
        CheckProgram(t, count, program);
    else
        CheckError(error);

    if (decoded) {
        // The device takes exactly what its check accepts.
        gfx::StateDevice device{gfx::DeviceParams{}};
        DWORD handle = 0;
        const HRESULT hr = vertex
                               ? device.CreateVertexShader(effects::kShaderVertexDeclaration, t,
                                                           static_cast<UINT>(count * 4), &handle, 0)
                               : device.CreatePixelShader(t, static_cast<UINT>(count * 4), &handle);
        if (FAILED(hr) || handle == 0) Fail("the device refused a checked program");
    }

    if (count) CheckDeclaration(t, count);
    return 0;
}
