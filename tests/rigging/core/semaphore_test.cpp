#include "rigging/core/semaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using rigging::makeSemaphore;
using rigging::UncheckedSemaphore;

TEST(UncheckedSemaphore, TryWaitTakesOnlyAvailableUnits) {
    UncheckedSemaphore s = makeSemaphore(2);
    EXPECT_TRUE(s.tryWait());
    EXPECT_TRUE(s.tryWait());
    EXPECT_FALSE(s.tryWait());
    s.notify();
    EXPECT_TRUE(s.tryWait());
    EXPECT_FALSE(s.tryWait());
}

TEST(UncheckedSemaphore, WaitSleepsUntilAnotherThreadNotifies) {
    UncheckedSemaphore s = makeSemaphore(0);
    std::atomic<bool> woke{false};
    std::thread t([&] {
        s.wait();
        woke = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(woke.load());
    s.notify();
    t.join();
    EXPECT_TRUE(woke.load());
}

