// Small vector maths for the scene producer. Trigonometry is our own polynomial code, not the C
// library's: glibc picks different sin/cos code paths per processor, which could move the last
// bit of a vertex and with it the bytes of the pack.
#pragma once

#include <cmath>
#include <cstdint>

#include "content/pictures/Fmath.h"

namespace content::scenes {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTau = 6.28318530717958647692;

namespace detail {
inline double SinPoly(double x) {  // |x| <= pi/4
    double x2 = x * x;
    return x * (1.0 +
                x2 * (-1.0 / 6 +
                      x2 * (1.0 / 120 +
                            x2 * (-1.0 / 5040 + x2 * (1.0 / 362880 + x2 * (-1.0 / 39916800 +
                                                                           x2 / 6227020800.0))))));
}
inline double CosPoly(double x) {  // |x| <= pi/4
    double x2 = x * x;
    return 1.0 + x2 * (-0.5 + x2 * (1.0 / 24 +
                                    x2 * (-1.0 / 720 +
                                          x2 * (1.0 / 40320 + x2 * (-1.0 / 3628800 +
                                                                    x2 * (1.0 / 479001600 -
                                                                          x2 / 87178291200.0))))));
}
}  // namespace detail

inline double Sin(double x) {
    double q = std::floor(x / (kPi / 2) + 0.5);
    double r = x - q * (kPi / 2);
    switch (static_cast<int64_t>(q) & 3) {
        case 0:
            return detail::SinPoly(r);
        case 1:
            return detail::CosPoly(r);
        case 2:
            return -detail::SinPoly(r);
        default:
            return -detail::CosPoly(r);
    }
}
inline double Cos(double x) {
    double q = std::floor(x / (kPi / 2) + 0.5);
    double r = x - q * (kPi / 2);
    switch (static_cast<int64_t>(q) & 3) {
        case 0:
            return detail::CosPoly(r);
        case 1:
            return -detail::SinPoly(r);
        case 2:
            return -detail::CosPoly(r);
        default:
            return detail::SinPoly(r);
    }
}

// The pictures' own atan and exp serve the scenes too.
using content::pictures::Atan;
using content::pictures::Atan2;
using content::pictures::Exp;
inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double Mix(double a, double b, double t) { return a + (b - a) * t; }
inline double SmoothStep(double e0, double e1, double x) {
    double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Vec2 {
    float u = 0, v = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
    Vec3() = default;
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    Vec3(double x_, double y_, double z_)
        : x(static_cast<float>(x_)), y(static_cast<float>(y_)), z(static_cast<float>(z_)) {}
    Vec3(int x_, int y_, int z_)
        : x(static_cast<float>(x_)), y(static_cast<float>(y_)), z(static_cast<float>(z_)) {}
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline bool operator==(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(Vec3 a) {
    float l = Length(a);
    return l > 0 ? a * (1.0f / l) : Vec3{0.0f, 0.0f, 0.0f};
}
inline Vec3 Lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

// Rotation of a point about the y axis by `angle` radians (x towards z).
inline Vec3 RotateY(Vec3 p, double angle) {
    double c = Cos(angle), s = Sin(angle);
    return {p.x * c - p.z * s, static_cast<double>(p.y), p.x * s + p.z * c};
}
inline Vec3 RotateX(Vec3 p, double angle) {
    double c = Cos(angle), s = Sin(angle);
    return {static_cast<double>(p.x), p.y * c - p.z * s, p.y * s + p.z * c};
}
inline Vec3 RotateZ(Vec3 p, double angle) {
    double c = Cos(angle), s = Sin(angle);
    return {p.x * c - p.y * s, p.x * s + p.y * c, static_cast<double>(p.z)};
}

// SplitMix64: the producer's own generator, so no library decides a vertex or a pixel.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    int Below(int n) { return static_cast<int>((Next() >> 33) % static_cast<uint64_t>(n)); }

  private:
    uint64_t state_;
};

}  // namespace content::scenes
