#pragma once
// Scalar helpers tied to the vector types.

#include <xmmintrin.h>

namespace geom {

// The CPU's approximate reciprocal square root (relative error at most 1.5 * 2^-12), not
// refined: fast normals whose last bits may differ between processor makers.
inline float inverseSqrt(float x) noexcept {
    return _mm_cvtss_f32(_mm_rsqrt_ss(_mm_set_ss(x)));
}

}  // namespace geom
