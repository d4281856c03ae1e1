#include "rigging/core/threadpool.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "alloc_probe.h"
#include "rigging/core/nogc.h"

using namespace rigging;

namespace {

int threadsInProcess() {
    int n = 0;
    DIR* d = opendir("/proc/self/task");
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n;
}

// The count once it reaches `n`, or after a second. A joined thread has finished, but the
// kernel may list it for a moment longer.
int threadsSettledAt(int n) {
    int now = threadsInProcess();
    for (int i = 0; i < 1000 && now != n; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        now = threadsInProcess();
    }
    return now;
}

TEST(ThreadPoolSize, CountsProcessorsCapsAndNeverGoesBelowOne) {
    EXPECT_EQ(ThreadPool::workerCount(0, 2, 8), 2);
    EXPECT_EQ(ThreadPool::workerCount(0, 2, 1), 1);
    EXPECT_EQ(ThreadPool::workerCount(0, 0, 8), 8);
    EXPECT_EQ(ThreadPool::workerCount(3, 0, 8), 3);
    EXPECT_EQ(ThreadPool::workerCount(5, 4, 8), 4);
    EXPECT_EQ(ThreadPool::workerCount(0, 2, 0), 1);
    EXPECT_EQ(ThreadPool::workerCount(0, 2, -1), 1);
    EXPECT_EQ(ThreadPool::workerCount(0, 0, -1), 1);

    ThreadPool gui(0, 2);
    EXPECT_EQ(gui.numThreads(), std::min(2L, sysconf(_SC_NPROCESSORS_ONLN)));
}

TEST(ThreadPool, ASingleTaskRunsInlineAsTaskZeroOfThreadZero) {
    ThreadPool pool(2);
    pthread_t caller = pthread_self(), ranOn{};
    int calls = 0, index = -1, thread = -1;
    pool.parallelFor(1, [&](int i, int t) {
        ranOn = pthread_self();
        index = i;
        thread = t;
        ++calls;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(thread, 0);
    EXPECT_TRUE(pthread_equal(ranOn, caller));

    pool.parallelFor(0, [&](int, int) { ++calls; });
    pool.waitForCompletion();  // nothing published: returns at once
    EXPECT_EQ(calls, 1);
}

TEST(ThreadPool, EveryIndexRunsExactlyOnceOnAWorker) {
    ThreadPool pool(2);
    const pthread_t caller = pthread_self();
    for (int count : {2, 5, 64}) {
        std::vector<std::atomic<int>> hits(count);
        std::atomic<int> onCaller{0}, badThreadIndex{0}, done{0};
        pool.parallelFor(count, [&](int i, int t) {
            if (pthread_equal(pthread_self(), caller)) ++onCaller;
            if (t < 0 || t > 1) ++badThreadIndex;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            ++hits[i];
            ++done;
        });
        EXPECT_EQ(done.load(), count) << "returned before every task had returned";
        for (int i = 0; i < count; ++i) EXPECT_EQ(hits[i].load(), 1) << i;
        EXPECT_EQ(onCaller.load(), 0);
        EXPECT_EQ(badThreadIndex.load(), 0);
    }
}

TEST(ThreadPool, BothWorkersRunAtOnceWithTheirOwnThreadIndex) {
    ThreadPool pool(2);
    std::atomic<int> arrived{0};
    std::atomic<bool> timedOut{false};
    int byThread[2] = {0, 0};  // per-worker scratch: no lock needed
    pool.parallelFor(2, [&](int, int t) {
        ++byThread[t];
        ++arrived;
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (arrived.load() < 2)
            if (std::chrono::steady_clock::now() > until) {
                timedOut = true;
                return;
            }
    });
    EXPECT_FALSE(timedOut.load()) << "the two tasks never overlapped";
    EXPECT_EQ(byThread[0], 1);
    EXPECT_EQ(byThread[1], 1);
}

TEST(ThreadPool, NoWakeUpIsLostOverManyBatches) {
    ThreadPool pool(0, 2);
    long sum = 0;
    std::atomic<long> total{0};
    for (int batch = 0; batch < 100000; ++batch) {
        const int count = 2 + batch % 3;  // at, above and (for one worker) far above the count
        pool.parallelFor(count, [&](int i, int) { total += i + 1; });
        sum += count * (count + 1) / 2;
    }
    EXPECT_EQ(total.load(), sum);
}

TEST(ThreadPool, PublishingABatchAllocatesNothing) {
    ThreadPool pool(2);
    std::atomic<int> n{0};
    auto task = [&](int, int) { ++n; };
    pool.parallelFor(4, task);  // warm-up
    alloc_probe::Scope probe;
    for (int k = 0; k < 100; ++k) pool.parallelFor(3, task);
    EXPECT_EQ(probe.allocations(), 0u);
    EXPECT_EQ(n.load(), 304);
}

TEST(ThreadPool, DestructionDrainsUnclaimedTasksAndJoins) {
    // Warm-up: a race checker starts a helper thread of its own with the first thread.
    destroyFree(mallocNew<ThreadPool>(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // its worker fully gone
    const int before = threadsInProcess();
    std::atomic<int> ran{0};
    auto slow = [&](int, int) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++ran;
    };
    auto* pool = mallocNew<ThreadPool>(3);
    EXPECT_EQ(threadsInProcess(), before + 3);
    pool->parallelForAsync(40, slow);
    destroyFree(pool);  // without waiting
    EXPECT_EQ(ran.load(), 40);
    EXPECT_EQ(threadsSettledAt(before), before);

    pool = mallocNew<ThreadPool>(2);  // idle workers wake up and leave
    destroyFree(pool);
    EXPECT_EQ(threadsSettledAt(before), before);
}

}  // namespace
