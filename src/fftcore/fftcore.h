#pragma once
// The real-input transform object and the allocator its tables come from.

#include <cstddef>
#include <cstdint>

namespace fftcore {

// Blocks with alignment > 1 carry the two-word header of the foundation's aligned blocks. A
// size of 0 frees the block and yields null; allocation failure ends the process.
void* alignedRealloc(void* ptr, std::size_t size, std::size_t alignment) noexcept;
void alignedFree(void* ptr, std::size_t alignment) noexcept;

// Forward real FFT of one power-of-two size, with the tables it needs.
class Rfft {
public:
    Rfft() = default;
    ~Rfft();
    Rfft(const Rfft&) = delete;
    Rfft& operator=(const Rfft&) = delete;

    // n = 2^log2n (log2n = trailing zero bits of n). Builds the tables, reusing earlier storage;
    // call it outside the audio path.
    void initialize(std::size_t n) noexcept;

    // n floats in natural order, 16-byte aligned (FFT alignment() of n is best), in place to
    // the split spectrum: data[k], data[n/2 + k] = bin k for 1 <= k < n/2, data[0] = bin 0,
    // data[n/2] = bin n/2. Allocates nothing.
    void forward(float* data) const noexcept;

    int log2n() const noexcept { return log2n_; }
    int complexLog2n() const noexcept { return log2nComplex_; }
    const float* table() const noexcept { return table_; }
    const float* rtable() const noexcept { return rtable_; }
    const std::uint8_t* itable() const noexcept { return itable_; }

private:
    int log2n_ = 0;
    int log2nComplex_ = -1;
    float* table_ = nullptr;
    float* rtable_ = nullptr;
    std::uint8_t* itable_ = nullptr;
};

}  // namespace fftcore
