#pragma once
// The compressor's two per-sample decibel conversions for two lanes at a time in SSE2 double
// precision, by table and short polynomial (no division). Each lane's result is kept only when
// every value within a safe error bound of the approximation rounds to the same float; lanes
// whose approximation lies next to a rounding boundary (or outside the range covered) are
// flagged, and the caller recomputes them with the reference formula. So the floats returned for
// unflagged lanes equal the reference exactly.

#include <emmintrin.h>

namespace brindlewave::lanes {

struct DecibelTables {
    // ln of x = m 2^e, m in [sqrt(1/2), sqrt(2)): entry i + 19 for m near c = 1 + i/64 holds
    // 1/c rounded to float (so m x 1/c is exact in double) and ln c = -ln(that float).
    double inverse[47];
    double logOfCentre[47];
    // 2^(j/16), j = 0..15.
    double fractionPower[16];
};
const DecibelTables& decibelTables() noexcept;

struct Decibels2 {
    __m128d value;  // two results, still in double
    int redo;       // bits 0 and 1: lanes to recompute
};

namespace detail {
// True in each lane where v +- tol round to the same float.
inline int unsafeLanes(__m128d v, __m128d tol) noexcept {
    const __m128 lo = _mm_cvtpd_ps(_mm_sub_pd(v, tol));
    const __m128 hi = _mm_cvtpd_ps(_mm_add_pd(v, tol));
    return ~_mm_movemask_ps(_mm_cmpeq_ps(lo, hi)) & 3;
}

inline __m128d pick(const double* table, int i0, int i1) noexcept {
    return _mm_loadh_pd(_mm_load_sd(table + i0), table + i1);
}
}  // namespace detail

// 20 log10(x) of two floats in lanes 0 and 1 of x (positive, finite, normal).
__attribute__((always_inline)) inline Decibels2 decibels2(__m128 x,
                                                          const DecibelTables& t) noexcept {
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
    // ln(1 + r) = r + r^2 (-1/2 + r/3) + r^4 ((-1/4 + r/5) + r^2 (-1/6 + r/7) - r^4 / 8).
    const __m128d upper = _mm_add_pd(
        _mm_add_pd(pair(-1.0 / 4.0, 1.0 / 5.0), _mm_mul_pd(pair(-1.0 / 6.0, 1.0 / 7.0), r2)),
        _mm_mul_pd(_mm_set1_pd(-1.0 / 8.0), r4));
    const __m128d ln1p = _mm_add_pd(_mm_add_pd(r, _mm_mul_pd(pair(-1.0 / 2.0, 1.0 / 3.0), r2)),
                                    _mm_mul_pd(upper, r4));
    const __m128d v =
        _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(e), _mm_set1_pd(6.0205999132796239)),  // 20 log10(2)
                   _mm_mul_pd(_mm_add_pd(detail::pick(t.logOfCentre, i0, i1), ln1p),
                              _mm_set1_pd(8.6858896380650366)));  // 20 / ln(10)
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    const __m128d tol = _mm_mul_pd(_mm_and_pd(v, absMask), _mm_set1_pd(0x1p-44));
    return {v, detail::unsafeLanes(v, tol)};
}

// 10^(db / 20) of two floats in lanes 0 and 1 of db (db <= 0).
__attribute__((always_inline)) inline Decibels2 gain2(__m128 db, const DecibelTables& t) noexcept {
    // 10^(db/20) = 2^y, y = 16 y / 16; the reference rounds db / 20 first, which the tolerance
    // covers.
    const __m128d y16 = _mm_mul_pd(_mm_cvtps_pd(db), _mm_set1_pd(16.0 * 3.3219280948873622 / 20.0));
    const __m128d outside = _mm_cmplt_pd(y16, _mm_set1_pd(-125.0 * 16));
    const __m128d yc = _mm_max_pd(y16, _mm_set1_pd(-125.0 * 16));
    // n = nearest integer to 16 y, read from the low mantissa bits after adding 1.5 x 2^52.
    const __m128d magic = _mm_set1_pd(0x1.8p52);
    const __m128d shifted = _mm_add_pd(yc, magic);
    const __m128i n = _mm_sub_epi64(_mm_castpd_si128(shifted), _mm_castpd_si128(magic));
    // f = 16 y - n, |f| <= 1/2, exact; 2^(f/16) = exp(u), u = f ln2 / 16, |u| < 0.0217.
    const __m128d f = _mm_sub_pd(yc, _mm_sub_pd(shifted, magic));
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

}  // namespace brindlewave::lanes
