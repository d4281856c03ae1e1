#pragma once
// A small plug-in for the binding's tests: four parameters of each kind, two presets, the
// usual mono/stereo layouts, chunks of 64 frames and a MIDI input. It records what the
// binding did to it in a probe the tests read.

#include <atomic>
#include <cstdint>

#include "rigging/client/client.h"

namespace vst3test {

struct Probe {
    std::atomic<int> resets{0};
    std::atomic<double> resetRate{0};
    std::atomic<int> resetMaxFrames{0};
    std::atomic<int> resetInputs{0};
    std::atomic<int> resetOutputs{0};
    std::atomic<int> chunksOverLimit{0};  // processAudio given more frames than reset allowed
    std::atomic<long> framesProcessed{0};
    std::atomic<std::int64_t> lastTime{0};
    std::atomic<int> liveClients{0};
    std::atomic<rigging::Client*> lastClient{nullptr};
    void clear() {
        resets = 0;
        chunksOverLimit = 0;
        framesProcessed = 0;
    }
};

extern Probe probe;

// Parameter 2 is a gain in dB applied to every output; outputs past the inputs repeat the last
// input.
class TestClient : public rigging::Client {
public:
    explicit TestClient(BuildToken t) noexcept : Client(t) {
        ++probe.liveClients;
        probe.lastClient = this;
    }
    ~TestClient() override { --probe.liveClients; }

    rigging::PluginInfo buildPluginInfo() override;
    rigging::Vec<rigging::LegalIO> buildLegalIO() override;
    rigging::Vec<rigging::Parameter*> buildParameters() override;
    rigging::Vec<rigging::Preset*> buildPresets() override;
    int maxFramesInProcess() override { return 64; }
    void reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) override;
    void processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                      int frames, rigging::TimeInfo info) override;

private:
    int maxFrames_ = 0;
};

rigging::Client* makeTestClient();

}  // namespace vst3test
