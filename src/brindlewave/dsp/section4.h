#pragma once
// Four second-order sections side by side in SSE lanes, run with the same single-precision
// Direct Form II arithmetic as audiofx::BiQuad (default mix: the filtered value itself), so every
// lane reproduces its section exactly. The two delay values swap places instead of being copied:
// the parity P of a sample says which slot holds the newer one. The lanes keep their own state
// between blocks, always handed over at parity 0; coefficients are copied in when they change.

#include <xmmintrin.h>

#include "audiofx/filter/biquad.h"
#include "brindlewave/dsp/alwaysinline.h"
#include "brindlewave/dsp/lanemap.h"

namespace brindlewave::lanes {

struct alignas(16) Section4 {
    __m128 b0, b1, b2, a1, a2;
    __m128 w[2];  // w[P] = w1 (one sample back), w[1 - P] = w2 at a sample of parity P
    __m128 y;     // last output, kept only where the caller asks for it

    // The state at parity 0, as lanemap.h handles it.
    using Unit = audiofx::BiQuad;
    static constexpr int kStateVectors = 3;
    __m128& stateVector(int i) noexcept { return i < 2 ? w[i] : y; }
    const __m128& stateVector(int i) const noexcept { return i < 2 ? w[i] : y; }
    static float unitState(const Unit& q, int i) noexcept {
        const Unit::DelayState d = q.delayState();
        return i == 0 ? d.w1 : i == 1 ? d.w2 : d.y;
    }
    static void setUnitState(Unit& q, const float (&v)[kStateVectors]) noexcept {
        q.setDelayState({v[0], v[1], v[2]});
    }
};

template <int P, bool Record = false>
BRINDLEWAVE_INLINE __m128 step(Section4& s, __m128 x) noexcept {
    const __m128 w1 = s.w[P];
    const __m128 w2 = s.w[1 - P];
    const __m128 w = _mm_sub_ps(_mm_sub_ps(x, _mm_mul_ps(s.a1, w1)), _mm_mul_ps(s.a2, w2));
    const __m128 out =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(s.b0, w), _mm_mul_ps(s.b1, w1)), _mm_mul_ps(s.b2, w2));
    s.w[1 - P] = w;
    if constexpr (Record) s.y = out;
    return out;
}

using BiQuadMap = UnitMap<Section4>;

// The sections' coefficients (idle lanes: zeros); the lanes' state stays.
void loadCoefficients(Section4& s, const BiQuadMap& lane) noexcept;

}  // namespace brindlewave::lanes
