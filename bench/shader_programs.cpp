// Cost of turning the pack's shader programs into device shaders, for the same creations the
// presentation makes at load time (shading pair x4, shading2 pair x3, shading32 pair, the
// effect quad's five programs, logo, fade and metal):
//  - on the CPU side alone: the token check plus the translation to GLSL;
//  - on the headless GL device: creation (decode, translation, GL compile) and the first draw
//    of every pair of stages the presentation draws with (the link), to the end of the GL
//    work; the total per iteration is the figure to hold under 50 ms;
//  - draws that reuse the linked pairs, cube and 2D textures changing on the stages, whose
//    counters show no translation, compile or link.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "effects/shader/BumpLitPasses.h"
#include "gfx/gl/Device.h"
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

// ------------------------------------------------------------------ on the GL device

// The presentation's programs on one device, each object creating its own copies, and the
// pairs of stages it draws with (0 for the fixed-function vertex stage).
class DevicePrograms {
  public:
    explicit DevicePrograms(std::unique_ptr<gfx::gl::Device> device) : dev_(std::move(device)) {}

    gfx::gl::Device& dev() { return *dev_; }
    size_t creations() const { return creations_; }
    size_t pairs() const { return pairs_.size(); }

    bool createAll(std::string& error) {
        using effects::kQuadVertexDeclaration;
        using effects::kShaderVertexDeclaration;
        auto vs = [&](const char* file, const DWORD* decl) { return create(file, decl); };
        auto ps = [&](const char* file) { return create(file, nullptr); };
        for (int scene = 0; scene < 4; ++scene) {
            const DWORD lightVs = vs("shading.vsa", kShaderVertexDeclaration);
            const DWORD lightPs = ps("shading.psa");
            const bool grid = scene == 2;  // the scene with the shading32 surface pass
            const DWORD surfaceVs =
                vs(grid ? "shading32.vsa" : "shading2.vsa", kShaderVertexDeclaration);
            const DWORD surfacePs = ps(grid ? "shading32.psa" : "shading2.psa");
            pairs_.push_back({lightVs, lightPs, 56, false, grid});
            pairs_.push_back({surfaceVs, surfacePs, 56, true, grid});
        }
        const DWORD ef1 = ps("shEf1.psa"), ef2 = ps("shEf2.psa"), ef3 = ps("shEf3.psa");
        const DWORD quad = vs("ShEf.vsa", kQuadVertexDeclaration);
        const DWORD quad1 = vs("ShEf1.vsa", kQuadVertexDeclaration);
        pairs_.push_back({quad, ef1, 20, false, false});
        pairs_.push_back({quad1, ef3, 20, false, false});
        pairs_.push_back({quad1, ef2, 20, false, false});
        for (const char* f : {"logo.psa", "fade.psa", "metal.psa"})
            pairs_.push_back({0, ps(f), 20, false, false});
        if (!error_.empty()) error = error_;
        return error_.empty();
    }

    // One small draw with every pair; the surface passes bind cube maps on stages 1 to 3
    // (stage 1 only in the shading32 pass), the others 2D textures throughout.
    bool drawAll() {
        if (!flat_) makeResources();
        for (const Pair& p : pairs_) {
            for (DWORD s = 0; s < 4; ++s) {
                const bool cube = p.surface && (s >= 2 || (s == 1 && p.grid));
                dev_->SetTexture(s, cube ? static_cast<gfx::BaseTexture*>(cube_) : flat_);
            }
            dev_->SetVertexShader(p.vs ? p.vs : D3DFVF_XYZRHW | D3DFVF_TEX1);
            dev_->SetPixelShader(p.ps);
            dev_->SetStreamSource(0, p.stride == 56 ? mesh_ : quad_, p.vs ? p.stride : 24);
            if (FAILED(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1))) return false;
        }
        return true;
    }

    // Waits for the GL work queued so far (reading back one target does).
    void finish() {
        gfx::Surface* back = nullptr;
        dev_->GetBackBuffer(0, &back);
        std::vector<uint32_t> pixels;
        dev_->ReadPixels(back, pixels);
    }

  private:
    struct Pair {
        DWORD vs, ps;
        UINT stride;
        bool surface, grid;
    };

    DWORD create(const char* file, const DWORD* declaration) {
        ++creations_;
        const std::vector<uint32_t> tokens = AssembleFile(file);
        const UINT bytes = static_cast<UINT>(tokens.size() * 4);
        DWORD handle = 0;
        const HRESULT hr =
            declaration ? dev_->CreateVertexShader(declaration, tokens.data(), bytes, &handle, 0)
                        : dev_->CreatePixelShader(tokens.data(), bytes, &handle);
        if (FAILED(hr)) error_ = std::string(file) + " was refused";
        return handle;
    }

    void makeResources() {
        dev_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &flat_);
        dev_->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube_);
        // Three vertices of either layout, all zero: a triangle that covers nothing.
        dev_->CreateVertexBuffer(3 * 56, 0, 0, D3DPOOL_MANAGED, &mesh_);
        dev_->CreateVertexBuffer(3 * 24, 0, 0, D3DPOOL_MANAGED, &quad_);
        for (gfx::VertexBuffer* vb : {mesh_, quad_}) {
            BYTE* data = nullptr;
            vb->Lock(0, 0, &data, 0);
            std::memset(data, 0, vb->size());
            vb->Unlock();
        }
    }

    std::unique_ptr<gfx::gl::Device> dev_;
    std::vector<Pair> pairs_;
    std::string error_;
    size_t creations_ = 0;
    gfx::Texture* flat_ = nullptr;
    gfx::CubeTexture* cube_ = nullptr;
    gfx::VertexBuffer* mesh_ = nullptr;
    gfx::VertexBuffer* quad_ = nullptr;
};

