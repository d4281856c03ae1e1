#pragma once
// Windowed spectrum analyser fed one sample at a time, on the real FFT.

#include <complex>
#include <cstddef>

#include "fftcore/fftcore.h"
#include "rigging/dsp/window.h"

namespace rigging {

// Frequency in Hz of FFT bin `bin`: bin * sampleRate / fftSize in single precision.
float convertFFTBinToFrequency(int bin, int fftSize, float sampleRate) noexcept;

// Collects samples into segments of windowSize that start analysisPeriod samples apart; each full
// segment is windowed, scaled, optionally rotated so that its centre sample sits at time 0 (zero
// phase), zero-padded to fftSize and transformed.
class FFTAnalyzer {
public:
    FFTAnalyzer() = default;
    ~FFTAnalyzer();
    FFTAnalyzer(const FFTAnalyzer&) = delete;
    FFTAnalyzer& operator=(const FFTAnalyzer&) = delete;

    // Allocates; call outside the audio path. May be called again to reconfigure, which clears
    // the collected samples. analysisPeriod 0 counts as 1. Returns false, leaving the analyser
    // inert (feed never writes), unless 1 <= windowSize <= fftSize, fftSize is a power of two
    // and analysisPeriod <= windowSize.
    bool initialize(int windowSize, int fftSize, int analysisPeriod, const WindowDesc& desc,
                    bool zeroPhase) noexcept;

    // Takes one sample. When it completes a segment, writes fftSize/2 + 1 bins to `bins` (the
    // caller supplies that many) and returns true. Allocates nothing.
    bool feed(float x, std::complex<float>* bins) noexcept;

    int windowSize() const noexcept { return windowSize_; }
    int fftSize() const noexcept { return fftSize_; }
    int analysisPeriod() const noexcept { return analysisPeriod_; }
    bool zeroPhase() const noexcept { return zeroPhase_; }
    float scale() const noexcept { return scale_; }
    const float* window() const noexcept { return window_; }

private:
    void processSegment(std::complex<float>* bins) noexcept;
    float windowed(int i) const noexcept { return segment_[i] * window_[i] * scale_; }

    float* segment_ = nullptr;
    int windowSize_ = 0;
    int analysisPeriod_ = 1;
    int fill_ = 0;
    bool zeroPhase_ = false;
    int fftSize_ = 0;
    float* window_ = nullptr;
    float scale_ = 0.0f;
    fftcore::Rfft rfft_;
    float* work_ = nullptr;  // the padded segment, transformed in place
    std::size_t workAlignment_ = 0;
    bool ready_ = false;
};

}  // namespace rigging
