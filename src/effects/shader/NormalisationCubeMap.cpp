#include "effects/shader/NormalisationCubeMap.h"

#include <cstring>

#include "imaging/D3DXTexture.h"
#include "scene/D3DXMath.h"

namespace effects {

namespace {

// Face order of the cube texture, +X, -X, +Y, -Y, +Z, -Z.
constexpr D3DCUBEMAP_FACES kFaces[6] = {D3DCUBEMAP_FACE_POSITIVE_X, D3DCUBEMAP_FACE_NEGATIVE_X,
                                        D3DCUBEMAP_FACE_POSITIVE_Y, D3DCUBEMAP_FACE_NEGATIVE_Y,
                                        D3DCUBEMAP_FACE_POSITIVE_Z, D3DCUBEMAP_FACE_NEGATIVE_Z};

// (d + 1) · 127 truncated toward zero: 0 .. 254, 127 for 0.
inline uint32_t Channel(float d) { return static_cast<uint32_t>((d + 1.0f) * 127.0f); }

}  // namespace

uint32_t NormalisationTexel(D3DCUBEMAP_FACES face, UINT x, UINT y, UINT width, UINT height) {
    // -1 at the first texel, +1 at the last; a one-texel level has only the centre.
    const float s =
        width > 1 ? 2.0f * static_cast<float>(x) / static_cast<float>(width - 1) - 1.0f : 0.0f;
    const float t =
        height > 1 ? 2.0f * static_cast<float>(y) / static_cast<float>(height - 1) - 1.0f : 0.0f;
    D3DXVECTOR3 d;
    switch (face) {
        case D3DCUBEMAP_FACE_POSITIVE_X:
            d = {1.0f, -t, -s};
            break;
        case D3DCUBEMAP_FACE_NEGATIVE_X:
            d = {-1.0f, -t, s};
            break;
        case D3DCUBEMAP_FACE_POSITIVE_Y:
            d = {s, 1.0f, t};
            break;
        case D3DCUBEMAP_FACE_NEGATIVE_Y:
            d = {s, -1.0f, -t};
            break;
        case D3DCUBEMAP_FACE_POSITIVE_Z:
            d = {s, -t, 1.0f};
            break;
        default:
            d = {-s, -t, -1.0f};
            break;
    }
    D3DXVec3Normalize(&d, &d);
    return (Channel(d.x) << 16) | (Channel(d.y) << 8) | Channel(d.z);
}

HRESULT buildNormalisationCubeMap(IDirect3DDevice8* device, UINT edge, UINT levels,
                                  gfx::CubeTexture*& cube, CubeMapDescription& description) {
    gfx::CubeTexture* created = nullptr;
    const HRESULT hr =
        D3DXCreateCubeTexture(device, edge, levels, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &created);
    if (FAILED(hr) || !created) return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    cube = created;
    description.width = edge;
    description.height = edge;
    description.format = D3DFMT_X8R8G8B8;

    for (D3DCUBEMAP_FACES face : kFaces) {
        D3DSURFACE_DESC level{};
        if (FAILED(created->GetLevelDesc(0, &level))) continue;
        D3DLOCKED_RECT locked{};
        if (FAILED(created->LockRect(face, 0, &locked, nullptr, 0)) || !locked.pBits) continue;
        auto* bits = static_cast<uint8_t*>(locked.pBits);
        for (UINT y = 0; y < level.Height; ++y) {
            uint8_t* row = bits + static_cast<size_t>(y) * static_cast<size_t>(locked.Pitch);
            for (UINT x = 0; x < level.Width; ++x) {
                const uint32_t texel = NormalisationTexel(face, x, y, level.Width, level.Height);
                std::memcpy(row + 4 * static_cast<size_t>(x), &texel, sizeof texel);
            }
        }
        created->UnlockRect(face, 0);
    }
    if (levels == 0 || levels > 1) D3DXFilterCubeTexture(created, nullptr, 0, D3DX_FILTER_LINEAR);
    return D3D_OK;
}

}  // namespace effects
