#pragma once
// The compressor's two per-sample decibel conversions, rounded exactly as their reference
// formulas (decibelsOfReference and gainOfDecibelsReference, brindlewave/decibels.h) round, at a
// fraction of the cost: one implementation, by table and short polynomial in SSE2 double
// precision, with a four-lane form for the vector kernel and a scalar form for the plain path.
// Each result is kept only when every value within a safe error bound of the approximation
// rounds to the same float; results next to a rounding boundary (and inputs outside the range
// covered) are flagged and take the reference formula, so every float returned equals the
// reference's.

#include <emmintrin.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "brindlewave/decibels.h"
#include "brindlewave/dsp/alwaysinline.h"

namespace brindlewave {

namespace decibels {

namespace detail {

constexpr long double ln2 = 0.693147180559945309417232121458176568L;
constexpr long double ln10 = 2.302585092994045684017991454684364208L;

// ln(c) for c near 1, by the series of atanh((c - 1) / (c + 1)); compile time only.
constexpr long double lnNearOne(long double c) {
    const long double s = (c - 1) / (c + 1), s2 = s * s;
    long double term = s, sum = 0;
    for (int k = 1; k < 80; k += 2) {
        sum += term / k;
        term *= s2;
    }
    return 2 * sum;
}

constexpr long double expSeries(long double x) {
    long double term = 1, sum = 1;
    for (int k = 1; k < 40; ++k) {
        term *= x / k;
        sum += term;
    }
    return sum;
}

}  // namespace detail

struct Tables {
    // ln of x = m 2^e, m in [sqrt(1/2), sqrt(2)): entry i + 19 for m near c = 1 + i/64 holds
    // 1/c rounded to float (so m x 1/c is exact in double) and 20 log10(c) = -20 log10(that
    // float).
    double inverse[47];
    double decibelsOfCentre[47];
    double fractionPower[16];  // 2^(j/16), j = 0..15
    constexpr Tables() : inverse(), decibelsOfCentre(), fractionPower() {
        for (int i = -19; i <= 27; ++i) {
            const float inv = static_cast<float>(1.0L / (1.0L + i / 64.0L));
            inverse[i + 19] = inv;
            decibelsOfCentre[i + 19] =
                static_cast<double>(-20.0L * detail::lnNearOne(inv) / detail::ln10);
        }
        for (int j = 0; j < 16; ++j)
            fractionPower[j] = static_cast<double>(detail::expSeries(detail::ln2 * j / 16.0L));
    }
};

inline constexpr Tables tables{};

// Two results, still in double, and the lanes (bits 0 and 1) to recompute.
struct Lanes2 {
    __m128d value;
    int redo;
};

// Four results as two halves, and the lanes (bits 0 to 3) to recompute.
struct Lanes4 {
    __m128d low, high;
    int redo;
};

namespace detail {

// Bit i set where v +- tol do not round to the same float.
BRINDLEWAVE_INLINE int unsafeLanes(__m128d v, __m128d tol) noexcept {
    const __m128 lo = _mm_cvtpd_ps(_mm_sub_pd(v, tol));
    const __m128 hi = _mm_cvtpd_ps(_mm_add_pd(v, tol));
    return ~_mm_movemask_ps(_mm_cmpeq_ps(lo, hi)) & 3;
}

BRINDLEWAVE_INLINE __m128d pick(const double* table, int i0, int i1) noexcept {
    return _mm_loadh_pd(_mm_load_sd(table + i0), table + i1);
}

}  // namespace detail

// 20 log10(x) of the floats in lanes 0 and 1 of x (positive, finite and normal; any other bits
// give some value and stay in range of the tables).
BRINDLEWAVE_INLINE Lanes2 decibels2(__m128 x) noexcept {
    const Tables& t = tables;
    const __m128i bits = _mm_castps_si128(x);
    __m128i e = _mm_sub_epi32(_mm_srli_epi32(bits, 23), _mm_set1_epi32(127));
    __m128i mbits =
        _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x007FFFFF)), _mm_set1_epi32(0x3F800000));
    const __m128i high = _mm_cmpgt_epi32(mbits, _mm_set1_epi32(0x3FB504F3));
    mbits = _mm_sub_epi32(mbits, _mm_and_si128(high, _mm_set1_epi32(0x00800000)));
    e = _mm_sub_epi32(e, high);
    const __m128 m = _mm_castsi128_ps(mbits);
    // Table entry i + 19 for m near 1 + i/64, from the mantissa bits: above 1 the fraction
    // counts 2^-23 steps, below 1 (exponent one lower) 2^-24 steps from 1/2.
    const __m128i fraction = _mm_and_si128(mbits, _mm_set1_epi32(0x007FFFFF));
    const __m128i above = _mm_srli_epi32(_mm_add_epi32(fraction, _mm_set1_epi32(0x10000)), 17);
    const __m128i below = _mm_sub_epi32(
        _mm_srli_epi32(_mm_add_epi32(fraction, _mm_set1_epi32(0x20000)), 18), _mm_set1_epi32(32));
    const __m128i lessThanOne = _mm_cmplt_epi32(mbits, _mm_set1_epi32(0x3F800000));
    const __m128i idx = _mm_add_epi32(
        _mm_or_si128(_mm_and_si128(lessThanOne, below), _mm_andnot_si128(lessThanOne, above)),
        _mm_set1_epi32(19));
    const long long both = _mm_cvtsi128_si64(idx);
    const int i0 = static_cast<int>(both);
    const int i1 = static_cast<int>(both >> 32);
    // r = m / c - 1, exact, |r| < 0.0112: eight terms of ln(1 + r) reach 2^-52.
    const __m128d r =
        _mm_sub_pd(_mm_mul_pd(_mm_cvtps_pd(m), detail::pick(t.inverse, i0, i1)), _mm_set1_pd(1.0));
    const __m128d r2 = _mm_mul_pd(r, r);
    const __m128d r4 = _mm_mul_pd(r2, r2);
    auto pair = [&](double a, double b) {
        return _mm_add_pd(_mm_set1_pd(a), _mm_mul_pd(_mm_set1_pd(b), r));
    };
    // 20 log10(1 + r) = C (r + r^2 (-1/2 + r/3) + r^4 ((-1/4 + r/5) + r^2 (-1/6 + r/7) - r^4/8)),
    // C = 20 / ln(10) folded into the coefficients.
    constexpr double C = 8.6858896380650366;
    const __m128d upper =
        _mm_add_pd(_mm_add_pd(pair(-C / 4.0, C / 5.0), _mm_mul_pd(pair(-C / 6.0, C / 7.0), r2)),
                   _mm_mul_pd(_mm_set1_pd(-C / 8.0), r4));
    const __m128d db1p = _mm_add_pd(
        _mm_add_pd(_mm_mul_pd(_mm_set1_pd(C), r), _mm_mul_pd(pair(-C / 2.0, C / 3.0), r2)),
        _mm_mul_pd(upper, r4));
    const __m128d v = _mm_add_pd(
        _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(e), _mm_set1_pd(6.0205999132796239)),  // 20 log10 2
                   detail::pick(t.decibelsOfCentre, i0, i1)),
        db1p);
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    const __m128d tol = _mm_mul_pd(_mm_and_pd(v, absMask), _mm_set1_pd(0x1p-44));
    return {v, detail::unsafeLanes(v, tol)};
}

