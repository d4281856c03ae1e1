#pragma once
// Base of every single-precision, sample-at-a-time processing unit.

#include <limits>

namespace audiofx {

class AudioEffect {
public:
    AudioEffect() = default;
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;
    virtual ~AudioEffect() = default;

    virtual float getNextSample(float x) = 0;

    // output[i] = getNextSample(input[i]); input and output may be the same buffer.
    virtual void processBuffers(const float* input, float* output, int frames);

    virtual void reset() = 0;

    // Stores the rate, then resets.
    virtual void setSampleRate(float rate);

    float SampleRate() const noexcept { return sampleRate; }

    float sampleRate = std::numeric_limits<float>::quiet_NaN();

protected:
    // The processBuffers loop for a unit whose getNextSample is final: the call binds statically
    // and inlines.
    template <typename Self>
    static void runBuffers(Self& self, const float* input, float* output, int frames) noexcept {
        for (int i = 0; i < frames; ++i) output[i] = self.Self::getNextSample(input[i]);
    }
};

}  // namespace audiofx
