// Cost of a draw in the OpenGL device: 300 indexed draws per frame into a 256 x 256 render
// target, with the state changes a scene of this engine makes between draws (world matrix
// always, texture, material and blend states often, fog and alpha test now and then, a
// pixel program for some), on a headless device.
//
// Times are the main thread's CPU time: the device's own work plus the GL driver's front
// end, not the software rasteriser's worker threads. Counters show what repeated frames
// cost besides: no compiles, no links, no texture uploads once the first frame is done.
// Run with GALLIUM_NOOP=1 to take Mesa's rendering out entirely.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gl/Device.h"

namespace {

constexpr int kDrawsPerFrame = 300;
constexpr int kGrid = 16;  // vertices per side of each mesh

struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
};

double ThreadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

D3DMATRIX Matrix(float angle, float x, float y, float z, float s) {
    D3DMATRIX m{};
    m.m[0][0] = s * std::cos(angle);
    m.m[0][2] = -s * std::sin(angle);
    m.m[1][1] = s;
    m.m[2][0] = s * std::sin(angle);
    m.m[2][2] = s * std::cos(angle);
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    m.m[3][3] = 1;
    return m;
}

class Scene {
  public:
    explicit Scene(bool identicalStates) : identical_(identicalStates) {
        gfx::DeviceParams params;
        params.width = 256;
        params.height = 256;
        std::string error;
        dev_ = gfx::gl::CreateHeadlessDevice(params, &error);
        if (!dev_) {
            std::fprintf(stderr, "no headless device: %s\n", error.c_str());
            return;
        }
        build();
    }
    bool ok() const { return dev_ != nullptr; }
    gfx::gl::Device& dev() { return *dev_; }

    void frame(int number) {
        gfx::gl::Device& d = *dev_;
        d.BeginScene();
        d.SetRenderTarget(target_, depth_);
        d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        const D3DMATRIX view = Matrix(0.01f * number, 0, -2, 30, 1);
        d.SetTransform(D3DTS_VIEW, &view);
        d.SetTransform(D3DTS_PROJECTION, &projection_);
        for (DWORD i = 0; i < 3; ++i) {
            D3DLIGHT8 l{};
            l.Type = D3DLIGHT_POINT;
            l.Diffuse = {0.8f, 0.7f, 0.6f, 0};
            l.Specular = {1, 1, 1, 0};
            l.Position = {10.0f * std::sin(0.02f * number + i), 5.0f, -10.0f};
            l.Range = 1000.0f;
            l.Attenuation0 = 1.0f;
            l.Attenuation1 = 0.01f;
            d.SetLight(i, &l);
            d.LightEnable(i, TRUE);
        }
        d.SetVertexShader(0x112);
        for (int i = 0; i < kDrawsPerFrame; ++i) draw(i, number);
        d.SetRenderTarget(back_, depth_);
        d.EndScene();
        d.Present(nullptr, nullptr, nullptr, nullptr);
    }

