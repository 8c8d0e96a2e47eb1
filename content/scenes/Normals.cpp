// Vertex normals: smoothing within a crease angle, splitting at hard edges, welding of equal
// corners, and the normals file the engine reads per object.
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "content/scenes/Mesh.h"

namespace content::scenes {

namespace {

uint64_t Bits(float a, float b) {
    uint32_t x, y;
    std::memcpy(&x, &a, 4);
    std::memcpy(&y, &b, 4);
    return (static_cast<uint64_t>(x) << 32) | y;
}

struct PosKey {
    uint64_t xy;
    uint32_t z;
    bool operator==(const PosKey& o) const { return xy == o.xy && z == o.z; }
};
struct PosKeyHash {
    size_t operator()(const PosKey& k) const {
        return std::hash<uint64_t>()(k.xy * 0x9E3779B97F4A7C15ULL ^ k.z);
    }
};

PosKey KeyOf(Vec3 p) {
    // +0.0 and -0.0 are one position.
    if (p.x == 0) p.x = 0;
    if (p.y == 0) p.y = 0;
    if (p.z == 0) p.z = 0;
    uint32_t z;
    std::memcpy(&z, &p.z, 4);
    return {Bits(p.x, p.y), z};
}

double AngleBetween(Vec3 a, Vec3 b) {
    double la = Length(a), lb = Length(b);
    if (la <= 0 || lb <= 0) return 0;
    double c = Clamp(Dot(a, b) / (la * lb), -1.0, 1.0);
    // acos from our own atan: acos(c) = atan2(sqrt(1 - c^2), c).
    return Atan2(std::sqrt(1 - c * c), c);
}

}  // namespace

FinishedMesh Finish(const Mesh& mesh, float creaseDegrees) {
    if (mesh.uvs.size() != mesh.positions.size())
        throw std::logic_error("mesh: texture coordinates do not match vertices");
    const double cosCrease = Cos(creaseDegrees * kPi / 180.0);

    // Faces with area, their unit normals and corner angles.
    struct Face {
        std::array<uint32_t, 3> v;
        Vec3 n;
        std::array<double, 3> angle;
    };
    std::vector<Face> faces;
    faces.reserve(mesh.faces.size());
    for (const auto& f : mesh.faces) {
        if (f[0] >= mesh.positions.size() || f[1] >= mesh.positions.size() ||
            f[2] >= mesh.positions.size())
            throw std::logic_error("mesh: face index out of range");
        Vec3 a = mesh.positions[f[0]], b = mesh.positions[f[1]], c = mesh.positions[f[2]];
        Vec3 n = Cross(b - a, c - a);
        double len = Length(n);
        double scale = std::max({Length(b - a), Length(c - a), Length(c - b)});
        if (!(len > 1e-9 * scale * scale)) continue;
        faces.push_back(
            {f,
             n * static_cast<float>(1.0 / len),
             {AngleBetween(b - a, c - a), AngleBetween(c - b, a - b), AngleBetween(a - c, b - c)}});
    }

    // Corners grouped by the position of their vertex.
    std::unordered_map<PosKey, uint32_t, PosKeyHash> groupOf;
    std::vector<std::vector<uint32_t>> groups;  // corner = face * 3 + k
    std::vector<uint32_t> cornerGroup(faces.size() * 3);
    for (uint32_t fi = 0; fi < faces.size(); ++fi) {
        for (int k = 0; k < 3; ++k) {
            PosKey key = KeyOf(mesh.positions[faces[fi].v[k]]);
            auto [it, added] = groupOf.try_emplace(key, static_cast<uint32_t>(groups.size()));
            if (added) groups.emplace_back();
            groups[it->second].push_back(fi * 3 + k);
            cornerGroup[fi * 3 + k] = it->second;
        }
    }

    FinishedMesh out;
    // Output vertices by (position group, uv); each list holds candidates with their normals.
    std::unordered_map<PosKey, std::vector<uint32_t>, PosKeyHash> outOf;
    out.faces.reserve(faces.size());
    for (uint32_t fi = 0; fi < faces.size(); ++fi) {
        std::array<uint16_t, 3> tri{};
        for (int k = 0; k < 3; ++k) {
            const uint32_t corner = fi * 3 + k;
            const Vec3 own = faces[fi].n;
            double sx = 0, sy = 0, sz = 0;
            for (uint32_t other : groups[cornerGroup[corner]]) {
                const Face& g = faces[other / 3];
                if (Dot(g.n, own) < cosCrease && other != corner) continue;
                double w = g.angle[other % 3];
                sx += w * g.n.x;
                sy += w * g.n.y;
                sz += w * g.n.z;
            }
            Vec3 n = Normalize(Vec3{sx, sy, sz});
            if (Length(n) == 0) n = own;

            const uint32_t src = faces[fi].v[k];
            Vec2 uv = mesh.uvs[src];
            PosKey key{Bits(uv.u, uv.v), cornerGroup[corner]};
            auto& candidates = outOf[key];
            uint32_t index = UINT32_MAX;
            for (uint32_t c : candidates) {
                if (Dot(out.normals[c], n) > 0.99995f) {
                    index = c;
                    break;
                }
            }
            if (index == UINT32_MAX) {
                index = static_cast<uint32_t>(out.positions.size());
                if (index > 0xFFFE)
                    throw std::length_error("mesh: more than 65535 vertices after splitting");
                out.positions.push_back(mesh.positions[src]);
                out.uvs.push_back(uv);
                out.normals.push_back(n);
                candidates.push_back(index);
            }
            tri[k] = static_cast<uint16_t>(index);
        }
        out.faces.push_back(tri);
    }
    if (out.faces.size() > 0xFFFF) throw std::length_error("mesh: more than 65535 faces");
    return out;
}

std::vector<uint8_t> EncodeNormals(const FinishedMesh& mesh) {
    std::vector<uint8_t> bytes(mesh.normals.size() * 12);
    uint8_t* p = bytes.data();
    for (const Vec3& n : mesh.normals) {
        for (float f : {n.x, n.y, n.z}) {
            uint32_t u;
            std::memcpy(&u, &f, 4);
            for (int i = 0; i < 4; ++i) *p++ = static_cast<uint8_t>(u >> (8 * i));
        }
    }
    return bytes;
}

double SignedVolume(const FinishedMesh& mesh) {
    double v = 0;
    for (const auto& f : mesh.faces) {
        Vec3 a = mesh.positions[f[0]], b = mesh.positions[f[1]], c = mesh.positions[f[2]];
        v += Dot(a, Cross(b, c));
    }
    return v / 6.0;
}

}  // namespace content::scenes
