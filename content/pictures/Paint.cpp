#include "content/pictures/Paint.h"

#include "content/pictures/Fmath.h"

namespace content::pictures {

namespace {

inline int WrapIndex(int i, int n) {
    int r = i % n;
    return r < 0 ? r + n : r;
}

inline int EdgeIndex(int i, int n, Edge edge) {
    if (edge == Edge::Wrap) return WrapIndex(i, n);
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

// Three box widths whose succession approximates a Gaussian of deviation sigma.
void BoxRadii(float sigma, int radii[3]) {
    float ideal = std::sqrt(12.0f * sigma * sigma / 3.0f + 1.0f);
    int wl = static_cast<int>(std::floor(ideal));
    if (wl % 2 == 0) --wl;
    int wu = wl + 2;
    float mIdeal =
        (12.0f * sigma * sigma - 3.0f * wl * wl - 12.0f * wl - 9.0f) / (-4.0f * wl - 4.0f);
    int m = static_cast<int>(std::floor(mIdeal + 0.5f));
    for (int i = 0; i < 3; ++i) radii[i] = ((i < m ? wl : wu) - 1) / 2;
}

// One box pass over `n` samples spaced `stride` apart, through a scratch line.
template <class T>
void BoxLine(T* data, int n, int stride, int r, Edge edge, std::vector<T>& line) {
    if (r <= 0) return;
    line.resize(n);
    for (int i = 0; i < n; ++i) line[i] = data[static_cast<size_t>(i) * stride];
    T sum{};
    for (int k = -r; k <= r; ++k) sum = sum + line[EdgeIndex(k, n, edge)];
    const float inv = 1.0f / static_cast<float>(2 * r + 1);
    for (int i = 0; i < n; ++i) {
        data[static_cast<size_t>(i) * stride] = sum * inv;
        sum = sum + line[EdgeIndex(i + r + 1, n, edge)] - line[EdgeIndex(i - r, n, edge)];
    }
}

template <class T>
void BlurAxes(T* data, int w, int h, float sigma, Edge edge, bool alongX, bool alongY) {
    if (sigma <= 0.0f) return;
    int radii[3];
    BoxRadii(sigma, radii);
    std::vector<T> line;
    for (int pass = 0; pass < 3; ++pass) {
        if (alongX)
            for (int y = 0; y < h; ++y)
                BoxLine(data + static_cast<size_t>(y) * w, w, 1, radii[pass], edge, line);
        if (alongY)
            for (int x = 0; x < w; ++x) BoxLine(data + x, h, w, radii[pass], edge, line);
    }
}

template <class T, class Img>
T SampleBilinear(const Img& img, const std::vector<T>& data, float x, float y, Edge edge) {
    x -= 0.5f;
    y -= 0.5f;
    float fx = std::floor(x), fy = std::floor(y);
    int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    int xa = EdgeIndex(x0, img.w, edge), xb = EdgeIndex(x0 + 1, img.w, edge);
    int ya = EdgeIndex(y0, img.h, edge), yb = EdgeIndex(y0 + 1, img.h, edge);
    auto at = [&](int xx, int yy) { return data[static_cast<size_t>(yy) * img.w + xx]; };
    T top = at(xa, ya) * (1.0f - tx) + at(xb, ya) * tx;
    T bottom = at(xa, yb) * (1.0f - tx) + at(xb, yb) * tx;
    return top * (1.0f - ty) + bottom * ty;
}

template <class T, class Img>
Img ResizeImpl(const Img& src, const std::vector<T>& data, int w, int h,
               std::vector<T> Img::*member) {
    Img out(w, h);
    std::vector<T>& dst = out.*member;
    const float sx = static_cast<float>(src.w) / w, sy = static_cast<float>(src.h) / h;
    if (sx <= 1.0f && sy <= 1.0f) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                dst[static_cast<size_t>(y) * w + x] =
                    SampleBilinear<T>(src, data, (x + 0.5f) * sx, (y + 0.5f) * sy, Edge::Clamp);
        return out;
    }
    // Area average: each output pixel takes every source pixel its footprint touches, weighted
    // by overlap.
    for (int y = 0; y < h; ++y) {
        float y0 = y * sy, y1 = (y + 1) * sy;
        for (int x = 0; x < w; ++x) {
            float x0 = x * sx, x1 = (x + 1) * sx;
            T sum{};
            float wsum = 0.0f;
            for (int yy = static_cast<int>(y0); yy < static_cast<int>(std::ceil(y1)) && yy < src.h;
                 ++yy) {
                float wy = std::min(y1, yy + 1.0f) - std::max(y0, static_cast<float>(yy));
                for (int xx = static_cast<int>(x0);
                     xx < static_cast<int>(std::ceil(x1)) && xx < src.w; ++xx) {
                    float wx = std::min(x1, xx + 1.0f) - std::max(x0, static_cast<float>(xx));
                    float wgt = wx * wy;
                    sum = sum + data[static_cast<size_t>(yy) * src.w + xx] * wgt;
                    wsum += wgt;
                }
            }
            dst[static_cast<size_t>(y) * w + x] = sum * (1.0f / wsum);
        }
    }
    return out;
}

}  // namespace

float Plane::Sample(float x, float y, Edge edge) const {
    return SampleBilinear<float>(*this, v, x, y, edge);
}

Rgb Canvas::Sample(float x, float y, Edge edge) const {
    return SampleBilinear<Rgb>(*this, px, x, y, edge);
}

void Blur(Plane& p, float sigma, Edge edge) {
    BlurAxes(p.v.data(), p.w, p.h, sigma, edge, true, true);
}
void Blur(Canvas& c, float sigma, Edge edge) {
    BlurAxes(c.px.data(), c.w, c.h, sigma, edge, true, true);
}
void BlurX(Canvas& c, float sigma, Edge edge) {
    BlurAxes(c.px.data(), c.w, c.h, sigma, edge, true, false);
}
void BlurY(Canvas& c, float sigma, Edge edge) {
    BlurAxes(c.px.data(), c.w, c.h, sigma, edge, false, true);
}

Canvas Resize(const Canvas& c, int w, int h) { return ResizeImpl<Rgb>(c, c.px, w, h, &Canvas::px); }
Plane Resize(const Plane& p, int w, int h) { return ResizeImpl<float>(p, p.v, w, h, &Plane::v); }

void AddGlow(Canvas& c, float cx, float cy, float radius, Rgb colour) {
    const float reach = radius * 3.2f;  // exp(-10): below one level of 8 bits
    int x0 = std::max(0, static_cast<int>(cx - reach)),
        x1 = std::min(c.w - 1, static_cast<int>(cx + reach));
    int y0 = std::max(0, static_cast<int>(cy - reach)),
        y1 = std::min(c.h - 1, static_cast<int>(cy + reach));
    const float inv = 1.0f / (radius * radius);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float d2 = (dx * dx + dy * dy) * inv;
            if (d2 < 10.24f) c.at(x, y) += colour * Expf(-d2);
        }
}

