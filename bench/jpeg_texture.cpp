// Cost of turning a 1024 x 768 JPEG into a texture with its full mip chain, as the picture
// loader does it: decode into the 40-byte-header bitmap, then create the A8R8G8B8 texture
// from that bitmap with linear filtering. Times are per picture, in milliseconds. On the state
// device the texture stays in memory; on the OpenGL device (headless, when one can be had)
// it is also drawn once, which uploads all levels, and the frame is read back to wait for it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "assets/JpegPicture.h"
#include "gfx/StateDevice.h"
#include "gfx/gl/Device.h"
#include "imaging/D3DXTexture.h"

namespace {

constexpr uint32_t kWidth = 1024, kHeight = 768;

// A photograph-like picture (smooth shading, edges and some grain) at quality 85 with the
// usual 2 x 2 chroma subsampling.
const std::vector<uint8_t>& TestJpeg() {
    static const std::vector<uint8_t> jpeg = [] {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &buffer, &size);
        c.image_width = kWidth;
        c.image_height = kHeight;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 85, TRUE);
        jpeg_start_compress(&c, TRUE);
        std::vector<uint8_t> row(kWidth * 3);
        uint32_t noise = 12345;
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                noise = noise * 1664525u + 1013904223u;
                const int grain = static_cast<int>(noise >> 28) - 8;
                const double r = std::hypot(x - 400.0, y - 300.0);
                const int base = ((x / 64 + y / 48) & 1) ? 40 : 0;
                row[x * 3 + 0] = static_cast<uint8_t>(
                    std::clamp(static_cast<int>(128 + 100 * std::sin(r / 40)) + grain, 0, 255));
                row[x * 3 + 1] = static_cast<uint8_t>(
                    std::clamp(static_cast<int>(x * 200 / kWidth) + base + grain, 0, 255));
                row[x * 3 + 2] = static_cast<uint8_t>(
                    std::clamp(static_cast<int>(y * 220 / kHeight) + grain, 0, 255));
            }
            JSAMPROW rp = row.data();
            jpeg_write_scanlines(&c, &rp, 1);
        }
        jpeg_finish_compress(&c);
        std::vector<uint8_t> out(buffer, buffer + size);
        jpeg_destroy_compress(&c);
        std::free(buffer);
        return out;
    }();
    return jpeg;
}

std::vector<uint8_t> DecodeToDib() {
    std::vector<uint8_t> dib;
    std::string error;
    if (!assets::DecodeJpegToDib(TestJpeg().data(), TestJpeg().size(), dib, error)) {
        std::fprintf(stderr, "decode failed: %s\n", error.c_str());
        std::abort();
    }
    return dib;
}

IDirect3DTexture8* CreateTexture(gfx::RenderDevice& device, const std::vector<uint8_t>& dib) {
    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
        &device, dib.data(), static_cast<UINT>(dib.size()), D3DX_DEFAULT, D3DX_DEFAULT, 0, 0,
        D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0, nullptr,
        nullptr, &texture);
    if (FAILED(hr)) {
        std::fprintf(stderr, "texture failed: %s\n", imaging::LastTextureError().c_str());
        std::abort();
    }
    return texture;
}

void BM_DecodeJpegToBitmap(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(DecodeToDib());
    state.counters["jpeg_bytes"] = static_cast<double>(TestJpeg().size());
}

void BM_TextureFromBitmap(benchmark::State& state) {
    const std::vector<uint8_t> dib = DecodeToDib();
    for (auto _ : state) {
        state.PauseTiming();
        // The device keeps what it creates; a fresh one per round keeps memory flat.
        auto device = std::make_unique<gfx::StateDevice>(gfx::DeviceParams{});
        state.ResumeTiming();
        benchmark::DoNotOptimize(CreateTexture(*device, dib));
        state.PauseTiming();
        device.reset();
        state.ResumeTiming();
    }
}

// The whole road of LoadJpegTexture after the pack read.
void BM_JpegToTextureWithMips(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto device = std::make_unique<gfx::StateDevice>(gfx::DeviceParams{});
        state.ResumeTiming();
        const std::vector<uint8_t> dib = DecodeToDib();
        IDirect3DTexture8* texture = CreateTexture(*device, dib);
        benchmark::DoNotOptimize(texture);
        state.PauseTiming();
        if (texture->GetLevelCount() != 11) std::abort();
        device.reset();
        state.ResumeTiming();
    }
}

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};

void BM_JpegToGlTextureDrawn(benchmark::State& state) {
    std::string error;
    gfx::DeviceParams params;
    params.width = params.height = 16;
    std::unique_ptr<gfx::gl::Device> device = gfx::gl::CreateHeadlessDevice(params, &error);
    if (!device) {
        state.SkipWithError(("no OpenGL device: " + error).c_str());
        return;
    }
    const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                  {16, 0, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                                  {16, 16, 0.5f, 1, 0xFFFFFFFF, 1, 1},
                                  {0, 16, 0.5f, 1, 0xFFFFFFFF, 0, 1}};
    gfx::VertexBuffer* vb = nullptr;
    device->CreateVertexBuffer(sizeof quad, 0, 0x144, D3DPOOL_MANAGED, &vb);
    BYTE* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, quad, sizeof quad);
    vb->Unlock();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    device->SetVertexShader(0x144);
    device->SetStreamSource(0, vb, sizeof(ScreenVertex));
    gfx::Surface* back = nullptr;
    device->GetBackBuffer(0, &back);
    std::vector<uint32_t> pixels;
    for (auto _ : state) {
        const std::vector<uint8_t> dib = DecodeToDib();
        device->SetTexture(0, CreateTexture(*device, dib));
        device->BeginScene();
        device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
        device->EndScene();
        device->ReadPixels(back, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
}

}  // namespace

BENCHMARK(BM_DecodeJpegToBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureFromBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegToTextureWithMips)->Unit(benchmark::kMillisecond);
// The device keeps every texture it made: a bounded number of rounds keeps memory in check.
BENCHMARK(BM_JpegToGlTextureDrawn)->Unit(benchmark::kMillisecond)->Iterations(40);

BENCHMARK_MAIN();
