#pragma once
// A POSIX thread running a callback, started and joined explicitly by its owner.

#include <pthread.h>

#include <cstddef>

namespace rigging {

// What a thread runs: callback(callbackContext) when callback is set, otherwise
// callback2(callback2Context, userData).
struct ThreadContext {
    void* callbackContext;
    void (*callback)(void* ctx);
    void* callback2Context;
    void (*callback2)(void* ctx, void* userData);
    void* userData;
};

extern "C" void* posixThreadEntryPoint(void* context);

class Thread {
public:
    Thread() noexcept = default;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    Thread(Thread&& other) noexcept;
    Thread& operator=(Thread&& other) noexcept;
    // Frees the context only: the owner joins first.
    ~Thread();

    void start() noexcept;
    void join() noexcept;

    ThreadContext* context() noexcept { return context_; }
    std::size_t stackSize() const noexcept { return stackSize_; }
    void setStackSize(std::size_t bytes) noexcept { stackSize_ = bytes; }
    // Installs a context block made by the caller with malloc; the thread frees it.
    void adoptContext(ThreadContext* ctx) noexcept;

private:
    friend Thread makeThread(void (*)(void*), void*, std::size_t) noexcept;

    pthread_t id_ = 0;
    ThreadContext* context_ = nullptr;
    std::size_t stackSize_ = 0;
};

// A thread that will run callback(ctx); not started.
Thread makeThread(void (*callback)(void* ctx), void* ctx, std::size_t stackSize = 0) noexcept;

}  // namespace rigging