void AddHalo(Canvas& c, float cx, float cy, float radius, Rgb colour, float reach) {
    int x0 = std::max(0, static_cast<int>(cx - reach)),
        x1 = std::min(c.w - 1, static_cast<int>(cx + reach));
    int y0 = std::max(0, static_cast<int>(cy - reach)),
        y1 = std::min(c.h - 1, static_cast<int>(cy + reach));
    const float inv = 1.0f / (radius * radius);
    const float reach2 = reach * reach;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float d2 = dx * dx + dy * dy;
            if (d2 >= reach2) continue;
            float fade = 1.0f - d2 / reach2;  // reaches zero at `reach`, no visible edge
            c.at(x, y) += colour * (fade * fade / (1.0f + d2 * inv));
        }
}

void AddStroke(Canvas& c, float x0, float y0, float x1, float y1, float width, Rgb colour,
               float softness) {
    const float half = width * 0.5f;
    const float pad = half + 2.0f * softness + 1.0f;
    int bx0 = std::max(0, static_cast<int>(std::min(x0, x1) - pad));
    int bx1 = std::min(c.w - 1, static_cast<int>(std::max(x0, x1) + pad));
    int by0 = std::max(0, static_cast<int>(std::min(y0, y1) - pad));
    int by1 = std::min(c.h - 1, static_cast<int>(std::max(y0, y1) + pad));
    for (int y = by0; y <= by1; ++y)
        for (int x = bx0; x <= bx1; ++x) {
            float d = SdSegment(x + 0.5f, y + 0.5f, x0, y0, x1, y1) - half;
            float a = Clamp01(0.5f - d / std::max(softness, 0.001f));
            if (a > 0.0f) c.at(x, y) += colour * a;
        }
}

