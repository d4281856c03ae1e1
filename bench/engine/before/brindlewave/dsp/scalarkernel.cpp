#include "before/brindlewave/dsp/scalarkernel.h"

namespace brindlewave_before {

void processBlockScalar(EngineUnits& units, const BlockSettings& s, const float* const* inputs,
                        int frames) noexcept {
    const int bands = s.bands;
    for (int ch = 0; ch < s.channels; ++ch) {
        Upsampler& up = *units.upsamplers[ch];
        BandSplitter& splitter = *units.splitters[ch];
        up.upsample(inputs[ch], frames);
        float* buffer = up.oversampledBuffer();
        const int n = up.oversampledLength();
        for (int i = 0; i < n; ++i) {
            float v[kEngineBands] = {};
            if (!s.bypass) {
                const float* split = splitter.split(buffer[i] * s.inputGain);
                for (int b = 0; b < bands; ++b) {
                    v[b] = split[b];
                    if (!s.bandRuns(b)) {
                        v[b] = 0.0f;
                        continue;
                    }
                    units.preDetectors[b]->detect(v[b]);
                    v[b] = units.compressors[ch][b]->getNextSample(v[b]);
                    units.postDetectors[b]->detect(v[b]);
                }
            } else {
                const float* split = splitter.split(buffer[i]);
                for (int b = 0; b < bands; ++b) {
                    v[b] = split[b];
                    units.preDetectors[b]->detect(v[b]);
                    units.postDetectors[b]->detect(v[b]);
                }
            }
            float sum = v[0];
            for (int b = 1; b < bands; ++b) sum += v[b];
            buffer[i] = sum;
        }
        up.decimate();
    }
}

}  // namespace brindlewave_before
