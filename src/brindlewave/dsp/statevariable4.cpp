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

}  // namespace brindlewave::lanes
