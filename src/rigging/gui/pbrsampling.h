#pragma once
// The pyramid's bilinear and trilinear samples, inlined for the lighting loops (several per
// pixel, so a call and a vector built channel by channel cost more than the arithmetic). Lane
// for lane the same operations as Mipmap::linearSample and linearMipmapSample, so the results
// are the same bits.

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "rigging/graphics/mipmap.h"

namespace rigging::pbr {

// Called several times per pixel: always inlined, whatever the compiler's estimate.
#define PBR_INLINE inline __attribute__((always_inline))

// The two texels a sample blends along one axis, and the weight of the second.
struct Taps {
    int i0, i1;
    float t;
};

// Coordinate p (level-0 pixels) at a level of the given scale and size.
PBR_INLINE Taps taps(float p, float scale, int size) noexcept {
    float f = p * scale - 0.5f;
    // NaN and absurd coordinates pinned before the conversion, as the pyramid does.
    if (!(f > 0.0f)) f = 0.0f;
    if (!(f < 1073741824.0f)) f = 1073741824.0f;
    const int i = static_cast<int>(f);
    Taps r;
    r.t = f - static_cast<float>(i);
    r.i0 = i < size - 1 ? i : size - 1;
    r.i1 = i + 1 < size - 1 ? i + 1 : size - 1;
    return r;
}

// 2^-level, exact.
inline float levelScale(int level) noexcept {
    std::uint32_t bits = static_cast<std::uint32_t>(127 - level) << 23;
    float s;
    std::memcpy(&s, &bits, 4);
    return s;
}

template <typename C>
inline int clampLevel(const Mipmap<C>& m, int level) noexcept {
    if (level < 0) level = 0;
    if (level > m.numLevels() - 1) level = m.numLevels() - 1;
    return level;
}

// One level's bilinear sample, from taps already made for that level.
PBR_INLINE float sample(const OwnedImage<L16>& img, const Taps& x, const Taps& y) noexcept {
    const L16* row0 = img.scanlinePtr(y.i0);
    const L16* row1 = img.scanlinePtr(y.i1);
    const float a = row0[x.i0].l, b = row0[x.i1].l, c = row1[x.i0].l, d = row1[x.i1].l;
    return (a * (1.0f - x.t) + b * x.t) * (1.0f - y.t) + (c * (1.0f - x.t) + d * x.t) * y.t;
}

PBR_INLINE __m128 texel(const RGBA* p) noexcept {
    int word;
    std::memcpy(&word, p, 4);
    __m128i v = _mm_unpacklo_epi8(_mm_cvtsi32_si128(word), _mm_setzero_si128());
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(v, _mm_setzero_si128()));
}

PBR_INLINE __m128 sample(const OwnedImage<RGBA>& img, const Taps& x, const Taps& y) noexcept {
    const RGBA* row0 = img.scanlinePtr(y.i0);
    const RGBA* row1 = img.scanlinePtr(y.i1);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 tx = _mm_set1_ps(x.t), ux = _mm_sub_ps(one, tx);
    const __m128 ty = _mm_set1_ps(y.t), uy = _mm_sub_ps(one, ty);
    __m128 top = _mm_add_ps(_mm_mul_ps(texel(row0 + x.i0), ux), _mm_mul_ps(texel(row0 + x.i1), tx));
    __m128 bottom =
        _mm_add_ps(_mm_mul_ps(texel(row1 + x.i0), ux), _mm_mul_ps(texel(row1 + x.i1), tx));
    return _mm_add_ps(_mm_mul_ps(top, uy), _mm_mul_ps(bottom, ty));
}

// linearSample(level, x, y) of the pyramid.
template <typename C>
PBR_INLINE auto linearSample(const Mipmap<C>& m, int level, float x, float y) noexcept {
    level = clampLevel(m, level);
    const OwnedImage<C>& img = m.level(level);
    const float s = levelScale(level);
    return sample(img, taps(x, s, img.width()), taps(y, s, img.height()));
}

