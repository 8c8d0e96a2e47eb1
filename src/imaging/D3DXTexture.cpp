#include "imaging/D3DXTexture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "imaging/Decoders.h"
#include "imaging/PixelFormat.h"
#include "imaging/Resample.h"

namespace imaging {
namespace {

thread_local std::string g_lastError;

HRESULT Fail(HRESULT hr, std::string text) {
    g_lastError = std::move(text);
    return hr;
}

struct FilterChoice {
    bool none = false;
    ResampleFilter kind = ResampleFilter::Box;
};

bool ParseFilter(DWORD filter, FilterChoice& out) {
    if (filter == D3DX_DEFAULT) return true;
    switch (filter & 0xFFFF) {
        case D3DX_FILTER_NONE:
            out.none = true;
            return true;
        case D3DX_FILTER_POINT:
            out.kind = ResampleFilter::Point;
            return true;
        case D3DX_FILTER_LINEAR:
        case D3DX_FILTER_TRIANGLE:
        case D3DX_FILTER_BOX:
            return true;
        default:
            return false;
    }
}

// A BGRA buffer with its size, for levels computed on the way down a chain.
struct Level {
    std::vector<uint8_t> pixels;
    uint32_t width = 0, height = 0;

    PixelBlock block() const { return {pixels.data(), width, height, size_t{width} * 4}; }
    MutablePixelBlock mutableBlock() { return {pixels.data(), width, height, size_t{width} * 4}; }
};

HRESULT WriteSurface(gfx::Surface* surface, const PixelBlock& bgra) {
    D3DLOCKED_RECT locked;
    HRESULT hr = surface->LockRect(&locked, nullptr, 0);
    if (FAILED(hr))
        return Fail(hr, "cannot lock texture level " + std::to_string(surface->level()));
    auto* base = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < bgra.height; ++y)
        PackRow(surface->format(), bgra.data + y * bgra.pitch, base + y * size_t(locked.Pitch),
                bgra.width);
    surface->UnlockRect();
    return D3D_OK;
}

HRESULT ReadSurface(gfx::Surface* surface, Level& out) {
    D3DLOCKED_RECT locked;
    HRESULT hr = surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr))
        return Fail(hr, "cannot lock texture level " + std::to_string(surface->level()));
    out.width = surface->width();
    out.height = surface->height();
    out.pixels.resize(size_t{out.width} * out.height * 4);
    const auto* base = static_cast<const uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < out.height; ++y)
        UnpackRow(surface->format(), base + y * size_t(locked.Pitch),
                  out.pixels.data() + y * size_t{out.width} * 4, out.width);
    surface->UnlockRect();
    return D3D_OK;
}

bool IsArgb32(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8; }

// Box-filters one 32-bit level straight into the next, without conversions.
HRESULT HalveInPlace(gfx::Surface* above, gfx::Surface* below) {
    D3DLOCKED_RECT from, to;
    HRESULT hr = above->LockRect(&from, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) return Fail(hr, "cannot lock texture level " + std::to_string(above->level()));
    hr = below->LockRect(&to, nullptr, 0);
    if (FAILED(hr)) {
        above->UnlockRect();
        return Fail(hr, "cannot lock texture level " + std::to_string(below->level()));
    }
    const MutablePixelBlock out{static_cast<uint8_t*>(to.pBits), below->width(), below->height(),
                                static_cast<size_t>(to.Pitch)};
    HalveBox({static_cast<const uint8_t*>(from.pBits), above->width(), above->height(),
              static_cast<size_t>(from.Pitch)},
             out);
    if (below->format() == D3DFMT_X8R8G8B8) {
        for (uint32_t y = 0; y < out.height; ++y)
            for (uint32_t x = 0; x < out.width; ++x) out.data[y * out.pitch + 4 * x + 3] = 0xFF;
    }
    below->UnlockRect();
    above->UnlockRect();
    return D3D_OK;
}

