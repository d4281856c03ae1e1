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
    __m128 bottom = _mm_add_ps(_mm_mul_ps(texel(row1 + x.i0), ux), _mm_mul_ps(texel(row1 + x.i1), tx));
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

// linearMipmapSample(level, x, y) of an RGBA pyramid.
PBR_INLINE __m128 linearMipmapSample(const Mipmap<RGBA>& m, float level, float x, float y) noexcept {
    if (!(level > 0.0f)) level = 0.0f;
    if (level > 1048576.0f) level = 1048576.0f;
    const int l = static_cast<int>(level);
    const float t = level - static_cast<float>(l);
    const __m128 a = linearSample(m, l, x, y);
    if (t == 0.0f) return a;
    const __m128 b = linearSample(m, l + 1, x, y);
    return _mm_add_ps(_mm_mul_ps(a, _mm_set1_ps(1.0f - t)), _mm_mul_ps(b, _mm_set1_ps(t)));
}

#undef PBR_INLINE

}  // namespace rigging::pbr
