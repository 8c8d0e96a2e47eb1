#include "gfx/Resources.h"

#include <algorithm>
#include <cstring>

namespace gfx {

UINT FormatBytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_X8L8V8U8:
        case D3DFMT_Q8W8V8U8:
        case D3DFMT_V16U16:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D32:
            return 4;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8L8:
        case D3DFMT_V8U8:
        case D3DFMT_L6V5U5:
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
            return 2;
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_P8:
        case D3DFMT_A4L4:
        case D3DFMT_R3G3B2:
            return 1;
        default:
            return 0;
    }
}

const char* FormatName(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_UNKNOWN:
            return "D3DFMT_UNKNOWN";
        case D3DFMT_R8G8B8:
            return "D3DFMT_R8G8B8";
        case D3DFMT_A8R8G8B8:
            return "D3DFMT_A8R8G8B8";
        case D3DFMT_X8R8G8B8:
            return "D3DFMT_X8R8G8B8";
        case D3DFMT_R5G6B5:
            return "D3DFMT_R5G6B5";
        case D3DFMT_X1R5G5B5:
            return "D3DFMT_X1R5G5B5";
        case D3DFMT_A1R5G5B5:
            return "D3DFMT_A1R5G5B5";
        case D3DFMT_A4R4G4B4:
            return "D3DFMT_A4R4G4B4";
        case D3DFMT_A8:
            return "D3DFMT_A8";
        case D3DFMT_L8:
            return "D3DFMT_L8";
        case D3DFMT_A8L8:
            return "D3DFMT_A8L8";
        case D3DFMT_V8U8:
            return "D3DFMT_V8U8";
        case D3DFMT_X8L8V8U8:
            return "D3DFMT_X8L8V8U8";
        case D3DFMT_Q8W8V8U8:
            return "D3DFMT_Q8W8V8U8";
        case D3DFMT_D16:
            return "D3DFMT_D16";
        case D3DFMT_D24S8:
            return "D3DFMT_D24S8";
        case D3DFMT_D24X8:
            return "D3DFMT_D24X8";
        case D3DFMT_D32:
            return "D3DFMT_D32";
        case D3DFMT_INDEX16:
            return "D3DFMT_INDEX16";
        case D3DFMT_INDEX32:
            return "D3DFMT_INDEX32";
        default:
            return "D3DFMT_OTHER";
    }
}

UINT FullMipLevelCount(UINT width, UINT height) {
    UINT size = std::max(width, height);
    UINT levels = 1;
    while (size > 1) {
        size >>= 1;
        ++levels;
    }
    return levels;
}

// ------------------------------------------------------------------ Surface

Surface::Surface(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                 BaseTexture* container, UINT level, D3DCUBEMAP_FACES face)
    : Resource(usage, pool),
      width_(width),
      height_(height),
      format_(format),
      pitch_(static_cast<INT>(width * FormatBytesPerPixel(format))),
      container_(container),
      level_(level),
      face_(face) {}

bool Surface::lockable() const {
    return (usage() & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) == 0 &&
           FormatBytesPerPixel(format_) != 0;
}

std::vector<uint8_t>& Surface::mutableBits() {
    if (bits_.empty() && lockable()) bits_.assign(static_cast<size_t>(pitch_) * height_, 0);
    return bits_;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage();
    desc->Pool = pool();
    desc->Size = static_cast<UINT>(pitch_) * height_;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked || locked_ || !lockable()) return D3DERR_INVALIDCALL;
    size_t x = 0, y = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<INT>(width_) ||
            rect->bottom > static_cast<INT>(height_) || rect->left >= rect->right ||
            rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        x = static_cast<size_t>(rect->left);
        y = static_cast<size_t>(rect->top);
    }
    std::vector<uint8_t>& bits = mutableBits();
    locked->Pitch = pitch_;
    locked->pBits =
        bits.data() + y * static_cast<size_t>(pitch_) + x * FormatBytesPerPixel(format_);
    locked_ = true;
    lockedReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (!lockedReadOnly_) markChanged();
    return D3D_OK;
}

