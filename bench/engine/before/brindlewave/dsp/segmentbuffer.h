#pragma once
// Holds back the analyser's work until someone looks: the samples of the segment being filled
// and of the last complete one are kept, and the complete segment goes through the analyser only
// when the spectrum is asked for. Because the analyser's hop equals its window, each spectrum
// depends on its own segment alone, so the bins handed out are the ones feeding every sample
// straight to the analyser would have left; without an editor no transform runs at all.

#include <complex>

#include "rigging/dsp/fft.h"

namespace brindlewave_before {

class SegmentBuffer {
public:
    SegmentBuffer() noexcept = default;
    ~SegmentBuffer();
    SegmentBuffer(const SegmentBuffer&) = delete;
    SegmentBuffer& operator=(const SegmentBuffer&) = delete;

    // Allocates; outside the audio path. Nothing is pending afterwards.
    void initialize(int windowSize) noexcept;

    void push(float x) noexcept {
        filling_[fill_] = x;
        if (++fill_ == windowSize_) {
            float* done = filling_;
            filling_ = complete_;
            complete_ = done;
            fill_ = 0;
            fresh_ = true;
        }
    }

    // Brings `bins` up to date: runs the last complete segment through the analyser (which must
    // be set up for this window size with hop = window and be empty) if it has not been yet.
    void analyse(rigging::FFTAnalyzer& analyzer, std::complex<float>* bins) noexcept;

private:
    float* filling_ = nullptr;
    float* complete_ = nullptr;
    int windowSize_ = 0;
    int fill_ = 0;
    bool fresh_ = false;
};

}  // namespace brindlewave_before
