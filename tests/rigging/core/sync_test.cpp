#include "rigging/core/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace rigging;

namespace {

bool tryLockFromOtherThread(UncheckedMutex& m) {
    bool got = false;
    std::thread t([&] {
        got = m.tryLock();
        if (got) m.unlock();
    });
    t.join();
    return got;
}

TEST(Mutex, IsRecursiveAndExcludesOtherThreadsUntilFullyUnlocked) {
    UncheckedMutex m = makeMutex();
    EXPECT_TRUE(m.initialized());
    m.lock();
    m.lock();
    EXPECT_TRUE(m.tryLock());  // the owner may take it a third time
    EXPECT_FALSE(tryLockFromOtherThread(m));
    m.unlock();
    m.unlock();
    EXPECT_FALSE(tryLockFromOtherThread(m));
    m.unlock();
    EXPECT_TRUE(tryLockFromOtherThread(m));
}

TEST(Mutex, MoveTransfersTheLiveMutex) {
    UncheckedMutex a = makeMutex();
    pthread_mutex_t* h = a.handle();
    UncheckedMutex b;  // inert
    b = std::move(a);
    EXPECT_EQ(b.handle(), h);
    EXPECT_FALSE(a.initialized());
    EXPECT_EQ(a.handle(), nullptr);
    // Assigning over a live mutex destroys the old one (no leak under the sanitizer).
    b = makeMutex();
    EXPECT_NE(b.handle(), nullptr);
    b.lock();
    b.unlock();
}

TEST(ConditionVariable, WakesAWaiterThatRetestsItsPredicate) {
    UncheckedMutex m = makeMutex();
    ConditionVariable cv = makeConditionVariable();
    bool ready = false;
    std::atomic<int> woke{0};
    std::thread waiter([&] {
        m.lock();
        while (!ready) cv.wait(&m);
        woke = 1;
        m.unlock();
    });
    m.lock();
    ready = true;
    cv.notifyOne();
    m.unlock();
    waiter.join();
    EXPECT_EQ(woke.load(), 1);
}

TEST(ConditionVariable, NotifyAllWakesEveryWaiter) {
    UncheckedMutex m = makeMutex();
    ConditionVariable cv = makeConditionVariable();
    int generation = 0;
    std::atomic<int> done{0};
    std::thread ts[4];
    for (auto& t : ts)
        t = std::thread([&] {
            m.lock();
            while (generation == 0) cv.wait(&m);
            m.unlock();
            done++;
        });
    m.lock();
    generation = 1;
    cv.notifyAll();
    m.unlock();
    for (auto& t : ts) t.join();
    EXPECT_EQ(done.load(), 4);
}

TEST(ConditionVariable, TimedWaitRunsOutOrWakesWhenNotified) {
    UncheckedMutex m = makeMutex();
    ConditionVariable cv = makeConditionVariable();
    m.lock();
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(cv.waitFor(&m, 20'000'000));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(20));
    EXPECT_FALSE(cv.waitFor(&m, -5));  // a past deadline returns at once
    m.unlock();

    bool waiting = false;
    bool ready = false;
    bool woken = false;
    std::thread waiter([&] {
        m.lock();
        waiting = true;  // still held until the wait releases it
        // A minute is never reached: the notification ends the wait.
        while (!ready) woken = cv.waitFor(&m, 60'000'000'000LL);
        m.unlock();
    });
    for (;;) {
        MutexLock lock(m);
        if (waiting) break;
    }
    m.lock();
    ready = true;
    cv.notifyAll();
    m.unlock();
    waiter.join();
    EXPECT_TRUE(woken);
}

}  // namespace
