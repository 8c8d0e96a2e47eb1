// Lit relief: scenes built as a height field with materials, shaded like a photograph of
// machined metal under a warm key light (normals, cast shadows, occlusion, specular and
// brushed-metal streaks). The cut pictures are made with it.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "content/pictures/Paint.h"

namespace content::pictures {

struct Material {
    Rgb albedo{0.5f, 0.5f, 0.5f};
    float metal = 0.8f;       // 0 matt paint or stone .. 1 polished metal
    float shininess = 40.0f;  // specular exponent
    float brushed = 0.0f;     // strength of brushing streaks
    float brushAngle = 0.0f;  // direction of the streaks, radians (0 = along x)
    float brushScale = 1.0f;  // streak length factor
};

struct Lighting {
    float keyX = -0.6f, keyY = -0.55f, keyZ = 0.58f;  // towards the key light (normalised inside)
    Rgb key{1.0f, 0.66f, 0.34f};
    Rgb fill{0.10f, 0.30f, 0.34f};  // from the opposite side
    Rgb ambient{0.03f, 0.05f, 0.07f};
    Rgb skyEnv{0.32f, 0.50f, 0.54f};    // what metal mirrors above it
    Rgb floorEnv{0.04f, 0.03f, 0.03f};  // and below
    float shadowLength = 60.0f;         // how far cast shadows are searched, pixels
};

struct ReliefScene {
    int w, h;
    Plane height;    // elevation in pixels
    Plane material;  // index into the material list
    Canvas glow;     // light the scene gives off itself, added after shading
    ReliefScene(int width, int height_)
        : w(width),
          h(height_),
          height(width, height_),
          material(width, height_),
          glow(width, height_) {}
    int MaterialAt(int x, int y) const { return static_cast<int>(material.at(x, y)); }

    // Raises the surface inside `sdf`'s shape to profile(d) (d = signed distance, negative
    // inside), or profile(x, y, d), wherever that is higher than what is there; the material
    // goes with it.
    template <class Sdf, class Profile>
    void Raise(float x0, float y0, float x1, float y1, int mat, Sdf sdf, Profile profile) {
        int ix0 = std::max(0, static_cast<int>(std::floor(x0))),
            iy0 = std::max(0, static_cast<int>(std::floor(y0)));
        int ix1 = std::min(w - 1, static_cast<int>(std::ceil(x1))),
            iy1 = std::min(h - 1, static_cast<int>(std::ceil(y1)));
        for (int y = iy0; y <= iy1; ++y)
            for (int x = ix0; x <= ix1; ++x) {
                float d = sdf(x + 0.5f, y + 0.5f);
                float cover = Coverage(d);
                if (cover <= 0.0f) continue;
                float& hh = height.at(x, y);
                float e;
                if constexpr (std::is_invocable_v<Profile, float, float, float>)
                    e = profile(x + 0.5f, y + 0.5f, d);  // height that depends on the place
                else
                    e = profile(d);
                if (e <= hh) continue;
                if (cover > 0.5f) material.at(x, y) = static_cast<float>(mat);
                hh += (e - hh) * cover;
            }
    }

    // Lowers the surface by profile(d) inside the shape: engraving, holes, grooves.
    template <class Sdf, class Profile>
    void Carve(float x0, float y0, float x1, float y1, Sdf sdf, Profile profile) {
        int ix0 = std::max(0, static_cast<int>(std::floor(x0))),
            iy0 = std::max(0, static_cast<int>(std::floor(y0)));
        int ix1 = std::min(w - 1, static_cast<int>(std::ceil(x1))),
            iy1 = std::min(h - 1, static_cast<int>(std::ceil(y1)));
        for (int y = iy0; y <= iy1; ++y)
            for (int x = ix0; x <= ix1; ++x) {
                float d = sdf(x + 0.5f, y + 0.5f);
                float cover = Coverage(d);
                if (cover > 0.0f) height.at(x, y) -= profile(d) * cover;
            }
    }
};

// Profiles: a flat top `top` high whose edge rounds off over `bevel` pixels.
inline float Bevelled(float d, float top, float bevel) {
    float t = Clamp01(-d / bevel);
    return top * std::sqrt(t * (2.0f - t));
}
// A tube or dome of radius r over distance d from its centre line (d negative inside).
inline float Rounded(float d, float r) {
    float q = Clamp01(1.0f + d / r);  // 0 on the centre line, 1 at the edge
    return r * std::sqrt(1.0f - q * q) * 0.6f;
}

Canvas ShadeRelief(const ReliefScene& scene, const std::vector<Material>& materials,
                   const Lighting& light, uint32_t seed);

}  // namespace content::pictures
