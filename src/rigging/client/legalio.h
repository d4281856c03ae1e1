#pragma once
// One legal pair of input and output channel counts.

namespace rigging {

struct LegalIO {
    int numInputChannels = 0;
    int numOutputChannels = 0;
};

}  // namespace rigging
