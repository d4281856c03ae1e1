#include "rigging/dsp/fft.h"

#include <cstring>

#include "fftcore/fft_tables.h"
#include "rigging/core/vec.h"

namespace rigging {

float convertFFTBinToFrequency(int bin, int fftSize, float sampleRate) noexcept {
    return static_cast<float>(bin) * sampleRate / static_cast<float>(fftSize);
}

FFTAnalyzer::~FFTAnalyzer() {
    alignedFree(segment_, 1);
    alignedFree(window_, 1);
    if (work_) alignedFree(work_, workAlignment_);
}

bool FFTAnalyzer::initialize(int windowSize, int fftSize, int analysisPeriod,
                             const WindowDesc& desc, bool zeroPhase) noexcept {
    ready_ = false;
    // A segment longer than the transform, or a hop longer than the segment, would move data
    // outside the buffers.
    bool powerOfTwo = fftSize > 0 && (fftSize & (fftSize - 1)) == 0;
    if (windowSize < 1 || !powerOfTwo || fftSize < windowSize || analysisPeriod < 0 ||
        analysisPeriod > windowSize)
        return false;

    // Buffers are resized only when a size changes, so re-initialising with the same sizes
    // (every stream reset does) allocates nothing.
    const bool newWindowSize = window_ == nullptr || windowSize != windowSize_;
    const bool newFFTSize = work_ == nullptr || fftSize != fftSize_;
    zeroPhase_ = zeroPhase;
    fftSize_ = fftSize;
    windowSize_ = windowSize;

    if (newWindowSize) {
        window_ = static_cast<float*>(alignedRealloc(window_, sizeof(float) * windowSize, 1));
        segment_ = static_cast<float*>(alignedRealloc(segment_, sizeof(float) * windowSize, 1));
    }
    float sum = 0;
    for (int n = 0; n < windowSize; ++n) {
        window_[n] = static_cast<float>(evalWindow(desc, n, windowSize));
        sum += window_[n];
    }
    // Unit gain for a constant through the overlapped, padded transform.
    scale_ = (static_cast<float>(analysisPeriod) / static_cast<float>(windowSize)) *
             (static_cast<float>(fftSize) / sum);
    analysisPeriod_ = analysisPeriod == 0 ? 1 : analysisPeriod;

    std::memset(segment_, 0, sizeof(float) * windowSize);
    fill_ = 0;

    rfft_.initialize(static_cast<std::size_t>(fftSize));

    if (newFFTSize) {
        const std::size_t a = fftcore::alignment(static_cast<std::size_t>(fftSize));
        if (work_ && a != workAlignment_) {
            alignedFree(work_, workAlignment_);
            work_ = nullptr;
        }
        work_ = static_cast<float*>(alignedReallocDiscard(work_, sizeof(float) * fftSize, a));
        workAlignment_ = a;
    }
    ready_ = true;
    return true;
}

bool FFTAnalyzer::feed(float x, std::complex<float>* bins) noexcept {
    if (!ready_) return false;
    segment_[fill_++] = x;
    if (fill_ < windowSize_) return false;
    processSegment(bins);
    const int kept = windowSize_ - analysisPeriod_;
    std::memmove(segment_, segment_ + analysisPeriod_, sizeof(float) * kept);
    fill_ = kept;
    return true;
}

void FFTAnalyzer::processSegment(std::complex<float>* bins) noexcept {
    int k = 0;
    if (zeroPhase_) {
        // The centre sample goes to index 0, the samples before it wrap to the end.
        const int mid = (windowSize_ - 1) / 2;
        for (int i = mid; i < windowSize_; ++i) work_[k++] = windowed(i);
        for (; k < fftSize_ - mid; ++k) work_[k] = 0.0f;
        for (int i = 0; i < mid; ++i) work_[k++] = windowed(i);
    } else {
        for (; k < windowSize_; ++k) work_[k] = windowed(k);
        for (; k < fftSize_; ++k) work_[k] = 0.0f;
    }

    rfft_.forward(work_);

    // Bin 0 and the Nyquist bin (the same one for a one-point transform) are real.
    const int half = fftSize_ / 2;
    bins[0] = {work_[0], 0.0f};
    for (int i = 1; i < half; ++i) bins[i] = {work_[i], work_[half + i]};
    bins[half] = {work_[half], 0.0f};
}

}  // namespace rigging
