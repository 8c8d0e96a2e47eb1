#include "content/scenes/Landscape.h"

#include "content/scenes/Noise.h"
#include "content/scenes/Primitives.h"

namespace content::scenes {

namespace {

// Pushes every vertex out along its direction from the y axis by noise.
void Roughen(Mesh& m, float amount, float frequency, uint32_t seed) {
    for (Vec3& p : m.positions) {
        float r = std::sqrt(p.x * p.x + p.z * p.z);
        if (r <= 0) continue;
        float n = Fbm3(p.x * frequency, p.y * frequency, p.z * frequency, seed, 4);
        float k = (r + amount * n) / r;
        p = {p.x * k, p.y, p.z * k};
    }
}

}  // namespace

float IslandHeight(float x, float z) {
    double r2 = double(x) * x + double(z) * z;
    double base = -2100 + 3650 * Exp(-r2 / (2800.0 * 2800.0));
    double n = Fbm2(x / 1800.0f, z / 1800.0f, 41, 5, 0.5f);
    double ridge = 1 - std::fabs(Fbm2(x / 2600.0f + 3, z / 2600.0f, 43, 3));
    return static_cast<float>(base + 420 * n + 260 * ridge * ridge);
}

Mesh IslandMesh() {
    const int n = 72;
    const float half = 4800;
    std::vector<float> h;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            h.push_back(IslandHeight(-half + 2 * half * i / n, -half + 2 * half * j / n));
    return HeightField(-half, -half, half, half, n, n, h, 1 / 1400.0f);
}

Mesh RockStack(uint32_t seed, float radius, float top) {
    Rng rng(seed);
    std::vector<Vec2> profile;
    const int levels = 14;
    const float bottom = -1900;
    profile.push_back({0, bottom});
    for (int i = 0; i <= levels; ++i) {
        double t = static_cast<double>(i) / levels;
        double r = radius * (1.15 - 0.45 * t + 0.18 * Sin(t * 7 + rng.Range(0, 3)));
        profile.push_back({static_cast<float>(r), static_cast<float>(bottom + (top - bottom) * t)});
    }
    profile.push_back({static_cast<float>(radius * 0.35), top + radius * 0.12f});
    profile.push_back({0, top + radius * 0.15f});
    Mesh m = Lathe(profile, 28, 3, 1 / 900.0f);
    Roughen(m, radius * 0.28f, 1.6f / radius, seed);
    return BoxMapped(m, 1 / 1100.0f);
}

Mesh StoneArch(float span, float spring, float thickness, float depth) {
    std::vector<Vec3> path;
    const float half = span / 2, bottom = -1900;
    for (int i = 0; i <= 6; ++i) path.push_back({-half, bottom + (spring - bottom) * i / 6, 0.0f});
    for (int i = 1; i < 24; ++i) {
        double a = kPi - kPi * i / 24;
        path.push_back(Vec3{half * Cos(a), spring + half * Sin(a), 0.0});
    }
    for (int i = 0; i <= 6; ++i) path.push_back({half, spring + (bottom - spring) * i / 6, 0.0f});
    const float r = 30;
    std::vector<Vec2> section;
    const float w = thickness / 2 - r, d = depth / 2 - r;
    const float cx[4] = {w, -w, -w, w}, cy[4] = {d, d, -d, -d};
    for (int q = 0; q < 4; ++q)
        for (int i = 0; i <= 2; ++i) {
            double a = kPi / 2 * q + kPi / 4 * i;
            section.push_back(
                {static_cast<float>(cx[q] + r * Cos(a)), static_cast<float>(cy[q] + r * Sin(a))});
        }
    Mesh arch = Sweep(path, false, section, 8.0f, 2.0f);
    // A keystone block on top for the brazier.
    Mesh key = BevelBox({150.0f, 90.0f, depth / 2 + 20}, 20, 2, 1, 1 / 700.0f);
    key.Translate({0.0f, spring + half + thickness / 2 + 40, 0.0f});
    arch.Append(key);
    return arch;
}

Mesh LighthouseMesh(float height) {
    const float h = height;
    std::vector<Vec2> profile = {{0, -200},
                                 {330, -200},
                                 {330, 0},
                                 {300, 40},
                                 {250, h * 0.85f},
                                 {330, h * 0.85f},
                                 {330, h * 0.85f + 60},
                                 {210, h * 0.85f + 60},
                                 {210, h - 40},
                                 {260, h - 40},
                                 {260, h},
                                 {0, h}};
    return Lathe(profile, 48, 3, 1 / 700.0f);
}

Mesh DomeMesh(float radius) {
    std::vector<Vec2> profile;
    profile.push_back({0, 0});
    for (int i = 0; i <= 10; ++i) {
        double a = kPi / 2 * i / 10;
        profile.push_back(
            {static_cast<float>(radius * Cos(a)), static_cast<float>(radius * 0.9 * Sin(a))});
    }
    profile.back().u = 0;
    return Lathe(profile, 36, 1, 1 / (radius * 3));
}

Mesh BallMesh(float radius) {
    std::vector<Vec2> profile;
    for (int i = 0; i <= 16; ++i) {
        double a = -kPi / 2 + kPi * i / 16;
        profile.push_back(
            {static_cast<float>(radius * Cos(a)), static_cast<float>(radius * Sin(a))});
    }
    profile.front().u = 0;
    profile.back().u = 0;
    return Lathe(profile, 32, 1, 1 / (radius * 3));
}

Mesh BrazierMesh() {
    std::vector<Vec2> profile = {{0, 0},     {90, 0},    {60, 30},   {50, 120}, {150, 160},
                                 {190, 230}, {175, 240}, {135, 180}, {0, 170}};
    return Lathe(profile, 32, 2, 1 / 400.0f);
}

Mesh BuoyMesh() {
    std::vector<Vec2> profile = {{0, -140}, {60, -130}, {110, -60}, {120, 0},  {100, 60},
                                 {40, 90},  {22, 100},  {22, 330},  {60, 340}, {0, 400}};
    return Lathe(profile, 24, 2, 1 / 300.0f);
}

Mesh BannerMesh(float w, float h, uint32_t seed) {
    const int nx = 10, ny = 14;
    Mesh front;
    for (int j = 0; j <= ny; ++j) {
        for (int i = 0; i <= nx; ++i) {
            float x = -w / 2 + w * i / nx, y = -h * j / ny;
            float z = static_cast<float>(28 * Sin(x / w * 9 + seed) * (0.3 + float(j) / ny));
            front.Vertex({x, y, z}, {1.0f - float(i) / nx, float(j) / ny});
        }
    }
    auto at = [&](int i, int j) { return static_cast<uint32_t>(j * (nx + 1) + i); };
    // The front layer faces +z (u grows towards -x, unmirrored from that side); the back layer
    // faces -z with u mirrored back.
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            front.Quad(at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
    Mesh back = front;
    back.FlipFaces();
    for (Vec3& p : back.positions) p.z -= 2;
    for (Vec2& t : back.uvs) t.u = 1 - t.u;
    front.Append(back);
    return front;
}

Mesh PierMesh(float length) {
    Mesh deck = BevelBox({length / 2, 18.0f, 170.0f}, 8, 1, 8, 1 / 500.0f);
    deck.Translate({-length / 2, 0.0f, 0.0f});
    for (int i = 0; i <= 6; ++i) {
        for (int side = -1; side <= 1; side += 2) {
            Mesh post = BevelBox({22.0f, 360.0f, 22.0f}, 6, 1, 2, 1 / 500.0f);
            post.Translate({-length * i / 6, -220.0f, 150.0f * side});
            deck.Append(post);
        }
    }
    return deck;
}

Mesh SkyDomeMesh(float radius) {
    std::vector<Vec2> profile;
    for (int i = -1; i <= 12; ++i) {
        double a = kPi / 2 * i / 12;
        profile.push_back(
            {static_cast<float>(radius * Cos(a)), static_cast<float>(radius * Sin(a))});
    }
    profile.back().u = 0;
    // v from 0 at the zenith to 1 at the horizon.
    Mesh dome = Lathe(profile, 48, 1, static_cast<float>(1 / (radius * kPi / 2)));
    for (Vec2& t : dome.uvs) t.v = std::min(t.v, 0.998f);
    dome.FlipFaces();
    return dome;
}

FinishedMesh WaterGrid(float y) {
    // Half the grid is 25 steps; spacing about 240 at the centre, reaching 38000 at the rim.
    auto coord = [](int k) {
        double s = (k - 25) / 25.0;
        return static_cast<float>(6000 * s + 32000 * s * s * s * s * s);
    };
    FinishedMesh m;
    for (int i = 0; i < 51; ++i) {
        for (int j = 0; j < 51; ++j) {
            m.positions.push_back({coord(j), y, -coord(i)});
            m.uvs.push_back({0.01f * j, 0.01f * i});
            m.normals.push_back({0.0f, 1.0f, 0.0f});
        }
    }
    auto at = [](int i, int j) { return static_cast<uint16_t>(i * 51 + j); };
    for (int i = 0; i < 50; ++i) {
        for (int j = 0; j < 50; ++j) {
            m.faces.push_back({at(i + 1, j), at(i, j), at(i, j + 1)});
            m.faces.push_back({at(i + 1, j), at(i, j + 1), at(i + 1, j + 1)});
        }
    }
    return m;
}

Mesh EmitterPad(float halfSize) {
    Mesh m;
    uint32_t a = m.Vertex({-halfSize, 0.0f, -halfSize}, {0, 1});
    uint32_t b = m.Vertex({-halfSize, 0.0f, halfSize}, {0, 0});
    uint32_t c = m.Vertex({halfSize, 0.0f, halfSize}, {1, 0});
    uint32_t d = m.Vertex({halfSize, 0.0f, -halfSize}, {1, 1});
    m.Quad(a, b, c, d);
    return m;
}

}  // namespace content::scenes
