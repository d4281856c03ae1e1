#include "brindlewave/dsp/section4.h"

namespace brindlewave::lanes {

void loadLanes(Section4& s, audiofx::BiQuad* const (&lane)[4]) noexcept {
    alignas(16) float b0[4], b1[4], b2[4], a1[4], a2[4], w1[4], w2[4], y[4];
    for (int i = 0; i < 4; ++i) {
        const audiofx::BiQuad* q = lane[i];
        const audiofx::BiQuad::DelayState d = q ? q->delayState() : audiofx::BiQuad::DelayState{};
        b0[i] = q ? q->b0 : 0.0f;
        b1[i] = q ? q->b1 : 0.0f;
        b2[i] = q ? q->b2 : 0.0f;
        a1[i] = q ? q->a1 : 0.0f;
        a2[i] = q ? q->a2 : 0.0f;
        w1[i] = d.w1;
        w2[i] = d.w2;
        y[i] = d.y;
    }
    s.b0 = _mm_load_ps(b0);
    s.b1 = _mm_load_ps(b1);
    s.b2 = _mm_load_ps(b2);
    s.a1 = _mm_load_ps(a1);
    s.a2 = _mm_load_ps(a2);
    s.w[0] = _mm_load_ps(w1);
    s.w[1] = _mm_load_ps(w2);
    s.y = _mm_load_ps(y);
}

void storeLanes(const Section4& s, audiofx::BiQuad* const (&lane)[4], int parity,
                int keep) noexcept {
    alignas(16) float w1[4], w2[4], y[4];
    _mm_store_ps(w1, s.w[parity]);
    _mm_store_ps(w2, s.w[1 - parity]);
    _mm_store_ps(y, s.y);
    for (int i = 0; i < 4; ++i)
        if (lane[i] && (keep & (1 << i))) lane[i]->setDelayState({w1[i], w2[i], y[i]});
}

}  // namespace brindlewave::lanes
