#pragma once
// Runs one channel at 1, 2, 4 or 8 times the host rate: zero-stuffing and an order-20
// Butterworth low-pass up, the same low-pass and keeping every F-th sample down. The block at
// the oversampled rate sits in the oversampled buffer in between, for in-place processing.

#include <limits>
#include <span>

#include "audiofx/filter/lowpass.h"

namespace brindlewave {

class Upsampler {
public:
    static constexpr int filterOrder = 20;

    Upsampler() = default;
    Upsampler(const Upsampler&) = delete;
    Upsampler& operator=(const Upsampler&) = delete;
    ~Upsampler();

    // Builds both filters and both buffers (maxFactor x maxFrames + 1 and maxFrames floats,
    // NaN-filled), replacing any earlier ones. Nothing else allocates. A vector kernel holding
    // the old filters must hand them back first.
    void initialize(int maxFactor, int maxFrames) noexcept;

    // Host-rate change: the oversampled buffer is refilled with NaN and, once a factor has been
    // applied, both filters are retuned to the new rate.
    void setSampleRate(float hostRate) noexcept;

    // Factor change: taken when it differs from the current one and lies in 1..maxFactor; both
    // filters are then retuned.
    void setFactor(int newFactor) noexcept;

    // frames input samples (limited to 0..maxFrames) to frames x factor oversampled samples.
    void upsample(const float* input, int frames) noexcept;

    // The oversampled block back to frames samples in the decimated buffer; the oversampled
    // buffer is filtered in place on the way.
    void decimate() noexcept;

    float* oversampledBuffer() noexcept { return oversampled.data(); }
    const float* decimatedBuffer() const noexcept { return decimated.data(); }
    int oversampledLength() const noexcept { return frames * (factor > 1 ? factor : 1); }

    // Cut-off of both filters: the host Nyquist frequency less 2 kHz (20050 Hz at 44.1 kHz, 22 kHz
    // at 48 kHz), but never below 0.45 x the host rate: below 40 kHz the 2 kHz would take a large
    // share of the band.
    static float cutoffFor(float hostRate) noexcept;

    // What initialize, setSampleRate and setFactor did to the filters since the last call: new
    // coefficients, and whether a new filter rate cleared their state. A kernel that runs the
    // filters' arithmetic on its own copy of their state follows with it.
    struct Changes {
        bool retuned = false;
        bool cleared = false;
    };
    Changes takeChanges() noexcept {
        const Changes c = changes_;
        changes_ = {};
        return c;
    }

    audiofx::ButterworthLPNthOrder* upsamplingFilter = nullptr;
    audiofx::ButterworthLPNthOrder* decimationFilter = nullptr;
    float sampleRate = std::numeric_limits<float>::quiet_NaN();
    float oversampledRate = std::numeric_limits<float>::quiet_NaN();
    int maxFactor = 0;
    int factor = 0;
    int maxFrames = 0;
    int frames = 0;

private:
    void retune() noexcept;
    void release() noexcept;

    std::span<float> oversampled;
    std::span<float> decimated;
    Changes changes_;
};

}  // namespace brindlewave
