#include "content/scenes/Primitives.h"

#include <stdexcept>

namespace content::scenes {

FaceAxes AxesFor(Vec3 n) {
    n = Normalize(n);
    Vec3 down;
    if (std::fabs(n.y) < 0.9f) {
        Vec3 g{0.0f, -1.0f, 0.0f};
        down = Normalize(g - n * Dot(g, n));
    } else {
        down = n.y > 0 ? Vec3{0.0f, 0.0f, -1.0f} : Vec3{0.0f, 0.0f, 1.0f};
        down = Normalize(down - n * Dot(down, n));
    }
    return {Cross(down, n), down};
}

std::vector<Vec3> Circle(float r, float y, int n, double phase) {
    std::vector<Vec3> ring;
    ring.reserve(n);
    for (int k = 0; k < n; ++k) {
        double a = phase + kTau * k / n;
        ring.push_back(Vec3{r * Cos(a), static_cast<double>(y), r * Sin(a)});
    }
    return ring;
}

Mesh Loft(const std::vector<std::vector<Vec3>>& rings, const std::vector<float>& us,
          const std::vector<float>& vs, bool closedRing) {
    if (rings.size() < 2 || vs.size() != rings.size())
        throw std::invalid_argument("loft: need two rings and one v per ring");
    size_t n = 0;
    for (const auto& r : rings) n = std::max(n, r.size());
    for (const auto& r : rings)
        if (r.size() != n && r.size() != 1)
            throw std::invalid_argument("loft: rings differ in size");
    const size_t cols = closedRing ? n + 1 : n;
    if (us.size() != cols) throw std::invalid_argument("loft: one u per column");

    Mesh m;
    // Index of (ring i, column k); poles get one vertex per column gap, placed mid-u.
    std::vector<std::vector<uint32_t>> idx(rings.size());
    for (size_t i = 0; i < rings.size(); ++i) {
        if (rings[i].size() == 1) {
            for (size_t k = 0; k + 1 < cols; ++k)
                idx[i].push_back(m.Vertex(rings[i][0], {0.5f * (us[k] + us[k + 1]), vs[i]}));
        } else {
            for (size_t k = 0; k < cols; ++k)
                idx[i].push_back(m.Vertex(rings[i][k % n], {us[k], vs[i]}));
        }
    }
    for (size_t i = 0; i + 1 < rings.size(); ++i) {
        const bool poleA = rings[i].size() == 1, poleB = rings[i + 1].size() == 1;
        if (poleA && poleB) continue;
        for (size_t k = 0; k + 1 < cols; ++k) {
            uint32_t a0 = poleA ? idx[i][k] : idx[i][k];
            uint32_t a1 = poleA ? idx[i][k] : idx[i][k + 1];
            uint32_t b0 = poleB ? idx[i + 1][k] : idx[i + 1][k];
            uint32_t b1 = poleB ? idx[i + 1][k] : idx[i + 1][k + 1];
            if (poleA)
                m.Tri(a0, b0, b1);
            else if (poleB)
                m.Tri(a0, b0, a1);
            else
                m.Quad(a0, b0, b1, a1);
        }
    }
    return m;
}

Mesh Lathe(const std::vector<Vec2>& profile, int segments, float uRepeat, float vPerUnit,
           double sweep) {
    const bool full = sweep >= kTau;
    std::vector<std::vector<Vec3>> rings;
    std::vector<float> vs;
    double length = 0;
    for (size_t i = 1; i < profile.size(); ++i) {
        double dr = profile[i].u - profile[i - 1].u, dy = profile[i].v - profile[i - 1].v;
        length += std::sqrt(dr * dr + dy * dy);
    }
    double s = 0;
    const int points = full ? segments : segments + 1;
    for (size_t i = 0; i < profile.size(); ++i) {
        if (i > 0) {
            double dr = profile[i].u - profile[i - 1].u, dy = profile[i].v - profile[i - 1].v;
            s += std::sqrt(dr * dr + dy * dy);
        }
        std::vector<Vec3> ring;
        if (profile[i].u == 0) {
            ring.push_back({0.0f, profile[i].v, 0.0f});
        } else {
            for (int k = 0; k < points; ++k) {
                double a = sweep * k / segments;
                ring.push_back(Vec3{profile[i].u * Cos(a), static_cast<double>(profile[i].v),
                                    profile[i].u * Sin(a)});
            }
        }
        rings.push_back(std::move(ring));
        vs.push_back(static_cast<float>((length - s) * vPerUnit));
    }
    std::vector<float> us;
    const int cols = full ? segments + 1 : points;
    for (int k = 0; k < cols; ++k)
        us.push_back(static_cast<float>(uRepeat * k / segments * (sweep / kTau)));
    return Loft(rings, us, vs, full);
}

Mesh Cap(const std::vector<Vec3>& ring, Vec3 centre, Vec3 n, float uvScale) {
    FaceAxes ax = AxesFor(n);
    auto uv = [&](Vec3 p) { return Vec2{Dot(p, ax.right) * uvScale, Dot(p, ax.down) * uvScale}; };
    Mesh m;
    uint32_t c = m.Vertex(centre, uv(centre));
    std::vector<uint32_t> r;
    for (Vec3 p : ring) r.push_back(m.Vertex(p, uv(p)));
    for (size_t k = 0; k < ring.size(); ++k) {
        uint32_t a = r[k], b = r[(k + 1) % ring.size()];
        Vec3 cr = Cross(ring[k] - centre, ring[(k + 1) % ring.size()] - centre);
        if (Dot(cr, n) >= 0)
            m.Tri(c, a, b);
        else
            m.Tri(c, b, a);
    }
    return m;
}

Mesh Sweep(const std::vector<Vec3>& path, bool closedPath, const std::vector<Vec2>& section,
           float uRepeat, float vRepeat) {
    const size_t n = path.size();
    if (n < 2 || section.size() < 3) throw std::invalid_argument("sweep: path or section short");
    auto tangentAt = [&](size_t i) {
        Vec3 a = closedPath ? path[(i + n - 1) % n] : path[i == 0 ? 0 : i - 1];
        Vec3 b = closedPath ? path[(i + 1) % n] : path[i + 1 >= n ? n - 1 : i + 1];
        return Normalize(b - a);
    };
    // Parallel transport of a normal along the path.
    std::vector<Vec3> normals(n), tangents(n);
    tangents[0] = tangentAt(0);
    Vec3 seed = std::fabs(tangents[0].y) < 0.9f ? Vec3{0.0f, 1.0f, 0.0f} : Vec3{1.0f, 0.0f, 0.0f};
    normals[0] = Normalize(seed - tangents[0] * Dot(seed, tangents[0]));
    for (size_t i = 1; i < n; ++i) {
        tangents[i] = tangentAt(i);
        Vec3 nn = normals[i - 1] - tangents[i] * Dot(normals[i - 1], tangents[i]);
        normals[i] = Normalize(nn);
    }
    if (closedPath) {
        // Spread the mismatch between the last transported frame and the first over the loop.
        Vec3 last = normals[n - 1] - tangents[0] * Dot(normals[n - 1], tangents[0]);
        last = Normalize(last);
        Vec3 b0 = Cross(tangents[0], normals[0]);
        double twist = Atan2(Dot(last, b0), Dot(last, normals[0]));
        for (size_t i = 0; i < n; ++i) {
            double a = -twist * static_cast<double>(i) / n;
            Vec3 b = Cross(tangents[i], normals[i]);
            normals[i] =
                Normalize(normals[i] * static_cast<float>(Cos(a)) + b * static_cast<float>(Sin(a)));
        }
    }
    std::vector<std::vector<Vec3>> rings;
    std::vector<float> vs;
    const size_t ringCount = closedPath ? n + 1 : n;
    for (size_t i = 0; i < ringCount; ++i) {
        size_t j = i % n;
        Vec3 b = Cross(tangents[j], normals[j]);
        std::vector<Vec3> ring;
        // Sections go round from normal to binormal; reversed, they turn the way the loft needs
        // for an outward surface when rings advance along the tangent.
        for (size_t k = section.size(); k-- > 0;)
            ring.push_back(path[j] + normals[j] * section[k].u + b * section[k].v);
        rings.push_back(std::move(ring));
        vs.push_back(static_cast<float>(uRepeat * static_cast<double>(i) / (ringCount - 1)));
    }
    std::vector<float> us;
    for (size_t k = 0; k <= section.size(); ++k)
        us.push_back(static_cast<float>(vRepeat * static_cast<double>(k) / section.size()));
    // Loft's "u" runs round the ring and "v" along the rings; for a sweep we want u along the
    // path, so swap the coordinates afterwards.
    Mesh m = Loft(rings, us, vs, true);
    for (Vec2& t : m.uvs) std::swap(t.u, t.v);
    if (!closedPath) {
        // End caps.
        for (int end = 0; end < 2; ++end) {
            size_t j = end == 0 ? 0 : n - 1;
            Vec3 b = Cross(tangents[j], normals[j]);
            std::vector<Vec3> ring;
            for (const Vec2& s : section) ring.push_back(path[j] + normals[j] * s.u + b * s.v);
            m.Append(Cap(ring, path[j], end == 0 ? -tangents[j] : tangents[j], 0.01f));
        }
    }
    return m;
}

Mesh BevelBox(Vec3 half, float bevel, int steps, int divs, float uvPerUnit) {
    // Samples of one face axis: `flat` is the coordinate across the flat part (-1..1) and `e`
    // the signed share of the quarter-round bevel beyond it (0 on the flat part, +-1 at the
    // box edge, where the neighbouring face takes over).
    struct Sample {
        float flat, e;
    };
    std::vector<Sample> samples;
    for (int i = 0; i <= steps; ++i) samples.push_back({-1.0f, -1.0f + float(i) / steps});
    for (int i = 1; i < divs; ++i) samples.push_back({-1.0f + 2.0f * i / divs, 0.0f});
    for (int i = 0; i <= steps; ++i) samples.push_back({1.0f, float(i) / steps});
    auto slope = [](float e) {  // tan(e * pi / 4), so the bevel is cut in equal angles
        double a = std::fabs(e) * kPi / 4;
        double t = Sin(a) / Cos(a);
        return static_cast<float>(e < 0 ? -t : t);
    };

    const Vec3 inner{half.x - bevel, half.y - bevel, half.z - bevel};
    Mesh m;
    const Vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const size_t cnt = samples.size();
    for (const Vec3& n : axes) {
        FaceAxes fa = AxesFor(n);
        std::vector<uint32_t> idx;
        for (size_t j = 0; j < cnt; ++j) {
            for (size_t i = 0; i < cnt; ++i) {
                const Sample& si = samples[i];
                const Sample& sj = samples[j];
                Vec3 dir = Normalize(n + fa.right * slope(si.e) + fa.down * slope(sj.e));
                Vec3 flat = fa.right * si.flat + fa.down * sj.flat + n;
                Vec3 p = Vec3{flat.x * inner.x, flat.y * inner.y, flat.z * inner.z} + dir * bevel;
                Vec2 uv{0, 0};
                if (uvPerUnit > 0) uv = {Dot(p, fa.right) * uvPerUnit, Dot(p, fa.down) * uvPerUnit};
                idx.push_back(m.Vertex(p, uv));
            }
        }
        if (uvPerUnit <= 0) {
            // 0..1 over the face, spread by distance so the bevel is not squeezed.
            auto spread = [&](bool alongRows) {
                for (size_t a = 0; a < cnt; ++a) {
                    std::vector<double> d(cnt, 0);
                    for (size_t b = 1; b < cnt; ++b) {
                        size_t cur = alongRows ? a * cnt + b : b * cnt + a;
                        size_t prev = alongRows ? a * cnt + b - 1 : (b - 1) * cnt + a;
                        d[b] = d[b - 1] + Length(m.positions[idx[cur]] - m.positions[idx[prev]]);
                    }
                    for (size_t b = 0; b < cnt; ++b) {
                        size_t cur = alongRows ? a * cnt + b : b * cnt + a;
                        float t = static_cast<float>(d[b] / d[cnt - 1]);
                        (alongRows ? m.uvs[idx[cur]].u : m.uvs[idx[cur]].v) = t;
                    }
                }
            };
            spread(true);
            spread(false);
        }
        for (size_t j = 0; j + 1 < cnt; ++j)
            for (size_t i = 0; i + 1 < cnt; ++i)
                m.Quad(idx[j * cnt + i], idx[j * cnt + i + 1], idx[(j + 1) * cnt + i + 1],
                       idx[(j + 1) * cnt + i]);
    }
    return m;
}

Mesh BoxMapped(const Mesh& mesh, float uvPerUnit) {
    Mesh out;
    for (const auto& f : mesh.faces) {
        Vec3 a = mesh.positions[f[0]], b = mesh.positions[f[1]], c = mesh.positions[f[2]];
        Vec3 n = Cross(b - a, c - a);
        Vec3 axis;
        float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        if (ax >= ay && ax >= az)
            axis = {n.x > 0 ? 1.0f : -1.0f, 0.0f, 0.0f};
        else if (ay >= az)
            axis = {0.0f, n.y > 0 ? 1.0f : -1.0f, 0.0f};
        else
            axis = {0.0f, 0.0f, n.z > 0 ? 1.0f : -1.0f};
        FaceAxes fa = AxesFor(axis);
        auto uv = [&](Vec3 p) {
            return Vec2{Dot(p, fa.right) * uvPerUnit, Dot(p, fa.down) * uvPerUnit};
        };
        uint32_t i0 = out.Vertex(a, uv(a)), i1 = out.Vertex(b, uv(b)), i2 = out.Vertex(c, uv(c));
        out.Tri(i0, i1, i2);
    }
    return out;
}

Mesh HeightField(float x0, float z0, float x1, float z1, int nx, int nz,
                 const std::vector<float>& heights, float uvPerUnit) {
    if (heights.size() != static_cast<size_t>((nx + 1) * (nz + 1)))
        throw std::invalid_argument("height field: wrong number of heights");
    Mesh m;
    for (int j = 0; j <= nz; ++j) {
        for (int i = 0; i <= nx; ++i) {
            float x = x0 + (x1 - x0) * i / nx, z = z0 + (z1 - z0) * j / nz;
            m.Vertex({x, heights[j * (nx + 1) + i], z}, {x * uvPerUnit, -z * uvPerUnit});
        }
    }
    auto at = [&](int i, int j) { return static_cast<uint32_t>(j * (nx + 1) + i); };
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) m.Quad(at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
    return m;
}

}  // namespace content::scenes