// ------------------------------------------------------------------ textures

void Surface::markChanged() {
    ++contentVersion_;
    if (container_) container_->noteSurfaceChanged();
}

Texture::Texture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BaseTexture(usage, pool, format,
                  levels == 0 ? FullMipLevelCount(width, height)
                              : std::min(levels, FullMipLevelCount(width, height))) {
    for (UINT i = 0; i < GetLevelCount(); ++i) {
        surfaces_.push_back(std::make_unique<Surface>(
            std::max(1u, width >> i), std::max(1u, height >> i), format, usage, pool, this, i));
    }
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const {
    if (level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    return surfaces_[level]->GetDesc(desc);
}

HRESULT Texture::GetSurfaceLevel(UINT level, Surface** surface) {
    if (!surface || level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    *surface = surfaces_[level].get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    return surfaces_[level]->LockRect(locked, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= surfaces_.size()) return D3DERR_INVALIDCALL;
    return surfaces_[level]->UnlockRect();
}

CubeTexture::CubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BaseTexture(usage, pool, format,
                  levels == 0 ? FullMipLevelCount(edge, edge)
                              : std::min(levels, FullMipLevelCount(edge, edge))) {
    // Stored face-major: all levels of +X, then all levels of -X, ...
    for (UINT f = 0; f < 6; ++f) {
        for (UINT i = 0; i < GetLevelCount(); ++i) {
            UINT size = std::max(1u, edge >> i);
            surfaces_.push_back(std::make_unique<Surface>(size, size, format, usage, pool, this, i,
                                                          static_cast<D3DCUBEMAP_FACES>(f)));
        }
    }
}

Surface* CubeTexture::surface(D3DCUBEMAP_FACES face, UINT level) const {
    if (static_cast<UINT>(face) >= 6 || level >= GetLevelCount()) return nullptr;
    return surfaces_[static_cast<size_t>(face) * GetLevelCount() + level].get();
}

HRESULT CubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const {
    Surface* s = surface(D3DCUBEMAP_FACE_POSITIVE_X, level);
    return s ? s->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, Surface** out) {
    Surface* s = surface(face, level);
    if (!s || !out) return D3DERR_INVALIDCALL;
    *out = s;
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked,
                              const RECT* rect, DWORD flags) {
    Surface* s = surface(face, level);
    return s ? s->LockRect(locked, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    Surface* s = surface(face, level);
    return s ? s->UnlockRect() : D3DERR_INVALIDCALL;
}

// ------------------------------------------------------------------ buffers

Buffer::Buffer(UINT length, DWORD usage, D3DPOOL pool) : Resource(usage, pool), data_(length, 0) {}

HRESULT Buffer::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    if (!data || locked_) return D3DERR_INVALIDCALL;
    const UINT total = static_cast<UINT>(data_.size());
    if (offset > total) return D3DERR_INVALIDCALL;
    if (size == 0) size = total - offset;  // 0 locks to the end, as the runtime does
    if (size > total - offset) return D3DERR_INVALIDCALL;
    *data = data_.data() + offset;
    locked_ = true;
    lockedReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    lockBegin_ = offset;
    lockEnd_ = offset + size;
    return D3D_OK;
}

HRESULT Buffer::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (!lockedReadOnly_ && lockEnd_ > lockBegin_) {
        if (dirtyEnd_ == dirtyBegin_) {
            dirtyBegin_ = lockBegin_;
            dirtyEnd_ = lockEnd_;
        } else {
            dirtyBegin_ = std::min(dirtyBegin_, lockBegin_);
            dirtyEnd_ = std::max(dirtyEnd_, lockEnd_);
        }
        ++contentVersion_;
    }
    return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = D3DFMT_VERTEXDATA;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = usage();
    desc->Pool = pool();
    desc->Size = size();
    desc->FVF = fvf_;
    return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = usage();
    desc->Pool = pool();
    desc->Size = size();
    return D3D_OK;
}

}  // namespace gfx
