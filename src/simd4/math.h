#pragma once
// Four-lane natural logarithm, exponential and power: branch-free single-precision polynomial
// approximations, so a whole SSE register of specular powers costs one call. Results differ
// from the C library's logf and expf in the last bits and are the same on every x86-64.

#include <emmintrin.h>
#include <xmmintrin.h>

namespace simd4 {

namespace detail {

inline __m128 bitsAsFloat(int bits) noexcept {
    return _mm_castsi128_ps(_mm_set1_epi32(bits));
}

// Mantissa polynomial of the logarithm on [sqrt(1/2) - 1, sqrt(2) - 1].
constexpr int kLogP[9] = {
    0x3D9021BB, static_cast<int>(0xBDEBD1B8), 0x3DEF251A, static_cast<int>(0xBDFE5D4F),
    0x3E11E9BF, static_cast<int>(0xBE2AAE50), 0x3E4CCEAC, static_cast<int>(0xBE7FFFFC),
    0x3EAAAAAA};
// Polynomial of the exponential on [-ln2 / 2, ln2 / 2].
constexpr int kExpP[6] = {0x39506967, 0x3AB743CE, 0x3C088908, 0x3D2AA9C1, 0x3E2AAAAA, 0x3F000000};

constexpr int kSmallestNormal = 0x00800000;
constexpr int kMantissaSignMask = static_cast<int>(0x807FFFFF);
constexpr int kHalf = 0x3F000000;
constexpr int kOne = 0x3F800000;
constexpr int kSqrtHalf = 0x3F3504F3;
// ln 2 split in two so that e * ln 2 is added without rounding away the low bits.
constexpr int kLn2Low = static_cast<int>(0xB95E8083);
constexpr int kLn2High = 0x3F318000;
constexpr int kExpHigh = 0x42B0C0A5;
constexpr int kExpLow = static_cast<int>(0xC2B0C0A5);
constexpr int kLog2e = 0x3FB8AA3B;

}  // namespace detail

// Natural logarithm per lane; lanes holding zero, a negative number or NaN become NaN.
inline __m128 _mm_log_ps(__m128 x) noexcept {
    using namespace detail;
    const __m128 one = bitsAsFloat(kOne);
    __m128 invalid = _mm_cmpngt_ps(x, _mm_setzero_ps());
    x = _mm_max_ps(x, bitsAsFloat(kSmallestNormal));

    __m128i exponentBits = _mm_srli_epi32(_mm_castps_si128(x), 23);
    exponentBits = _mm_sub_epi32(exponentBits, _mm_set1_epi32(0x7F));
    __m128 e = _mm_add_ps(_mm_cvtepi32_ps(exponentBits), one);

    x = _mm_and_ps(x, bitsAsFloat(kMantissaSignMask));
    x = _mm_or_ps(x, bitsAsFloat(kHalf));

    // Below sqrt(1/2) the mantissa is doubled and the exponent lowered: x stays near zero.
    __m128 below = _mm_cmplt_ps(x, bitsAsFloat(kSqrtHalf));
    __m128 extra = _mm_and_ps(x, below);
    x = _mm_sub_ps(x, one);
    e = _mm_sub_ps(e, _mm_and_ps(one, below));
    x = _mm_add_ps(x, extra);

    __m128 z = _mm_mul_ps(x, x);
    __m128 y = bitsAsFloat(kLogP[0]);
    for (int i = 1; i < 9; ++i) y = _mm_add_ps(_mm_mul_ps(y, x), bitsAsFloat(kLogP[i]));
    y = _mm_mul_ps(y, x);
    y = _mm_mul_ps(y, z);

    y = _mm_add_ps(y, _mm_mul_ps(e, bitsAsFloat(kLn2Low)));
    y = _mm_sub_ps(y, _mm_mul_ps(z, bitsAsFloat(kHalf)));
    x = _mm_add_ps(x, y);
    x = _mm_add_ps(x, _mm_mul_ps(e, bitsAsFloat(kLn2High)));
    return _mm_or_ps(x, invalid);
}

// e^x per lane; arguments beyond +-88.3762589 give the value at the limit. The limits come
// first in the min and max so that a NaN (the log of a zero base in a power) stays NaN.
inline __m128 _mm_exp_ps(__m128 x) noexcept {
    using namespace detail;
    const __m128 one = bitsAsFloat(kOne);
    x = _mm_min_ps(bitsAsFloat(kExpHigh), x);
    x = _mm_max_ps(bitsAsFloat(kExpLow), x);

    // fx = floor(x log2(e) + 0.5), the power of two to split off.
    __m128 fx = _mm_add_ps(_mm_mul_ps(x, bitsAsFloat(kLog2e)), bitsAsFloat(kHalf));
    __m128 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(fx));
    __m128 over = _mm_cmpgt_ps(t, fx);
    fx = _mm_sub_ps(t, _mm_and_ps(over, one));

    x = _mm_sub_ps(x, _mm_mul_ps(fx, bitsAsFloat(kLn2High)));
    x = _mm_sub_ps(x, _mm_mul_ps(fx, bitsAsFloat(kLn2Low)));

    __m128 z = _mm_mul_ps(x, x);
    __m128 y = bitsAsFloat(kExpP[0]);
    for (int i = 1; i < 6; ++i) y = _mm_add_ps(_mm_mul_ps(y, x), bitsAsFloat(kExpP[i]));
    y = _mm_mul_ps(y, z);
    y = _mm_add_ps(y, x);
    y = _mm_add_ps(y, one);

    __m128i n = _mm_add_epi32(_mm_cvttps_epi32(fx), _mm_set1_epi32(0x7F));
    __m128 pow2n = _mm_castsi128_ps(_mm_slli_epi32(n, 23));
    return _mm_mul_ps(y, pow2n);
}

// base^exponent per lane, as exp(exponent * log(base)): a base of zero or below gives NaN.
inline __m128 _mm_pow_ps(__m128 base, __m128 exponent) noexcept {
    return _mm_exp_ps(_mm_mul_ps(exponent, _mm_log_ps(base)));
}

// One lane of _mm_pow_ps, bit for bit the value a full register would give in that lane.
inline float _mm_pow_ss(float base, float exponent) noexcept {
    return _mm_cvtss_f32(_mm_pow_ps(_mm_set1_ps(base), _mm_set1_ps(exponent)));
}

}  // namespace simd4