// min(v, limit) per 32-bit lane, SSE2 only.
PBR_INLINE __m128i minEpi32(__m128i v, __m128i limit) noexcept {
    const __m128i over = _mm_cmpgt_epi32(v, limit);
    return _mm_or_si128(_mm_and_si128(over, limit), _mm_andnot_si128(over, v));
}

// Texels p and q of a row as two float vectors.
PBR_INLINE void texelPair(const RGBA* p, const RGBA* q, __m128& a, __m128& b) noexcept {
    int wp, wq;
    std::memcpy(&wp, p, 4);
    std::memcpy(&wq, q, 4);
    const __m128i zero = _mm_setzero_si128();
    __m128i v =
        _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(wp), _mm_cvtsi32_si128(wq)), zero);
    a = _mm_cvtepi32_ps(_mm_unpacklo_epi16(v, zero));
    b = _mm_cvtepi32_ps(_mm_unpackhi_epi16(v, zero));
}

PBR_INLINE __m128 blend(const OwnedImage<RGBA>& img, int x0, int x1, int y0, int y1, float tx,
                        float ty) noexcept {
    const RGBA* row0 = img.scanlinePtr(y0);
    const RGBA* row1 = img.scanlinePtr(y1);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 vtx = _mm_set1_ps(tx), ux = _mm_sub_ps(one, vtx);
    const __m128 vty = _mm_set1_ps(ty), uy = _mm_sub_ps(one, vty);
    __m128 a, b, c, d;
    texelPair(row0 + x0, row0 + x1, a, b);
    texelPair(row1 + x0, row1 + x1, c, d);
    __m128 top = _mm_add_ps(_mm_mul_ps(a, ux), _mm_mul_ps(b, vtx));
    __m128 bottom = _mm_add_ps(_mm_mul_ps(c, ux), _mm_mul_ps(d, vtx));
    return _mm_add_ps(_mm_mul_ps(top, uy), _mm_mul_ps(bottom, vty));
}

// linearMipmapSample(level, x, y) of an RGBA pyramid. The taps of both levels are made in one
// register, lane for lane as taps() makes them.
PBR_INLINE __m128 linearMipmapSample(const Mipmap<RGBA>& m, float level, float x,
                                     float y) noexcept {
    if (!(level > 0.0f)) level = 0.0f;
    if (level > 1048576.0f) level = 1048576.0f;
    const int l = static_cast<int>(level);
    const float t = level - static_cast<float>(l);
    const int la = clampLevel(m, l), lb = clampLevel(m, l + 1);
    const OwnedImage<RGBA>& A = m.level(la);
    const OwnedImage<RGBA>& B = m.level(lb);
    const float sa = levelScale(la), sb = levelScale(lb);

    __m128 f = _mm_sub_ps(_mm_mul_ps(_mm_setr_ps(x, y, x, y), _mm_setr_ps(sa, sa, sb, sb)),
                          _mm_set1_ps(0.5f));
    f = _mm_max_ps(f, _mm_setzero_ps());            // NaN and below zero: 0
    f = _mm_min_ps(f, _mm_set1_ps(1073741824.0f));  // absurd: pinned
    const __m128i i = _mm_cvttps_epi32(f);
    const __m128i last =
        _mm_setr_epi32(A.width() - 1, A.height() - 1, B.width() - 1, B.height() - 1);
    alignas(16) int i0[4], i1[4];
    alignas(16) float w[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(i0), minEpi32(i, last));
    _mm_store_si128(reinterpret_cast<__m128i*>(i1),
                    minEpi32(_mm_add_epi32(i, _mm_set1_epi32(1)), last));
    _mm_store_ps(w, _mm_sub_ps(f, _mm_cvtepi32_ps(i)));

    const __m128 a = blend(A, i0[0], i1[0], i0[1], i1[1], w[0], w[1]);
    if (t == 0.0f) return a;
    const __m128 b = blend(B, i0[2], i1[2], i0[3], i1[3], w[2], w[3]);
    return _mm_add_ps(_mm_mul_ps(a, _mm_set1_ps(1.0f - t)), _mm_mul_ps(b, _mm_set1_ps(t)));
}

#undef PBR_INLINE

}  // namespace rigging::pbr
