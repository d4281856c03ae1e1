// Stream changes and MIDI cross to the audio thread through a bounded queue; what happens when
// the host sends more than it holds.

#include <vector>

#include "fixture.h"
#include "rigging/vst/audiothreadmessage.h"

using namespace vsttest;

namespace {

AudioThreadMessage resetAt(float rate) {
    AudioThreadMessage m;
    m.samplingRate = rate;
    m.maxFrames = 64;
    return m;
}

AudioThreadMessage midiNote(int note) {
    AudioThreadMessage m;
    m.type = AudioThreadMessage::midi;
    m.midiMessage = rigging::MidiMessage(0, 0x90, note, 1);
    return m;
}

}  // namespace

TEST(MessageFold, ADroppedResetTravelsOnUnlessANewerResetLeads) {
    AudioThreadMessage next = midiNote(60);
    foldDroppedMessage(resetAt(48000), next);
    EXPECT_EQ(next.type, AudioThreadMessage::resetThenMidi);
    EXPECT_EQ(next.samplingRate, 48000.0f);
    EXPECT_EQ(next.maxFrames, 64);
    EXPECT_EQ(next.midiMessage.data1, 60);

    // Folding again into a message that already carries a reset changes nothing.
    AudioThreadMessage again = next;
    foldDroppedMessage(resetAt(22050), again);
    EXPECT_EQ(again.samplingRate, 48000.0f);

    AudioThreadMessage newer = resetAt(96000);
    foldDroppedMessage(resetAt(48000), newer);
    EXPECT_EQ(newer.type, AudioThreadMessage::reset);
    EXPECT_EQ(newer.samplingRate, 96000.0f);

    AudioThreadMessage plain = midiNote(61);
    foldDroppedMessage(midiNote(62), plain);  // a dropped note is simply lost
    EXPECT_EQ(plain.type, AudioThreadMessage::midi);
    EXPECT_EQ(plain.midiMessage.data1, 61);
}

TEST_F(Wrapper, MoreResetsThanTheQueueHoldsKeepTheLatestState) {
    for (int i = 0; i < 5000; ++i)
        host.dispatch(effSetSampleRate, 0, 0, nullptr, 8000.0f + static_cast<float>(i));
    host.dispatch(effSetBlockSize, 0, 300);
    processSilence(300);
    ASSERT_FALSE(client->resets.empty());
    EXPECT_LE(client->resets.size(), kMessageQueueCapacity);
    EXPECT_EQ(client->resets.back().sampleRate, 12999.0);
    EXPECT_EQ(client->resets.back().maxFrames, 300);
    // Only real resets, in order: the rate never goes back.
    for (std::size_t i = 1; i < client->resets.size(); ++i)
        ASSERT_GE(client->resets[i].sampleRate, client->resets[i - 1].sampleRate);
    // And the queue is empty again: the next call resets nothing.
    std::size_t n = client->resets.size();
    processSilence(300);
    EXPECT_EQ(client->resets.size(), n);
}

TEST_F(MidiWrapper, AResetPushedOutByEventsStillReachesTheAudioThread) {
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    vst2host::MidiEventList list(0x90, 60, 1);
    // 3000 events while not processing: both resets are pushed out of the queue.
    for (int i = 0; i < 3000; ++i) host.dispatch(effProcessEvents, 0, 0, list.ptr());
    processSilence(64);
    ASSERT_FALSE(client->resets.empty());
    EXPECT_EQ(client->resets.back().sampleRate, 48000.0);
    // The client's queue was emptied by the reset, then took what fits of the events after it.
    EXPECT_EQ(client->midiAtLastProcess, rigging::MidiQueue::kCapacity);
}
