// Pictures from the pack file as textures: 32-bit ARGB, a full mip chain filtered linearly,
// the picture upright (texture row 0 is the top of the picture), created on the process-wide
// RenderDevice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/JpegPicture.h"
#include "gfx/RenderDevice.h"

namespace assets {

// Reads the JPEG pack entry `name` and decodes it into the bitmap of JpegPicture.h
// (40 + image bytes). 1 on success; 0 when the entry is missing (the pack reader reports it)
// or cannot be decoded (one line on standard error: the entry name and the reason).
int DecodeJpeg(const std::string& name, std::vector<uint8_t>& picture);

// A JPEG pack entry as a D3DFMT_A8R8G8B8 texture with a full chain in `pool`. Null when the
// picture cannot be decoded or the texture not made (reported on standard error).
IDirect3DTexture8* LoadJpegTexture(const std::string& name, D3DPOOL pool = D3DPOOL_DEFAULT);

// Any picture the texture creator reads (BMP, TGA, DIB, PNG, JPEG), taken from the pack as it
// is stored, as a D3DFMT_A8R8G8B8 texture with a full chain in `pool`. Null on failure
// (reported as above).
IDirect3DTexture8* LoadImageTexture(const std::string& name, D3DPOOL pool);

}  // namespace assets

using assets::DecodeJpeg;
using assets::LoadImageTexture;
using assets::LoadJpegTexture;
