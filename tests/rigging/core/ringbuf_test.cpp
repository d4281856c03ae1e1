#include "rigging/core/ringbuf.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace rigging {
// Moves the counters close to their wrap and holds the lock from elsewhere.
struct TimedFIFOProbe {
    template <typename T>
    static void setCounters(TimedFIFO<T>& f, std::uint32_t readIndex, std::uint32_t timestamp) {
        f.readIndex_ = readIndex;
        f.inputTimestamp_ = timestamp;
    }
    template <typename T>
    static UncheckedMutex& lock(TimedFIFO<T>& f) {
        return f.lock_;
    }
};
}  // namespace rigging

using namespace rigging;

namespace {

constexpr std::uint32_t kNearWrap = 0xFFFFFFFDu;  // three steps below 2^32

std::vector<int> readAll(TimedFIFO<int>& f) {
    std::vector<int> out(f.count());
    f.readOldestDataAndDropSome(out, 0.0, 0);
    return out;
}

// Runs fn on another thread while it holds the FIFO's lock.
template <typename F>
void whileLockedElsewhere(TimedFIFO<int>& f, F fn) {
    std::atomic<int> stage{0};
    std::thread holder([&] {
        TimedFIFOProbe::lock(f).lock();
        stage = 1;
        while (stage.load() != 2) std::this_thread::yield();
        TimedFIFOProbe::lock(f).unlock();
    });
    while (stage.load() != 1) std::this_thread::yield();
    fn();
    stage = 2;
    holder.join();
}

class TimedFIFOTest : public ::testing::TestWithParam<std::uint32_t> {
protected:
    TimedFIFO<int> fifo;
    void SetUp() override {
        fifo.initialize(8);
        // The same cases run from zero and from just below the counters' wrap.
        TimedFIFOProbe::setCounters(fifo, GetParam(), GetParam());
    }
    void pushRange(int from, int to, float rate = 100.0f) {
        for (int i = from; i < to; ++i) fifo.pushData(i, rate);
    }
};

TEST_P(TimedFIFOTest, AFullRingOverwritesItsOldest) {
    pushRange(0, 10);
    EXPECT_EQ(fifo.count(), 8u);
    EXPECT_EQ(fifo.readIndex(), GetParam() + 2u);
    EXPECT_EQ(fifo.inputTimestamp(), GetParam() + 10u);
    EXPECT_EQ(readAll(fifo), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_P(TimedFIFOTest, AnEmptyReadKeepsTheTimeOwed) {
    int out[1] = {-1};
    EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 0.05, 0), 0);
    EXPECT_FLOAT_EQ(fifo.timeDebt(), 0.0505f);
    EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 0.05, 0), 0);
    EXPECT_FLOAT_EQ(fifo.timeDebt(), 0.101f);
    EXPECT_EQ(out[0], -1);
}

TEST_P(TimedFIFOTest, ElapsedTimeDropsItsShareAndCarriesTheFraction) {
    pushRange(0, 8);
    int out[1];
    EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 0.05, 0), 1);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(fifo.count(), 3u);  // 100 * 0.0505 = 5.05: five dropped
    EXPECT_NEAR(fifo.remainder(), 0.05f, 1e-5f);
    EXPECT_EQ(fifo.timeDebt(), 0.0f);
    EXPECT_EQ(readAll(fifo), (std::vector<int>{5, 6, 7}));
}

TEST_P(TimedFIFOTest, ALongPauseDropsEverythingButNoMore) {
    pushRange(0, 8);
    int out[1];
    EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 0.2, 0), 1);
    EXPECT_EQ(fifo.count(), 0u);
    EXPECT_EQ(fifo.remainder(), 0.0f);
    EXPECT_EQ(fifo.readIndex(), GetParam() + 8u);
    pushRange(20, 22);
    EXPECT_EQ(readAll(fifo), (std::vector<int>{20, 21}));
}

TEST_P(TimedFIFOTest, KeepAtLeastIsBoundedByWhatWasRead) {
    pushRange(0, 5);
    int out[8];
    EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 1.0, 3), 5);
    EXPECT_EQ(fifo.count(), 3u);
    EXPECT_EQ(readAll(fifo), (std::vector<int>{2, 3, 4}));
}

TEST_P(TimedFIFOTest, ABusyLockLosesThePushAndPostponesTheRead) {
    pushRange(0, 4);
    int out[1] = {-1};
    whileLockedElsewhere(fifo, [&] {
        fifo.pushData(99, 50.0f);
        EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 0.01, 0), 0);
        EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 0.01, 0), 0);
    });
    EXPECT_EQ(out[0], -1);
    EXPECT_EQ(fifo.count(), 4u);
    EXPECT_FLOAT_EQ(fifo.timeDebt(), 0.0202f);
    // The rate of the lost push still counts: 50 * 0.0202 + 50 * 0.0101 = 1.515.
    EXPECT_EQ(fifo.readOldestDataAndDropSome(out, 0.01, 0), 1);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(fifo.count(), 3u);
    EXPECT_NEAR(fifo.remainder(), 0.515f, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(Counters, TimedFIFOTest, ::testing::Values(0u, kNearWrap));

TEST(TimedFIFO, SubsamplingStoresEveryNthPushAndScalesTheRate) {
    TimedFIFO<int> fifo;
    fifo.initialize(8, 4);
    TimedFIFOProbe::setCounters(fifo, kNearWrap, kNearWrap);
    for (int i = 0; i < 16; ++i) fifo.pushData(i, 400.0f);
    // Timestamps kNearWrap + 1 .. + 16 are multiples of 4 at i = 2, 6, 10, 14 (0, 4, 8, 12
    // after the wrap).
    EXPECT_EQ(readAll(fifo), (std::vector<int>{2, 6, 10, 14}));
    int out[1];
    fifo.readOldestDataAndDropSome(out, 0.0199, 0);  // 400 * 0.0201 / 4: 2 stored items
    EXPECT_EQ(fifo.count(), 2u);
}

TEST(TimedFIFO, ItemsArriveInOrderAcrossThreads) {
    TimedFIFO<int> fifo;
    fifo.initialize(8);
    TimedFIFOProbe::setCounters(fifo, kNearWrap, kNearWrap);
    constexpr int kItems = 20000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 1; i <= kItems; ++i) {
            fifo.pushData(i, 1000.0f);
            std::this_thread::yield();
        }
        done = true;
    });
    // A read copies without consuming: within a read the items ascend, and the oldest item
    // seen never goes back.
    int oldest = 0, reads = 0;
    bool ordered = true;
    int out[4];
    for (;;) {
        const bool finished = done.load();
        const int n = fifo.readOldestDataAndDropSome(out, 0.001, 1);
        if (n > 0) {
            ++reads;
            if (out[0] < oldest) ordered = false;
            oldest = out[0];
            for (int k = 1; k < n; ++k)
                if (out[k] <= out[k - 1]) ordered = false;
        }
        if (finished && n <= 1) break;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    producer.join();
    EXPECT_TRUE(ordered);
    EXPECT_GT(reads, 0);
    EXPECT_LE(oldest, kItems);
}

}  // namespace
