#include "rigging/core/semaphore.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "rigging/core/fatal.h"
#include "rigging/core/nogc.h"

namespace rigging {

UncheckedSemaphore makeSemaphore(unsigned count) noexcept {
    UncheckedSemaphore s;
    sem_t* h = static_cast<sem_t*>(checkedMalloc(sizeof(sem_t)));
    if (sem_init(h, 0, count) != 0) fatalTrap();
    s.handle_ = h;
    return s;
}

UncheckedSemaphore::UncheckedSemaphore(UncheckedSemaphore&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

UncheckedSemaphore& UncheckedSemaphore::operator=(UncheckedSemaphore&& other) noexcept {
    if (this != &other) {
        destroy();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

UncheckedSemaphore::~UncheckedSemaphore() {
    destroy();
}

void UncheckedSemaphore::destroy() noexcept {
    if (handle_ == nullptr) return;
    sem_destroy(handle_);
    std::free(handle_);
    handle_ = nullptr;
}

void UncheckedSemaphore::wait() noexcept {
    while (sem_wait(handle_) != 0) {
        if (errno != EINTR) fatalTrap();
    }
}

bool UncheckedSemaphore::tryWait() noexcept {
    while (sem_trywait(handle_) != 0) {
        if (errno == EAGAIN) return false;
        if (errno != EINTR) fatalTrap();
    }
    return true;
}

void UncheckedSemaphore::notify() noexcept {
    if (sem_post(handle_) != 0) fatalTrap();
}

}  // namespace rigging
