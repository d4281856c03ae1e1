#include "audiofx/effect.h"

namespace audiofx {

void AudioEffect::processBuffers(const float* input, float* output, int frames) {
    for (int i = 0; i < frames; ++i) output[i] = getNextSample(input[i]);
}

void AudioEffect::setSampleRate(float rate) {
    sampleRate = rate;
    reset();
}

}  // namespace audiofx
