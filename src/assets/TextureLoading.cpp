#include "assets/TextureLoading.h"

#include <cstdio>

#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "imaging/D3DXTexture.h"

namespace assets {
namespace {

void Report(const std::string& name, const std::string& reason) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), reason.c_str());
}

// The texture every picture becomes: the picture's size, the full chain, A8R8G8B8, linear
// filtering, no colour key.
IDirect3DTexture8* CreatePictureTexture(const std::string& name, const void* data, size_t size,
                                        D3DPOOL pool) {
    if (!RenderDevice) {
        Report(name, "no rendering device to create the texture on");
        return nullptr;
    }
    if (size > 0xFFFFFFFFu) {
        Report(name, "picture too large");
        return nullptr;
    }
    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
        RenderDevice, data, static_cast<UINT>(size), D3DX_DEFAULT, D3DX_DEFAULT, 0, 0,
        D3DFMT_A8R8G8B8, pool, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0, nullptr, nullptr,
        &texture);
    if (FAILED(hr)) {
        Report(name, imaging::LastTextureError());
        return nullptr;
    }
    return texture;
}

}  // namespace

int DecodeJpeg(const std::string& name, std::vector<uint8_t>& picture) {
    picture.clear();
    uint8_t* block = ReadPackEntry(name);
    const uint32_t size = GlobalPack().lastSize;
    if (!block) return 0;
    std::string error;
    const bool ok = DecodeJpegToDib(block, size, picture, error);
    FreePackEntry(block);
    if (!ok) {
        Report(name, error);
        return 0;
    }
    return 1;
}

IDirect3DTexture8* LoadJpegTexture(const std::string& name, D3DPOOL pool) {
    std::vector<uint8_t> picture;
    if (!DecodeJpeg(name, picture)) return nullptr;
    return CreatePictureTexture(name, picture.data(), picture.size(), pool);
}

IDirect3DTexture8* LoadImageTexture(const std::string& name, D3DPOOL pool) {
    uint8_t* block = ReadPackEntry(name);
    const uint32_t size = GlobalPack().lastSize;
    if (!block) return nullptr;
    IDirect3DTexture8* texture = CreatePictureTexture(name, block, size, pool);
    FreePackEntry(block);
    return texture;
}

}  // namespace assets
