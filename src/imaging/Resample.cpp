#include "imaging/Resample.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging {
namespace {

inline uint32_t Load(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void Store(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Average of four pixels per channel, rounded, two channels at a time in 16-bit lanes.
inline uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    constexpr uint32_t m = 0x00FF00FFu;
    const uint32_t lo = (a & m) + (b & m) + (c & m) + (d & m) + 0x00020002u;
    const uint32_t hi =
        ((a >> 8) & m) + ((b >> 8) & m) + ((c >> 8) & m) + ((d >> 8) & m) + 0x00020002u;
    return ((lo >> 2) & m) | (((hi >> 2) & m) << 8);
}

inline uint32_t Average2(uint32_t a, uint32_t b) {
    constexpr uint32_t m = 0x00FF00FFu;
    const uint32_t lo = (a & m) + (b & m) + 0x00010001u;
    const uint32_t hi = ((a >> 8) & m) + ((b >> 8) & m) + 0x00010001u;
    return ((lo >> 1) & m) | (((hi >> 1) & m) << 8);
}

// For one axis: which source pixels each destination pixel covers and by how much. In units
// where a source pixel is `dst` long and a destination pixel `src` long, overlaps are whole
// numbers and every destination pixel's weights add up to `src`.
struct AxisWeights {
    std::vector<uint32_t> first;   // first source index per destination pixel
    std::vector<uint32_t> offset;  // start of its weights in `weights` (size dst + 1)
    std::vector<uint32_t> weights;
    uint64_t total = 0;
};

AxisWeights BoxWeights(uint32_t src, uint32_t dst) {
    AxisWeights a;
    a.total = src;
    a.first.resize(dst);
    a.offset.resize(static_cast<size_t>(dst) + 1);
    for (uint32_t j = 0; j < dst; ++j) {
        const uint64_t start = static_cast<uint64_t>(j) * src;
        const uint64_t end = start + src;
        const uint64_t i0 = start / dst, i1 = (end - 1) / dst;
        a.first[j] = static_cast<uint32_t>(i0);
        a.offset[j] = static_cast<uint32_t>(a.weights.size());
        for (uint64_t i = i0; i <= i1; ++i) {
            const uint64_t lo = std::max(start, i * dst), hi = std::min(end, (i + 1) * dst);
            a.weights.push_back(static_cast<uint32_t>(hi - lo));
        }
    }
    a.offset[dst] = static_cast<uint32_t>(a.weights.size());
    return a;
}

void ResampleBox(const PixelBlock& src, const MutablePixelBlock& dst) {
    const AxisWeights wx = BoxWeights(src.width, dst.width);
    const AxisWeights wy = BoxWeights(src.height, dst.height);
    const uint64_t total = wx.total * wy.total;
    const uint64_t half = total / 2;
    // Columns summed down the rows a destination row covers: at most 255 * height each.
    std::vector<uint32_t> column(static_cast<size_t>(src.width) * 4);
    for (uint32_t j = 0; j < dst.height; ++j) {
        std::fill(column.begin(), column.end(), 0u);
        for (uint32_t k = wy.offset[j]; k < wy.offset[j + 1]; ++k) {
            const uint32_t w = wy.weights[k];
            const uint8_t* row = src.data + (wy.first[j] + (k - wy.offset[j])) * src.pitch;
            for (size_t i = 0; i < column.size(); ++i) column[i] += w * row[i];
        }
        uint8_t* out = dst.data + j * dst.pitch;
        for (uint32_t x = 0; x < dst.width; ++x) {
            uint64_t sum[4] = {0, 0, 0, 0};
            const uint32_t* c = column.data() + static_cast<size_t>(wx.first[x]) * 4;
            for (uint32_t k = wx.offset[x]; k < wx.offset[x + 1]; ++k, c += 4) {
                const uint64_t w = wx.weights[k];
                sum[0] += w * c[0];
                sum[1] += w * c[1];
                sum[2] += w * c[2];
                sum[3] += w * c[3];
            }
            for (int ch = 0; ch < 4; ++ch)
                out[4 * x + ch] = static_cast<uint8_t>((sum[ch] + half) / total);
        }
    }
}

void ResamplePoint(const PixelBlock& src, const MutablePixelBlock& dst) {
    std::vector<uint32_t> columns(dst.width);
    for (uint32_t x = 0; x < dst.width; ++x)
        columns[x] = static_cast<uint32_t>((2ull * x + 1) * src.width / (2ull * dst.width));
    for (uint32_t y = 0; y < dst.height; ++y) {
        const uint32_t sy =
            static_cast<uint32_t>((2ull * y + 1) * src.height / (2ull * dst.height));
        const uint8_t* in = src.data + sy * src.pitch;
        uint8_t* out = dst.data + y * dst.pitch;
        for (uint32_t x = 0; x < dst.width; ++x) std::memcpy(out + 4 * x, in + 4 * columns[x], 4);
    }
}

}  // namespace

void Resample(const PixelBlock& src, const MutablePixelBlock& dst, ResampleFilter filter) {
    if (src.width == 0 || src.height == 0 || dst.width == 0 || dst.height == 0) return;
    if (src.width == dst.width && src.height == dst.height) {
        for (uint32_t y = 0; y < dst.height; ++y)
            std::memcpy(dst.data + y * dst.pitch, src.data + y * src.pitch,
                        static_cast<size_t>(dst.width) * 4);
        return;
    }
    if (filter == ResampleFilter::Point) {
        ResamplePoint(src, dst);
    } else {
        ResampleBox(src, dst);
    }
}

namespace {

// One destination row of the exact 2 x 2 case.
void HalveRow(const uint8_t* r0, const uint8_t* r1, uint8_t* out, uint32_t width) {
    uint32_t x = 0;
#if defined(__SSE2__)
    // Four destination pixels per step: 16-bit sums of the two rows, then of pixel pairs.
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    for (; x + 4 <= width; x += 4, r0 += 32, r1 += 32, out += 16) {
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 16));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 16));
        // Column sums of pixels 0-1, 2-3, 4-5, 6-7 (each 128-bit half holds two pixels).
        const __m128i s01 = _mm_add_epi16(_mm_unpacklo_epi8(a0, zero), _mm_unpacklo_epi8(b0, zero));
        const __m128i s23 = _mm_add_epi16(_mm_unpackhi_epi8(a0, zero), _mm_unpackhi_epi8(b0, zero));
        const __m128i s45 = _mm_add_epi16(_mm_unpacklo_epi8(a1, zero), _mm_unpacklo_epi8(b1, zero));
        const __m128i s67 = _mm_add_epi16(_mm_unpackhi_epi8(a1, zero), _mm_unpackhi_epi8(b1, zero));
        // Add each pixel to its right neighbour: low 64 bits + high 64 bits of each register.
        const __m128i p01 = _mm_add_epi16(s01, _mm_unpackhi_epi64(s01, s01));
        const __m128i p23 = _mm_add_epi16(s23, _mm_unpackhi_epi64(s23, s23));
        const __m128i p45 = _mm_add_epi16(s45, _mm_unpackhi_epi64(s45, s45));
        const __m128i p67 = _mm_add_epi16(s67, _mm_unpackhi_epi64(s67, s67));
        const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(p01, p23), two), 2);
        const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(p45, p67), two), 2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; x < width; ++x, r0 += 8, r1 += 8, out += 4)
        Store(out, Average4(Load(r0), Load(r0 + 4), Load(r1), Load(r1 + 4)));
}

}  // namespace

void HalveBox(const PixelBlock& src, const MutablePixelBlock& dst) {
    if (src.width == 2 * dst.width && src.height == 2 * dst.height) {
        for (uint32_t y = 0; y < dst.height; ++y) {
            const uint8_t* r0 = src.data + (2 * y) * src.pitch;
            HalveRow(r0, r0 + src.pitch, dst.data + y * dst.pitch, dst.width);
        }
    } else if (src.height == 1 && dst.height == 1 && src.width == 2 * dst.width) {
        const uint8_t* in = src.data;
        for (uint32_t x = 0; x < dst.width; ++x, in += 8)
            Store(dst.data + 4 * x, Average2(Load(in), Load(in + 4)));
    } else if (src.width == 1 && dst.width == 1 && src.height == 2 * dst.height) {
        for (uint32_t y = 0; y < dst.height; ++y)
            Store(dst.data + y * dst.pitch, Average2(Load(src.data + 2 * y * src.pitch),
                                                     Load(src.data + (2 * y + 1) * src.pitch)));
    } else {
        Resample(src, dst, ResampleFilter::Box);
    }
}

}  // namespace imaging
