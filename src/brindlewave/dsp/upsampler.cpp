#include "brindlewave/dsp/upsampler.h"

#include <algorithm>
#include <cstring>

#include "rigging/core/nogc.h"

namespace brindlewave {

using audiofx::ButterworthLPNthOrder;

Upsampler::~Upsampler() {
    release();
}

void Upsampler::release() noexcept {
    rigging::destroyFree(upsamplingFilter);
    rigging::destroyFree(decimationFilter);
    rigging::freeSlice(oversampled);
    rigging::freeSlice(decimated);
    upsamplingFilter = decimationFilter = nullptr;
    oversampled = decimated = {};
}

void Upsampler::initialize(int maxFactorValue, int maxFramesValue) noexcept {
    release();
    // The new filters are untuned and the buffer may be smaller: forget the old settings so
    // the next setSampleRate and setFactor take effect, and no block uses the old factor.
    sampleRate = oversampledRate = std::numeric_limits<float>::quiet_NaN();
    factor = frames = 0;
    maxFactor = std::max(1, maxFactorValue);
    maxFrames = std::max(0, maxFramesValue);
    upsamplingFilter = rigging::mallocNew<ButterworthLPNthOrder>(filterOrder);
    decimationFilter = rigging::mallocNew<ButterworthLPNthOrder>(filterOrder);
    oversampled = rigging::mallocSlice<float>(static_cast<std::size_t>(maxFactor) * maxFrames + 1);
    decimated = rigging::mallocSlice<float>(static_cast<std::size_t>(maxFrames));
    changes_ = {true, true};
}

float Upsampler::cutoffFor(float hostRate) noexcept {
    return std::max(hostRate * 0.5f - 2000.0f, hostRate * 0.45f);
}

void Upsampler::setSampleRate(float hostRate) noexcept {
    if (hostRate == sampleRate) return;
    sampleRate = hostRate;
    // The buffer's size does not depend on the rate: it is refilled, not remade, so a rate
    // change on the audio thread allocates nothing.
    std::fill(oversampled.begin(), oversampled.end(), std::numeric_limits<float>::quiet_NaN());
    if (factor > 0) retune();
}

void Upsampler::setFactor(int newFactor) noexcept {
    if (newFactor == factor || newFactor < 1 || newFactor > maxFactor) return;
    factor = newFactor;
    retune();
}

void Upsampler::retune() noexcept {
    oversampledRate = sampleRate * static_cast<float>(factor);
    changes_.retuned = true;
    // The cascades clear their sections only for a rate they do not have yet.
    if (!(upsamplingFilter->sampleRate == oversampledRate)) changes_.cleared = true;
    upsamplingFilter->setSampleRate(oversampledRate);
    decimationFilter->setSampleRate(oversampledRate);
    const float cutoff = cutoffFor(sampleRate);
    upsamplingFilter->setFrequency(cutoff);
    decimationFilter->setFrequency(cutoff);
}

void Upsampler::upsample(const float* input, int count) noexcept {
    frames = std::clamp(count, 0, maxFrames);
    float* out = oversampled.data();
    if (factor <= 1) {
        std::memcpy(out, input, sizeof(float) * static_cast<std::size_t>(frames));
        return;
    }
    const int f = factor;
    const int n = frames * f;
    for (int i = 0; i < frames; ++i) {
        float* group = out + static_cast<std::size_t>(i) * f;
        group[0] = input[i];
        for (int k = 1; k < f; ++k) group[k] = 0.0f;
    }
    upsamplingFilter->processBuffers(out, out, n);
    // The gain F restores the level lost to the inserted zeros.
    const float gain = static_cast<float>(f);
    for (int i = 0; i < n; ++i) out[i] *= gain;
}

void Upsampler::decimate() noexcept {
    float* out = decimated.data();
    const float* in = oversampled.data();
    if (factor <= 1) {
        std::memcpy(out, in, sizeof(float) * static_cast<std::size_t>(maxFrames));
        return;
    }
    const int f = factor;
    // The filter runs on every oversampled sample, in place; the first of each group of F is
    // kept.
    float* block = oversampled.data();
    decimationFilter->processBuffers(block, block, frames * f);
    for (int i = 0; i < frames; ++i) out[i] = block[static_cast<std::size_t>(i) * f];
}

}  // namespace brindlewave
