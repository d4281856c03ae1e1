#include "brindlewave/dsp/statevariable4.h"

#include "brindlewave/dsp/lanemap.h"

namespace brindlewave::lanes {

using audiofx::StateVariableSection;

void loadCoefficients(StateVariable4& s, const SectionMap& lane) noexcept {
    s.c1 = gather(lane, [](const StateVariableSection& q) { return q.c1; });
    s.gd = gather(lane, [](const StateVariableSection& q) { return q.gd; });
    s.g = gather(lane, [](const StateVariableSection& q) { return q.g; });
    s.d = gather(lane, [](const StateVariableSection& q) { return q.d; });
    s.twoK = gather(lane, [](const StateVariableSection& q) { return q.twoK; });
    int highpass = 0;
    for (int i = 0; i < 4; ++i)
        if (lane[i] && lane[i]->response == audiofx::SectionResponse::highpass) highpass |= 1 << i;
    s.highpass = laneMask(highpass);
}

void loadState(StateVariable4& s, const SectionMap& lane) noexcept {
    s.s1 = gather(lane, [](const StateVariableSection& q) { return q.state().s1; });
    s.s2 = gather(lane, [](const StateVariableSection& q) { return q.state().s2; });
}

void storeState(const StateVariable4& s, const SectionMap& lane) noexcept {
    alignas(16) float s1[4], s2[4];
    _mm_store_ps(s1, s.s1);
    _mm_store_ps(s2, s.s2);
    for (int i = 0; i < 4; ++i)
        if (lane[i]) lane[i]->setState({s1[i], s2[i]});
}

void clearLanes(StateVariable4& s, int lanes) noexcept {
    const __m128 m = laneMask(lanes);
    s.s1 = _mm_andnot_ps(m, s.s1);
    s.s2 = _mm_andnot_ps(m, s.s2);
}

void restoreLanes(StateVariable4& s, const StateVariable4& before, int lanes) noexcept {
    const __m128 m = laneMask(lanes);
    s.s1 = select(m, before.s1, s.s1);
    s.s2 = select(m, before.s2, s.s2);
}

}  // namespace brindlewave::lanes
