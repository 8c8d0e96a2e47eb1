#include "scene/ObjectBuffers.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"

namespace scene {

void LoadObjectNormals(scene3ds::SceneObject& object) {
    const std::string entry = "Nrm\\" + object.name.str() + ".nrm";
    uint8_t* block = ReadPackEntry(entry);
    const size_t size = assets::GlobalPack().lastSize;
    const size_t wanted = static_cast<size_t>(object.vertexCount) * 3;
    object.normals.resize(wanted, 0.0f);
    if (!block) return;  // reported by the pack
    const size_t available = size / sizeof(float);
    const size_t count = available < wanted ? available : wanted;
    if (count > 0) std::memcpy(object.normals.data(), block, count * sizeof(float));
    if (available < wanted)
        std::fprintf(stderr, "%s: holds %zu normals, the object has %d vertices\n", entry.c_str(),
                     available / 3, object.vertexCount);
    assets::FreePackEntry(block);
}

void BuildObjectBuffers(scene3ds::SceneObject& object) {
    object.vertexBuffer = nullptr;
    object.indexBuffer = nullptr;
    if (object.positions.empty() || object.vertexCount <= 0 || object.faces.empty() ||
        object.faceCount <= 0)
        return;
    const UINT vertexCount = static_cast<UINT>(object.vertexCount);
    const UINT faceCount = static_cast<UINT>(object.faceCount);
    object.normals.resize(static_cast<size_t>(vertexCount) * 3, 0.0f);
    object.texCoords.resize(static_cast<size_t>(vertexCount) * 2, 0.0f);

    RenderDevice->CreateVertexBuffer(vertexCount * kObjectVertexStride, D3DUSAGE_WRITEONLY,
                                     kObjectVertexFvf, D3DPOOL_MANAGED, &object.vertexBuffer);
    BYTE* data = nullptr;
    if (object.vertexBuffer && SUCCEEDED(object.vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
        for (UINT i = 0; i < vertexCount; ++i) {
            float v[8] = {object.positions[3 * i] - object.pivot[0],
                          object.positions[3 * i + 1] - object.pivot[1],
                          object.positions[3 * i + 2] - object.pivot[2],
                          object.normals[3 * i],
                          object.normals[3 * i + 1],
                          object.normals[3 * i + 2],
                          object.texCoords[2 * i],
                          object.texCoords[2 * i + 1]};
            std::memcpy(data + static_cast<size_t>(i) * kObjectVertexStride, v, sizeof v);
        }
        object.vertexBuffer->Unlock();
    }
    RenderDevice->CreateIndexBuffer(faceCount * 6, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                    D3DPOOL_MANAGED, &object.indexBuffer);
    if (object.indexBuffer &&
        SUCCEEDED(object.indexBuffer->Lock(0, faceCount * 6, &data, D3DLOCK_DISCARD))) {
        const size_t indices = std::min<size_t>(object.faces.size(), size_t{faceCount} * 3);
        std::memcpy(data, object.faces.data(), indices * sizeof(uint16_t));
        object.indexBuffer->Unlock();
    }
}

}  // namespace scene
