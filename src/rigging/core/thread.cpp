#include "rigging/core/thread.h"

#include <cstdlib>

#include "rigging/core/fatal.h"
#include "rigging/core/nogc.h"

namespace rigging {

extern "C" void* posixThreadEntryPoint(void* context) {
    auto* ctx = static_cast<ThreadContext*>(context);
    if (ctx->callback == nullptr && ctx->callbackContext == nullptr)
        ctx->callback2(ctx->callback2Context, ctx->userData);
    else
        ctx->callback(ctx->callbackContext);
    return nullptr;
}

Thread makeThread(void (*callback)(void* ctx), void* ctx, std::size_t stackSize) noexcept {
    Thread t;
    auto* c = static_cast<ThreadContext*>(checkedMalloc(sizeof(ThreadContext)));
    *c = ThreadContext{ctx, callback, nullptr, nullptr, nullptr};
    t.context_ = c;
    t.stackSize_ = stackSize;
    return t;
}

Thread::Thread(Thread&& other) noexcept
    : id_(other.id_), context_(other.context_), stackSize_(other.stackSize_) {
    other.id_ = 0;
    other.context_ = nullptr;
    other.stackSize_ = 0;
}

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        std::free(context_);
        id_ = other.id_;
        context_ = other.context_;
        stackSize_ = other.stackSize_;
        other.id_ = 0;
        other.context_ = nullptr;
        other.stackSize_ = 0;
    }
    return *this;
}

Thread::~Thread() {
    std::free(context_);
    context_ = nullptr;
}

void Thread::adoptContext(ThreadContext* ctx) noexcept {
    std::free(context_);
    context_ = ctx;
}

void Thread::start() noexcept {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) fatalTrap();
    if (stackSize_ != 0 && pthread_attr_setstacksize(&attr, stackSize_) != 0) fatalTrap();
    if (pthread_create(&id_, &attr, posixThreadEntryPoint, context_) != 0) fatalTrap();
    if (pthread_attr_destroy(&attr) != 0) fatalTrap();
}

void Thread::join() noexcept {
    if (pthread_join(id_, nullptr) != 0) fatalTrap();
}

}  // namespace rigging
