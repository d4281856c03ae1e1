#pragma once
// Four second-order sections side by side in SSE lanes, run with the same single-precision
// Direct Form II arithmetic as audiofx::BiQuad (default mix: the filtered value itself), so every
// lane reproduces its section exactly. The two delay values swap places instead of being copied:
// the parity P of a sample says which slot holds the newer one.

#include <xmmintrin.h>

#include "audiofx/filter/biquad.h"
#include "brindlewave/dsp/alwaysinline.h"

namespace brindlewave::lanes {

struct alignas(16) Section4 {
    __m128 b0, b1, b2, a1, a2;
    __m128 w[2];  // w[P] = w1 (one sample back), w[1 - P] = w2 at a sample of parity P
    __m128 y;     // last output, kept only where the caller asks for it
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

// Copies coefficients and state of the given sections (null: an idle lane of zeros) in, at
// parity 0.
void loadLanes(Section4& s, audiofx::BiQuad* const (&lane)[4]) noexcept;

// Writes the state back into the sections after a run that ended with parity `parity` (the
// parity the next sample would have); lanes whose `keep` bit is clear are left alone.
void storeLanes(const Section4& s, audiofx::BiQuad* const (&lane)[4], int parity,
                int keep) noexcept;

}  // namespace brindlewave::lanes
