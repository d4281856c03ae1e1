#include <gtest/gtest.h>

#include <cstring>

#include "fixture.h"
#include "rigging/client/legalio.h"

using namespace vsttest;
using rigging::LegalIO;

namespace {
const LegalIO kLegal[] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
}

TEST(ChannelChoice, ExactMatchesWinAndOtherwiseTheClosestLargestLayout) {
    auto c = chooseProcessingChannels(kLegal, 2, 2);
    EXPECT_EQ(c.inputs, 2);
    EXPECT_EQ(c.outputs, 2);
    c = chooseProcessingChannels(kLegal, 1, 2);
    EXPECT_EQ(c.inputs, 1);
    EXPECT_EQ(c.outputs, 2);
    c = chooseProcessingChannels(kLegal, 6, 6);  // score -8 beats every other entry
    EXPECT_EQ(c.inputs, 2);
    EXPECT_EQ(c.outputs, 2);
    c = chooseProcessingChannels(kLegal, 0, 0);  // (1,1) scores 2, (2,2) 4
    EXPECT_EQ(c.inputs, 2);
    EXPECT_EQ(c.outputs, 2);
    // Equal scores keep the earlier entry.
    const LegalIO tie[] = {{1, 3}, {3, 1}};
    c = chooseProcessingChannels(tie, 2, 2);
    EXPECT_EQ(c.inputs, 1);
    EXPECT_EQ(c.outputs, 3);
    // Without legal layouts the host's counts stand.
    c = chooseProcessingChannels({}, 5, 3);
    EXPECT_EQ(c.inputs, 5);
    EXPECT_EQ(c.outputs, 3);
}

TEST_F(Wrapper, RecordDescribesTheClient) {
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(std::memcmp(effect, "PtsV\0\0\0\0", 8), 0);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numParams, kNumParams);
    EXPECT_EQ(effect->numPrograms, 3);
    EXPECT_EQ(effect->flags, 0x1011);
    const auto* bytes = reinterpret_cast<const unsigned char*>(effect);
    for (int i = 60; i < 64; ++i) EXPECT_EQ(bytes[i], 0) << "flags high half " << i;
    EXPECT_EQ(effect->initialDelay, 44);  // latency at 44100 Hz
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->uniqueID, 0x74706C67);  // "tplg"
    EXPECT_EQ(effect->version, 2340);
    EXPECT_EQ(effect->user, &host);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->realQualities, 0);
    for (unsigned char b : effect->future) EXPECT_EQ(b, 0xFF);
    // A client without MIDI never asks for it.
    EXPECT_TRUE(host.callsWith(audioMasterWantMidi).empty());
}

TEST_F(MidiWrapper, AClientTakingMidiAsksForItOnce) {
    auto calls = host.callsWith(audioMasterWantMidi);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, 1);
    EXPECT_EQ(calls[0].index, 0);
}

TEST(EntryPoint, NullCallbackBuildsNothing) {
    vst2host::Host host;
    EXPECT_EQ(host.open(&entryFor<TestClient>, true), nullptr);
}
