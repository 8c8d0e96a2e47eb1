#include "content/shaders/Shaders.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "content/gen/Content.h"
#include "gfx/shader/Assembler.h"

namespace content {
namespace {

constexpr ShaderSource kSources[] = {
    {"!shaders\\shading.vso", "shading.vsa"},     {"!shaders\\shading.pso", "shading.psa"},
    {"!shaders\\shading2.vso", "shading2.vsa"},   {"!shaders\\shading2.pso", "shading2.psa"},
    {"!shaders\\shading32.vso", "shading32.vsa"}, {"!shaders\\shading32.pso", "shading32.psa"},
    {"!shaders\\ShEf.vso", "ShEf.vsa"},           {"!shaders\\ShEf1.vso", "ShEf1.vsa"},
    {"!shaders\\shEf1.pso", "shEf1.psa"},         {"!shaders\\shEf2.pso", "shEf2.psa"},
    {"!shaders\\shEf3.pso", "shEf3.psa"},         {"!shaders\\logo.pso", "logo.psa"},
    {"!shaders\\fade.pso", "fade.psa"},           {"!shaders\\metal.pso", "metal.psa"},
};

}  // namespace

std::span<const ShaderSource> ShaderSources() { return kSources; }

std::vector<uint32_t> AssembleShaderFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    const std::string source((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    std::vector<uint32_t> tokens;
    std::string error;
    if (!gfx::shader::Assemble(source, path, tokens, error)) throw std::runtime_error(error);
    return tokens;
}

void AddShaders(Output& out) {
    for (const ShaderSource& s : kSources) {
        const std::vector<uint32_t> tokens =
            AssembleShaderFile(out.sourceDir + "/shaders/" + s.file);
        // Tokens are stored little-endian, as the device reads them.
        std::vector<uint8_t> bytes;
        bytes.reserve(tokens.size() * 4);
        for (uint32_t t : tokens)
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(t >> (8 * i)));
        out.pack.Add(s.entry, std::move(bytes));
    }
}

}  // namespace content
