#include "audiofx/util/envelope.h"

#include <emmintrin.h>

#include <algorithm>

namespace audiofx {

void EnvelopeDetector::setTimeConstant(float tc) {
    timeConstant = static_cast<float>(std::log10(static_cast<long double>(tc)));
}

void EnvelopeDetector::setEnvelope(float attackMs, float releaseMs) {
    attackCoeff = smoothingCoefficient(timeConstant, attackMs, sampleRate);
    releaseCoeff = smoothingCoefficient(timeConstant, releaseMs, sampleRate);
}

void detectBands(PeakDetector* const* detectors, const float* const* inputs, int count,
                 int n) noexcept {
    count = std::min(count, 4);
    if (count <= 0 || n <= 0) return;
    // Unused lanes follow lane 0's input and are never written back.
    alignas(16) float env[4] = {}, att[4] = {}, rel[4] = {};
    const float* src[4];
    for (int k = 0; k < 4; ++k) {
        src[k] = inputs[k < count ? k : 0];
        if (k >= count) continue;
        env[k] = detectors[k]->envelope;
        att[k] = detectors[k]->attackCoeff;
        rel[k] = detectors[k]->releaseCoeff;
    }
    __m128 e = _mm_load_ps(env);
    const __m128 vAtt = _mm_load_ps(att), vRel = _mm_load_ps(rel), one = _mm_set1_ps(1.0f);
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff)), zero = _mm_setzero_ps();
    for (int i = 0; i < n; ++i) {
        const __m128 level =
            _mm_and_ps(_mm_setr_ps(src[0][i], src[1][i], src[2][i], src[3][i]), absMask);
        const __m128 rising = _mm_cmpgt_ps(level, e);
        const __m128 coef = _mm_or_ps(_mm_and_ps(rising, vAtt), _mm_andnot_ps(rising, vRel));
        const __m128 next =
            _mm_add_ps(_mm_mul_ps(_mm_sub_ps(one, coef), level), _mm_mul_ps(coef, e));
        // Finite values give next - next = 0; infinities and NaN start again at 0.
        e = _mm_and_ps(next, _mm_cmpeq_ps(_mm_sub_ps(next, next), zero));
    }
    _mm_store_ps(env, e);
    for (int k = 0; k < count; ++k) detectors[k]->envelope = env[k];
}

}  // namespace audiofx
