#include "vst2stress.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vst2host {

using namespace rigging::vst;

stress::Report stressWrapper(Host& host, int numParams, int blocks, unsigned seed) {
    constexpr int kChannels = 8;  // the host always offers enough channel buffers
    MidiEventList list(0x90, 60, 100);
    host.dispatch(effMainsChanged, 0, 0);
    for (int i = 0; i < 3000; ++i) host.dispatch(effProcessEvents, 0, 0, list.ptr());
    host.dispatch(effMainsChanged, 0, 1);

    stress::Options o;
    o.blocks = blocks;
    o.channels = kChannels;
    o.seed = seed;
    std::vector<std::vector<double>> din(kChannels), dout(kChannels);
    auto process = [&](stress::Block& b, stress::Report&) {
        // The host's speaker count changes under the audio thread, so which of the buffers the
        // plug-in writes is not known here: they start silent rather than NaN.
        for (float* out : b.outputs) std::fill(out, out + b.frames, 0.0f);
        switch (b.rng() % 3) {
            case 0:
                host.processReplacing(b.inputs.data(), b.outputs.data(), b.frames);
                break;
            case 1: {
                std::vector<double*> dip, dop;
                for (int c = 0; c < kChannels; ++c) {
                    din[c].assign(b.inputs[c], b.inputs[c] + b.frames);
                    dout[c].assign(b.frames, 0.0);
                    dip.push_back(din[c].data());
                    dop.push_back(dout[c].data());
                }
                host.processDoubleReplacing(dip.data(), dop.data(), b.frames);
                for (int c = 0; c < kChannels; ++c)
                    for (int j = 0; j < b.frames; ++j)
                        b.outputs[c][j] = static_cast<float>(dout[c][j]);
                break;
            }
            default:
                host.processAccumulating(b.inputs.data(), b.outputs.data(), b.frames);
                break;
        }
    };
    stress::SideThread streamChanges{
        [&](int, std::mt19937& rng, stress::Report&) {
            const float rates[] = {22050, 44100, 48000, 96000, 192000, 0, -1, NAN};
            const VstIntPtr sizes[] = {0, 1, 64, 512, 4096, 100000, -1};
            switch (rng() % 5) {
                case 0:
                    host.dispatch(effSetSampleRate, 0, 0, nullptr, rates[rng() % 8]);
                    break;
                case 1:
                    host.dispatch(effSetBlockSize, 0, sizes[rng() % 7]);
                    break;
                case 2:
                    host.dispatch(effMainsChanged, 0, rng() % 2);
                    break;
                case 3:
                    host.setSpeakers(static_cast<int>(rng() % 7), static_cast<int>(rng() % 7));
                    break;
                default:
                    host.dispatch(effProcessEvents, 0, 0, list.ptr());
                    break;
            }
        },
        0, std::chrono::milliseconds(1)};
    stress::SideThread parameters{[&](int, std::mt19937& rng, stress::Report& r) {
        std::uniform_real_distribution<float> unit(-0.2f, 1.2f);
        const int index = static_cast<int>(rng() % (numParams + 2)) - 1;
        host.setParameter(index, unit(rng));
        if (!std::isfinite(host.getParameter(index))) ++r.nonFinite;
    }};
    stress::Report r = stress::run(o, process, {streamChanges, parameters});
    r.fpViolations = host.fpViolations();
    return r;
}

}  // namespace vst2host
