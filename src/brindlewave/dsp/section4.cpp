#include "brindlewave/dsp/section4.h"

#include "brindlewave/dsp/lanemap.h"

namespace brindlewave::lanes {

using audiofx::BiQuad;

void loadCoefficients(Section4& s, const BiQuadMap& lane) noexcept {
    s.b0 = gather(lane, [](const BiQuad& q) { return q.b0; });
    s.b1 = gather(lane, [](const BiQuad& q) { return q.b1; });
    s.b2 = gather(lane, [](const BiQuad& q) { return q.b2; });
    s.a1 = gather(lane, [](const BiQuad& q) { return q.a1; });
    s.a2 = gather(lane, [](const BiQuad& q) { return q.a2; });
}

void loadState(Section4& s, const BiQuadMap& lane) noexcept {
    s.w[0] = gather(lane, [](const BiQuad& q) { return q.delayState().w1; });
    s.w[1] = gather(lane, [](const BiQuad& q) { return q.delayState().w2; });
    s.y = gather(lane, [](const BiQuad& q) { return q.delayState().y; });
}

void storeState(const Section4& s, const BiQuadMap& lane) noexcept {
    alignas(16) float w1[4], w2[4], y[4];
    _mm_store_ps(w1, s.w[0]);
    _mm_store_ps(w2, s.w[1]);
    _mm_store_ps(y, s.y);
    for (int i = 0; i < 4; ++i)
        if (lane[i]) lane[i]->setDelayState({w1[i], w2[i], y[i]});
}

void clearLanes(Section4& s, int lanes) noexcept {
    const __m128 m = laneMask(lanes);
    s.w[0] = _mm_andnot_ps(m, s.w[0]);
    s.w[1] = _mm_andnot_ps(m, s.w[1]);
    s.y = _mm_andnot_ps(m, s.y);
}

void restoreLanes(Section4& s, const Section4& before, int lanes) noexcept {
    const __m128 m = laneMask(lanes);
    s.w[0] = select(m, before.w[0], s.w[0]);
    s.w[1] = select(m, before.w[1], s.w[1]);
    s.y = select(m, before.y, s.y);
}

}  // namespace brindlewave::lanes
