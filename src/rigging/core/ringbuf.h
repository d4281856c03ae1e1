#pragma once
// A ring of small items carried from the audio thread to the GUI thread, consumed at the pace
// at which they were produced. Neither side ever blocks: both only try the lock; a busy lock
// loses the pushed item, or postpones the read to the next tick with the time still owed.
// One producer and one consumer.

#include <atomic>
#include <cstdint>
#include <span>

#include "rigging/core/sync.h"
#include "rigging/core/vec.h"

namespace rigging {

struct TimedFIFOProbe;  // tests reach the counters through it

template <BitCopyable T>
class TimedFIFO {
public:
    TimedFIFO() noexcept = default;
    TimedFIFO(const TimedFIFO&) = delete;
    TimedFIFO& operator=(const TimedFIFO&) = delete;
    ~TimedFIFO() { reallocBuffer(buffer_, 0); }

    // capacity and subsampling are powers of two; every subsampling-th push is stored. Not
    // to be called while the other side may run.
    void initialize(std::uint32_t capacity, std::uint32_t subsampling = 1) noexcept {
        reallocBuffer(buffer_, capacity);
        count_ = 0;
        readIndex_ = 0;
        inputTimestamp_ = 0;
        indexMask_ = capacity - 1;
        subsamplingMask_ = subsampling - 1;
        invSubsampling_ = 1.0f / static_cast<float>(subsampling);
        timeDebt_ = 0.0f;
        remainder_ = 0.0f;
        lock_ = makeMutex();
    }

    // Producer: stores the item (overwriting the oldest when full) unless the lock is busy.
    // newRate is the item rate per unit of the elapsed time the reader passes.
    void pushData(const T& item, float newRate) noexcept {
        rate_.store(newRate);
        if (!lock_.tryLock()) return;
        ++inputTimestamp_;
        if ((inputTimestamp_ & subsamplingMask_) == 0) {
            buffer_[(readIndex_ + count_) & indexMask_] = item;
            if (count_ < buffer_.size())
                ++count_;
            else
                ++readIndex_;
        }
        lock_.unlock();
    }

    // Consumer: copies up to output.size() oldest items (oldest first) and returns how many,
    // then drops as many stored items as the elapsed time, inflated by 1 %, accounts for,
    // keeping at least min(keepAtLeast, copied - 1).
    int readOldestDataAndDropSome(std::span<T> output, double elapsed, int keepAtLeast) noexcept {
        timeDebt_ = static_cast<float>(static_cast<double>(timeDebt_) + elapsed * 1.01);
        if (!lock_.tryLock()) return 0;
        const std::uint32_t n =
            count_ < output.size() ? count_ : static_cast<std::uint32_t>(output.size());
        for (std::uint32_t k = 0; k < n; ++k) output[k] = buffer_[(readIndex_ + k) & indexMask_];
        if (n == 0) {
            lock_.unlock();
            return 0;
        }
        const int keep =
            keepAtLeast < static_cast<int>(n) - 1 ? keepAtLeast : static_cast<int>(n) - 1;
        float x = rate_.load() * timeDebt_ * invSubsampling_ + remainder_;
        const float limit = static_cast<float>(static_cast<int>(count_) - keep);
        if (!(x >= 0.0f)) x = 0.0f;  // a NaN rate or a negative elapsed time drops nothing
        if (x > limit) x = limit;
        const auto drop = static_cast<std::uint32_t>(x);
        timeDebt_ = 0.0f;
        remainder_ = x - static_cast<float>(drop);
        count_ -= drop;
        readIndex_ += drop;  // wraps harmlessly: the mask keeps the ring position right
        lock_.unlock();
        return static_cast<int>(n);
    }

    // Observers for the consumer's thread (unsynchronised with the producer).
    std::uint32_t capacity() const noexcept { return static_cast<std::uint32_t>(buffer_.size()); }
    std::uint32_t count() const noexcept { return count_; }
    std::uint32_t readIndex() const noexcept { return readIndex_; }
    std::uint32_t inputTimestamp() const noexcept { return inputTimestamp_; }
    float timeDebt() const noexcept { return timeDebt_; }
    float remainder() const noexcept { return remainder_; }

private:
    friend struct TimedFIFOProbe;

    std::span<T> buffer_;
    std::uint32_t count_ = 0;
    std::uint32_t readIndex_ = 0;       // only grows, modulo 2^32
    std::uint32_t inputTimestamp_ = 0;  // pushes that got the lock, modulo 2^32
    std::atomic<float> rate_{0.0f};
    std::uint32_t indexMask_ = 0;
    std::uint32_t subsamplingMask_ = 0;
    float invSubsampling_ = 1.0f;
    UncheckedMutex lock_;
    float timeDebt_ = 0.0f;   // consumer only
    float remainder_ = 0.0f;  // in [0, 1)
};

}  // namespace rigging
