#include "render.h"

#include <algorithm>
#include <vector>

#include "rigging/core/fpcontrol.h"

namespace brindlewave::render {

AudioBuffer render(rigging::Client& client, const AudioBuffer& input,
                   const RenderOptions& options) {
    rigging::FPScope fp;
    const int ins = input.numChannels();
    const int frames = input.frames();
    const int block = std::max(1, options.blockSize);
    AudioBuffer out(options.numOutputs, frames, input.sampleRate);
    if (options.resetFirst) client.resetFromHost(input.sampleRate, block, ins, options.numOutputs);
    rigging::TimeInfo info;
    std::vector<const float*> inPtrs(ins);
    std::vector<float*> outPtrs(options.numOutputs);
    for (int pos = 0; pos < frames; pos += block) {
        const int n = std::min(block, frames - pos);
        // The client advances the pointers it is given: refill them every block.
        for (int c = 0; c < ins; ++c) inPtrs[c] = input.channels[c].data() + pos;
        for (int c = 0; c < options.numOutputs; ++c) outPtrs[c] = out.channels[c].data() + pos;
        info.timeInSamples = pos;
        client.processAudioFromHost(inPtrs, outPtrs, n, info);
    }
    return out;
}

void setParameter(rigging::Client& client, int index, double normalized) {
    rigging::FPScope fp;
    client.setParameterFromHost(index, static_cast<float>(normalized));
}

}  // namespace brindlewave::render
