#include "rigging/core/lockedqueue.h"

namespace rigging {

LockedRing::LockedRing(unsigned capacity) noexcept
    : lock_(makeMutex()), items_(makeSemaphore(0)), capacity_(capacity) {
    if (capacity == 0) fatalTrap();
}

unsigned LockedRing::count() noexcept {
    MutexLock l(lock_);
    return count_;
}

unsigned LockedRing::dropOldest() noexcept {
    unsigned slot = read_;
    read_ = (read_ + 1) % capacity_;
    --count_;
    return slot;
}

unsigned LockedRing::appendSlot() noexcept {
    unsigned slot = (read_ + count_) % capacity_;
    ++count_;
    return slot;
}

unsigned LockedRing::takeFront() noexcept {
    // The items semaphore guarantees an element; an empty ring here is a broken invariant.
    if (count_ == 0) fatalTrap();
    return dropOldest();
}

}  // namespace rigging
