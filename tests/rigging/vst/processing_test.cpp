#include <cmath>
#include <vector>

#include "alloc_probe.h"
#include "fixture.h"

using namespace vsttest;

namespace {

// Host-side channel buffers of one block.
template <typename T>
struct Buffers {
    Buffers(int channels, int frames, T fill) : data(channels, std::vector<T>(frames, fill)) {
        for (auto& b : data) ptrs.push_back(b.data());
    }
    std::vector<std::vector<T>> data;
    std::vector<T*> ptrs;
    T** get() { return ptrs.data(); }
};

Buffers<float> ramp(int channels, int frames) {
    Buffers<float> b(channels, frames, 0.0f);
    for (int c = 0; c < channels; ++c)
        for (int j = 0; j < frames; ++j) b.data[c][j] = static_cast<float>(c + 1) + j * 0.001f;
    return b;
}

}  // namespace

TEST_F(Wrapper, FirstCallResetsAt44100And128) {
    processSilence(100);
    ASSERT_EQ(client->resets.size(), 1u);
    EXPECT_EQ(client->resets[0].sampleRate, 44100.0);
    EXPECT_EQ(client->resets[0].maxFrames, 128);
    EXPECT_EQ(client->resets[0].inputs, 2);
    EXPECT_EQ(client->resets[0].outputs, 2);
    processSilence(100);
    EXPECT_EQ(client->resets.size(), 1u);
}

TEST_F(Wrapper, QueuedResetsApplyInOrderAtTheNextCall) {
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host.dispatch(effSetBlockSize, 0, 256);
    EXPECT_TRUE(client->resets.empty());
    processSilence(256);
    ASSERT_EQ(client->resets.size(), 3u);
    EXPECT_EQ(client->resets[1].sampleRate, 48000.0);
    EXPECT_EQ(client->resets[1].maxFrames, 128);
    EXPECT_EQ(client->resets[2].sampleRate, 48000.0);
    EXPECT_EQ(client->resets[2].maxFrames, 256);
}

TEST_F(Wrapper, BlocksLongerThanAnnouncedGoInPiecesThatFit) {
    // Nothing announced: pieces of 128.
    processSilence(300);
    ASSERT_EQ(client->processCalls.size(), 3u);
    EXPECT_EQ(client->processCalls[0].frames, 128);
    EXPECT_EQ(client->processCalls[2].frames, 44);
    EXPECT_EQ(client->processCalls[1].info.timeInSamples, 128);

    host.dispatch(effSetBlockSize, 0, 0);  // 0 falls back to 128
    client->processCalls.clear();
    processSilence(130);
    EXPECT_EQ(client->resets.back().maxFrames, 128);
    EXPECT_EQ(client->processCalls.size(), 2u);

    host.dispatch(effSetBlockSize, 0, 1 << 30);  // bounded, not a gigabyte of scratch
    processSilence(16);
    EXPECT_EQ(client->resets.back().maxFrames, 512);  // the client's own limit applies too
    EXPECT_EQ(client->overruns, 0);
}

TEST_F(Wrapper, ReplacingWritesHostOutputsAndZeroesExtraOnes) {
    host.setSpeakers(2, 3);
    auto input = ramp(2, 64);
    Buffers<float> output(3, 64, 7.0f);
    host.processReplacing(input.get(), output.get(), 64);
    for (int c = 0; c < 2; ++c)
        for (int j = 0; j < 64; ++j) ASSERT_EQ(output.data[c][j], 0.5f * input.data[c][j]);
    for (float v : output.data[2]) ASSERT_EQ(v, 0.0f);

    // In place: the host hands the same buffers as input and output.
    auto inPlace = ramp(2, 64);
    Buffers<float> extra(3, 64, 0.0f);
    float* io[3] = {inPlace.ptrs[0], inPlace.ptrs[1], extra.ptrs[2]};
    host.processReplacing(io, io, 64);
    EXPECT_FLOAT_EQ(inPlace.data[1][10], 0.5f * (2 + 10 * 0.001f));
}

