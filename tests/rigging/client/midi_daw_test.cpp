#include <gtest/gtest.h>

#include "rigging/client/daw.h"
#include "rigging/client/midi.h"

using namespace rigging;

TEST(MidiMessage, StatusAndDataBytes) {
    MidiMessage on = makeMidiMessageNoteOn(10, 2, 60, 100);
    EXPECT_EQ(on.offset, 10);
    EXPECT_EQ(on.status, 0x92);
    EXPECT_EQ(on.data1, 60);
    EXPECT_EQ(on.data2, 100);
    MidiMessage off = makeMidiMessageNoteOff(4, 15, 61);
    EXPECT_EQ(off.status, 0x8F);
    EXPECT_EQ(off.data2, 0);
    MidiMessage wheel = makeMidiMessage(0, 3, MidiStatus::pitchWheel, 0x17F, 0x140);
    EXPECT_EQ(wheel.statusType(), 0xE);
    EXPECT_EQ(wheel.channel(), 3);
    EXPECT_EQ(wheel.data1, 0x7F);  // kept to 8 bits
    EXPECT_EQ(wheel.data2, 0x40);
}

TEST(MidiQueue, KeepsTheEarliestOffsetOnTop) {
    MidiQueue q = makeMidiQueue();
    for (int offset : {5, 3, 4}) q.enqueue(makeMidiMessageNoteOn(offset, 0, offset, 1));
    EXPECT_EQ(q.earliest().offset, 3);
    q.initialize();
    q.enqueue(makeMidiMessageNoteOn(7, 0, 1, 1));
    q.enqueue(makeMidiMessageNoteOn(7, 0, 2, 1));  // equal offsets do not overtake
    q.enqueue(makeMidiMessageNoteOn(9, 0, 3, 1));
    EXPECT_EQ(q.earliest().data1, 1);
    for (int i = 0; i < 200; ++i) q.enqueue(makeMidiMessageNoteOn((i * 37) % 101, 0, 0, 0));
    std::span<const MidiMessage> h = q.held();
    for (size_t slot = 2; slot <= h.size(); ++slot)  // heap order, 1-based
        EXPECT_LE(h[slot / 2 - 1].offset, h[slot - 1].offset) << slot;
}

TEST(MidiQueue, Holds511UntilInitialized) {
    MidiQueue q = makeMidiQueue();
    for (int i = 0; i < 600; ++i) q.enqueue(makeMidiMessageNoteOn(i, 0, 0, 0));
    EXPECT_EQ(q.size(), 511);
    for (const MidiMessage& m : q.held()) EXPECT_LT(m.offset, 511);  // the earliest arrivals
    q.initialize();
    EXPECT_EQ(q.size(), 0);
    q.enqueue(makeMidiMessageNoteOn(1, 0, 0, 0));
    EXPECT_EQ(q.size(), 1);
}

TEST(IdentifyDAW, FirstKeyInFixedOrderCaseSensitive) {
    EXPECT_EQ(identifyDAW("reaper live session"), DAW::reaper);
    EXPECT_EQ(identifyDAW("live with reaper"), DAW::reaper);  // order of keys, not of the text
    EXPECT_EQ(identifyDAW("Reaper"), DAW::unknown);
    EXPECT_EQ(identifyDAW("logic protools"), DAW::logic);
    EXPECT_EQ(identifyDAW("forte garageband"), DAW::garageband);
    EXPECT_EQ(identifyDAW("protools standalone"), DAW::protools);
    EXPECT_EQ(identifyDAW("my-ardour-8"), DAW::ardour);
    EXPECT_EQ(static_cast<int>(identifyDAW("vst3plugintesthost")), 27);
    EXPECT_EQ(identifyDAW(""), DAW::unknown);
    EXPECT_EQ(identifyDAW(nullptr), DAW::unknown);
}
