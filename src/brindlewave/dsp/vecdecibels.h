#pragma once
// The compressor's two per-sample decibel conversions for four lanes at once, in SSE2 double
// precision. Each lane's result is kept only when every value within a safe error bound of the
// approximation rounds to the same float; the lanes whose approximation lies next to a rounding
// boundary (or outside the range covered) are flagged, and the caller recomputes them with the
// reference formula. So the floats returned for unflagged lanes equal the reference exactly.

#include <emmintrin.h>

namespace brindlewave::lanes {

// 20 log10(x) for x positive, finite and normal. Flags (bit i of *redo) lanes to recompute.
inline __m128 decibels4(__m128 x, int* redo) noexcept {
    const __m128i bits = _mm_castps_si128(x);
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)): m - 1 is then exact in float.
    __m128i e = _mm_sub_epi32(_mm_srli_epi32(bits, 23), _mm_set1_epi32(127));
    __m128i mbits = _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x007FFFFF)),
                                 _mm_set1_epi32(0x3F800000));
    const __m128i high = _mm_cmpgt_epi32(mbits, _mm_set1_epi32(0x3FB504F3));
    mbits = _mm_sub_epi32(mbits, _mm_and_si128(high, _mm_set1_epi32(0x00800000)));
    e = _mm_sub_epi32(e, high);
    const __m128 t = _mm_sub_ps(_mm_castsi128_ps(mbits), _mm_set1_ps(1.0f));

    // ln(1 + t) = 2 atanh(s), s = t / (2 + t), |s| <= 0.1716: nine odd terms reach 2^-50.
    auto lnOnePlus = [](__m128d t2) {
        const __m128d s = _mm_div_pd(t2, _mm_add_pd(_mm_set1_pd(2.0), t2));
        const __m128d z = _mm_mul_pd(s, s);
        __m128d p = _mm_set1_pd(2.0 / 17.0);
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0 / 15.0));
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0 / 13.0));
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0 / 11.0));
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0 / 9.0));
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0 / 7.0));
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0 / 5.0));
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0 / 3.0));
        p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(2.0));
        return _mm_mul_pd(p, s);
    };
    const __m128d dbPerOctave = _mm_set1_pd(6.0205999132796239);   // 20 log10(2)
    const __m128d dbPerNeper = _mm_set1_pd(8.6858896380650366);    // 20 / ln(10)
    const __m128d tolScale = _mm_set1_pd(0x1p-44);
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));

    __m128 out[2];
    int flags = 0;
    for (int half = 0; half < 2; ++half) {
        const __m128 th = half == 0 ? t : _mm_movehl_ps(t, t);
        const __m128i eh = half == 0 ? e : _mm_shuffle_epi32(e, _MM_SHUFFLE(1, 0, 3, 2));
        const __m128d v = _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(eh), dbPerOctave),
                                     _mm_mul_pd(lnOnePlus(_mm_cvtps_pd(th)), dbPerNeper));
        const __m128d tol = _mm_mul_pd(_mm_and_pd(v, absMask), tolScale);
        const __m128 lo = _mm_cvtpd_ps(_mm_sub_pd(v, tol));
        const __m128 hi = _mm_cvtpd_ps(_mm_add_pd(v, tol));
        flags |= (~_mm_movemask_ps(_mm_cmpeq_ps(lo, hi)) & 3) << (2 * half);
        out[half] = _mm_cvtpd_ps(v);
    }
    *redo = flags;
    return _mm_movelh_ps(out[0], out[1]);
}

// 10^(db / 20) for db <= 0 (the division by 20 in double, as the reference does). Lanes whose
// result would fall below the normal float range are flagged too.
inline __m128 gain4(__m128 db, int* redo) noexcept {
    const __m128d log2of10 = _mm_set1_pd(3.3219280948873622);
    const __m128d ln2 = _mm_set1_pd(0.69314718055994531);
    const __m128d tolScale = _mm_set1_pd(0x1p-40);

    __m128 out[2];
    int flags = 0;
    for (int half = 0; half < 2; ++half) {
        const __m128 dh = half == 0 ? db : _mm_movehl_ps(db, db);
        const __m128d y = _mm_mul_pd(_mm_div_pd(_mm_cvtps_pd(dh), _mm_set1_pd(20.0)), log2of10);
        // Beyond the normal floats (and beyond what the exponent trick below covers).
        const __m128d outside = _mm_or_pd(_mm_cmplt_pd(y, _mm_set1_pd(-125.0)),
                                          _mm_cmpgt_pd(y, _mm_set1_pd(1.0)));
        const __m128d yc = _mm_min_pd(_mm_max_pd(y, _mm_set1_pd(-125.0)), _mm_set1_pd(1.0));
        const __m128i n = _mm_cvtpd_epi32(yc);  // nearest
        const __m128d u = _mm_mul_pd(_mm_sub_pd(yc, _mm_cvtepi32_pd(n)), ln2);  // |u| <= ln2 / 2
        // exp(u), thirteen Taylor terms: the remainder is below 2^-52.
        __m128d p = _mm_set1_pd(1.0 / 479001600.0);
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 39916800.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 3628800.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 362880.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 40320.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 5040.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 720.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 120.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 24.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0 / 6.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(0.5));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0));
        p = _mm_add_pd(_mm_mul_pd(p, u), _mm_set1_pd(1.0));
        // Scale by 2^n through the exponent field: only the low 12 bits of each 64-bit lane's
        // n reach the exponent, which is what a two's-complement add needs.
        const __m128i n64 = _mm_shuffle_epi32(n, _MM_SHUFFLE(1, 1, 0, 0));
        const __m128i scaled = _mm_add_epi64(_mm_castpd_si128(p),
                                             _mm_slli_epi64(n64, 52));
        const __m128d v = _mm_castsi128_pd(scaled);
        const __m128d tol = _mm_mul_pd(v, tolScale);
        const __m128 lo = _mm_cvtpd_ps(_mm_sub_pd(v, tol));
        const __m128 hi = _mm_cvtpd_ps(_mm_add_pd(v, tol));
        const int unsafe = ~_mm_movemask_ps(_mm_cmpeq_ps(lo, hi)) & 3;
        flags |= (unsafe | _mm_movemask_pd(outside)) << (2 * half);
        out[half] = _mm_cvtpd_ps(v);
    }
    *redo = flags;
    return _mm_movelh_ps(out[0], out[1]);
}

}  // namespace brindlewave::lanes
