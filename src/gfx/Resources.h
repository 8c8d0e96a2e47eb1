// Device resources: textures, cube textures, surfaces, vertex and index buffers.
//
// Every resource keeps its contents in system memory, laid out as the original API would
// (a pitch per surface, formats in their little-endian byte order). Back ends attach their
// own objects through `backend` and upload lazily, comparing `contentVersion` with what they
// uploaded last; render-target and depth surfaces have no system copy.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/d3d8types.h"

namespace gfx {

// Bytes per pixel of a format the engine can hold in memory; 0 for others.
UINT FormatBytesPerPixel(D3DFORMAT format);
// "D3DFMT_A8R8G8B8" and so on, for messages and recordings.
const char* FormatName(D3DFORMAT format);
// Number of levels of a full chain down to 1 x 1 for the given size.
UINT FullMipLevelCount(UINT width, UINT height);

// What a back end hangs on a resource (a GL texture, buffer, framebuffer ...).
struct BackendObject {
    virtual ~BackendObject() = default;
};

class Resource {
  public:
    virtual ~Resource() = default;
    virtual D3DRESOURCETYPE GetType() const = 0;

    DWORD usage() const { return usage_; }
    D3DPOOL pool() const { return pool_; }
    // Serial number given at creation (1, 2, ...), used by recordings to name resources.
    uint32_t serial() const { return serial_; }
    void setSerial(uint32_t s) { serial_ = s; }

    std::unique_ptr<BackendObject> backend;
    // Drops the back-end objects of this resource and of its surfaces (a back end calls it
    // while it can still delete them).
    virtual void releaseBackend() { backend.reset(); }

  protected:
    Resource(DWORD usage, D3DPOOL pool) : usage_(usage), pool_(pool) {}

  private:
    DWORD usage_;
    D3DPOOL pool_;
    uint32_t serial_ = 0;
};

class BaseTexture;

// One 2D image: a level of a texture or cube face, the back buffer or the depth-stencil buffer.
class Surface : public Resource {
  public:
    Surface(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
            BaseTexture* container = nullptr, UINT level = 0,
            D3DCUBEMAP_FACES face = D3DCUBEMAP_FACE_POSITIVE_X);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) const;
    // Locks the whole surface (rect null) or a rectangle. Render-target and depth surfaces
    // cannot be locked (D3DERR_INVALIDCALL), nor can a surface already locked.
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect();

    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DFORMAT format() const { return format_; }
    INT pitch() const { return pitch_; }
    bool lockable() const;
    bool isLocked() const { return locked_; }
    BaseTexture* container() const { return container_; }
    UINT level() const { return level_; }
    D3DCUBEMAP_FACES face() const { return face_; }

    // System copy; empty until first locked (or for surfaces without one).
    const std::vector<uint8_t>& bits() const { return bits_; }
    std::vector<uint8_t>& mutableBits();
    // Raised by every unlock that may have written, so back ends know to upload again.
    uint32_t contentVersion() const { return contentVersion_; }
    void markChanged();

  private:
    UINT width_, height_;
    D3DFORMAT format_;
    INT pitch_;
    BaseTexture* container_;
    UINT level_;
    D3DCUBEMAP_FACES face_;
    std::vector<uint8_t> bits_;
    bool locked_ = false;
    bool lockedReadOnly_ = false;
    uint32_t contentVersion_ = 0;
};

class BaseTexture : public Resource {
  public:
    DWORD GetLevelCount() const { return levelCount_; }
    D3DFORMAT format() const { return format_; }
    // Raised whenever any level or face changes (O(1): levels report to their container).
    uint32_t contentVersion() const { return contentVersion_; }
    void noteSurfaceChanged() { ++contentVersion_; }
    void releaseBackend() override {
        backend.reset();
        for (auto& s : surfaces_) s->releaseBackend();
    }

  protected:
    BaseTexture(DWORD usage, D3DPOOL pool, D3DFORMAT format, UINT levelCount)
        : Resource(usage, pool), format_(format), levelCount_(levelCount) {}
    std::vector<std::unique_ptr<Surface>> surfaces_;

  private:
    D3DFORMAT format_;
    UINT levelCount_;
    uint32_t contentVersion_ = 0;
};

class Texture : public BaseTexture {
  public:
    // levels 0 asks for the full chain.
    Texture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const;
    HRESULT GetSurfaceLevel(UINT level, Surface** surface);
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);

    UINT width() const { return surfaces_[0]->width(); }
    UINT height() const { return surfaces_[0]->height(); }
    Surface* level(UINT i) const { return i < surfaces_.size() ? surfaces_[i].get() : nullptr; }
};

class CubeTexture : public BaseTexture {
  public:
    CubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_CUBETEXTURE; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, Surface** surface);
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                     DWORD flags);
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level);

    UINT edge() const { return surfaces_[0]->width(); }
    Surface* surface(D3DCUBEMAP_FACES face, UINT level) const;
};

// Shared behaviour of vertex and index buffers: a byte array with range locks.
class Buffer : public Resource {
  public:
    // offset and size 0 lock the whole buffer.
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT Unlock();

    UINT size() const { return static_cast<UINT>(data_.size()); }
    const uint8_t* data() const { return data_.data(); }
    bool isLocked() const { return locked_; }
    uint32_t contentVersion() const { return contentVersion_; }
    // Byte range written since the back end last called clearDirty().
    UINT dirtyBegin() const { return dirtyBegin_; }
    UINT dirtyEnd() const { return dirtyEnd_; }
    void clearDirty() { dirtyBegin_ = dirtyEnd_ = 0; }

  protected:
    Buffer(UINT length, DWORD usage, D3DPOOL pool);

  private:
    std::vector<uint8_t> data_;
    bool locked_ = false;
    bool lockedReadOnly_ = false;
    UINT lockBegin_ = 0, lockEnd_ = 0;
    UINT dirtyBegin_ = 0, dirtyEnd_ = 0;
    uint32_t contentVersion_ = 0;
};

class VertexBuffer : public Buffer {
  public:
    VertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : Buffer(length, usage, pool), fvf_(fvf) {}
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) const;
    DWORD fvf() const { return fvf_; }

  private:
    DWORD fvf_;
};

class IndexBuffer : public Buffer {
  public:
    IndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : Buffer(length, usage, pool), format_(format) {}
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) const;
    D3DFORMAT format() const { return format_; }

  private:
    D3DFORMAT format_;
};

}  // namespace gfx

// The original API's names for the same things, so code above gfx/ reads as it did.
using IDirect3DSurface8 = gfx::Surface;
using IDirect3DBaseTexture8 = gfx::BaseTexture;
using IDirect3DTexture8 = gfx::Texture;
using IDirect3DCubeTexture8 = gfx::CubeTexture;
using IDirect3DVertexBuffer8 = gfx::VertexBuffer;
using IDirect3DIndexBuffer8 = gfx::IndexBuffer;
