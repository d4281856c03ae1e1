#pragma once
// Scalar helpers tied to the vector types.

#include <xmmintrin.h>

namespace geom {

// 1 / sqrt(x), correctly rounded square root and division: the processors' reciprocal
// square root estimates differ between makers, and the editor must look the same on every
// machine.
inline float inverseSqrt(float x) noexcept {
    return _mm_cvtss_f32(_mm_div_ss(_mm_set_ss(1.0f), _mm_sqrt_ss(_mm_set_ss(x))));
}

// The same on four lanes.
inline __m128 inverseSqrt4(__m128 x) noexcept {
    return _mm_div_ps(_mm_set1_ps(1.0f), _mm_sqrt_ps(x));
}

}  // namespace geom
