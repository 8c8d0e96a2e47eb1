#include "content/scenes/Mesh.h"

#include <utility>

namespace content::scenes {

uint32_t Mesh::Vertex(Vec3 p, Vec2 uv) {
    positions.push_back(p);
    uvs.push_back(uv);
    return static_cast<uint32_t>(positions.size() - 1);
}

void Mesh::Quad(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    Tri(a, b, c);
    Tri(a, c, d);
}

void Mesh::Append(const Mesh& other) {
    uint32_t base = static_cast<uint32_t>(positions.size());
    positions.insert(positions.end(), other.positions.begin(), other.positions.end());
    uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
    for (const auto& f : other.faces) faces.push_back({f[0] + base, f[1] + base, f[2] + base});
}

void Mesh::Transform(const std::function<Vec3(Vec3)>& f) {
    for (Vec3& p : positions) p = f(p);
}

void Mesh::Translate(Vec3 t) {
    for (Vec3& p : positions) p = p + t;
}

void Mesh::FlipFaces() {
    for (auto& f : faces) std::swap(f[1], f[2]);
}

}  // namespace content::scenes