// Writes levels first+1 .. count-1 of one chain, each filtered from the one above; `top` holds
// level `first` as BGRA (it is only read when the chain's format needs converting).
HRESULT FillChain(const std::function<gfx::Surface*(UINT)>& levelSurface, UINT first, UINT count,
                  const PixelBlock& top, ResampleFilter filter) {
    gfx::Surface* firstSurface = levelSurface(first);
    if (firstSurface && IsArgb32(firstSurface->format()) && filter == ResampleFilter::Box) {
        for (UINT i = first + 1; i < count; ++i) {
            gfx::Surface* above = levelSurface(i - 1);
            gfx::Surface* below = levelSurface(i);
            if (!above || !below)
                return Fail(D3DERR_INVALIDCALL, "texture level " + std::to_string(i) + " missing");
            HRESULT hr = HalveInPlace(above, below);
            if (FAILED(hr)) return hr;
        }
        return D3D_OK;
    }
    Level a, b;
    Level* next = &a;
    Level* spare = &b;
    PixelBlock above = top;
    for (UINT i = first + 1; i < count; ++i) {
        gfx::Surface* surface = levelSurface(i);
        if (!surface)
            return Fail(D3DERR_INVALIDCALL, "texture level " + std::to_string(i) + " missing");
        next->width = surface->width();
        next->height = surface->height();
        next->pixels.resize(size_t{next->width} * next->height * 4);
        if (filter == ResampleFilter::Point) {
            Resample(above, next->mutableBlock(), ResampleFilter::Point);
        } else {
            HalveBox(above, next->mutableBlock());
        }
        HRESULT hr = WriteSurface(surface, next->block());
        if (FAILED(hr)) return hr;
        above = next->block();
        std::swap(next, spare);
    }
    return D3D_OK;
}

D3DXIMAGE_FILEFORMAT ToD3DX(FileFormat f) {
    switch (f) {
        case FileFormat::Bmp:
            return D3DXIFF_BMP;
        case FileFormat::Jpeg:
            return D3DXIFF_JPG;
        case FileFormat::Tga:
            return D3DXIFF_TGA;
        case FileFormat::Png:
            return D3DXIFF_PNG;
        default:
            return D3DXIFF_DIB;
    }
}

HRESULT CreateFromPicture(IDirect3DDevice8* device, Picture& picture, UINT width, UINT height,
                          UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          const FilterChoice& filter, const FilterChoice& mipFilter,
                          D3DCOLOR colorKey, IDirect3DTexture8** texture) {
    if (colorKey != 0) {
        const uint32_t n = picture.width * picture.height;
        auto* p = picture.pixels.data();
        for (uint32_t i = 0; i < n; ++i, p += 4) {
            uint32_t v;
            std::memcpy(&v, p, 4);
            if (v == colorKey) std::memset(p, 0, 4);
        }
        picture.hasAlpha = true;
    }
    if (width == 0 || width == D3DX_DEFAULT) width = picture.width;
    if (height == 0 || height == D3DX_DEFAULT) height = picture.height;
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        return Fail(D3DERR_INVALIDCALL, "requested texture of " + std::to_string(width) + " x " +
                                            std::to_string(height) + " is too large");
    if (mipLevels == D3DX_DEFAULT) mipLevels = 0;
    if (format == D3DFMT_UNKNOWN) format = picture.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (!IsConvertibleFormat(format))
        return Fail(D3DERR_INVALIDCALL,
                    std::string("cannot write pictures into ") + gfx::FormatName(format));

    IDirect3DTexture8* created = nullptr;
    HRESULT hr = device->CreateTexture(width, height, mipLevels, usage, format, pool, &created);
    if (FAILED(hr) || !created)
        return Fail(FAILED(hr) ? hr : E_FAIL, "the device refused a " + std::to_string(width) +
                                                  " x " + std::to_string(height) + " " +
                                                  gfx::FormatName(format) + " texture");

    const PixelBlock source{picture.pixels.data(), picture.width, picture.height, picture.pitch()};
    PixelBlock top = source;
    Level resized;
    if (width != picture.width || height != picture.height) {
        resized.width = width;
        resized.height = height;
        resized.pixels.assign(size_t{width} * height * 4, 0);
        if (filter.none) {
            // No scaling: the picture sits in the top-left corner, the rest transparent black.
            const uint32_t w = std::min(width, picture.width), h = std::min(height, picture.height);
            for (uint32_t y = 0; y < h; ++y)
                std::memcpy(resized.pixels.data() + y * size_t{width} * 4, picture.row(y),
                            size_t{w} * 4);
        } else {
            Resample(source, resized.mutableBlock(), filter.kind);
        }
        top = resized.block();
    }
    hr = WriteSurface(created->level(0), top);
    if (FAILED(hr)) return hr;
    if (!mipFilter.none) {
        hr = FillChain([created](UINT i) { return created->level(i); }, 0, created->GetLevelCount(),
                       top, mipFilter.kind);
        if (FAILED(hr)) return hr;
    }
    *texture = created;
    return D3D_OK;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& out, std::string& error) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (!ok) {
        error = "cannot determine the file size";
    } else if (static_cast<unsigned long>(size) > 0x7FFFFFFFul) {
        error = "file too large for a picture";
        ok = false;
    } else {
        try {
            out.resize(static_cast<size_t>(size));
            ok = std::fread(out.data(), 1, out.size(), f) == out.size();
            if (!ok) error = "read error";
        } catch (const std::bad_alloc&) {
            error = "out of memory";
            ok = false;
        }
    }
    std::fclose(f);
    return ok;
}

}  // namespace

