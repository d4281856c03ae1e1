#pragma once
// Four second-order sections side by side in SSE lanes, run with the same single-precision
// Direct Form II arithmetic as audiofx::BiQuad (default mix: the filtered value itself), so every
// lane reproduces its section exactly. The two delay values swap places instead of being copied:
// the parity P of a sample says which slot holds the newer one. The lanes keep their own state
// between blocks, always handed over at parity 0; coefficients are copied in when they change.

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

// The sections in the four lanes; null for an idle lane.
using BiQuadMap = audiofx::BiQuad* [4];

// The sections' coefficients (idle lanes: zeros); the lanes' state stays.
void loadCoefficients(Section4& s, const BiQuadMap& lane) noexcept;

// The sections' state into the lanes at parity 0 (idle lanes: zeros), and back into the sections.
void loadState(Section4& s, const BiQuadMap& lane) noexcept;
void storeState(const Section4& s, const BiQuadMap& lane) noexcept;

// Zeros the state of the lanes whose bit is set.
void clearLanes(Section4& s, int lanes) noexcept;

// The state of the lanes whose bit is set back to what `before` holds.
void restoreLanes(Section4& s, const Section4& before, int lanes) noexcept;

}  // namespace brindlewave::lanes
