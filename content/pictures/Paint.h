// The painting surface of the picture producers: floating-point colour and single-channel planes,
// with the few operations every picture family shares (blur, resampling, glows, strokes, shapes).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace content::pictures {

struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(float s, Rgb a) { return a * s; }
inline Rgb& operator+=(Rgb& a, Rgb b) { return a = a + b; }
inline Rgb& operator*=(Rgb& a, float s) { return a = a * s; }
inline Rgb Lerp(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline float Luma(Rgb c) { return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b; }

inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }
inline float Smoothstep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
// Antialiased coverage of a shape from its signed distance in pixels (negative inside).
inline float Coverage(float d) { return Clamp01(0.5f - d); }

enum class Edge { Clamp, Wrap };

struct Plane {
    int w = 0, h = 0;
    std::vector<float> v;
    Plane() = default;
    Plane(int width, int height, float fill = 0.0f)
        : w(width), h(height), v(static_cast<size_t>(width) * height, fill) {}
    float& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
    float at(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
    float Sample(float x, float y,
                 Edge edge = Edge::Clamp) const;  // bilinear, pixel centres at +0.5
};

struct Canvas {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Canvas() = default;
    Canvas(int width, int height, Rgb fill = {})
        : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}
    Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    Rgb Sample(float x, float y, Edge edge = Edge::Clamp) const;
};

// Gaussian-like blur (three box passes) with the given standard deviation in pixels.
void Blur(Plane& p, float sigma, Edge edge = Edge::Clamp);
void Blur(Canvas& c, float sigma, Edge edge = Edge::Clamp);
// Blur along one axis only (streaks, motion).
void BlurX(Canvas& c, float sigma, Edge edge = Edge::Clamp);
void BlurY(Canvas& c, float sigma, Edge edge = Edge::Clamp);

// Area average when shrinking, bilinear when enlarging.
Canvas Resize(const Canvas& c, int w, int h);
Plane Resize(const Plane& p, int w, int h);

// Additive radial glow: colour * exp(-(d / radius)^2), cut off where it no longer shows.
void AddGlow(Canvas& c, float cx, float cy, float radius, Rgb colour);
// Additive glow with a long 1/(1 + (d/r)^2) tail, for light sources seen through haze.
void AddHalo(Canvas& c, float cx, float cy, float radius, Rgb colour, float reach);
// Additive soft-edged stroke from (x0, y0) to (x1, y1).
void AddStroke(Canvas& c, float x0, float y0, float x1, float y1, float width, Rgb colour,
               float softness = 1.0f);
// Photographic bloom: light above `threshold` spread by a blur of `sigma`, added back.
void AddBloom(Canvas& c, float threshold, float sigma, float strength);
// Composites a colour through a coverage mask placed with its top-left at (ox, oy).
void PaintMask(Canvas& c, const Plane& mask, int ox, int oy, Rgb colour, float opacity = 1.0f);
void AddMask(Canvas& c, const Plane& mask, int ox, int oy, Rgb colour);

// Signed distances (negative inside).
float SdCircle(float px, float py, float cx, float cy, float r);
float SdSegment(float px, float py, float ax, float ay, float bx, float by);  // unsigned
float SdCapsule(float px, float py, float ax, float ay, float bx, float by, float r);
float SdBox(float px, float py, float cx, float cy, float hw, float hh, float round = 0.0f);
// Any simple polygon, points as x0, y0, x1, y1, ...
float SdPolygon(float px, float py, const float* xy, int count);
inline float SmoothUnion(float a, float b, float k) {
    float h = Clamp01(0.5f + 0.5f * (b - a) / k);
    return Lerp(b, a, h) - k * h * (1.0f - h);
}

// Fills `out` (minimum-combined) with a shape's signed distance inside the box it may affect.
template <class Sdf>
void StampDistance(Plane& out, float x0, float y0, float x1, float y1, Sdf sdf) {
    int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    int ix1 = std::min(out.w - 1, static_cast<int>(std::ceil(x1)));
    int iy1 = std::min(out.h - 1, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            float d = sdf(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
            float& o = out.at(x, y);
            if (d < o) o = d;
        }
}

}  // namespace content::pictures
