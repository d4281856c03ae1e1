#include "rigging/gui/ransac.h"

#include <emmintrin.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace rigging {

namespace {

// Offsets of the nine samples (three padding entries keep four-lane loads in bounds).
alignas(16) constexpr float indexToX[12] = {-1, 0, 1, -1, 0, 1, -1, 0, 1, 0, 0, 0};
alignas(16) constexpr float indexToY[12] = {-1, -1, -1, 0, 0, 0, 1, 1, 1, 0, 0, 0};

// Second and third points of each candidate plane. The first four span the quadrants with the
// edge neighbours, the other eight pair each corner with its two edge neighbours.
constexpr std::uint8_t depthSampleLUT[12][2] = {{3, 1}, {1, 5}, {7, 3}, {5, 7}, {0, 1}, {3, 0},
                                                {1, 2}, {2, 5}, {6, 3}, {5, 8}, {7, 6}, {8, 7}};

constexpr std::uint8_t bitCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// Weight of a plane by its inliers among the eight neighbours, from 2 (only its own two points)
// to 8 (the whole neighbourhood, which returns early instead).
constexpr float confidenceFor_N_minus_3_inliners[7] = {0.01f,    0.056879f, 0.17242f, 0.3299f,
                                                       0.52279f, 0.7469f,   1.0f};

// 0.343, bits 0x3EAF9DB2: closer than this (strictly) to a plane counts as on it.
constexpr std::uint32_t kInlierThresholdBits = 0x3EAF9DB2;

inline __m128 absPs(__m128 v) noexcept {
    return _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
}

inline __m128 cross(__m128 a, __m128 b) noexcept {
    // (a.y b.z - a.z b.y, a.z b.x - a.x b.z, a.x b.y - a.y b.x, 0)
    __m128 aYZX = _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 0, 2, 1));
    __m128 bZXY = _mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 1, 0, 2));
    __m128 aZXY = _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 1, 0, 2));
    __m128 bYZX = _mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 0, 2, 1));
    return _mm_sub_ps(_mm_mul_ps(aYZX, bZXY), _mm_mul_ps(aZXY, bYZX));
}

// Neighbour i of the two four-lane groups (0..3 in lo, 5..8 in hi).
template <int i>
inline float neighbour(__m128 lo, __m128 hi) noexcept {
    static_assert(i != 4, "the centre is passed on its own");
    constexpr int lane = i < 4 ? i : i - 5;
    __m128 v = i < 4 ? lo : hi;
    return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(lane, lane, lane, lane)));
}

// Scores candidate plane `plane`; when it fits all eight neighbours, stores its normal and
// answers true, otherwise adds it to the blend by its support.
template <int plane>
inline bool scorePlane(__m128 dLo, float z0, __m128 dHi, __m128& sum,
                       geom::vec3f& result) noexcept {
    constexpr int a = depthSampleLUT[plane][0], b = depthSampleLUT[plane][1];
    const __m128 zCentre = _mm_set1_ps(z0);
    const __m128 xLo = _mm_setr_ps(-1, 0, 1, -1), yLo = _mm_setr_ps(-1, -1, -1, 0);
    const __m128 xHi = _mm_setr_ps(1, -1, 0, 1), yHi = _mm_setr_ps(0, 1, 1, 1);
    float threshold;
    std::memcpy(&threshold, &kInlierThresholdBits, 4);
    const __m128 limit = _mm_set1_ps(threshold);

    __m128 A = _mm_setr_ps(indexToX[a], indexToY[a], neighbour<a>(dLo, dHi) - z0, 0.0f);
    __m128 B = _mm_setr_ps(indexToX[b], indexToY[b], neighbour<b>(dLo, dHi) - z0, 0.0f);
    __m128 n = _mm_fast_normalize_ps(cross(A, B));

    __m128 nx = _mm_shuffle_ps(n, n, _MM_SHUFFLE(0, 0, 0, 0));
    __m128 ny = _mm_shuffle_ps(n, n, _MM_SHUFFLE(1, 1, 1, 1));
    __m128 nz = _mm_shuffle_ps(n, n, _MM_SHUFFLE(2, 2, 2, 2));
    __m128 offset = _mm_mul_ps(nz, zCentre);
    __m128 distLo =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, xLo), _mm_mul_ps(ny, yLo)), _mm_mul_ps(nz, dLo));
    __m128 distHi =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, xHi), _mm_mul_ps(ny, yHi)), _mm_mul_ps(nz, dHi));
    distLo = absPs(_mm_sub_ps(distLo, offset));
    distHi = absPs(_mm_sub_ps(distHi, offset));
    int inliers = bitCount[_mm_movemask_ps(_mm_cmplt_ps(distLo, limit))] +
                  bitCount[_mm_movemask_ps(_mm_cmplt_ps(distHi, limit))];

    if (inliers == 8) {
        alignas(16) float v[4];
        _mm_store_ps(v, n);
        result = geom::vec3f(v[0], -v[1], v[2]);
        return true;
    }
    // The two points that define a plane lie on it, so inliers >= 2; the floor only keeps the
    // table read in bounds whatever rounding does.
    if (inliers < 2) inliers = 2;
    sum =
        _mm_add_ps(sum, _mm_mul_ps(n, _mm_set1_ps(confidenceFor_N_minus_3_inliners[inliers - 2])));
    return false;
}

template <int... planes>
inline bool firstFittingPlane(__m128 dLo, float z0, __m128 dHi, __m128& sum, geom::vec3f& result,
                              std::integer_sequence<int, planes...>) noexcept {
    // In table order, stopping at the first plane that fits everything.
    return (scorePlane<planes>(dLo, z0, dHi, sum, result) || ...);
}

}  // namespace

geom::vec3f computeRANSACNormal(__m128 lo, float centre, __m128 hi) noexcept {
    __m128 sum = _mm_setzero_ps();
    geom::vec3f result;
    if (firstFittingPlane(lo, centre, hi, sum, result, std::make_integer_sequence<int, 12>()))
        return result;
    alignas(16) float s[4];
    _mm_store_ps(s, _mm_fast_normalize_ps(sum));
    return geom::vec3f(s[0], -s[1], s[2]);
}

geom::vec3f computeRANSACNormal(const float* depth) noexcept {
    return computeRANSACNormal(_mm_loadu_ps(depth), depth[4], _mm_loadu_ps(depth + 5));
}

}  // namespace rigging
