#pragma once
// Counting semaphore over a process-private POSIX semaphore. Failed calls end the process.

#include <semaphore.h>

namespace rigging {

class UncheckedSemaphore {
public:
    // Inert until assigned from makeSemaphore(); only its destructor may run.
    UncheckedSemaphore() noexcept = default;
    UncheckedSemaphore(const UncheckedSemaphore&) = delete;
    UncheckedSemaphore& operator=(const UncheckedSemaphore&) = delete;
    UncheckedSemaphore(UncheckedSemaphore&& other) noexcept;
    UncheckedSemaphore& operator=(UncheckedSemaphore&& other) noexcept;
    ~UncheckedSemaphore();

    // Blocks until a unit is available and takes it.
    void wait() noexcept;
    // Takes a unit when one is available; never blocks.
    bool tryWait() noexcept;
    // Gives one unit back.
    void notify() noexcept;

    bool initialized() const noexcept { return handle_ != nullptr; }

private:
    friend UncheckedSemaphore makeSemaphore(unsigned count) noexcept;
    void destroy() noexcept;

    // Heap-held so that moving the owner never moves a live sem_t.
    sem_t* handle_ = nullptr;
};

UncheckedSemaphore makeSemaphore(unsigned count) noexcept;

}  // namespace rigging