  private:
    void build() {
        gfx::gl::Device& d = *dev_;
        std::vector<Vertex> verts;
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x) {
                const float a = 6.2831853f * x / (kGrid - 1), b = 3.1415926f * y / (kGrid - 1);
                const float nx = std::sin(b) * std::cos(a), ny = std::cos(b),
                            nz = std::sin(b) * std::sin(a);
                verts.push_back(
                    {nx, ny, nz, nx, ny, nz, x / float(kGrid - 1), y / float(kGrid - 1)});
            }
        std::vector<uint16_t> idx;
        for (int y = 0; y + 1 < kGrid; ++y)
            for (int x = 0; x + 1 < kGrid; ++x) {
                const uint16_t i = static_cast<uint16_t>(y * kGrid + x);
                idx.insert(idx.end(),
                           {i, static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + kGrid),
                            static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + kGrid + 1),
                            static_cast<uint16_t>(i + kGrid)});
            }
        faces_ = static_cast<UINT>(idx.size() / 3);
        for (int m = 0; m < 3; ++m) {
            BYTE* p = nullptr;
            d.CreateVertexBuffer(static_cast<UINT>(verts.size() * sizeof(Vertex)),
                                 D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_MANAGED, &vbs_[m]);
            vbs_[m]->Lock(0, 0, &p, 0);
            std::memcpy(p, verts.data(), verts.size() * sizeof(Vertex));
            vbs_[m]->Unlock();
            d.CreateIndexBuffer(static_cast<UINT>(idx.size() * 2), D3DUSAGE_WRITEONLY,
                                D3DFMT_INDEX16, D3DPOOL_MANAGED, &ibs_[m]);
            ibs_[m]->Lock(0, 0, &p, 0);
            std::memcpy(p, idx.data(), idx.size() * 2);
            ibs_[m]->Unlock();
        }
        for (int t = 0; t < 4; ++t) {
            d.CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &textures_[t]);
            for (UINT l = 0; l < textures_[t]->GetLevelCount(); ++l) {
                D3DLOCKED_RECT lr;
                textures_[t]->LockRect(l, &lr, nullptr, 0);
                gfx::Surface* s = textures_[t]->level(l);
                for (UINT y = 0; y < s->height(); ++y)
                    for (UINT x = 0; x < s->width(); ++x)
                        static_cast<uint32_t*>(lr.pBits)[y * s->width() + x] =
                            0xFF000000u | (x * 4u + t * 60u) << 16 | (y * 4u) << 8 | (t * 50u);
                textures_[t]->UnlockRect(l);
            }
        }
        gfx::Texture* rt = nullptr;
        d.CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt);
        rt->GetSurfaceLevel(0, &target_);
        d.GetRenderTarget(&back_);
        d.GetDepthStencilSurface(&depth_);
        // ps.1.1: mov r0, c0
        const DWORD ps[] = {0xFFFF0101u, 0x00000001u, 0x800F0000u, 0xA0E40000u, 0x0000FFFFu};
        d.CreatePixelShader(ps, sizeof ps, &pixelShader_);
        projection_ = {};
        projection_.m[0][0] = 1.0f;
        projection_.m[1][1] = 1.0f;
        projection_.m[2][2] = 1.0f;
        projection_.m[2][3] = 1.0f;
        projection_.m[3][2] = -1.0f;
        d.SetRenderState(D3DRS_LIGHTING, TRUE);
        d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        d.SetRenderState(D3DRS_AMBIENT, 0xFF505050);
    }

    void draw(int i, int frameNumber) {
        gfx::gl::Device& d = *dev_;
        const D3DMATRIX world =
            Matrix(0.05f * i + 0.01f * frameNumber, (i % 20) - 10.0f, (i / 20) - 7.0f, 0, 0.4f);
        d.SetTransform(D3DTS_WORLD, &world);
        if (!identical_) {
            const bool transparent = i >= 200;
            if (i % 10 == 0) {
                D3DMATERIAL8 m{};
                m.Diffuse = {0.5f + 0.05f * (i % 7), 0.6f, 0.7f, 1.0f};
                m.Ambient = {0.2f, 0.2f, 0.2f, 1};
                m.Specular = {1, 1, 1, 1};
                m.Power = 8;
                d.SetMaterial(&m);
            }
            d.SetTexture(0, textures_[i % 4]);
            d.SetRenderState(D3DRS_ALPHABLENDENABLE, transparent);
            d.SetRenderState(D3DRS_SRCBLEND, transparent ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
            d.SetRenderState(D3DRS_DESTBLEND, transparent ? D3DBLEND_INVSRCALPHA : D3DBLEND_ZERO);
            d.SetRenderState(D3DRS_ZWRITEENABLE, !transparent);
            d.SetRenderState(D3DRS_FOGENABLE, i < 100);
            d.SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
            d.SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.0025f));
            if (i >= 250) {
                d.SetTexture(1, textures_[(i + 1) % 4]);
                d.SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
                d.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
                d.SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
                d.SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
                d.SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
                d.SetRenderState(D3DRS_ALPHAREF, 22);
                d.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
            } else {
                d.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
                d.SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
                d.SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            }
            const bool program = i % 50 == 49;
            if (program) {
                const float c0[4] = {0.2f * (i % 5), 0.5f, 0.7f, 1.0f};
                d.SetPixelShaderConstant(0, c0, 1);
            }
            d.SetPixelShader(program ? pixelShader_ : 0);
        } else {
            d.SetTexture(0, textures_[0]);
        }
        const int m = identical_ ? 0 : i % 3;
        d.SetIndices(ibs_[m], 0);
        d.SetStreamSource(0, vbs_[m], sizeof(Vertex));
        d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, kGrid * kGrid, 0, faces_);
    }

    bool identical_;
    std::unique_ptr<gfx::gl::Device> dev_;
    gfx::VertexBuffer* vbs_[3] = {};
    gfx::IndexBuffer* ibs_[3] = {};
    gfx::Texture* textures_[4] = {};
    gfx::Surface *target_ = nullptr, *back_ = nullptr, *depth_ = nullptr;
    DWORD pixelShader_ = 0;
    D3DMATRIX projection_{};
    UINT faces_ = 0;
};

