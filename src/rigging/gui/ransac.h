#pragma once
// Surface normals from a 3 x 3 neighbourhood of heights that keep sharp edges: twelve candidate
// planes through the centre are scored by how many neighbours lie on them, and the first plane
// that fits every neighbour wins outright; otherwise the planes are blended by their support.
// Also the four-lane vector helpers the lighting passes share.

#include <xmmintrin.h>

#include "geom/funcs.h"
#include "geom/vector.h"

namespace rigging {

// Sum of the four lane products.
inline float _mm_dot_ps(__m128 a, __m128 b) noexcept {
    __m128 m = _mm_mul_ps(a, b);
    __m128 pairs = _mm_add_ps(m, _mm_movehl_ps(m, m));
    return _mm_cvtss_f32(_mm_add_ss(pairs, _mm_shuffle_ps(pairs, pairs, 1)));
}

// v scaled to unit length (exactly rounded steps, the same on every processor).
inline __m128 _mm_fast_normalize_ps(__m128 v) noexcept {
    __m128 len2 = _mm_set1_ps(_mm_dot_ps(v, v));
    return _mm_mul_ps(v, geom::inverseSqrt4(len2));
}

// The incident direction mirrored about a unit normal.
inline __m128 _mm_reflectnormal_ps(__m128 incident, __m128 normal) noexcept {
    __m128 twice = _mm_set1_ps(2.0f * _mm_dot_ps(incident, normal));
    return _mm_sub_ps(incident, _mm_mul_ps(twice, normal));
}

// Neighbourhood in row-major order (index 3 * (dy + 1) + (dx + 1), centre 4), heights in
// pixels. The result is in a y-up frame: a surface rising towards the bottom of the screen
// faces up.
geom::vec3f computeRANSACNormal(const float* depthNeighbourhood) noexcept;
// The same with the neighbourhood in registers: indices 0..3, the centre, indices 5..8.
geom::vec3f computeRANSACNormal(__m128 lo, float centre, __m128 hi) noexcept;

}  // namespace rigging
