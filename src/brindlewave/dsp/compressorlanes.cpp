#include "brindlewave/dsp/compressorlanes.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace brindlewave {

namespace {

using namespace decibels_detail;

// Two lanes of decibelsOf's fast path (the same operations, so the same values); the float
// result and whether it is safe to keep, in the two low lanes.
struct HalfResult {
    __m128 value, safe;
};

inline HalfResult safeToFloat(__m128d v, __m128d tol) noexcept {
    const __m128 lo = _mm_cvtpd_ps(_mm_sub_pd(v, tol));
    const __m128 hi = _mm_cvtpd_ps(_mm_add_pd(v, tol));
    return {_mm_cvtpd_ps(v), _mm_cmpeq_ps(lo, hi)};
}

// The four lanes from two halves. Lanes that are needed but not safe to keep, or whose input lies
// outside the fast range (not valid), take the reference formula.
template <float (*Reference)(float)>
inline __m128 finish(HalfResult low, HalfResult high, __m128 valid, __m128 needed,
                     __m128 input) noexcept {
    __m128 value = _mm_movelh_ps(low.value, high.value);
    const __m128 safe = _mm_and_ps(_mm_movelh_ps(low.safe, high.safe), valid);
    const int patch = _mm_movemask_ps(_mm_andnot_ps(safe, needed));
    if (patch != 0) {
        alignas(16) float v[4], x[4];
        _mm_store_ps(v, value);
        _mm_store_ps(x, input);
        for (int l = 0; l < 4; ++l)
            if (patch & (1 << l)) v[l] = Reference(x[l]);
        value = _mm_load_ps(v);
    }
    return value;
}

inline __m128d absPd(__m128d v) noexcept {
    return _mm_andnot_pd(_mm_set1_pd(-0.0), v);
}

inline HalfResult levelHalf(__m128 m4, __m128i e4, const std::int32_t* idx, int at) noexcept {
    const __m128d m = _mm_cvtps_pd(m4);
    const __m128d e = _mm_cvtepi32_pd(e4);
    const __m128d c = _mm_setr_pd(logTable.c[idx[at]], logTable.c[idx[at + 1]]);
    const __m128d l = _mm_setr_pd(logTable.log2InvC[idx[at]], logTable.log2InvC[idx[at + 1]]);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d r = _mm_sub_pd(_mm_mul_pd(m, c), one);
    const __m128d r2 = _mm_mul_pd(r, r), r4 = _mm_mul_pd(r2, r2);
    const __m128d a = _mm_sub_pd(one, _mm_mul_pd(r, _mm_set1_pd(1.0 / 2)));
    const __m128d b = _mm_sub_pd(_mm_set1_pd(1.0 / 3), _mm_mul_pd(r, _mm_set1_pd(1.0 / 4)));
    const __m128d c5 = _mm_sub_pd(_mm_set1_pd(1.0 / 5), _mm_mul_pd(r, _mm_set1_pd(1.0 / 6)));
    const __m128d d = _mm_add_pd(c5, _mm_mul_pd(r2, _mm_set1_pd(1.0 / 7)));
    const __m128d q = _mm_add_pd(_mm_add_pd(a, _mm_mul_pd(r2, b)), _mm_mul_pd(r4, d));
    const __m128d p = _mm_mul_pd(r, q);
    const __m128d v =
        _mm_mul_pd(_mm_set1_pd(6.0205999132796239),
                   _mm_add_pd(_mm_add_pd(e, l), _mm_mul_pd(_mm_set1_pd(1.4426950408889634), p)));
    return safeToFloat(v, _mm_mul_pd(absPd(v), _mm_set1_pd(0x1p-42)));
}

// decibelsOf in four lanes; lanes outside `needed` may hold anything.
inline __m128 levels(__m128 env, __m128 needed) noexcept {
    const __m128i ix = _mm_castps_si128(env);
    const __m128i valid = _mm_and_si128(_mm_cmpgt_epi32(ix, _mm_set1_epi32(0x007fffff)),
                                        _mm_cmplt_epi32(ix, _mm_set1_epi32(0x7f800000)));
    const __m128i tmp = _mm_sub_epi32(ix, _mm_set1_epi32(static_cast<int>(logOffset)));
    const __m128i e = _mm_srai_epi32(tmp, 23);
    alignas(16) std::int32_t idx[4];
    _mm_store_si128(
        reinterpret_cast<__m128i*>(idx),
        _mm_and_si128(_mm_srli_epi32(tmp, 23 - logBits), _mm_set1_epi32((1 << logBits) - 1)));
    const __m128 m = _mm_castsi128_ps(_mm_sub_epi32(ix, _mm_slli_epi32(e, 23)));
    const HalfResult low = levelHalf(m, e, idx, 0);
    const HalfResult high =
        levelHalf(_mm_movehl_ps(m, m), _mm_shuffle_epi32(e, _MM_SHUFFLE(3, 2, 3, 2)), idx, 2);
    return finish<decibelsOfReference>(low, high, _mm_castsi128_ps(valid), needed, env);
}

inline HalfResult gainHalf(__m128 db4) noexcept {
    const __m128d y = _mm_mul_pd(_mm_cvtps_pd(db4), _mm_set1_pd(0.16609640474436813));
    const __m128d shifter = _mm_set1_pd(0x1.8p52 / (1 << expBits));
    const __m128d shifted = _mm_add_pd(y, shifter);
    const __m128d rounded = _mm_sub_pd(shifted, shifter);
    const __m128i n = _mm_sub_epi64(_mm_castpd_si128(shifted), _mm_castpd_si128(shifter));
    const __m128d f = _mm_sub_pd(y, rounded);
    const __m128d t = _mm_mul_pd(f, _mm_set1_pd(0.69314718055994531));
    const __m128d t2 = _mm_mul_pd(t, t);
    const __m128d a = _mm_add_pd(_mm_set1_pd(1.0), t);
    const __m128d b = _mm_add_pd(_mm_set1_pd(1.0 / 2), _mm_mul_pd(t, _mm_set1_pd(1.0 / 6)));
    const __m128d c = _mm_add_pd(_mm_set1_pd(1.0 / 24), _mm_mul_pd(t, _mm_set1_pd(1.0 / 120)));
    const __m128d p = _mm_add_pd(a, _mm_mul_pd(t2, _mm_add_pd(b, _mm_mul_pd(t2, c))));
    // n is small: its low 32 bits carry it. j = n mod 32, k = floor(n / 32).
    const __m128i j = _mm_and_si128(n, _mm_set1_epi32((1 << expBits) - 1));
    const __m128i k = _mm_srai_epi32(_mm_sub_epi32(n, j), expBits);
    const __m128i biased =
        _mm_and_si128(_mm_add_epi32(k, _mm_set1_epi32(1023)), _mm_set_epi32(0, -1, 0, -1));
    const __m128d scale = _mm_castsi128_pd(_mm_slli_epi64(biased, 52));
    const int j0 = _mm_cvtsi128_si32(j), j1 = _mm_cvtsi128_si32(_mm_srli_si128(j, 8));
    const __m128d pow2 = _mm_setr_pd(expTable.pow2[j0], expTable.pow2[j1]);
    const __m128d v = _mm_mul_pd(_mm_mul_pd(pow2, p), scale);
    return safeToFloat(v, _mm_mul_pd(v, _mm_set1_pd(0x1p-41)));
}

// gainOfDecibels in four lanes; lanes outside `needed` may hold anything.
inline __m128 gains(__m128 db, __m128 needed) noexcept {
    const __m128 valid =
        _mm_and_ps(_mm_cmple_ps(db, _mm_setzero_ps()), _mm_cmpge_ps(db, _mm_set1_ps(-750.0f)));
    // Lanes outside the range still run the arithmetic; keep their input harmless.
    const __m128 safeDb = _mm_and_ps(db, valid);
    const HalfResult low = gainHalf(safeDb);
    const HalfResult high = gainHalf(_mm_movehl_ps(safeDb, safeDb));
    return finish<gainOfDecibelsReference>(low, high, valid, needed, db);
}

inline __m128 select(__m128 mask, __m128 a, __m128 b) noexcept {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

}  // namespace

void compressBands(BrindlewaveCompressor* const* compressors, float* const* buffers, int count,
                   int n) noexcept {
    count = std::min(count, 4);
    if (count <= 0 || n <= 0) return;
    // Unused lanes: no reduction, make-up 0; they read lane 0's input and write to a sink.
    alignas(16) float env[4] = {}, att[4] = {}, rel[4] = {}, thr[4] = {}, slope[4] = {},
                      makeup[4] = {}, quiet[4] = {};
    const float* src[4];
    float* dst[4];
    std::ptrdiff_t step[4];
    float sink;
    for (int l = 0; l < 4; ++l) {
        const bool used = l < count;
        src[l] = buffers[used ? l : 0];
        dst[l] = used ? buffers[l] : &sink;
        step[l] = used ? 1 : 0;
    }
    for (int l = 0; l < count; ++l) {
        const BrindlewaveCompressor& c = *compressors[l];
        env[l] = c.envelope;
        att[l] = c.attackCoeff;
        rel[l] = c.releaseCoeff;
        thr[l] = c.threshold;
        slope[l] = c.slope;
        makeup[l] = c.makeupGain;
        quiet[l] = c.quietBelow;
    }
    __m128 e = _mm_load_ps(env);
    const __m128 vAtt = _mm_load_ps(att), vRel = _mm_load_ps(rel), vThr = _mm_load_ps(thr),
                 vSlope = _mm_load_ps(slope), vMakeup = _mm_load_ps(makeup),
                 vQuiet = _mm_load_ps(quiet);
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 compresses = _mm_cmpgt_ps(vSlope, zero);  // ratio above 1
    for (int i = 0; i < n; ++i) {
        const __m128 x = _mm_setr_ps(src[0][i], src[1][i], src[2][i], src[3][i]);
        // The gain computer of BrindlewaveCompressor::gainFor, lane by lane.
        __m128 g = one;
        const __m128 loud = _mm_and_ps(compresses, _mm_cmpnlt_ps(e, vQuiet));
        if (_mm_movemask_ps(loud) != 0) {
            const __m128 r = _mm_mul_ps(_mm_sub_ps(vThr, levels(e, loud)), vSlope);
            const __m128 reduce = _mm_and_ps(loud, _mm_cmplt_ps(r, zero));
            if (_mm_movemask_ps(reduce) != 0) g = select(reduce, gains(r, reduce), one);
        }
        const __m128 out = _mm_mul_ps(vMakeup, _mm_mul_ps(g, x));
        const __m128 d = _mm_and_ps(out, absMask);
        const __m128 a = select(_mm_cmpgt_ps(d, e), vAtt, vRel);
        const __m128 next = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(e, d), a), d);
        // Finite values give next - next = 0; infinities and NaN give NaN: those start again at 0.
        e = _mm_and_ps(next, _mm_cmpeq_ps(_mm_sub_ps(next, next), zero));
        _mm_store_ss(dst[0] + i * step[0], out);
        _mm_store_ss(dst[1] + i * step[1], _mm_shuffle_ps(out, out, 1));
        _mm_store_ss(dst[2] + i * step[2], _mm_shuffle_ps(out, out, 2));
        _mm_store_ss(dst[3] + i * step[3], _mm_shuffle_ps(out, out, 3));
    }
    _mm_store_ps(env, e);
    for (int l = 0; l < count; ++l) compressors[l]->envelope = env[l];
}

}  // namespace brindlewave
