#include "rigging/vst3/ftypes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rigging/vst3/ivstaudioprocessor.h"
#include "rigging/vst3/ivstcomponent.h"

using namespace rigging::vst3;

TEST(Vst3Ids, WordsAreStoredMostSignificantByteFirst) {
    const unsigned char expected[16] = {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01,
                                        0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
    EXPECT_EQ(std::memcmp(IComponent::iid.bytes, expected, 16), 0);
    const unsigned char unknown[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    EXPECT_EQ(std::memcmp(FUnknown::iid.bytes, unknown, 16), 0);
}

TEST(Vst3Ids, ComparisonLooksAtAllSixteenBytesPastZeros) {
    UID a = FUnknown::iid;
    EXPECT_TRUE(iidEqual(a.bytes, FUnknown::iid.bytes));
    a.bytes[15] = 0x47;  // differs only after the leading zero bytes
    EXPECT_FALSE(iidEqual(a.bytes, FUnknown::iid.bytes));
    EXPECT_FALSE(iidEqual(IComponent::iid, IAudioProcessor::iid));
}

TEST(Vst3Speakers, ArrangementsAndChannelCounts) {
    EXPECT_EQ(getSpeakerArrangement(0), 0u);
    EXPECT_EQ(getSpeakerArrangement(1), 0x1u);
    EXPECT_EQ(getSpeakerArrangement(2), 0x3u);
    EXPECT_EQ(getSpeakerArrangement(32), 0xFFFFFFFFu);
    EXPECT_EQ(getSpeakerArrangement(-3), 0u);
    EXPECT_EQ(getChannelCount(0), 0);
    EXPECT_EQ(getChannelCount(0x3), 2);
    EXPECT_EQ(getChannelCount(0x80000), 1);  // the standard mono speaker
    EXPECT_EQ(getChannelCount(~0ull), 64);
}

TEST(Vst3Strings, Strncpy8FillsLikeStrncpy) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    strncpy8(buf, "abc", sizeof buf);
    EXPECT_STREQ(buf, "abc");
    for (int i = 3; i < 8; ++i) EXPECT_EQ(buf[i], 0);
    strncpy8(buf, "abcdefgh", sizeof buf);  // exactly fills: no terminator
    EXPECT_EQ(std::string(buf, 8), "abcdefgh");
    strncpy8(buf, nullptr, sizeof buf);
    EXPECT_EQ(buf[0], 0);
}

TEST(Vst3Strings, NarrowingReplacesNonAsciiAndKeepsRoomForTheTerminator) {
    const char16 name[] = u"Caf\u00e9 \u007f!";
    char out[16];
    std::memset(out, 'x', sizeof out);
    str16ToStr8(out, name, sizeof out);
    EXPECT_STREQ(out, "Caf? ?!");
    char small[4];
    str16ToStr8(small, u"abcdef", sizeof small);
    EXPECT_STREQ(small, "abc");
}

TEST(Vst3Strings, WideningTruncatesToLengthMinusOne) {
    std::string longText(200, 'a');
    char16 out[128];
    str8ToStr16(out, longText.c_str(), 128);
    EXPECT_EQ(out[126], u'a');
    EXPECT_EQ(out[127], 0);
    // The slice form stops at its end even without a terminator.
    const char raw[5] = {'h', 'e', 'l', 'l', 'o'};
    str8ToStr16(out, std::span<const char>(raw, 3), 128);
    EXPECT_EQ(std::u16string(out), u"hel");
    // Bytes above 127 widen as Latin-1, not sign-extended.
    str8ToStr16(out, "\xe9", 128);
    EXPECT_EQ(out[0], 0xE9);
}

TEST(Vst3Strings, BusNameIsAlwaysTerminated) {
    BusInfo info;
    std::u16string longName(300, u'n');
    info.setName(longName.c_str());
    EXPECT_EQ(info.name[126], u'n');
    EXPECT_EQ(info.name[127], 0);
    info.setName(u"Audio Input");
    EXPECT_EQ(std::u16string(info.name), u"Audio Input");
}

TEST(Vst3RefCount, AtomicAddReturnsTheNewValue) {
    int n = 1;
    EXPECT_EQ(atomicAdd(n, 1), 2);
    EXPECT_EQ(atomicAdd(n, -2), 0);
}
