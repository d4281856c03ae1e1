#pragma once
// A 64-byte aligned float buffer for the vector code under test.

#include <cstddef>
#include <cstring>

#include "fftcore/fftcore.h"

class AlignedFloats {
public:
    explicit AlignedFloats(std::size_t n)
        : n_(n), p_(static_cast<float*>(fftcore::alignedRealloc(nullptr, (n + 16) * 4, 64))) {
        std::memset(p_, 0, (n + 16) * 4);
    }
    ~AlignedFloats() { fftcore::alignedFree(p_, 64); }
    AlignedFloats(const AlignedFloats&) = delete;
    AlignedFloats& operator=(const AlignedFloats&) = delete;
    AlignedFloats(AlignedFloats&& o) noexcept : n_(o.n_), p_(o.p_) { o.p_ = nullptr; }

    float* data() { return p_; }
    float& operator[](std::size_t i) { return p_[i]; }
    std::size_t size() const { return n_; }

private:
    std::size_t n_;
    float* p_;
};
