#pragma once
// Bounded FIFO shared between threads: any thread pushes without waiting (a full queue drops
// its oldest element), one consumer pops without waiting or sleeps until an element arrives.
// The lock is held only while one element is copied in or out.

#include <cstdlib>
#include <cstring>

#include "rigging/core/nogc.h"
#include "rigging/core/semaphore.h"
#include "rigging/core/sync.h"
#include "rigging/core/vec.h"

namespace rigging {

// The index bookkeeping of a ring of `capacity` slots and the lock and semaphore guarding it.
// Invariant outside the lock: the items semaphore never exceeds count, and equals it whenever
// no pop is between its tryWait and its lock.
class LockedRing {
public:
    LockedRing() noexcept = default;
    explicit LockedRing(unsigned capacity) noexcept;
    LockedRing(const LockedRing&) = delete;
    LockedRing& operator=(const LockedRing&) = delete;

    unsigned capacity() const noexcept { return capacity_; }
    // Pending elements, read under the lock.
    unsigned count() noexcept;

protected:
    // Called under the lock. Removes the oldest element and returns its slot.
    unsigned dropOldest() noexcept;
    // Called under the lock. Reserves the slot after the newest element.
    unsigned appendSlot() noexcept;
    // Called under the lock. Removes the oldest element and returns its slot.
    unsigned takeFront() noexcept;
    unsigned frontSlot() const noexcept { return read_; }
    bool full() const noexcept { return count_ == capacity_; }

    UncheckedMutex lock_;
    UncheckedSemaphore items_;

private:
    unsigned capacity_ = 0;
    unsigned read_ = 0;
    unsigned count_ = 0;
};

template <BitCopyable T>
class LockedQueue : public LockedRing {
public:
    LockedQueue() noexcept = default;
    explicit LockedQueue(unsigned capacity) noexcept
        : LockedRing(capacity), store_(mallocSlice<T>(capacity).data()) {}
    ~LockedQueue() { std::free(store_); }

    // Appends x and never waits. When the queue is full its oldest element is dropped first;
    // fold(dropped, successor) then runs under the lock with the element that now leads the
    // queue (x itself for a queue of one slot), so a caller can carry over what must not be
    // lost. Returns true when an element was dropped.
    template <typename Fold>
    bool push(const T& x, Fold&& fold) noexcept {
        bool dropped = false;
        T old;
        lock_.lock();
        if (full()) {
            std::memcpy(static_cast<void*>(&old), &store_[dropOldest()], sizeof(T));
            dropped = true;
        }
        std::memcpy(static_cast<void*>(&store_[appendSlot()]), &x, sizeof(T));
        if (dropped) fold(static_cast<const T&>(old), store_[frontSlot()]);
        lock_.unlock();
        // One out and one in leaves the semaphore as it was.
        if (!dropped) items_.notify();
        return dropped;
    }

    bool push(const T& x) noexcept {
        return push(x, [](const T&, T&) {});
    }

    // Takes the oldest element when there is one; never waits for one.
    bool tryPop(T& out) noexcept {
        if (!items_.tryWait()) return false;
        popLocked(out);
        return true;
    }

    // Sleeps until an element is pending, then takes the oldest.
    void pop(T& out) noexcept {
        items_.wait();
        popLocked(out);
    }

private:
    void popLocked(T& out) noexcept {
        MutexLock l(lock_);
        std::memcpy(static_cast<void*>(&out), &store_[takeFront()], sizeof(T));
    }

    T* store_ = nullptr;
};

}  // namespace rigging
