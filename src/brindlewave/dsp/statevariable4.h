#pragma once
// Four state-variable sections side by side in SSE lanes, run with the same single-precision
// arithmetic as audiofx::StateVariableSection, so every lane reproduces its section exactly. A
// crossover stage mixes low-pass and high-pass lanes; an all-pass stage holds all-passes only.
// The lanes keep their own state between blocks; coefficients are copied in when they change.

#include <xmmintrin.h>

#include "audiofx/filter/statevariable.h"
#include "brindlewave/dsp/alwaysinline.h"
#include "brindlewave/dsp/lanemap.h"

namespace brindlewave::lanes {

struct alignas(16) StateVariable4 {
    __m128 c1, gd, g, d, twoK;
    __m128 highpass;  // all bits set in the lanes whose output is the high-pass
    __m128 s1, s2;

    // The state, as lanemap.h handles it.
    using Unit = audiofx::StateVariableSection;
    static constexpr int kStateVectors = 2;
    __m128& stateVector(int i) noexcept { return i == 0 ? s1 : s2; }
    const __m128& stateVector(int i) const noexcept { return i == 0 ? s1 : s2; }
    static float unitState(const Unit& q, int i) noexcept {
        return i == 0 ? q.state().s1 : q.state().s2;
    }
    static void setUnitState(Unit& q, const float (&v)[kStateVectors]) noexcept {
        q.setState({v[0], v[1]});
    }
};

using SectionMap = UnitMap<StateVariable4>;

// The recursion of StateVariableSection::getNextSample; e and bp for the outputs, lp returned.
BRINDLEWAVE_INLINE __m128 advance(StateVariable4& s, __m128 x, __m128& e, __m128& bp) noexcept {
    e = _mm_sub_ps(_mm_sub_ps(x, _mm_mul_ps(s.c1, s.s1)), s.s2);
    const __m128 v = _mm_mul_ps(s.gd, e);
    bp = _mm_add_ps(s.s1, v);
    s.s1 = _mm_add_ps(bp, v);
    const __m128 u = _mm_mul_ps(s.g, bp);
    const __m128 lp = _mm_add_ps(s.s2, u);
    s.s2 = _mm_add_ps(lp, u);
    return lp;
}

// Low-pass and high-pass lanes: lp, or d e where the high-pass mask is set.
struct CrossoverStep {
    static BRINDLEWAVE_INLINE __m128 run(StateVariable4& s, __m128 x) noexcept {
        __m128 e, bp;
        const __m128 lp = advance(s, x, e, bp);
        const __m128 hp = _mm_mul_ps(s.d, e);
        return _mm_or_ps(_mm_and_ps(s.highpass, hp), _mm_andnot_ps(s.highpass, lp));
    }
};

// All-pass lanes: x - 2 k bp.
struct AllpassStep {
    static BRINDLEWAVE_INLINE __m128 run(StateVariable4& s, __m128 x) noexcept {
        __m128 e, bp;
        advance(s, x, e, bp);
        return _mm_sub_ps(x, _mm_mul_ps(s.twoK, bp));
    }
};

// The sections' coefficients (idle lanes: zeros); the lanes' state stays.
void loadCoefficients(StateVariable4& s, const SectionMap& lane) noexcept;

}  // namespace brindlewave::lanes
