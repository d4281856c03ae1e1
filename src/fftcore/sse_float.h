#pragma once
// Four-float vector operations on SSE registers, the only instruction set the transform uses.

#include <emmintrin.h>
#include <xmmintrin.h>

namespace fftcore {

struct SseFloat {
    using T = __m128;
    static constexpr int vec_size = 4;
    static constexpr int log2_vec_size = 2;

    static T load(const float* p) { return _mm_load_ps(p); }
    static void store(float* p, T v) { _mm_store_ps(p, v); }
    static T unaligned_load(const float* p) { return _mm_loadu_ps(p); }
    static void unaligned_store(float* p, T v) { _mm_storeu_ps(p, v); }

    static T add(T a, T b) { return _mm_add_ps(a, b); }
    static T sub(T a, T b) { return _mm_sub_ps(a, b); }
    static T mul(T a, T b) { return _mm_mul_ps(a, b); }

    // Lanes in order 3, 2, 1, 0.
    static T reverse(T v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
    static T scalar_to_vector(float x) { return _mm_set1_ps(x); }

    // (a0, b0, a1, b1) and (a2, b2, a3, b3).
    static void interleave(T a, T b, T& lo, T& hi) {
        lo = _mm_unpacklo_ps(a, b);
        hi = _mm_unpackhi_ps(a, b);
    }
    // (a0, a2, b0, b2) and (a1, a3, b1, b3).
    static void deinterleave(T a, T b, T& even, T& odd) {
        even = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
        odd = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
    }
    // (a0, a1, b0, b1) and (a2, a3, b2, b3).
    static void transpose2(T a, T b, T& lo, T& hi) {
        lo = _mm_movelh_ps(a, b);
        hi = _mm_movehl_ps(b, a);
    }
    // (a0, b0, a2, b2) and (a1, b1, a3, b3).
    static void transpose4(T a, T b, T& lo, T& hi) {
        T t0 = _mm_unpacklo_ps(a, b);
        T t1 = _mm_unpackhi_ps(a, b);
        lo = _mm_movelh_ps(t0, t1);
        hi = _mm_movehl_ps(t1, t0);
    }

    // Two (cos, sin) pairs, each spread over two lanes: (c0, c0, c1, c1), (s0, s0, s1, s1).
    static void complex_array_to_real_imag_vec2(const float* p, T& re, T& im) {
        T v = _mm_load_ps(p);
        re = _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 0, 0));
        im = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 1, 1));
    }
    // Four (cos, sin) pairs: their real parts and their imaginary parts.
    static void complex_array_to_real_imag_vec4(const float* p, T& re, T& im) {
        deinterleave(_mm_load_ps(p), _mm_load_ps(p + 4), re, im);
    }

    // Reverses the four index bits of a 4 x 4 tile (rows `stride` floats apart): output row r,
    // lane u takes input row r2(u), lane r2(r), where r2 swaps the two bits of its argument.
    static void bit_reverse(float* p, int stride) {
        T a0 = load(p), a1 = load(p + stride), a2 = load(p + 2 * stride), a3 = load(p + 3 * stride);
        transposeRows(a0, a2, a1, a3);
        store(p, a0);
        store(p + stride, a1);
        store(p + 2 * stride, a2);
        store(p + 3 * stride, a3);
    }
    // Each tile's place receives the bit reversal of the other tile.
    static void bit_reverse_swap(float* p, float* q, int stride) {
        T a0 = load(p), a1 = load(p + stride), a2 = load(p + 2 * stride), a3 = load(p + 3 * stride);
        T b0 = load(q), b1 = load(q + stride), b2 = load(q + 2 * stride), b3 = load(q + 3 * stride);
        transposeRows(a0, a2, a1, a3);
        transposeRows(b0, b2, b1, b3);
        store(q, a0);
        store(q + stride, a1);
        store(q + 2 * stride, a2);
        store(q + 3 * stride, a3);
        store(p, b0);
        store(p + stride, b1);
        store(p + 2 * stride, b2);
        store(p + 3 * stride, b3);
    }

private:
    // Plain 4 x 4 transpose. Called with the rows in order 0, 2, 1, 3, the variables then hold,
    // in rows 0, 1, 2, 3, exactly the tile bit reversal.
    static void transposeRows(T& r0, T& r1, T& r2, T& r3) {
        T t0 = _mm_unpacklo_ps(r0, r1);  // (r0[0], r1[0], r0[1], r1[1])
        T t1 = _mm_unpacklo_ps(r2, r3);  // (r2[0], r3[0], r2[1], r3[1])
        T t2 = _mm_unpackhi_ps(r0, r1);
        T t3 = _mm_unpackhi_ps(r2, r3);
        r0 = _mm_movelh_ps(t0, t1);
        r1 = _mm_movehl_ps(t1, t0);
        r2 = _mm_movelh_ps(t2, t3);
        r3 = _mm_movehl_ps(t3, t2);
    }
};

}  // namespace fftcore
