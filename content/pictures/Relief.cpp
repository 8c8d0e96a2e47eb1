#include "content/pictures/Relief.h"

#include "content/pictures/Fmath.h"
#include "content/pictures/Noise.h"

namespace content::pictures {

Canvas ShadeRelief(const ReliefScene& scene, const std::vector<Material>& materials,
                   const Lighting& light, uint32_t seed) {
    const int w = scene.w, h = scene.h;
    Canvas out(w, h);
    float ll =
        std::sqrt(light.keyX * light.keyX + light.keyY * light.keyY + light.keyZ * light.keyZ);
    const float lx = light.keyX / ll, ly = light.keyY / ll, lz = light.keyZ / ll;
    const float lxy = std::sqrt(lx * lx + ly * ly);
    const float sx = lx / lxy, sy = ly / lxy;  // key direction across the picture
    const float rise = lz / lxy;               // height the shadow ray gains per pixel
    // Fill comes from the other side and lower.
    float fx = -lx, fy = -ly * 0.3f, fz = 0.5f;
    float fl = std::sqrt(fx * fx + fy * fy + fz * fz);
    fx /= fl;
    fy /= fl;
    fz /= fl;

    // Ambient occlusion: how far the surface lies below its surroundings.
    Plane around = scene.height;
    Blur(around, 14.0f);

    auto H = [&](int x, int y) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return scene.height.at(x, y);
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float hc = scene.height.at(x, y);
            const float dx = 0.5f * (H(x + 1, y) - H(x - 1, y));
            const float dy = 0.5f * (H(x, y + 1) - H(x, y - 1));
            const float inv = 1.0f / std::sqrt(dx * dx + dy * dy + 1.0f);
            const float nx = -dx * inv, ny = -dy * inv, nz = inv;
            int id = static_cast<int>(scene.material.at(x, y));
            const Material& m =
                materials[std::clamp(id, 0, static_cast<int>(materials.size()) - 1)];

            // Soft cast shadow: march towards the key light over the height field.
            float lit = 1.0f;
            const int steps = 12;
            for (int k = 1; k <= steps; ++k) {
                float t = light.shadowLength * k / steps;
                float sample = H(static_cast<int>(x + sx * t), static_cast<int>(y + sy * t));
                float above = hc + t * rise - sample;
                if (above < 0.0f) {
                    lit = std::min(lit, Clamp01(1.0f + above / (1.0f + 0.12f * t)));
                    if (lit <= 0.0f) break;
                }
            }
            const float diffuse = std::max(0.0f, nx * lx + ny * ly + nz * lz) * lit;
            const float fill = std::max(0.0f, nx * fx + ny * fy + nz * fz);
            // The viewer looks straight down; R is the mirrored view direction.
            const float rx = 2.0f * nz * nx, ry = 2.0f * nz * ny, rz = 2.0f * nz * nz - 1.0f;
            float specular = std::max(0.0f, rx * lx + ry * ly + rz * lz);
            // Below 0.6 the highlight is invisible for any shininess used here (0.6^12 < 0.3%).
            specular = specular > 0.6f ? Powf(specular, m.shininess) * lit : 0.0f;
            Rgb env = Lerp(light.floorEnv, light.skyEnv, Smoothstep(-0.7f, 0.7f, -ry));
            // Brushing: fine streaks along the material's direction.
            float streak = 0.0f;
            if (m.brushed > 0.0f) {
                float ca = Cosf(m.brushAngle), sa = Sinf(m.brushAngle);
                float u = x * ca + y * sa, v = -x * sa + y * ca;
                streak = Fbm(u / (60.0f * m.brushScale), v / 0.9f, seed + 13u * id, 2) * m.brushed;
            }
            const float occl = Clamp01(1.0f - std::max(0.0f, around.at(x, y) - hc) / 30.0f);
            Rgb base = m.albedo * (1.0f + 0.5f * streak);
            Rgb diffuseLight = light.ambient + light.key * diffuse + light.fill * fill;
            Rgb col = base * diffuseLight * (1.0f - m.metal) +
                      (base * env + light.key * (specular * (1.0f + streak))) * m.metal;
            out.at(x, y) = col * (0.35f + 0.65f * occl) + scene.glow.at(x, y);
        }
    return out;
}

}  // namespace content::pictures
