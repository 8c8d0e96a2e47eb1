// The normalisation cube map of the bump-lit scenes: a cube texture whose texel in any
// direction holds that direction as a unit vector, so a pixel program can make an
// interpolated vector unit length with one lookup.
#pragma once

#include <cstdint>

#include "gfx/RenderDevice.h"

namespace effects {

// What the owner records of the cube map beside the texture.
struct CubeMapDescription {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
};

// The X8R8G8B8 texel at column x, row y of face `face` of a level W x H: the face direction
// through that texel, normalised, each component c stored as (c + 1) · 127 truncated.
uint32_t NormalisationTexel(D3DCUBEMAP_FACES face, UINT x, UINT y, UINT width, UINT height);

// Creates the managed X8R8G8B8 cube texture of edge `edge` with `levels` levels (0: the full
// chain), fills level 0 of every face with NormalisationTexel and, when there are smaller
// levels, filters them from it. On success `cube` and `description` are set and the result
// is 0; when creation fails, its error code is returned and both are left as they were.
HRESULT buildNormalisationCubeMap(IDirect3DDevice8* device, UINT edge, UINT levels,
                                  gfx::CubeTexture*& cube, CubeMapDescription& description);

}  // namespace effects
