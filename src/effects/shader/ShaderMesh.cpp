#include "effects/shader/ShaderMesh.h"

#include <cstring>

#include "gfx/GlobalDevice.h"
#include "scene/ObjectBuffers.h"

namespace effects {

void PrepareShaderMesh(ShaderMesh& mesh, scene3ds::SceneObject* object,
                       const PositionMapping& mapping, ShaderMeshContent content) {
    mesh = ShaderMesh{};
    mesh.object = object;
    if (!object || !RenderDevice) return;
    // The end scene's object arrives with its buffers already built by the load routine;
    // building them again would only leave a second pair behind.
    if (!object->vertexBuffer) {
        scene::LoadObjectNormals(*object);
        scene::BuildObjectBuffers(*object);
    }
    if (!object->vertexBuffer || !object->indexBuffer || object->vertexCount <= 0) return;

    const UINT vertexCount = static_cast<UINT>(object->vertexCount);
    RenderDevice->CreateVertexBuffer(vertexCount * sizeof(ShaderVertex), D3DUSAGE_WRITEONLY,
                                     scene::kObjectVertexFvf, D3DPOOL_MANAGED, &mesh.vertexBuffer);
    if (!mesh.vertexBuffer) return;
    mesh.indexBuffer = object->indexBuffer;

    BYTE* source = nullptr;
    BYTE* target = nullptr;
    if (FAILED(object->vertexBuffer->Lock(0, 0, &source, D3DLOCK_READONLY))) return;
    if (FAILED(mesh.vertexBuffer->Lock(0, 0, &target, 0))) {
        object->vertexBuffer->Unlock();
        return;
    }
    // The object's buffer may be shorter than its count claims if it was built elsewhere.
    const UINT available = object->vertexBuffer->size() / scene::kObjectVertexStride;
    const UINT count = available < vertexCount ? available : vertexCount;
    for (UINT i = 0; i < count; ++i) {
        float in[8];
        std::memcpy(in, source + static_cast<size_t>(i) * scene::kObjectVertexStride, sizeof in);
        ShaderVertex v{};
        const D3DXVECTOR3 p = mapping.apply(in);
        v.position[0] = p.x;
        v.position[1] = p.y;
        v.position[2] = p.z;
        v.normal[0] = in[3];
        v.normal[1] = in[4];
        v.normal[2] = in[5];
        if (content == ShaderMeshContent::Textured) {
            v.uv[0] = in[6];
            v.uv[1] = in[7];
        }
        std::memcpy(target + static_cast<size_t>(i) * sizeof(ShaderVertex), &v, sizeof v);
    }
    mesh.vertexBuffer->Unlock();
    object->vertexBuffer->Unlock();
}

}  // namespace effects
