#include "rigging/core/threadpool.h"

#include <unistd.h>

#include <cstdint>
#include <new>

#include "rigging/core/nogc.h"

namespace rigging {

int ThreadPool::workerCount(int numThreads, int maxThreads, long onlineProcessors) noexcept {
    long n = numThreads != 0 ? numThreads : onlineProcessors;
    if (maxThreads != 0 && n >= maxThreads) n = maxThreads;
    // Without a worker a batch of two or more would never complete.
    if (n < 1) n = 1;
    return static_cast<int>(n);
}

ThreadPool::ThreadPool(int numThreads, int maxThreads, std::size_t stackSize) noexcept
    : stateMutex_(makeMutex()),
      workerCondition_(makeConditionVariable()),
      finishMutex_(makeMutex()),
      finishCondition_(makeConditionVariable()) {
    const int n = workerCount(numThreads, maxThreads, sysconf(_SC_NPROCESSORS_ONLN));
    auto* storage = static_cast<Thread*>(checkedMalloc(checkedArrayBytes(n, sizeof(Thread))));
    threads_ = std::span<Thread>(storage, static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        Thread* t = ::new (&storage[k]) Thread();
        auto* ctx = static_cast<ThreadContext*>(checkedMalloc(sizeof(ThreadContext)));
        *ctx = ThreadContext{nullptr, nullptr, this, &ThreadPool::workerEntry,
                             reinterpret_cast<void*>(static_cast<std::intptr_t>(k))};
        t->adoptContext(ctx);
        t->setStackSize(stackSize);
    }
    for (Thread& t : threads_) t.start();
}

ThreadPool::~ThreadPool() {
    if (threads_.data() != nullptr) {
        stateMutex_.lock();
        stop_ = true;
        stateMutex_.unlock();
        workerCondition_.notifyAll();
        for (Thread& t : threads_) t.join();
        for (Thread& t : threads_) t.~Thread();
        std::free(threads_.data());
        threads_ = {};
    }
    // The members go in reverse order: finishCondition, finishMutex, workerCondition, stateMutex.
}

void ThreadPool::workerEntry(void* pool, void* userData) {
    static_cast<ThreadPool*>(pool)->workerLoop(
        static_cast<int>(reinterpret_cast<std::intptr_t>(userData)));
}

void ThreadPool::workerLoop(int k) noexcept {
    for (;;) {
        stateMutex_.lock();
        while (!stop_ && taskIndex_ >= taskCount_) workerCondition_.wait(&stateMutex_);
        if (taskIndex_ >= taskCount_) {  // stopping, and nothing is left to claim
            stateMutex_.unlock();
            return;
        }
        const int i = taskIndex_++;
        const TaskRef task = task_;
        stateMutex_.unlock();

        task(i, k);

        finishMutex_.lock();
        ++taskFinished_;
        finishMutex_.unlock();
        finishCondition_.notifyOne();
    }
}

void ThreadPool::parallelForAsync(int count, TaskRef task) noexcept {
    if (count <= 0) return;
    finishMutex_.lock();
    taskFinished_ = 0;
    finishMutex_.unlock();
    stateMutex_.lock();
    task_ = task;
    taskCount_ = count;
    taskIndex_ = 0;
    stateMutex_.unlock();
    if (numThreads() <= count)
        workerCondition_.notifyAll();
    else
        for (int i = 0; i < count; ++i) workerCondition_.notifyOne();
    inProgress_ = true;
}

void ThreadPool::waitForCompletion() noexcept {
    if (!inProgress_) return;
    finishMutex_.lock();
    while (taskFinished_ < taskCount_) finishCondition_.wait(&finishMutex_);
    inProgress_ = false;
    finishMutex_.unlock();
}

void ThreadPool::parallelFor(int count, TaskRef task) noexcept {
    if (count == 1) {
        task(0, 0);
        return;
    }
    parallelForAsync(count, task);
    waitForCompletion();
}

int ThreadPool::numThreads() const noexcept {
    return static_cast<int>(threads_.size());
}

}  // namespace rigging
