// Elementary functions built from + - * / floor and sqrt only. The C library picks different
// code paths per processor (with and without FMA) and per version, which can move the last
// bit of sin or exp and with it a JPEG byte; these give the same result everywhere.
#pragma once

#include <cmath>
#include <cstdint>

namespace content::pictures {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 6.28318530717958647692;

namespace detail {

// sin on [-pi/4, pi/4] and cos on the same range (Taylor terms to x^13 / x^14).
inline double SinCore(double x) {
    double x2 = x * x;
    return x * (1.0 + x2 * (-1.0 / 6 +
                            x2 * (1.0 / 120 +
                                  x2 * (-1.0 / 5040 +
                                        x2 * (1.0 / 362880 + x2 * (-1.0 / 39916800 +
                                                                   x2 * (1.0 / 6227020800.0)))))));
}

inline double CosCore(double x) {
    double x2 = x * x;
    return 1.0 +
           x2 * (-0.5 +
                 x2 * (1.0 / 24 +
                       x2 * (-1.0 / 720 +
                             x2 * (1.0 / 40320 +
                                   x2 * (-1.0 / 3628800 +
                                         x2 * (1.0 / 479001600 + x2 * (-1.0 / 87178291200.0)))))));
}

}  // namespace detail

inline double Sin(double x) {
    // Quadrant q of x = q * pi/2 + r with |r| <= pi/4.
    double q = std::floor(x * (2.0 / kPi) + 0.5);
    double r = (x - q * 1.5707963267341256) - q * 6.077100506506192e-11;
    int64_t n = static_cast<int64_t>(q) & 3;
    switch (n) {
        case 0:
            return detail::SinCore(r);
        case 1:
            return detail::CosCore(r);
        case 2:
            return -detail::SinCore(r);
        default:
            return -detail::CosCore(r);
    }
}

inline double Cos(double x) { return Sin(x + kPi / 2); }

inline double Exp(double x) {
    if (x < -700.0) return 0.0;
    if (x > 700.0) x = 700.0;
    // x = k ln2 + r, |r| <= ln2 / 2; e^r by its series, then scaled by 2^k exactly.
    double k = std::floor(x * 1.4426950408889634 + 0.5);
    double r = (x - k * 0.6931471803691238) - k * 1.9082149292705877e-10;
    double s =
        1.0 +
        r * (1.0 +
             r * (0.5 +
                  r * (1.0 / 6 +
                       r * (1.0 / 24 +
                            r * (1.0 / 120 +
                                 r * (1.0 / 720 + r * (1.0 / 5040 + r * (1.0 / 40320 +
                                                                         r * (1.0 / 362880)))))))));
    return std::ldexp(s, static_cast<int>(k));
}

inline double Log(double x) {
    if (!(x > 0.0)) return -1e300;
    int e = 0;
    double m = std::frexp(x, &e);  // x = m * 2^e, m in [0.5, 1)
    if (m < 0.70710678118654752) {
        m *= 2.0;
        e -= 1;
    }
    // ln m = 2 atanh(z), z = (m - 1) / (m + 1), |z| < 0.172.
    double z = (m - 1.0) / (m + 1.0);
    double z2 = z * z;
    double s =
        z *
        (2.0 +
         z2 * (2.0 / 3 +
               z2 * (2.0 / 5 +
                     z2 * (2.0 / 7 +
                           z2 * (2.0 / 9 + z2 * (2.0 / 11 + z2 * (2.0 / 13 + z2 * (2.0 / 15))))))));
    return s + e * 0.69314718055994531;
}

// x^y for x > 0 (0 for x <= 0), which is all picture code needs.
inline double Pow(double x, double y) { return x > 0.0 ? Exp(y * Log(x)) : 0.0; }

inline double Atan(double x) {
    // Reduce to |x| <= tan(pi/12) with atan(x) = pi/2 - atan(1/x) and the pi/6 shift.
    bool neg = x < 0;
    if (neg) x = -x;
    bool inv = x > 1.0;
    if (inv) x = 1.0 / x;
    bool shift = x > 0.26794919243112270;
    if (shift) x = (x * 1.7320508075688772 - 1.0) / (x + 1.7320508075688772);
    double x2 = x * x;
    double a =
        x * (1.0 + x2 * (-1.0 / 3 +
                         x2 * (1.0 / 5 +
                               x2 * (-1.0 / 7 +
                                     x2 * (1.0 / 9 + x2 * (-1.0 / 11 +
                                                           x2 * (1.0 / 13 + x2 * (-1.0 / 15))))))));
    if (shift) a += kPi / 6;
    if (inv) a = kPi / 2 - a;
    return neg ? -a : a;
}

inline double Atan2(double y, double x) {
    if (x > 0) return Atan(y / x);
    if (x < 0) return y >= 0 ? Atan(y / x) + kPi : Atan(y / x) - kPi;
    if (y > 0) return kPi / 2;
    if (y < 0) return -kPi / 2;
    return 0.0;
}

// Float front ends for the painting code.
inline float Sinf(float x) { return static_cast<float>(Sin(x)); }
inline float Cosf(float x) { return static_cast<float>(Cos(x)); }
inline float Expf(float x) { return static_cast<float>(Exp(x)); }
inline float Powf(float x, float y) { return static_cast<float>(Pow(x, y)); }
inline float Atan2f(float y, float x) { return static_cast<float>(Atan2(y, x)); }

}  // namespace content::pictures
