#include "fftcore/fftcore.h"

#include "fftcore/impl_float.h"
#include "rigging/core/vec.h"

namespace fftcore {

namespace {
constexpr std::size_t kTableAlignment = 64;
}

void* alignedRealloc(void* ptr, std::size_t size, std::size_t alignment) noexcept {
    if (size == 0) {
        alignedFree(ptr, alignment);
        return nullptr;
    }
    return rigging::alignedRealloc(ptr, size, alignment);
}

void alignedFree(void* ptr, std::size_t alignment) noexcept {
    rigging::alignedFree(ptr, alignment);
}

Rfft::~Rfft() {
    alignedFree(table_, kTableAlignment);
    alignedFree(rtable_, kTableAlignment);
    alignedFree(itable_, kTableAlignment);
}

void Rfft::initialize(std::size_t n) noexcept {
    const int log2n = n == 0 ? 0 : __builtin_ctzll(n);
    // The tables depend on the size alone; an unchanged size keeps them (and allocates nothing).
    if (table_ != nullptr && log2n == log2n_) return;
    log2n_ = log2n;
    log2nComplex_ = log2n_ - 1;
    table_ = static_cast<float*>(
        alignedRealloc(table_, table_size_bytes(log2nComplex_), kTableAlignment));
    rtable_ =
        static_cast<float*>(alignedRealloc(rtable_, rtable_size_bytes(log2n_), kTableAlignment));
    itable_ = static_cast<std::uint8_t*>(
        alignedRealloc(itable_, itable_size_bytes(log2n_), kTableAlignment));
    fft_table(log2nComplex_, table_);
    rfft_table(log2n_, rtable_);
    interleave_table(log2n_, itable_);
}

void Rfft::forward(float* data) const noexcept {
    deinterleave(data, log2n_, itable_);
    std::size_t half = log2n_ > 0 ? std::size_t{1} << (log2n_ - 1) : 0;
    rfft(data, data + half, log2n_, table_, rtable_);
}

}  // namespace fftcore
