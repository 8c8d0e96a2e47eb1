#include "effects/shader/TangentFrames.h"

#include <cstring>
#include <vector>

namespace effects {

void BuildTangentFrames(ShaderVertex* vertices, UINT vertexCount, const uint16_t* indices,
                        UINT faceCount) {
    for (UINT f = 0; f < faceCount; ++f) {
        const UINT a = indices[3 * f], b = indices[3 * f + 1], c = indices[3 * f + 2];
        if (a >= vertexCount || b >= vertexCount || c >= vertexCount) continue;
        ShaderVertex& va = vertices[a];
        ShaderVertex& vb = vertices[b];
        ShaderVertex& vc = vertices[c];
        const float du1 = vb.uv[0] - va.uv[0], dv1 = vb.uv[1] - va.uv[1];
        const float du2 = vc.uv[0] - va.uv[0], dv2 = vc.uv[1] - va.uv[1];
        // n.x below, the same for every axis: twice the face's signed area in texture space.
        // Zero means the texture does not vary across the face and the division has no
        // answer; such a face would only spread non-finite values to its vertices.
        if (du1 * dv2 - dv1 * du2 == 0.0f) continue;
        for (int axis = 0; axis < 3; ++axis) {
            const D3DXVECTOR3 e1(vb.position[axis] - va.position[axis], du1, dv1);
            const D3DXVECTOR3 e2(vc.position[axis] - va.position[axis], du2, dv2);
            D3DXVECTOR3 n;
            D3DXVec3Cross(&n, &e1, &e2);
            const float t = n.y / n.x;
            const float s = n.z / n.x;
            for (ShaderVertex* v : {&va, &vb, &vc}) {
                v->tangent[axis] -= t;
                v->binormal[axis] -= s;
            }
        }
    }
    for (UINT i = 0; i < vertexCount; ++i) {
        D3DXVECTOR3 t(vertices[i].tangent), b(vertices[i].binormal);
        D3DXVec3Normalize(&t, &t);
        D3DXVec3Normalize(&b, &b);
        std::memcpy(vertices[i].tangent, &t, sizeof vertices[i].tangent);
        std::memcpy(vertices[i].binormal, &b, sizeof vertices[i].binormal);
    }
}

void buildTangentFrames(ShaderMesh& mesh) {
    if (!mesh.drawable()) return;
    const UINT vertexCount = mesh.vertexCount();
    const UINT faceCount = mesh.faceCount();
    if (mesh.vertexBuffer->size() < vertexCount * sizeof(ShaderVertex) ||
        mesh.indexBuffer->size() < faceCount * 3 * sizeof(uint16_t))
        return;
    BYTE* indexData = nullptr;
    if (FAILED(mesh.indexBuffer->Lock(0, 0, &indexData, D3DLOCK_READONLY))) return;
    // Copies keep the arithmetic on aligned records; the buffers are plain bytes.
    std::vector<uint16_t> indices(static_cast<size_t>(faceCount) * 3);
    std::memcpy(indices.data(), indexData, indices.size() * sizeof(uint16_t));
    mesh.indexBuffer->Unlock();

    BYTE* vertexData = nullptr;
    if (FAILED(mesh.vertexBuffer->Lock(0, 0, &vertexData, 0))) return;
    std::vector<ShaderVertex> vertices(vertexCount);
    std::memcpy(vertices.data(), vertexData, vertices.size() * sizeof(ShaderVertex));
    BuildTangentFrames(vertices.data(), vertexCount, indices.data(), faceCount);
    std::memcpy(vertexData, vertices.data(), vertices.size() * sizeof(ShaderVertex));
    mesh.vertexBuffer->Unlock();
}

}  // namespace effects