const std::string& LastTextureError() { return g_lastError; }

}  // namespace imaging

using namespace imaging;

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* device, const void* srcData,
                                            UINT srcDataSize, UINT width, UINT height,
                                            UINT mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                            D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                            PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture8** texture) {
    g_lastError.clear();
    if (!texture) return Fail(D3DERR_INVALIDCALL, "no place for the texture");
    *texture = nullptr;
    if (!device) return Fail(D3DERR_INVALIDCALL, "no rendering device");
    if (!srcData || srcDataSize == 0) return Fail(D3DERR_INVALIDCALL, "empty image file");
    FilterChoice filterChoice, mipChoice;
    if (!ParseFilter(filter, filterChoice) || !ParseFilter(mipFilter, mipChoice))
        return Fail(D3DERR_INVALIDCALL, "unknown filter");

    Picture picture;
    std::string error;
    if (!DecodeImage(static_cast<const uint8_t*>(srcData), srcDataSize, picture, error))
        return Fail(D3DXERR_INVALIDDATA, error);
    if (srcInfo) {
        srcInfo->Width = picture.width;
        srcInfo->Height = picture.height;
        srcInfo->Depth = 1;
        srcInfo->MipLevels = 1;
        srcInfo->Format = picture.sourceFormat;
        srcInfo->ResourceType = D3DRTYPE_TEXTURE;
        srcInfo->ImageFileFormat = ToD3DX(picture.fileFormat);
    }
    return CreateFromPicture(device, picture, width, height, mipLevels, usage, format, pool,
                             filterChoice, mipChoice, colorKey, texture);
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* device, const void* srcData,
                                          UINT srcDataSize, IDirect3DTexture8** texture) {
    return D3DXCreateTextureFromFileInMemoryEx(
        device, srcData, srcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, texture);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, const char* srcFile, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture8** texture) {
    if (texture) *texture = nullptr;
    if (!srcFile) return Fail(D3DERR_INVALIDCALL, "no file name");
    std::vector<uint8_t> data;
    std::string error;
    HRESULT hr;
    if (!ReadWholeFile(srcFile, data, error)) {
        hr = Fail(D3DXERR_INVALIDDATA, error);
    } else {
        hr = D3DXCreateTextureFromFileInMemoryEx(
            device, data.data(), static_cast<UINT>(data.size()), width, height, mipLevels, usage,
            format, pool, filter, mipFilter, colorKey, srcInfo, palette, texture);
    }
    if (FAILED(hr)) {
        g_lastError = std::string(srcFile) + ": " + g_lastError;
        std::fprintf(stderr, "%s\n", g_lastError.c_str());
    }
    return hr;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, const char* srcFile,
                                   IDirect3DTexture8** texture) {
    return D3DXCreateTextureFromFileExA(device, srcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                        0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                        D3DX_DEFAULT, 0, nullptr, nullptr, texture);
}

