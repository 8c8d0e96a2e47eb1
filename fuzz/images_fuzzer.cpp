// Fuzzes the picture decoders on file images in memory: the sniffing entry point, every format
// decoder on every input whatever its magic, the JPEG-to-bitmap path of the picture loader,
// and the texture creator on a state device.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/JpegPicture.h"
#include "gfx/StateDevice.h"
#include "imaging/D3DXTexture.h"
#include "imaging/Decoders.h"

namespace {

void Check(bool ok, const imaging::Picture& p, const std::string& error) {
    if (ok) {
        if (p.width == 0 || p.height == 0 || p.width > imaging::kMaxPictureSide ||
            p.height > imaging::kMaxPictureSide ||
            p.pixels.size() != size_t{p.width} * p.height * 4)
            __builtin_trap();
    } else if (error.empty() || !p.pixels.empty()) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using Decoder = bool (*)(const uint8_t*, size_t, imaging::Picture&, std::string&);
    static const Decoder decoders[] = {imaging::DecodeImage, imaging::DecodeBmp,
                                       imaging::DecodeDib,   imaging::DecodeTga,
                                       imaging::DecodePng,   imaging::DecodeJpegImage};
    for (Decoder decode : decoders) {
        imaging::Picture p;
        std::string error;
        const bool ok = decode(data, size, p, error);
        Check(ok, p, error);
    }

    std::vector<uint8_t> dib;
    std::string error;
    if (assets::DecodeJpegToDib(data, size, dib, error)) {
        const uint32_t w = dib[4] | dib[5] << 8 | dib[6] << 16 | uint32_t(dib[7]) << 24;
        const uint32_t h = dib[8] | dib[9] << 8 | dib[10] << 16 | uint32_t(dib[11]) << 24;
        if (dib.size() != assets::kDibHeaderSize + assets::DibImageBytes(w, h)) __builtin_trap();
    }

    if (size > 0 && size < 0xFFFFFFFFu) {
        gfx::StateDevice device{gfx::DeviceParams{}};
        IDirect3DTexture8* texture = nullptr;
        D3DXCreateTextureFromFileInMemoryEx(&device, data, static_cast<UINT>(size), D3DX_DEFAULT,
                                            D3DX_DEFAULT, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                            D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0, nullptr,
                                            nullptr, &texture);
    }
    return 0;
}
