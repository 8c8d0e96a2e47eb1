// The texture side of the D3DX 8 utility library, under its own names and values: textures
// from image files in memory or on disk, empty cube textures, and mip-chain filtering.
//
// Images: BMP, packed DIB (the 40-byte-header bitmap the JPEG loader builds), TGA, JPEG and
// PNG, recognised by content. Pictures keep their size (no padding to powers of two). Mips are
// box filtered from the level above. Every failure leaves a one-line reason in
// imaging::LastTextureError(); D3DXCreateTextureFromFileA also prints it, naming the file.
#pragma once

#include <string>

#include "gfx/RenderDevice.h"

// ---------------------------------------------------------------- constants
constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;

constexpr DWORD D3DX_FILTER_NONE = 1u << 0;
constexpr DWORD D3DX_FILTER_POINT = 2u << 0;
constexpr DWORD D3DX_FILTER_LINEAR = 3u << 0;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4u << 0;
constexpr DWORD D3DX_FILTER_BOX = 5u << 0;
constexpr DWORD D3DX_FILTER_MIRROR_U = 1u << 16;
constexpr DWORD D3DX_FILTER_MIRROR_V = 2u << 16;
constexpr DWORD D3DX_FILTER_MIRROR_W = 4u << 16;
constexpr DWORD D3DX_FILTER_MIRROR = 7u << 16;
constexpr DWORD D3DX_FILTER_DITHER = 8u << 16;

constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

enum D3DXIMAGE_FILEFORMAT : uint32_t {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
};

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;  // the closest format to the file's pixels
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// ---------------------------------------------------------------- texture creation
// width/height 0 or D3DX_DEFAULT take the picture's; mipLevels 0 or D3DX_DEFAULT make the full
// chain to 1 x 1; format D3DFMT_UNKNOWN picks A8R8G8B8 for pictures with alpha and X8R8G8B8
// otherwise; filter (used when the size changes) and mipFilter: NONE, POINT, or LINEAR /
// TRIANGLE / BOX (all three the area-weighted box), D3DX_DEFAULT meaning box; a non-zero
// colorKey (0xAARRGGBB) turns matching pixels into transparent black. srcInfo and palette may
// be null (no palettised formats are created, so the palette is never written).
// Results: D3D_OK; D3DERR_INVALIDCALL for bad arguments or a format that cannot be written;
// D3DXERR_INVALIDDATA for an image that cannot be decoded; or the device's creation error.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* device, const void* srcData,
                                            UINT srcDataSize, UINT width, UINT height,
                                            UINT mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                            D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                            PALETTEENTRY* palette, IDirect3DTexture8** texture);

// The same with every choice at its default: picture size, full chain, usage 0, the file's
// format, D3DPOOL_MANAGED, box filters, no colour key.
HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* device, const void* srcData,
                                          UINT srcDataSize, IDirect3DTexture8** texture);

// From a file on disk, with the defaults of D3DXCreateTextureFromFileInMemory.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, const char* srcFile,
                                   IDirect3DTexture8** texture);

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, const char* srcFile, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture8** texture);

// An empty cube texture: edge length `size` (D3DX_DEFAULT: 256), mipLevels 0 or D3DX_DEFAULT
// for the full chain, format D3DFMT_UNKNOWN meaning A8R8G8B8.
HRESULT D3DXCreateCubeTexture(IDirect3DDevice8* device, UINT size, UINT mipLevels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, IDirect3DCubeTexture8** cubeTexture);

// ---------------------------------------------------------------- mip filtering
// Rebuilds every level below srcLevel (D3DX_DEFAULT: 0) from the level above it, on all six
// faces of a cube. filter: NONE does nothing; POINT; LINEAR / TRIANGLE / BOX / D3DX_DEFAULT the
// box filter. The palette is ignored.
HRESULT D3DXFilterTexture(IDirect3DBaseTexture8* baseTexture, const PALETTEENTRY* palette,
                          UINT srcLevel, DWORD filter);
HRESULT D3DXFilterCubeTexture(IDirect3DCubeTexture8* cubeTexture, const PALETTEENTRY* palette,
                              UINT srcLevel, DWORD filter);

namespace imaging {

// The reason the most recent failing call above gave, empty after a success (per thread).
const std::string& LastTextureError();

}  // namespace imaging
