#pragma once
// Shared set-up for the engine tests: a client made through the framework's factory, and
// parameter values set the way a host sets them.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "brindlewave/client.h"
#include "brindlewave/paramids.h"
#include "render.h"
#include "rigging/client/boolparameter.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"
#include "testsignal.h"

namespace brindlewave::testing {

struct ClientDeleter {
    void operator()(BrindlewaveClient* c) const { rigging::destroyFree(c); }
};
using ClientPtr = std::unique_ptr<BrindlewaveClient, ClientDeleter>;

inline ClientPtr makeClient() {
    return ClientPtr(rigging::createClient<BrindlewaveClient>());
}

// Normalized value of a plain value for parameter `index`.
inline double normalizedOf(BrindlewaveClient& c, int index, double value) {
    auto* p = c.param(index);
    if (auto* f = dynamic_cast<rigging::FloatParameter*>(p)) return f->toNormalized(value);
    if (auto* i = dynamic_cast<rigging::IntegerParameter*>(p)) return i->toNormalized(value);
    return value >= 0.5 ? 1.0 : 0.0;
}

inline void setValue(BrindlewaveClient& c, int index, double value) {
    render::setParameter(c, index, normalizedOf(c, index, value));
}

// Level of a steady 1 kHz sine in the last half of the output, as a peak level in dBFS.
inline double tailSineDb(const render::AudioBuffer& out, int channel = 0) {
    return render::sinePeakDb(out, channel, out.frames() / 2, out.frames());
}

}  // namespace brindlewave::testing
