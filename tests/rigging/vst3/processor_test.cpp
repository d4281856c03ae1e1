// Component and audio processor: buses, arrangements, set-up, and what process does with
// the host's buffers and parameter queues.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fixture.h"

using namespace vst3test;

using ProcessorTest = PluginTest;

TEST_F(ProcessorTest, BusesFollowTheClient) {
    auto ins = plugin.buses(kAudio, kInput);
    auto outs = plugin.buses(kAudio, kOutput);
    auto events = plugin.buses(kEvent, kInput);
    ASSERT_EQ(ins.size(), 1u);
    ASSERT_EQ(outs.size(), 1u);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(narrow(ins[0].name), "Audio Input");
    EXPECT_EQ(ins[0].channelCount, 2);
    EXPECT_EQ(outs[0].direction, kOutput);
    EXPECT_EQ(outs[0].flags, BusInfo::kDefaultActive);
    EXPECT_EQ(narrow(events[0].name), "MIDI Input");
    EXPECT_EQ(plugin.component->getBusCount(kEvent, kOutput), 0);
    // initialize through the controller's interface builds the same buses, not twice as many
    EXPECT_EQ(plugin.controller->initialize(&app), kResultOk);
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kInput), 1);

    BusInfo info;
    EXPECT_EQ(plugin.component->getBusInfo(2, kInput, 0, info), kInvalidArgument);
    EXPECT_EQ(plugin.component->getBusInfo(kAudio, 2, 0, info), kInvalidArgument);
    EXPECT_EQ(plugin.component->getBusInfo(kAudio, kInput, 1, info), kResultFalse);
    EXPECT_EQ(plugin.component->getBusInfo(kAudio, kInput, -1, info), kResultFalse);
    EXPECT_EQ(plugin.component->activateBus(kAudio, kOutput, -1, 1), kResultFalse);
    EXPECT_EQ(plugin.component->activateBus(kAudio, kOutput, 0, 0), kResultOk);
}

TEST_F(ProcessorTest, ArrangementMatrix) {
    const SpeakerArrangement arrs[] = {0x0, 0x1, 0x3, 0x7, 0x80000};
    const int channels[] = {0, 1, 2, 3, 1};
    for (int i = 0; i < 5; ++i)
        for (int o = 0; o < 5; ++o) {
            SpeakerArrangement in = arrs[i], out = arrs[o];
            bool legal =
                channels[i] >= 1 && channels[i] <= 2 && channels[o] >= 1 && channels[o] <= 2;
            EXPECT_EQ(plugin.processor->setBusArrangements(&in, 1, &out, 1),
                      legal ? kResultOk : kResultFalse)
                << std::hex << in << " -> " << out;
        }
    SpeakerArrangement mono = 0x80000, stereo = 0x3, got = 0;
    ASSERT_EQ(plugin.processor->setBusArrangements(&mono, 1, &stereo, 1), kResultOk);
    EXPECT_EQ(plugin.processor->getBusArrangement(kInput, 0, got), kResultOk);
    EXPECT_EQ(got, 0x80000u);
    EXPECT_EQ(plugin.buses(kAudio, kInput)[0].channelCount, 1);
    EXPECT_EQ(plugin.processor->getBusArrangement(kOutput, 1, got), kInvalidArgument);
    EXPECT_EQ(plugin.processor->getBusArrangement(kOutput, -1, got), kInvalidArgument);
    EXPECT_EQ(plugin.processor->getBusArrangement(5, 0, got), kInvalidArgument);

    EXPECT_EQ(plugin.processor->setBusArrangements(&stereo, -1, &stereo, 1), kInvalidArgument);
    EXPECT_EQ(plugin.processor->setBusArrangements(&stereo, 2, &stereo, 1), kResultFalse);
    EXPECT_EQ(plugin.processor->setBusArrangements(nullptr, 1, &stereo, 1), kInvalidArgument);
    EXPECT_EQ(plugin.processor->setBusArrangements(nullptr, 0, &stereo, 1), kResultFalse);
}

