#pragma once
// A small client for driving the VST 2.4 wrapper: halves its inputs, records what the wrapper
// asks of it, and comes with and without MIDI input.

#include <vector>

#include "rigging/client/client.h"

namespace vsttest {

struct ResetCall {
    double sampleRate;
    int maxFrames, inputs, outputs;
};

struct ProcessCall {
    int frames, inputs, outputs;
    rigging::TimeInfo info;
};

class TestClient : public rigging::Client {
public:
    static constexpr int kChunkLimit = 512;
    // Parameters: 0 "Gain" (linear dB -12..12), 1 "Mode" (integer 0..3), 2 "Switch" (bool,
    // not automatable).
    static constexpr int kNumParams = 3;

    TestClient(BuildToken t, bool midi = false) : Client(t), midi_(midi) {}

    rigging::PluginInfo buildPluginInfo() override;
    rigging::Vec<rigging::LegalIO> buildLegalIO() override;
    rigging::Vec<rigging::Parameter*> buildParameters() override;
    rigging::Vec<rigging::Preset*> buildPresets() override;
    int maxFramesInProcess() override { return kChunkLimit; }
    void reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) override;
    void processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                      int frames, rigging::TimeInfo info) override;
    int latencySamples(double sampleRate) override { return static_cast<int>(sampleRate / 1000); }

    std::vector<ResetCall> resets;
    std::vector<ProcessCall> processCalls;
    // Largest frames handed to processAudio over maxFrames of the last reset, if ever.
    int overruns = 0;
    int midiAtLastProcess = 0;

private:
    bool midi_;
    int lastMaxFrames_ = 0;
};

class MidiTestClient : public TestClient {
public:
    explicit MidiTestClient(BuildToken t) : TestClient(t, true) {}
};

}  // namespace vsttest
