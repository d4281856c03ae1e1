#pragma once
// A fixed set of worker threads running batches of integer-indexed tasks. The caller publishes
// a batch and waits for it; it never runs tasks of a batch of two or more itself.

#include <cstddef>
#include <span>

#include "rigging/core/sync.h"
#include "rigging/core/taskref.h"
#include "rigging/core/thread.h"

namespace rigging {

class ThreadPool {
public:
    // numThreads 0: one worker per online processor; a non-zero maxThreads caps the count;
    // there is always at least one worker. stackSize 0 is the system default. All workers are
    // running when the constructor returns.
    explicit ThreadPool(int numThreads = 0, int maxThreads = 0, std::size_t stackSize = 0) noexcept;
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;
    // Stops the workers once they have drained any unclaimed task, and joins them.
    virtual ~ThreadPool();

    // Runs task(i, threadIndex) for every i in 0 .. count - 1 and returns when all have
    // returned. A single task runs inline as task(0, 0). Allocates nothing.
    virtual void parallelFor(int count, TaskRef task) noexcept;
    // Publishes the batch and returns at once; the callable must live until waitForCompletion.
    virtual void parallelForAsync(int count, TaskRef task) noexcept;
    // Returns when every task of the last published batch has returned.
    virtual void waitForCompletion() noexcept;
    virtual int numThreads() const noexcept;

    // The worker count for the constructor's arguments and an online processor count (which
    // the system may report as below 1).
    static int workerCount(int numThreads, int maxThreads, long onlineProcessors) noexcept;

private:
    static void workerEntry(void* pool, void* userData);
    void workerLoop(int k) noexcept;

    std::span<Thread> threads_;
    UncheckedMutex stateMutex_;  // task_, taskCount_, taskIndex_, stop_
    ConditionVariable workerCondition_;
    UncheckedMutex finishMutex_;  // taskFinished_
    ConditionVariable finishCondition_;
    TaskRef task_;
    int taskCount_ = 0;
    int taskIndex_ = 0;
    int taskFinished_ = 0;
    bool stop_ = false;
    bool inProgress_ = false;  // touched by the caller only
};

}  // namespace rigging
