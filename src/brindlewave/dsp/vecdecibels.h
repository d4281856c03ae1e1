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
__attribute__((always_inline)) inline Decibels2 decibels2(__m128 x, const DecibelTables& t) noexcept {
    const __m128i bits = _mm_castps_si128(x);
    __m128i e = _mm_sub_epi32(_mm_srli_epi32(bits, 23), _mm_set1_epi32(127));
    __m128i mbits =
        _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x007FFFFF)), _mm_set1_epi32(0x3F800000));
    const __m128i high = _mm_cmpgt_epi32(mbits, _mm_set1_epi32(0x3FB504F3));
    mbits = _mm_sub_epi32(mbits, _mm_and_si128(high, _mm_set1_epi32(0x00800000)));
    e = _mm_sub_epi32(e, high);
    const __m128 m = _mm_castsi128_ps(mbits);
    // (m - 1) x 64 is exact; its nearest integer picks the table entry.
    const __m128i idx = _mm_add_epi32(
        _mm_cvtps_epi32(_mm_mul_ps(_mm_sub_ps(m, _mm_set1_ps(1.0f)), _mm_set1_ps(64.0f))),
        _mm_set1_epi32(19));
    const int i0 = _mm_cvtsi128_si32(idx);
    const int i1 = _mm_cvtsi128_si32(_mm_shuffle_epi32(idx, _MM_SHUFFLE(1, 1, 1, 1)));
    // r = m / c - 1, exact, |r| < 0.0112: eight terms of ln(1 + r) reach 2^-52.
    const __m128d r =
        _mm_sub_pd(_mm_mul_pd(_mm_cvtps_pd(m), detail::pick(t.inverse, i0, i1)), _mm_set1_pd(1.0));
    const __m128d r2 = _mm_mul_pd(r, r);
    const __m128d r4 = _mm_mul_pd(r2, r2);
    auto pair = [&](double a, double b) {
        return _mm_add_pd(_mm_set1_pd(a), _mm_mul_pd(_mm_set1_pd(b), r));
    };
    // ln(1 + r) = r - r^2/2 + r^3/3 - r^4/4 + r^5/5 - r^6/6 + r^7/7 - r^8/8.
    const __m128d c01 = pair(0.0, 1.0);               // r
    const __m128d c23 = pair(-1.0 / 2.0, 1.0 / 3.0);  // -1/2 + r/3   (times r^2)
    const __m128d c45 = pair(-1.0 / 4.0, 1.0 / 5.0);  // times r^4
    const __m128d c67 = pair(-1.0 / 6.0, 1.0 / 7.0);  // times r^6
    const __m128d upper =
        _mm_add_pd(c45, _mm_mul_pd(r2, _mm_add_pd(c67, _mm_mul_pd(_mm_set1_pd(-1.0 / 8.0), r2))));
    const __m128d ln1p = _mm_add_pd(_mm_add_pd(c01, _mm_mul_pd(c23, r2)), _mm_mul_pd(upper, r4));
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
    // 10^(db/20) = 2^y; the reference rounds db / 20 first, which the tolerance covers.
    const __m128d y = _mm_mul_pd(_mm_cvtps_pd(db), _mm_set1_pd(3.3219280948873622 / 20.0));
    const __m128d outside = _mm_cmplt_pd(y, _mm_set1_pd(-125.0));
    const __m128d yc = _mm_max_pd(y, _mm_set1_pd(-125.0));
    // y = q + j/16 + f, |f| <= 1/32.
    const __m128i n16 = _mm_cvtpd_epi32(_mm_mul_pd(yc, _mm_set1_pd(16.0)));
    const __m128d f = _mm_sub_pd(yc, _mm_mul_pd(_mm_cvtepi32_pd(n16), _mm_set1_pd(1.0 / 16.0)));
    const __m128d u = _mm_mul_pd(f, _mm_set1_pd(0.69314718055994531));
    const __m128i j = _mm_and_si128(n16, _mm_set1_epi32(15));
    const __m128i q = _mm_srai_epi32(n16, 4);
    const int j0 = _mm_cvtsi128_si32(j);
    const int j1 = _mm_cvtsi128_si32(_mm_shuffle_epi32(j, _MM_SHUFFLE(1, 1, 1, 1)));
    // exp(u), |u| < 0.0217, degree 6: the remainder is below 2^-51.
    const __m128d u2 = _mm_mul_pd(u, u);
    auto pair = [&](double a, double b) {
        return _mm_add_pd(_mm_set1_pd(a), _mm_mul_pd(_mm_set1_pd(b), u));
    };
    const __m128d p = _mm_add_pd(
        pair(1.0, 1.0),
        _mm_mul_pd(
            u2, _mm_add_pd(pair(1.0 / 2.0, 1.0 / 6.0),
                           _mm_mul_pd(u2, _mm_add_pd(pair(1.0 / 24.0, 1.0 / 120.0),
                                                     _mm_mul_pd(u2, _mm_set1_pd(1.0 / 720.0)))))));
    const __m128d w = _mm_mul_pd(p, detail::pick(t.fractionPower, j0, j1));
    // Scale by 2^q through the exponent field (the low 12 bits of q suffice for the add).
    const __m128i q64 = _mm_shuffle_epi32(q, _MM_SHUFFLE(1, 1, 0, 0));
    const __m128d v = _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(w), _mm_slli_epi64(q64, 52)));
    const __m128d tol = _mm_mul_pd(v, _mm_set1_pd(0x1p-40));
    return {v, detail::unsafeLanes(v, tol) | _mm_movemask_pd(outside)};
}

}  // namespace brindlewave::lanes