TEST_F(ProcessorTest, SampleSizesLatencyAndTail) {
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample32), kResultOk);
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample64), kResultFalse);
    EXPECT_EQ(plugin.processor->getLatencySamples(), 0u);
    EXPECT_EQ(plugin.processor->getTailSamples(), 35280u);  // 0.8 s at 44100 Hz
    EXPECT_EQ(plugin.setup(48000, 512, kSample64), kResultFalse);
    EXPECT_EQ(plugin.processor->getTailSamples(), 38400u);
    EXPECT_EQ(plugin.setup(std::nan(""), 512), kInvalidArgument);
    EXPECT_EQ(plugin.setup(-1, 512), kInvalidArgument);
    EXPECT_EQ(plugin.processor->getTailSamples(), 38400u);  // refused rates change nothing
}

TEST_F(ProcessorTest, LatencyRestartOnlyWhenTheRateChanges) {
    ASSERT_EQ(plugin.setup(44100, 256), kResultOk);
    ASSERT_EQ(plugin.setup(44100, 512), kResultOk);
    EXPECT_EQ(handler.countRestarts(kLatencyChanged), 1);
    ASSERT_EQ(plugin.setup(48000, 512), kResultOk);
    EXPECT_EQ(handler.countRestarts(kLatencyChanged), 2);
    plugin.component->initialize(&app);  // a new session restarts once more
    ASSERT_EQ(plugin.setup(48000, 512), kResultOk);
    EXPECT_EQ(handler.countRestarts(kLatencyChanged), 3);
    EXPECT_EQ(handler.calls().size(), 3u);
}

TEST_F(ProcessorTest, ResetsOnFirstProcessAndOnEveryStreamChange) {
    prepare(48000, 100);
    Block in(2, 100, 0.5f), out(2, 100);
    EXPECT_EQ(resetCount(), 0);  // set-up alone does not reset
    plugin.process(in.ptrs(), out.ptrs(), 100);
    EXPECT_EQ(resetCount(), 1);
    EXPECT_EQ(lastReset().sampleRate, 48000);
    EXPECT_EQ(lastReset().maxFrames, 64);  // the client's own limit
    plugin.process(in.ptrs(), out.ptrs(), 100);
    EXPECT_EQ(resetCount(), 1);
    plugin.processor->setProcessing(1);
    plugin.process(in.ptrs(), out.ptrs(), 100);
    EXPECT_EQ(resetCount(), 2);
    plugin.process({in[0].data()}, out.ptrs(), 100);  // channel count changed
    EXPECT_EQ(resetCount(), 3);
    EXPECT_EQ(lastReset().inputs, 1);
    plugin.setup(44100, 100);
    plugin.process({in[0].data()}, out.ptrs(), 100);
    EXPECT_EQ(resetCount(), 4);
    EXPECT_EQ(lastReset().sampleRate, 44100);
    EXPECT_EQ(newestClient().overruns, 0);
}

TEST_F(ProcessorTest, OnlyTheLastPointOfAQueueCounts) {
    prepare();
    ParameterChanges changes;
    changes.add(2, 0, 1.0);   // +12 dB
    changes.add(2, 10, 0.5);  // 0 dB, the block's last word
    changes.add(0, 5, 1.0);
    changes.add(0x80000000u, 0, 1.0);  // a host-side id: ignored, never an index
    changes.add(7, 0, 1.0);            // no such parameter
    Block in(2, 32, 0.25f), out(2, 32);
    plugin.process(in.ptrs(), out.ptrs(), 32, &changes);
    EXPECT_EQ(plugin.controller->getParamNormalized(2), 0.5);
    EXPECT_EQ(plugin.controller->getParamNormalized(0), 1.0);
    EXPECT_FLOAT_EQ(out[1][31], 0.25f);

    changes.clear();
    changes.add(2, 3, 1.0);
    changes.queue(2)->failReads = true;  // unreadable points are skipped
    plugin.process(in.ptrs(), out.ptrs(), 32, &changes);
    EXPECT_EQ(plugin.controller->getParamNormalized(2), 0.5);
}

