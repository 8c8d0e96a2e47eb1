// Cost of turning the pack's shader programs into device shaders on the CPU side: the token
// check the device runs at creation plus the translation to GLSL, for the same creations the
// presentation makes at load time (shading pair x4, shading2 pair x3, shading32 pair, the
// effect quad's five programs, logo, fade and metal). GL compilation and linking come on top
// and are measured with the GL device.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/shader/Assembler.h"
#include "gfx/shader/Decoder.h"
#include "gfx/shader/TokenCheck.h"
#include "gfx/shader/Translators.h"

namespace {

struct Creation {
    std::vector<uint32_t> tokens;
    bool pixel;
};

std::vector<uint32_t> AssembleFile(const std::string& name) {
    const auto dir =
        std::filesystem::path(__FILE__).parent_path().parent_path() / "content" / "shaders";
    std::ifstream in(dir / name);
    const std::string source((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    std::vector<uint32_t> tokens;
    std::string error;
    if (!gfx::shader::Assemble(source, name, tokens, error)) throw std::runtime_error(error);
    return tokens;
}

const std::vector<Creation>& Creations() {
    static const std::vector<Creation> list = [] {
        std::vector<Creation> v;
        auto add = [&](const char* file, int times) {
            const Creation c{AssembleFile(file), std::string(file).ends_with(".psa")};
            for (int i = 0; i < times; ++i) v.push_back(c);
        };
        add("shading.vsa", 4);
        add("shading.psa", 4);
        add("shading2.vsa", 3);
        add("shading2.psa", 3);
        add("shading32.vsa", 1);
        add("shading32.psa", 1);
        for (const char* f : {"shEf1.psa", "shEf2.psa", "shEf3.psa", "ShEf.vsa", "ShEf1.vsa",
                              "logo.psa", "fade.psa", "metal.psa"})
            add(f, 1);
        return v;
    }();
    return list;
}

void BM_CheckAndTranslateAllPrograms(benchmark::State& state) {
    const auto& creations = Creations();
    for (auto _ : state) {
        for (const Creation& c : creations) {
            std::string error;
            const auto type =
                c.pixel ? gfx::shader::ShaderType::Pixel : gfx::shader::ShaderType::Vertex;
            bool ok = gfx::shader::CheckTokens(c.tokens.data(), c.tokens.size(), type, error);
            gfx::shader::Program program;
            ok = ok && gfx::shader::Decode(c.tokens.data(), c.tokens.size(), program, error);
            gfx::shader::GlslStage stage;
            ok = ok && (c.pixel ? gfx::shader::TranslatePixelProgram(program, stage, error)
                                : gfx::shader::TranslateVertexProgram(program, stage, error));
            if (!ok) state.SkipWithError(error.c_str());
            benchmark::DoNotOptimize(stage.body.data());
        }
    }
    state.counters["programs"] = static_cast<double>(creations.size());
}
BENCHMARK(BM_CheckAndTranslateAllPrograms)->Unit(benchmark::kMicrosecond);

void BM_DecodeOneSurfaceProgram(benchmark::State& state) {
    const Creation& c = Creations()[7];  // shading2.psa
    for (auto _ : state) {
        gfx::shader::Program program;
        std::string error;
        benchmark::DoNotOptimize(
            gfx::shader::Decode(c.tokens.data(), c.tokens.size(), program, error));
    }
}
BENCHMARK(BM_DecodeOneSurfaceProgram);

void BM_AssembleAllSources(benchmark::State& state) {
    for (auto _ : state)
        for (const char* f :
             {"shading.vsa", "shading.psa", "shading2.vsa", "shading2.psa", "shading32.vsa",
              "shading32.psa", "ShEf.vsa", "ShEf1.vsa", "shEf1.psa", "shEf2.psa", "shEf3.psa",
              "logo.psa", "fade.psa", "metal.psa"})
            benchmark::DoNotOptimize(AssembleFile(f).data());
}
BENCHMARK(BM_AssembleAllSources)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
