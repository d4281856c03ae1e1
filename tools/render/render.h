#pragma once
// Drives a plug-in client offline, the way a host binding does: under the floating-point state
// every host entry opens, reset, then blocks through Client::processAudioFromHost.

#include "audiobuffer.h"
#include "rigging/client/client.h"

namespace brindlewave::render {

struct RenderOptions {
    int blockSize = 512;
    int numOutputs = 2;
    bool resetFirst = true;  // call resetFromHost before the first block
};

// Processes all of `input` (its channel count is the input count) and returns numOutputs
// channels at the input's rate.
AudioBuffer render(rigging::Client& client, const AudioBuffer& input, const RenderOptions& options);

// Sets parameter `index` as a host does: a normalized value, passed as a 32-bit float.
void setParameter(rigging::Client& client, int index, double normalized);

}  // namespace brindlewave::render