TEST_F(ProcessorTest, FlushAppliesChangesWithoutAudio) {
    ParameterChanges changes;
    changes.add(998, 0, 1.0);
    changes.add(2, 0, 0.75);
    EXPECT_EQ(plugin.flush(&changes), kResultOk);  // even before any set-up
    EXPECT_EQ(plugin.controller->getParamNormalized(998), 1.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(2), 0.75);
    EXPECT_EQ(newestClient().framesProcessed(), 0);
    Block in(2, 0), out(2, 0);
    EXPECT_EQ(plugin.process(in.ptrs(), out.ptrs(), 0), kResultOk);
    EXPECT_EQ(newestClient().framesProcessed(), 0);

    // Between audio blocks a flush keeps the engine's state: no reset.
    prepare();
    Block a(2, 16), b(2, 16);
    plugin.process(a.ptrs(), b.ptrs(), 16);
    int resets = resetCount();
    EXPECT_GE(resets, 1);
    plugin.flush(&changes);
    plugin.process(a.ptrs(), b.ptrs(), 16);
    EXPECT_EQ(resetCount(), resets);
}

TEST_F(ProcessorTest, BypassCopiesBitExactAndSilencesExtraOutputs) {
    SpeakerArrangement mono = 0x1, stereo = 0x3;
    ASSERT_EQ(plugin.processor->setBusArrangements(&mono, 1, &stereo, 1), kResultOk);
    ASSERT_EQ(plugin.setup(44100, 64), kResultOk);
    plugin.start();
    plugin.controller->setParamNormalized(2, 1.0);  // +12 dB while not bypassed
    plugin.controller->setParamNormalized(998, 0.5);
    Block in(1, 64), out(2, 64, 3.f);
    for (int i = 0; i < 64; ++i) in[0][i] = std::ldexp(static_cast<float>(i) - 31.3f, -i);
    plugin.process(in.ptrs(), out.ptrs(), 64);
    EXPECT_EQ(std::memcmp(out[0].data(), in[0].data(), 64 * sizeof(float)), 0);
    for (float x : out[1]) EXPECT_EQ(x, 0.f);
    EXPECT_EQ(newestClient().framesProcessed(), 0);  // the client was not called

    plugin.controller->setParamNormalized(998, 0.49);
    plugin.process(in.ptrs(), out.ptrs(), 64);
    EXPECT_FLOAT_EQ(out[1][0], in[0][0] * std::pow(10.f, 0.6f));
}

TEST_F(ProcessorTest, NullChannelsAndSurplusChannels) {
    prepare(44100, 64);
    Block in(2, 64, 1.f), out(4, 64, 9.f);
    auto inPtrs = in.ptrs();
    auto outPtrs = out.ptrs();
    inPtrs[1] = nullptr;   // silence stands in
    outPtrs[0] = nullptr;  // written to scratch and thrown away
    plugin.process(inPtrs, outPtrs, 64);
    for (float x : out[1]) EXPECT_EQ(x, 0.f);  // output 1 follows the silent input 1
    for (int c = 2; c < 4; ++c)
        for (float x : out[c]) EXPECT_EQ(x, 0.f);  // beyond what the client takes
    EXPECT_EQ(lastReset().inputs, 2);
    EXPECT_EQ(lastReset().outputs, 2);

    // No input bus at all: nothing legal to process, outputs are silenced.
    Block out2(2, 64, 9.f);
    plugin.process({}, out2.ptrs(), 64);
    for (auto& c : out2.data)
        for (float x : c) EXPECT_EQ(x, 0.f);
}

TEST_F(ProcessorTest, LongBlocksAreCutIntoPiecesOfTheAnnouncedMaximum) {
    prepare(44100, 100);
    Block in(2, 1000, 0.5f), out(2, 1000);
    plugin.process(in.ptrs(), out.ptrs(), 1000);
    EXPECT_EQ(newestClient().framesProcessed(), 1000);
    EXPECT_EQ(newestClient().overruns, 0);
    for (float x : out[0]) ASSERT_EQ(x, 0.5f);
}