void Report(benchmark::State& state, const gfx::gl::DeviceStats& a, const gfx::gl::DeviceStats& b,
            double cpuSeconds, int frames) {
    const double draws = static_cast<double>(frames) * kDrawsPerFrame;
    state.counters["us_per_draw"] = cpuSeconds * 1e6 / draws;
    // Wall time inside the device: bringing GL in line with the state, and the draw call.
    state.counters["us_layer"] = static_cast<double>(b.prepareNanos - a.prepareNanos) / 1e3 / draws;
    state.counters["us_drawcall"] =
        static_cast<double>(b.drawCallNanos - a.drawCallNanos) / 1e3 / draws;
    state.counters["compiles"] = static_cast<double>(b.programs.compiles - a.programs.compiles);
    state.counters["links"] = static_cast<double>(b.programs.links - a.programs.links);
    state.counters["tex_uploads"] =
        static_cast<double>(b.uploads.textureUploads - a.uploads.textureUploads);
    state.counters["buf_uploads"] =
        static_cast<double>(b.uploads.bufferUploads - a.uploads.bufferUploads);
    state.counters["ubo_uploads_per_draw"] =
        static_cast<double>(b.uniformUploads - a.uniformUploads) / draws;
    state.counters["program_binds_per_frame"] =
        static_cast<double>(b.programBinds - a.programBinds) / frames;
}

void RunFrames(benchmark::State& state, bool identical, bool discard) {
    Scene scene(identical);
    if (!scene.ok()) {
        state.SkipWithError("no headless OpenGL device");
        return;
    }
    for (int f = 0; f < 3; ++f) scene.frame(f);  // first frames compile, link and upload
    scene.dev().setDiscardDraws(discard);
    scene.dev().setTiming(true);
    const gfx::gl::DeviceStats before = scene.dev().stats();
    int frames = 0;
    double cpu = 0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        scene.frame(3 + frames);
        cpu += ThreadSeconds() - t0;
        ++frames;
    }
    Report(state, before, scene.dev().stats(), cpu, frames);
}

void BM_Frame300Draws(benchmark::State& state) { RunFrames(state, false, false); }
void BM_Frame300IdenticalDraws(benchmark::State& state) { RunFrames(state, true, false); }
// The same frames with drawing discarded: the cost of keeping the state alone.
void BM_Frame300Draws_StateOnly(benchmark::State& state) { RunFrames(state, false, true); }

BENCHMARK(BM_Frame300Draws)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame300IdenticalDraws)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame300Draws_StateOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
