#include "displays/programme.h"

#include <cmath>

#include "brindlewave/decibels.h"
#include "rigging/dsp/fft.h"

namespace brindlewave::displays {

Programme::Programme() noexcept {
    rigging::FFTAnalyzer analyzer;
    analyzer.initialize(1024, kFFTSize, 1024,
                        rigging::WindowDesc(rigging::WindowType::hann,
                                            rigging::WindowAlignment::left, std::nanf("")),
                        true);
    unsigned seed = 1234567u;
    float lowpassed = 0.0f, phase[3] = {0, 0, 0};
    for (int f = 0; f < kFrames; ++f) {
        frames_[f] = rigging::Vec<SpectrumBin>(kBins);
        const float drift = 1.0f + 0.15f * std::sin(0.4f * static_cast<float>(f));
        const float hz[3] = {110.0f * drift, 880.0f / drift, 5200.0f * drift};
        const float amp[3] = {0.35f, 0.2f, 0.05f};
        for (int i = 0; i < 1024; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const float noise = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            lowpassed += 0.08f * (noise - lowpassed);
            float x = 0.4f * lowpassed + 0.01f * noise;
            for (int k = 0; k < 3; ++k) {
                phase[k] += 6.2831853f * hz[k] / kSampleRate;
                x += amp[k] * std::sin(phase[k]);
            }
            analyzer.feed(x, frames_[f].ptr());
        }
    }
}

const rigging::Vec<SpectrumBin>& Programme::frame(int block) const noexcept {
    return frames_[static_cast<unsigned>(block) % kFrames];
}

void Programme::levels(int block, float (&pre)[kBands], float (&post)[kBands]) noexcept {
    const float t = static_cast<float>(block);
    for (int b = 0; b < kBands; ++b) {
        // Swells of a few seconds, a different pace per band; compression takes up to 10 dB.
        const float swell = 0.5f + 0.5f * std::sin(t * (0.021f + 0.007f * b) + b);
        const float dB = -45.0f + 42.0f * swell;
        const float reduction = dB > -20.0f ? 0.5f * (dB + 20.0f) : 0.0f;
        pre[b] = gainOfDecibelsSingle(dB);
        post[b] = gainOfDecibelsSingle(dB - std::fmin(reduction, 10.0f));
    }
}

void Programme::feedBlock(IEditorSink& sink, int block) const {
    sink.updateFFTData(frame(block), kFFTSize, kSampleRate);
    float pre[kBands], post[kBands];
    levels(block, pre, post);
    sink.updateMeters(pre, post, kSampleRate);
}

}  // namespace brindlewave::displays
