#pragma once
// Multichannel audio held in memory by the offline tools and tests.

#include <vector>

namespace brindlewave::render {

struct AudioBuffer {
    double sampleRate = 48000.0;
    std::vector<std::vector<float>> channels;  // channels[c][frame]

    AudioBuffer() = default;
    AudioBuffer(int numChannels, int frames, double rate)
        : sampleRate(rate), channels(numChannels, std::vector<float>(frames, 0.0f)) {}

    int numChannels() const { return static_cast<int>(channels.size()); }
    int frames() const { return channels.empty() ? 0 : static_cast<int>(channels[0].size()); }
};

}  // namespace brindlewave::render