void AddBloom(Canvas& c, float threshold, float sigma, float strength) {
    Canvas bright(c.w, c.h);
    for (size_t i = 0; i < c.px.size(); ++i) {
        const Rgb& p = c.px[i];
        bright.px[i] = {std::max(0.0f, p.r - threshold), std::max(0.0f, p.g - threshold),
                        std::max(0.0f, p.b - threshold)};
    }
    Blur(bright, sigma);
    for (size_t i = 0; i < c.px.size(); ++i) c.px[i] += bright.px[i] * strength;
}

void PaintMask(Canvas& c, const Plane& mask, int ox, int oy, Rgb colour, float opacity) {
    for (int y = 0; y < mask.h; ++y) {
        int cy = oy + y;
        if (cy < 0 || cy >= c.h) continue;
        for (int x = 0; x < mask.w; ++x) {
            int cx = ox + x;
            if (cx < 0 || cx >= c.w) continue;
            float a = mask.at(x, y) * opacity;
            if (a > 0.0f) c.at(cx, cy) = Lerp(c.at(cx, cy), colour, a);
        }
    }
}

void AddMask(Canvas& c, const Plane& mask, int ox, int oy, Rgb colour) {
    for (int y = 0; y < mask.h; ++y) {
        int cy = oy + y;
        if (cy < 0 || cy >= c.h) continue;
        for (int x = 0; x < mask.w; ++x) {
            int cx = ox + x;
            if (cx < 0 || cx >= c.w) continue;
            float a = mask.at(x, y);
            if (a > 0.0f) c.at(cx, cy) += colour * a;
        }
    }
}

float SdCircle(float px, float py, float cx, float cy, float r) {
    float dx = px - cx, dy = py - cy;
    return std::sqrt(dx * dx + dy * dy) - r;
}

float SdSegment(float px, float py, float ax, float ay, float bx, float by) {
    float pax = px - ax, pay = py - ay, bax = bx - ax, bay = by - ay;
    float len2 = bax * bax + bay * bay;
    float t = len2 > 0.0f ? Clamp01((pax * bax + pay * bay) / len2) : 0.0f;
    float dx = pax - bax * t, dy = pay - bay * t;
    return std::sqrt(dx * dx + dy * dy);
}

float SdCapsule(float px, float py, float ax, float ay, float bx, float by, float r) {
    return SdSegment(px, py, ax, ay, bx, by) - r;
}

float SdBox(float px, float py, float cx, float cy, float hw, float hh, float round) {
    float qx = std::fabs(px - cx) - hw + round, qy = std::fabs(py - cy) - hh + round;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - round;
}

float SdPolygon(float px, float py, const float* xy, int count) {
    float d2 = 1e30f;
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        float ax = xy[2 * j], ay = xy[2 * j + 1], bx = xy[2 * i], by = xy[2 * i + 1];
        float s = SdSegment(px, py, ax, ay, bx, by);
        d2 = std::min(d2, s * s);
        if ((by > py) != (ay > py) && px < (ax - bx) * (py - by) / (ay - by) + bx) inside = !inside;
    }
    float d = std::sqrt(d2);
    return inside ? -d : d;
}

}  // namespace content::pictures