// 10^(db / 20) of the floats in lanes 0 and 1 of db (db <= 0; below the normal floats, and for
// -inf, the lane is flagged).
BRINDLEWAVE_INLINE Lanes2 gain2(__m128 db) noexcept {
    const Tables& t = tables;
    // 10^(db/20) = 2^y, y = 16 y / 16; the reference rounds db / 20 first, which the tolerance
    // covers.
    const __m128d y16 = _mm_mul_pd(_mm_cvtps_pd(db), _mm_set1_pd(16.0 * 3.3219280948873622 / 20.0));
    // Lanes beyond the normal floats are flagged; what they compute below does not matter.
    const __m128d outside = _mm_cmplt_pd(y16, _mm_set1_pd(-125.0 * 16));
    // n = nearest integer to 16 y, read from the low mantissa bits after adding 1.5 x 2^52.
    const __m128d magic = _mm_set1_pd(0x1.8p52);
    const __m128d shifted = _mm_add_pd(y16, magic);
    const __m128i n = _mm_sub_epi64(_mm_castpd_si128(shifted), _mm_castpd_si128(magic));
    // f = 16 y - n, |f| <= 1/2, exact; 2^(f/16) = exp(u), u = f ln2 / 16, |u| < 0.0217.
    const __m128d f = _mm_sub_pd(y16, _mm_sub_pd(shifted, magic));
    const __m128i j = _mm_and_si128(n, _mm_set1_epi64x(15));
    const int j0 = _mm_cvtsi128_si32(j);
    const int j1 = _mm_cvtsi128_si32(_mm_srli_si128(j, 8));
    // exp(u) to degree 6 (remainder below 2^-51), coefficients in powers of f.
    constexpr double k = 0.69314718055994531 / 16.0;
    const __m128d f2 = _mm_mul_pd(f, f);
    const __m128d f4 = _mm_mul_pd(f2, f2);
    auto pair = [&](double a, double b) {
        return _mm_add_pd(_mm_set1_pd(a), _mm_mul_pd(_mm_set1_pd(b), f));
    };
    const double k2 = k * k, k3 = k2 * k, k4 = k3 * k, k5 = k4 * k, k6 = k5 * k;
    const __m128d lower = _mm_add_pd(pair(1.0, k), _mm_mul_pd(pair(k2 / 2, k3 / 6), f2));
    const __m128d upper =
        _mm_add_pd(pair(k4 / 24, k5 / 120), _mm_mul_pd(_mm_set1_pd(k6 / 720), f2));
    const __m128d p = _mm_add_pd(lower, _mm_mul_pd(upper, f4));
    const __m128d w = _mm_mul_pd(p, detail::pick(t.fractionPower, j0, j1));
    // Times 2^(n >> 4) through the exponent field: (n << 48) with its low 52 bits cleared.
    const __m128i scale = _mm_and_si128(
        _mm_slli_epi64(n, 48), _mm_set1_epi64x(static_cast<long long>(0xFFF0000000000000ull)));
    const __m128d v = _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(w), scale));
    const __m128d tol = _mm_mul_pd(v, _mm_set1_pd(0x1p-40));
    return {v, detail::unsafeLanes(v, tol) | _mm_movemask_pd(outside)};
}