HRESULT D3DXCreateCubeTexture(IDirect3DDevice8* device, UINT size, UINT mipLevels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, IDirect3DCubeTexture8** cubeTexture) {
    g_lastError.clear();
    if (!cubeTexture) return Fail(D3DERR_INVALIDCALL, "no place for the cube texture");
    *cubeTexture = nullptr;
    if (!device) return Fail(D3DERR_INVALIDCALL, "no rendering device");
    if (size == D3DX_DEFAULT) size = 256;
    if (size == 0) return Fail(D3DERR_INVALIDCALL, "cube texture of edge 0");
    if (mipLevels == D3DX_DEFAULT) mipLevels = 0;
    if (format == D3DFMT_UNKNOWN) format = D3DFMT_A8R8G8B8;
    HRESULT hr = device->CreateCubeTexture(size, mipLevels, usage, format, pool, cubeTexture);
    if (FAILED(hr))
        return Fail(hr, "the device refused a cube texture of edge " + std::to_string(size) +
                            " in " + gfx::FormatName(format));
    return hr;
}

HRESULT D3DXFilterTexture(IDirect3DBaseTexture8* baseTexture, const PALETTEENTRY* /*palette*/,
                          UINT srcLevel, DWORD filter) {
    g_lastError.clear();
    if (!baseTexture) return Fail(D3DERR_INVALIDCALL, "no texture to filter");
    FilterChoice choice;
    if (!ParseFilter(filter, choice)) return Fail(D3DERR_INVALIDCALL, "unknown filter");
    if (srcLevel == D3DX_DEFAULT) srcLevel = 0;
    const UINT count = baseTexture->GetLevelCount();
    if (srcLevel >= count)
        return Fail(D3DERR_INVALIDCALL,
                    "source level " + std::to_string(srcLevel) + " of " + std::to_string(count));
    if (!IsConvertibleFormat(baseTexture->format()))
        return Fail(D3DERR_INVALIDCALL,
                    std::string("cannot filter ") + gfx::FormatName(baseTexture->format()));
    if (choice.none || srcLevel + 1 == count) return D3D_OK;

    std::vector<std::function<gfx::Surface*(UINT)>> chains;
    if (baseTexture->GetType() == D3DRTYPE_TEXTURE) {
        auto* tex = static_cast<IDirect3DTexture8*>(baseTexture);
        chains.push_back([tex](UINT i) { return tex->level(i); });
    } else if (baseTexture->GetType() == D3DRTYPE_CUBETEXTURE) {
        auto* cube = static_cast<IDirect3DCubeTexture8*>(baseTexture);
        for (UINT f = 0; f < 6; ++f) {
            const auto face = static_cast<D3DCUBEMAP_FACES>(f);
            chains.push_back([cube, face](UINT i) { return cube->surface(face, i); });
        }
    } else {
        return Fail(D3DERR_INVALIDCALL, "not a texture");
    }
    const bool direct = IsArgb32(baseTexture->format()) && choice.kind == ResampleFilter::Box;
    for (const auto& chain : chains) {
        Level top;
        HRESULT hr = direct ? D3D_OK : ReadSurface(chain(srcLevel), top);
        if (FAILED(hr)) return hr;
        hr = FillChain(chain, srcLevel, count, top.block(), choice.kind);
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}

HRESULT D3DXFilterCubeTexture(IDirect3DCubeTexture8* cubeTexture, const PALETTEENTRY* palette,
                              UINT srcLevel, DWORD filter) {
    return D3DXFilterTexture(cubeTexture, palette, srcLevel, filter);
}
