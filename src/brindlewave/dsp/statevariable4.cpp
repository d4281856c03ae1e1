#include "brindlewave/dsp/statevariable4.h"

#include <emmintrin.h>

#include <cstdint>

namespace brindlewave::lanes {

void loadLanes(StateVariable4& s, audiofx::StateVariableSection* const (&lane)[4]) noexcept {
    alignas(16) float c1[4], gd[4], g[4], d[4], twoK[4], s1[4], s2[4];
    alignas(16) std::int32_t highpass[4];
    for (int i = 0; i < 4; ++i) {
        const audiofx::StateVariableSection* q = lane[i];
        const audiofx::StateVariableSection::State state =
            q ? q->state() : audiofx::StateVariableSection::State{};
        c1[i] = q ? q->c1 : 0.0f;
        gd[i] = q ? q->gd : 0.0f;
        g[i] = q ? q->g : 0.0f;
        d[i] = q ? q->d : 0.0f;
        twoK[i] = q ? q->twoK : 0.0f;
        highpass[i] = q && q->response == audiofx::SectionResponse::highpass ? -1 : 0;
        s1[i] = state.s1;
        s2[i] = state.s2;
    }
    s.c1 = _mm_load_ps(c1);
    s.gd = _mm_load_ps(gd);
    s.g = _mm_load_ps(g);
    s.d = _mm_load_ps(d);
    s.twoK = _mm_load_ps(twoK);
    s.highpass = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(highpass)));
    s.s1 = _mm_load_ps(s1);
    s.s2 = _mm_load_ps(s2);
}

void storeLanes(const StateVariable4& s, audiofx::StateVariableSection* const (&lane)[4],
                int keep) noexcept {
    alignas(16) float s1[4], s2[4];
    _mm_store_ps(s1, s.s1);
    _mm_store_ps(s2, s.s2);
    for (int i = 0; i < 4; ++i)
        if (lane[i] && (keep & (1 << i))) lane[i]->setState({s1[i], s2[i]});
}

}  // namespace brindlewave::lanes
