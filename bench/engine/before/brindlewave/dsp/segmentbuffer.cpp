#include "before/brindlewave/dsp/segmentbuffer.h"

#include "rigging/core/nogc.h"

namespace brindlewave_before {

SegmentBuffer::~SegmentBuffer() {
    std::free(filling_);
    std::free(complete_);
}

void SegmentBuffer::initialize(int windowSize) noexcept {
    // Same size as before: keep the buffers, so a stream reset allocates nothing.
    if (filling_ == nullptr || windowSize != windowSize_) {
        std::free(filling_);
        std::free(complete_);
        windowSize_ = windowSize;
        filling_ = rigging::mallocSlice<float>(std::size_t(windowSize)).data();
        complete_ = rigging::mallocSlice<float>(std::size_t(windowSize)).data();
    }
    fill_ = 0;
    fresh_ = false;
}

void SegmentBuffer::analyse(rigging::FFTAnalyzer& analyzer, std::complex<float>* bins) noexcept {
    if (!fresh_) return;
    for (int i = 0; i < windowSize_; ++i) analyzer.feed(complete_[i], bins);
    fresh_ = false;
}

}  // namespace brindlewave_before
