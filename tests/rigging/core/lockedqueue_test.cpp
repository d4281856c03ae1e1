#include "rigging/core/lockedqueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using rigging::LockedQueue;

namespace {

struct Item {
    int value = -1;
    int carried = -1;  // written by the fold tests
};

std::vector<int> drain(LockedQueue<Item>& q) {
    std::vector<int> out;
    Item it;
    while (q.tryPop(it)) out.push_back(it.value);
    return out;
}

}  // namespace

TEST(LockedQueue, KeepsFirstInFirstOutOrderAcrossTheRingEnd) {
    LockedQueue<Item> q(4);
    Item it;
    EXPECT_FALSE(q.tryPop(it));
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 3; ++i) EXPECT_FALSE(q.push({round * 10 + i}));
        EXPECT_EQ(q.count(), 3u);
        EXPECT_EQ(drain(q), (std::vector<int>{round * 10, round * 10 + 1, round * 10 + 2}));
        EXPECT_EQ(q.count(), 0u);
    }
}

TEST(LockedQueue, FullQueueDropsOldestAndStaysConsistent) {
    LockedQueue<Item> q(4);
    int dropped = 0;
    for (int i = 0; i < 11; ++i) dropped += q.push({i}) ? 1 : 0;
    EXPECT_EQ(dropped, 7);
    EXPECT_EQ(q.count(), 4u);
    // Exactly the four newest come out; one more pop finds the queue empty instead of
    // replaying stale slots.
    EXPECT_EQ(drain(q), (std::vector<int>{7, 8, 9, 10}));
    EXPECT_EQ(q.count(), 0u);
    // And the queue keeps working normally afterwards.
    EXPECT_FALSE(q.push({42}));
    EXPECT_EQ(drain(q), (std::vector<int>{42}));
}

TEST(LockedQueue, FoldCarriesTheDroppedElementIntoItsSuccessor) {
    LockedQueue<Item> q(3);
    for (int i = 0; i < 3; ++i) q.push({i});
    int seenDropped = -1;
    bool dropped = q.push({3}, [&](const Item& old, Item& next) {
        seenDropped = old.value;
        next.carried = old.value;
    });
    EXPECT_TRUE(dropped);
    EXPECT_EQ(seenDropped, 0);
    Item it;
    ASSERT_TRUE(q.tryPop(it));
    EXPECT_EQ(it.value, 1);
    EXPECT_EQ(it.carried, 0);
    ASSERT_TRUE(q.tryPop(it));
    EXPECT_EQ(it.carried, -1);

    // A queue of one slot folds into the incoming element itself.
    LockedQueue<Item> one(1);
    one.push({1});
    one.push({2}, [](const Item& old, Item& next) { next.carried = old.value; });
    ASSERT_TRUE(one.tryPop(it));
    EXPECT_EQ(it.carried, 1);

    // Folding is not called when nothing is dropped.
    bool called = false;
    q.push({9}, [&](const Item&, Item&) { called = true; });
    EXPECT_FALSE(called);
}

TEST(LockedQueue, BlockingPopWakesOnPush) {
    LockedQueue<Item> q(2);
    Item got;
    std::thread consumer([&] { q.pop(got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    q.push({5});
    consumer.join();
    EXPECT_EQ(got.value, 5);
}

TEST(LockedQueue, ConcurrentProducersNeverLoseAccountingOrOrder) {
    constexpr int kProducers = 3;
    constexpr int kPerProducer = 20000;
    LockedQueue<Item> q(64);
    std::atomic<int> droppedTotal{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i)
                if (q.push({p * kPerProducer + i})) droppedTotal.fetch_add(1);
        });
    }
    int popped = 0;
    std::vector<int> last(kProducers, -1);
    bool ordered = true;
    auto take = [&](const Item& it) {
        int p = it.value / kPerProducer;
        if (it.value <= last[p]) ordered = false;
        last[p] = it.value;
        ++popped;
    };
    std::thread consumer([&] {
        Item it;
        while (!done.load()) {
            if (q.tryPop(it)) take(it);
        }
        while (q.tryPop(it)) take(it);
    });
    for (auto& t : producers) t.join();
    done = true;
    consumer.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(popped + droppedTotal.load(), kProducers * kPerProducer);
    EXPECT_EQ(q.count(), 0u);
}
