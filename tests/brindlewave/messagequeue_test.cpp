#include "brindlewave/messagequeue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace brindlewave {
namespace {

Message numbered(int i, IMessageSender* sender = nullptr) {
    char name[16];
    std::snprintf(name, sizeof name, "m%d", i);
    Message m;
    m.sender = sender;
    m.kind = "Knob";
    m.name = name;
    m.value = "v";
    return m;
}

TEST(MessageQueue, FreshReadIsEmptyAndRepeats) {
    MessageQueue q;
    for (int i = 0; i < 2; ++i) {
        Message m = q.readMessage();
        EXPECT_EQ(m.sender, nullptr);
        EXPECT_TRUE(m.kind.empty());
        EXPECT_TRUE(m.name.empty());
        EXPECT_TRUE(m.value.empty());
    }
}

TEST(MessageQueue, SixAppendsDropTheOldestThenTheLastRepeats) {
    MessageQueue q;
    for (int i = 1; i <= 6; ++i) q.Append(numbered(i));
    EXPECT_EQ(q.count(), 5u);
    for (int i = 2; i <= 6; ++i)
        EXPECT_STREQ(q.readMessage().name.c_str(), numbered(i).name.c_str());
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(q.readMessage().name.c_str(), "m6");
    EXPECT_EQ(q.count(), 0u);
}

// Interleaved appends and reads walk the head round the ring many times; order must hold.
TEST(MessageQueue, OrderSurvivesWrapAround) {
    MessageQueue q;
    int next = 0, expected = 0;
    for (int round = 0; round < 40; ++round) {
        for (int k = 0; k < round % 4 + 1; ++k) q.Append(numbered(next++));
        // When more than five were waiting, the oldest went.
        if (next - expected > 5) expected = next - 5;
        for (int k = 0; k < round % 3 + 1 && q.count() > 0; ++k) {
            EXPECT_STREQ(q.readMessage().name.c_str(), numbered(expected++).name.c_str());
        }
    }
}

TEST(MessageQueue, TextsAreCopiesAndLongTextsAreCut) {
    MessageQueue q;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s", "Attack");
    Message m;
    m.name = buffer;
    m.value = std::string(100, 'x').c_str();
    q.Append(m);
    std::snprintf(buffer, sizeof buffer, "%s", "changed");
    Message r = q.readMessage();
    EXPECT_STREQ(r.name.c_str(), "Attack");
    EXPECT_EQ(std::string(r.value.c_str()), std::string(MessageText::kCapacity - 1, 'x'));
    MessageText none(nullptr);
    EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace brindlewave
