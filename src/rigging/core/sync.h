#pragma once
// Recursive mutex and condition variable over POSIX threads. Failed calls end the process.

#include <pthread.h>

namespace rigging {

class UncheckedMutex {
public:
    // Inert until assigned from makeMutex(); only its destructor may run.
    UncheckedMutex() noexcept = default;
    UncheckedMutex(const UncheckedMutex&) = delete;
    UncheckedMutex& operator=(const UncheckedMutex&) = delete;
    UncheckedMutex(UncheckedMutex&& other) noexcept;
    UncheckedMutex& operator=(UncheckedMutex&& other) noexcept;
    ~UncheckedMutex();

    void lock() noexcept;
    void unlock() noexcept;
    // Never blocks; false when busy or on any error.
    bool tryLock() noexcept;

    pthread_mutex_t* handle() noexcept { return handle_; }
    bool initialized() const noexcept { return initialized_; }

private:
    friend UncheckedMutex makeMutex() noexcept;
    void destroy() noexcept;

    pthread_mutex_t* handle_ = nullptr;
    bool initialized_ = false;
};

UncheckedMutex makeMutex() noexcept;

// Scoped lock over an UncheckedMutex.
class MutexLock {
public:
    explicit MutexLock(UncheckedMutex& m) noexcept : mutex_(m) { mutex_.lock(); }
    ~MutexLock() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    UncheckedMutex& mutex_;
};

class ConditionVariable {
public:
    ConditionVariable() noexcept = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;
    ConditionVariable(ConditionVariable&& other) noexcept;
    ConditionVariable& operator=(ConditionVariable&& other) noexcept;
    ~ConditionVariable();

    // The caller holds m and re-tests its predicate in a loop.
    void wait(UncheckedMutex* m) noexcept;
    // As wait, but gives up after `nanoseconds` on the monotonic clock (wall-clock steps do not
    // stretch it); false when the time ran out.
    bool waitFor(UncheckedMutex* m, long long nanoseconds) noexcept;
    void notifyOne() noexcept;
    void notifyAll() noexcept;

private:
    friend ConditionVariable makeConditionVariable() noexcept;
    void destroy() noexcept;

    pthread_cond_t* handle_ = nullptr;
};

ConditionVariable makeConditionVariable() noexcept;

}  // namespace rigging