TEST_F(ProcessorTest, ProcessBeforeSetupUsesTheUnannouncedPieceLength) {
    SpeakerArrangement stereo = 0x3;
    plugin.processor->setBusArrangements(&stereo, 1, &stereo, 1);
    Block in(2, 3000, 0.25f), out(2, 3000);
    plugin.process(in.ptrs(), out.ptrs(), 3000);
    EXPECT_EQ(newestClient().framesProcessed(), 3000);
    EXPECT_EQ(newestClient().overruns, 0);
    EXPECT_EQ(out[1][2999], 0.25f);
}

TEST_F(ProcessorTest, TimeFollowsTheContextOrCountsFrames) {
    prepare(44100, 256);
    Block in(2, 100), out(2, 100);
    plugin.process(in.ptrs(), out.ptrs(), 100);
    plugin.process(in.ptrs(), out.ptrs(), 100);
    // The second block's second chunk.
    EXPECT_EQ(newestClient().processCalls.back().info.timeInSamples, 100 + 64);
    ProcessContext ctx{};
    ctx.state = ProcessContext::kPlaying;
    ctx.projectTimeSamples = 5000;
    plugin.process(in.ptrs(), out.ptrs(), 100, nullptr, &ctx);
    EXPECT_EQ(newestClient().processCalls.back().info.timeInSamples, 5064);
}

TEST_F(ProcessorTest, NoteAndControllerEventsReachTheMidiQueue) {
    prepare(44100, 64);
    EventList events;
    Event e{};
    e.type = Event::kNoteOnEvent;
    e.sampleOffset = 3;
    e.noteOn.channel = 2;
    e.noteOn.pitch = 60;
    e.noteOn.velocity = 100.f / 127;
    events.addEvent(e);
    e.noteOn.velocity = std::nanf("");  // a broken velocity becomes 0, not undefined
    e.sampleOffset = 4;
    events.addEvent(e);
    e = Event{};
    e.type = Event::kNoteOffEvent;
    e.sampleOffset = 9;
    e.noteOff.pitch = 60;
    events.addEvent(e);
    e = Event{};
    e.type = Event::kLegacyMIDICCOutEvent;
    e.sampleOffset = 10;
    e.midiCCOut = {7, 1, 99, 0};
    events.addEvent(e);
    e.sampleOffset = 11;
    e.midiCCOut = {kPitchBend, 0, 0x10, 0x40};
    events.addEvent(e);
    e.midiCCOut = {kAfterTouch, 0, 5, 0};  // not a message this binding forwards
    events.addEvent(e);

    Block in(2, 64), out(2, 64);
    AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = outBus.numChannels = 2;
    auto inPtrs = in.ptrs();
    auto outPtrs = out.ptrs();
    inBus.channelBuffers32 = inPtrs.data();
    outBus.channelBuffers32 = outPtrs.data();
    ProcessData d{};
    d.numSamples = 64;
    d.numInputs = d.numOutputs = 1;
    d.inputs = &inBus;
    d.outputs = &outBus;
    d.inputEvents = &events;
    ASSERT_EQ(plugin.processor->process(d), kResultOk);

    const rigging::MidiQueue& q = newestClient().midiQueue();
    ASSERT_EQ(q.size(), 5);
    std::vector<rigging::MidiMessage> msgs(q.held().begin(), q.held().end());
    std::sort(msgs.begin(), msgs.end(), [](auto& a, auto& b) { return a.offset < b.offset; });
    EXPECT_EQ(msgs[0].status, 0x92);
    EXPECT_EQ(msgs[0].data2, 100);
    EXPECT_EQ(msgs[1].data2, 0);
    EXPECT_EQ(msgs[2].status, 0x80);
    EXPECT_EQ(msgs[3].status, 0xB1);
    EXPECT_EQ(msgs[3].data1, 7);
    EXPECT_EQ(msgs[3].data2, 99);
    EXPECT_EQ(msgs[4].status, 0xE0);
    EXPECT_EQ(msgs[4].data2, 0x40);
}
