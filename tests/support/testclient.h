#pragma once
// The one plug-in the framework's tests run: a Client whose identity, layouts, parameters,
// presets and chunk limit come from a Setup, that records every build step, reset and
// processing call, and whose output is its input times a gain. Fake editor and host objects
// come with it.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "rigging/client/boolparameter.h"
#include "rigging/client/client.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace testsupport {

using namespace rigging;

// One parameter of the table, in index order. Integer and bool parameters read min, max and
// def as whole numbers (a bool: def 0 or 1).
struct ParamSpec {
    enum Kind { boolean, integer, linear, logarithmic } kind;
    std::string name;
    const char* label = "";
    double min = 0, max = 1, def = 0;
    bool automatable = true;
};

// A preset: the name, then normalized values over the parameters' defaults, by index.
struct PresetSpec {
    std::string name;
    std::vector<std::pair<int, float>> values = {};
};

struct Setup {
    const char* vendor = "Mossgrove Audio";
    FourCC vendorID = {};
    const char* name = "Brindlewave";
    FourCC pluginID = FourCC("mgbw");
    PluginVersion version = {1, 1, 2};
    PluginCategory category = PluginCategory::otherEffect;
    bool hasGUI = true;
    bool makesGraphics = true;  // createGraphics gives a FakeGraphics, else null
    bool receivesMIDI = false;
    int latencyMs = 0;  // latencySamples: whole samples of this many milliseconds
    int chunkLimit = 512;
    std::vector<LegalIO> legalIOs = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
    std::vector<ParamSpec> parameters = fourKinds();
    std::vector<PresetSpec> presets = {{"Default"}};
    // Output = input x outputScale x 10^(dB / 20), dB the value of parameter gainParam (none
    // when negative); outputs past the inputs repeat the last input.
    float outputScale = 1.0f;
    int gainParam = -1;

    // bool "On" (on), integer "Mode" 0..3 (1), linear "Threshold" -60..0 dB (-10), logarithmic
    // "Attack" 0.001..2000 ms (22).
    static std::vector<ParamSpec> fourKinds();
    // The plug-in's shape: 139 parameters, crossovers, rows of five band parameters, integers
    // at 59 and 117, bools from 67 on.
    static std::vector<ParamSpec> pluginShaped();
    // n presets named "Default" holding every default.
    static std::vector<PresetSpec> defaults(int n);
};

struct ResetCall {
    double sampleRate;
    int maxFrames, inputs, outputs;
};

struct ProcessCall {
    int frames, inputs, outputs;
    TimeInfo info;
    const float* in0;  // the first input and output pointers, null when there are none
    float* out0;
};

class TestClient : public Client {
public:
    TestClient(BuildToken t, Setup s);
    ~TestClient() override;

    PluginInfo buildPluginInfo() override;
    Vec<LegalIO> buildLegalIO() override;
    Vec<Parameter*> buildParameters() override;
    Vec<Preset*> buildPresets() override;
    int maxFramesInProcess() override;
    void onBuilt() override;
    IGraphics* createGraphics() override;
    int latencySamples(double sampleRate) override;
    void reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) override;
    void processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                      int frames, TimeInfo info) override;

    // Frames over all processAudio calls.
    long framesProcessed() const;

    const Setup setup;
    std::vector<std::string> buildLog;
    std::vector<ResetCall> resets;
    std::vector<ProcessCall> processCalls;
    // processAudio calls given more frames than the last reset allowed.
    int overruns = 0;
    int midiAtLastProcess = 0;

    // Across all instances, for tests whose clients are made and destroyed inside a binding.
    static inline std::atomic<int> live{0};
    static inline std::atomic<TestClient*> newest{nullptr};
    static inline std::atomic<int> overrunsEver{0};

private:
    int lastMaxFrames_ = 0;
};

inline TestClient* make(Setup s = {}) {
    return createClient<TestClient>(std::move(s));
}

// A TestClient of a fixed setup, for entry points that make clients with no arguments.
template <Setup (*MakeSetup)()>
class FixedTestClient final : public TestClient {
public:
    explicit FixedTestClient(BuildToken t) : TestClient(t, MakeSetup()) {}
};

struct FakeGraphics : IGraphics {
    static inline int destroyed = 0;
    DAW daw = DAW::unknown;
    GraphicsBackend backend = GraphicsBackend::unspecified;
    int opens = 0, closes = 0;
    ~FakeGraphics() override { ++destroyed; }
    void* openUI(void*, void*, DAW d, GraphicsBackend b) override {
        daw = d, backend = b, ++opens;
        return this;
    }
    void closeUI() override { ++closes; }
    void getGUISize(int* w, int* h) override { *w = 1000, *h = 700; }
};

// Records what the client asks of its host, one line a call.
struct FakeHost : IHostCommand {
    std::vector<std::string> calls;
    void beginParamEdit(int i) override { calls.push_back("begin " + std::to_string(i)); }
    void paramAutomate(int i, float v) override {
        calls.push_back("automate " + std::to_string(i) + " " + std::to_string(v));
    }
    void endParamEdit(int i) override { calls.push_back("end " + std::to_string(i)); }
    bool requestResize(int, int) override { return false; }
    DAW getDAW() override { return DAW::ardour; }
};

}  // namespace testsupport
