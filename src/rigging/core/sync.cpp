#include "rigging/core/sync.h"

#include <cerrno>
#include <ctime>

#include "rigging/core/fatal.h"
#include "rigging/core/vec.h"

namespace rigging {

UncheckedMutex makeMutex() noexcept {
    UncheckedMutex m;
    m.handle_ = static_cast<pthread_mutex_t*>(alignedMalloc(sizeof(pthread_mutex_t), 64));
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(m.handle_, &attr);
    pthread_mutexattr_destroy(&attr);
    m.initialized_ = true;
    return m;
}

UncheckedMutex::UncheckedMutex(UncheckedMutex&& other) noexcept
    : handle_(other.handle_), initialized_(other.initialized_) {
    other.handle_ = nullptr;
    other.initialized_ = false;
}

UncheckedMutex& UncheckedMutex::operator=(UncheckedMutex&& other) noexcept {
    if (this != &other) {
        destroy();
        handle_ = other.handle_;
        initialized_ = other.initialized_;
        other.handle_ = nullptr;
        other.initialized_ = false;
    }
    return *this;
}

UncheckedMutex::~UncheckedMutex() {
    destroy();
}

void UncheckedMutex::destroy() noexcept {
    if (initialized_) {
        pthread_mutex_destroy(handle_);
        alignedFree(handle_, 64);
        handle_ = nullptr;
        initialized_ = false;
    }
}

void UncheckedMutex::lock() noexcept {
    if (pthread_mutex_lock(handle_) != 0) fatalTrap();
}

void UncheckedMutex::unlock() noexcept {
    if (pthread_mutex_unlock(handle_) != 0) fatalTrap();
}

bool UncheckedMutex::tryLock() noexcept {
    return pthread_mutex_trylock(handle_) == 0;
}

ConditionVariable makeConditionVariable() noexcept {
    ConditionVariable c;
    c.handle_ = static_cast<pthread_cond_t*>(alignedMalloc(sizeof(pthread_cond_t), 64));
    if (pthread_cond_init(c.handle_, nullptr) != 0) fatalTrap();
    return c;
}

ConditionVariable::ConditionVariable(ConditionVariable&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
}

ConditionVariable& ConditionVariable::operator=(ConditionVariable&& other) noexcept {
    if (this != &other) {
        destroy();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

ConditionVariable::~ConditionVariable() {
    destroy();
}

void ConditionVariable::destroy() noexcept {
    if (handle_ != nullptr) {
        pthread_cond_destroy(handle_);
        alignedFree(handle_, 64);
        handle_ = nullptr;
    }
}

void ConditionVariable::wait(UncheckedMutex* m) noexcept {
    if (pthread_cond_wait(handle_, m->handle()) != 0) fatalTrap();
}

bool ConditionVariable::waitFor(UncheckedMutex* m, long long nanoseconds) noexcept {
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    if (nanoseconds < 0) nanoseconds = 0;
    long long ns = deadline.tv_nsec + nanoseconds % 1000000000LL;
    deadline.tv_sec += static_cast<time_t>(nanoseconds / 1000000000LL + ns / 1000000000LL);
    deadline.tv_nsec = static_cast<long>(ns % 1000000000LL);
    int r = pthread_cond_clockwait(handle_, m->handle(), CLOCK_MONOTONIC, &deadline);
    if (r == ETIMEDOUT) return false;
    if (r != 0) fatalTrap();
    return true;
}

void ConditionVariable::notifyOne() noexcept {
    if (pthread_cond_signal(handle_) != 0) fatalTrap();
}

void ConditionVariable::notifyAll() noexcept {
    if (pthread_cond_broadcast(handle_) != 0) fatalTrap();
}

}  // namespace rigging
