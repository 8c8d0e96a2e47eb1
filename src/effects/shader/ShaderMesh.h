// The drawable form of one loaded mesh object for the bump-lit scenes: a ShaderVertex buffer
// (position mapped into the scene's world, normal, texture coordinate, tangent frame) beside
// the object's own index buffer.
#pragma once

#include "effects/shader/BumpLitPasses.h"
#include "scene/D3DXMath.h"
#include "scene3ds/SceneModel.h"

namespace effects {

// Where a scene puts an object's vertices: p -> scale · p + offset, in single precision.
struct PositionMapping {
    float scale = 1.0f;
    D3DXVECTOR3 offset;

    D3DXVECTOR3 apply(const float* p) const {
        return {scale * p[0] + offset.x, scale * p[1] + offset.y, scale * p[2] + offset.z};
    }
};

// What the conversion copies from the object.
enum class ShaderMeshContent {
    // Position, normal and texture coordinate; tangent and binormal start at zero for
    // buildTangentFrames.
    Textured,
    // Position and normal only; texture coordinate, tangent and binormal stay zero (a mesh
    // lit without a bump map).
    PositionsAndNormals,
};

struct ShaderMesh {
    scene3ds::SceneObject* object = nullptr;
    gfx::VertexBuffer* vertexBuffer = nullptr;  // ShaderVertex, 56 bytes each
    gfx::IndexBuffer* indexBuffer = nullptr;    // the object's own, shared

    bool drawable() const { return object && vertexBuffer && indexBuffer; }
    UINT vertexCount() const { return object ? static_cast<UINT>(object->vertexCount) : 0; }
    UINT faceCount() const { return object ? static_cast<UINT>(object->faceCount) : 0; }
    // The buffers and counts the light and surface passes draw.
    BumpLitMesh passMesh() const { return {vertexBuffer, indexBuffer, vertexCount(), faceCount()}; }
};

// Reads the object's normals and builds its own 32-byte vertex buffer and index buffer
// (skipped when the load routine already built them), then creates the ShaderVertex buffer
// and fills it from the object's buffer through `mapping`. The tangent frame is left to
// buildTangentFrames. An object without geometry (or none at all) leaves the mesh undrawable.
// Uses the process-wide RenderDevice.
void PrepareShaderMesh(ShaderMesh& mesh, scene3ds::SceneObject* object,
                       const PositionMapping& mapping, ShaderMeshContent content);

}  // namespace effects