std::unique_ptr<gfx::gl::Device> HeadlessDevice(benchmark::State& state) {
    gfx::DeviceParams params;
    params.width = 64;
    params.height = 64;
    std::string error;
    auto device = gfx::gl::CreateHeadlessDevice(params, &error);
    if (!device) state.SkipWithError(("no headless device: " + error).c_str());
    return device;
}

void ProgramCounters(benchmark::State& state, const gfx::gl::ProgramStats& s, double per) {
    state.counters["translations"] = static_cast<double>(s.translations) / per;
    state.counters["shared"] = static_cast<double>(s.shared) / per;
    state.counters["compiles"] = static_cast<double>(s.compiles) / per;
    state.counters["links"] = static_cast<double>(s.links) / per;
}

void BM_CreateAllProgramsOnTheDevice(benchmark::State& state) {
    gfx::gl::ProgramStats total;
    int64_t rounds = 0;
    size_t creations = 0, pairs = 0;
    double createSeconds = 0, drawSeconds = 0;  // creation, then the first draw of each pair
    // Of the first draws: the device's preparation (links included) and the draw calls (where
    // the driver finishes its own compilation).
    uint64_t prepareNanos = 0, drawCallNanos = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto device = HeadlessDevice(state);
        if (!device) return;
        device->setTiming(true);
        DevicePrograms programs(std::move(device));
        programs.finish();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        std::string error;
        if (!programs.createAll(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        programs.finish();
        const auto t1 = std::chrono::steady_clock::now();
        if (!programs.drawAll()) {
            state.SkipWithError("a draw was refused");
            return;
        }
        programs.finish();
        const auto t2 = std::chrono::steady_clock::now();
        state.PauseTiming();
        createSeconds += std::chrono::duration<double>(t1 - t0).count();
        prepareNanos += programs.dev().stats().prepareNanos;
        drawCallNanos += programs.dev().stats().drawCallNanos;
        drawSeconds += std::chrono::duration<double>(t2 - t1).count();
        const gfx::gl::ProgramStats s = programs.dev().stats().programs;
        creations = programs.creations();
        pairs = programs.pairs();
        total.translations += s.translations;
        total.shared += s.shared;
        total.compiles += s.compiles;
        total.links += s.links;
        ++rounds;
        state.ResumeTiming();
    }
    state.counters["creations"] = static_cast<double>(creations);
    state.counters["pairs"] = static_cast<double>(pairs);
    if (rounds) {
        ProgramCounters(state, total, static_cast<double>(rounds));
        state.counters["createMs"] = 1000 * createSeconds / static_cast<double>(rounds);
        state.counters["firstDrawsMs"] = 1000 * drawSeconds / static_cast<double>(rounds);
        state.counters["prepareMs"] = 1e-6 * static_cast<double>(prepareNanos) / rounds;
        state.counters["drawCallMs"] = 1e-6 * static_cast<double>(drawCallNanos) / rounds;
    }
}
BENCHMARK(BM_CreateAllProgramsOnTheDevice)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->UseRealTime();

void BM_DrawsReusingLinkedPairs(benchmark::State& state) {
    auto device = HeadlessDevice(state);
    if (!device) return;
    DevicePrograms programs(std::move(device));
    std::string error;
    if (!programs.createAll(error) || !programs.drawAll()) {
        state.SkipWithError(error.empty() ? "a draw was refused" : error.c_str());
        return;
    }
    programs.finish();
    const gfx::gl::ProgramStats before = programs.dev().stats().programs;
    for (auto _ : state) {
        if (!programs.drawAll()) state.SkipWithError("a draw was refused");
    }
    programs.finish();
    const gfx::gl::ProgramStats after = programs.dev().stats().programs;
    gfx::gl::ProgramStats added;
    added.translations = after.translations - before.translations;
    added.shared = after.shared - before.shared;
    added.compiles = after.compiles - before.compiles;
    added.links = after.links - before.links;
    // Over all the iterations: any new translation, compile or link shows here.
    ProgramCounters(state, added, 1.0);
    state.counters["draws"] = benchmark::Counter(
        static_cast<double>(state.iterations() * programs.pairs()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawsReusingLinkedPairs)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