TEST_F(Wrapper, DoubleReplacingConvertsBothWays) {
    host.setSpeakers(2, 3);
    Buffers<double> input(2, 300, 0.25);
    Buffers<double> output(3, 300, 5.0);
    host.processDoubleReplacing(input.get(), output.get(), 300);
    for (int c = 0; c < 2; ++c)
        for (double v : output.data[c]) ASSERT_EQ(v, 0.125);
    for (double v : output.data[2]) ASSERT_EQ(v, 0.0);
}

TEST_F(Wrapper, AccumulatingAddsAndLeavesExtraOutputsAlone) {
    host.setSpeakers(2, 3);
    Buffers<float> silent(2, 200, 0.0f);
    Buffers<float> output(3, 200, 1.0f);
    host.processAccumulating(silent.get(), output.get(), 200);
    for (auto& ch : output.data)
        for (float v : ch) ASSERT_EQ(v, 1.0f);
    Buffers<float> input(2, 200, 0.5f);
    host.processAccumulating(input.get(), output.get(), 200);
    EXPECT_EQ(output.data[0][199], 1.25f);
    EXPECT_EQ(output.data[1][0], 1.25f);
    EXPECT_EQ(output.data[2][0], 1.0f);
}

TEST_F(Wrapper, TimeComesFromTheHostOrTheWrappersCounter) {
    processSilence(100);  // no time answer: the counter, from 0
    processSilence(100);
    ASSERT_EQ(client->processCalls.size(), 2u);
    EXPECT_EQ(client->processCalls[1].info.timeInSamples, 100);
    EXPECT_EQ(client->processCalls[1].info.tempo, 120.0);
    EXPECT_FALSE(client->processCalls[1].info.hostIsPlaying);
    auto asks = host.callsWith(audioMasterGetTime);
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_EQ(asks[0].value, kVstTempoValid);

    VstTimeInfo t{};
    t.sampleRate = 48000;
    t.samplePos = 1000.6;
    t.tempo = 90;
    t.flags = kVstTempoValid | kVstTransportPlaying;
    host.timeInfo = t;
    processSilence(200);  // two pieces of 128 and 72
    EXPECT_EQ(client->processCalls[2].info.timeInSamples, 1001);
    EXPECT_EQ(client->processCalls[3].info.timeInSamples, 1001 + 128);
    EXPECT_EQ(client->processCalls[2].info.tempo, 90.0);
    EXPECT_TRUE(client->processCalls[2].info.hostIsPlaying);

    t.flags = 0;  // tempo not valid
    host.timeInfo = t;
    processSilence(10);
    EXPECT_EQ(client->processCalls.back().info.tempo, 120.0);
    EXPECT_FALSE(client->processCalls.back().info.hostIsPlaying);

    t.sampleRate = 0;  // an answer without a rate is no answer
    host.timeInfo = t;
    processSilence(10);
    EXPECT_EQ(client->processCalls.back().info.timeInSamples, 410);
}

TEST_F(Wrapper, ZeroFramesAndNullBuffersAreHarmless) {
    processSilence(0);
    EXPECT_EQ(client->resets.size(), 1u);
    EXPECT_TRUE(client->processCalls.empty());
    host.processReplacing(nullptr, nullptr, 64);
    host.processDoubleReplacing(nullptr, nullptr, 64);
    host.processAccumulating(nullptr, nullptr, 64);
    EXPECT_EQ(client->processCalls.size(), 3u);
}

TEST_F(Wrapper, SteadyProcessingAllocatesNothing) {
    host.dispatch(effSetBlockSize, 0, 256);
    processSilence(256);  // applies the resets, sizes the buffers
    auto input = ramp(2, 256);
    Buffers<float> output(2, 256, 0.0f);
    Buffers<double> din(2, 256, 0.1), dout(2, 256, 0.0);
    Buffers<float> longIn(2, 600, 0.1f), longOut(2, 600, 0.0f);
    client->processCalls.reserve(100);
    alloc_probe::Scope probe;
    for (int i = 0; i < 10; ++i) {
        host.processReplacing(input.get(), output.get(), 256);
        host.processDoubleReplacing(din.get(), dout.get(), 256);
        host.processAccumulating(longIn.get(), longOut.get(), 600);  // longer than announced
    }
    EXPECT_EQ(probe.allocations(), 0u);
}
