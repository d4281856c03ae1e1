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

}  // namespace brindlewave::lanes