// The four-lane forms: both halves of x.
BRINDLEWAVE_INLINE Lanes4 decibels4(__m128 x) noexcept {
    const Lanes2 low = decibels2(x), high = decibels2(_mm_movehl_ps(x, x));
    return {low.value, high.value, low.redo | high.redo << 2};
}

BRINDLEWAVE_INLINE Lanes4 gain4(__m128 db) noexcept {
    const Lanes2 low = gain2(db), high = gain2(_mm_movehl_ps(db, db));
    return {low.value, high.value, low.redo | high.redo << 2};
}

// The floats of a four-lane result; the flagged lanes among `needed` (bits 0 to 3) are
// recomputed from `input` by the reference. Lanes outside `needed` may hold anything.
template <float (*Reference)(float)>
BRINDLEWAVE_INLINE __m128 settle(const Lanes4& r, __m128 input, int needed) noexcept {
    __m128 v = _mm_movelh_ps(_mm_cvtpd_ps(r.low), _mm_cvtpd_ps(r.high));
    const int redo = r.redo & needed;
    if (redo) {
        alignas(16) float vl[4], xl[4];
        _mm_store_ps(vl, v);
        _mm_store_ps(xl, input);
        for (int b = 0; b < 4; ++b)
            if (redo & (1 << b)) vl[b] = Reference(xl[b]);
        v = _mm_load_ps(vl);
    }
    return v;
}

}  // namespace decibels

// The scalar forms: lane 0 of the same computation.
inline float decibelsOf(float x) noexcept {
    const std::uint32_t ix = std::bit_cast<std::uint32_t>(x);
    // Zero, subnormals, negatives, infinities and NaN: the reference.
    if (ix - 0x00800000u >= 0x7f800000u - 0x00800000u) return decibelsOfReference(x);
    const decibels::Lanes2 r = decibels::decibels2(_mm_set_ss(x));
    if (r.redo & 1) return decibelsOfReference(x);
    return _mm_cvtss_f32(_mm_cvtpd_ps(r.value));
}

inline float gainOfDecibels(float db) noexcept {
    // The gain computer only asks for reductions; positive values and NaN: the reference.
    if (!(db <= 0.0f)) return gainOfDecibelsReference(db);
    const decibels::Lanes2 r = decibels::gain2(_mm_set_ss(db));
    if (r.redo & 1) return gainOfDecibelsReference(db);
    return _mm_cvtss_f32(_mm_cvtpd_ps(r.value));
}

}  // namespace brindlewave
