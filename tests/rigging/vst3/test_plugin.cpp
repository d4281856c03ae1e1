#include "test_plugin.h"

#include <cmath>

#include "rigging/client/boolparameter.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace vst3test {

using namespace rigging;

Probe probe;

PluginInfo TestClient::buildPluginInfo() {
    PluginInfo info;
    info.vendorName = "Test Vendor";
    info.vendorUniqueID = FourCC("TSTV");
    info.pluginName = "Rigging Test";
    info.pluginUniqueID = FourCC("rgts");
    info.publicVersion = {2, 3, 4};
    info.receivesMIDI = true;
    info.category = PluginCategory::dynamics;
    return info;
}

Vec<LegalIO> TestClient::buildLegalIO() {
    Vec<LegalIO> ios;
    for (LegalIO io : {LegalIO{1, 1}, LegalIO{1, 2}, LegalIO{2, 1}, LegalIO{2, 2}})
        ios.pushBack(io);
    return ios;
}

Vec<Parameter*> TestClient::buildParameters() {
    Vec<Parameter*> ps;
    ps.pushBack(mallocNew<BoolParameter>(0, "Switch", false));
    ps.pushBack(mallocNew<IntegerParameter>(1, "Mode", "", 0, 3, 1));
    ps.pushBack(mallocNew<LinearFloatParameter>(2, "Gain", "dB", -12.f, 12.f, 0.f));
    ps.pushBack(
        mallocNew<LogFloatParameter>(3, "Freq", "Hz", 20.0, 20000.0, 1000.0)->nonAutomatable());
    return ps;
}

Vec<Preset*> TestClient::buildPresets() {
    Vec<Preset*> presets;
    presets.pushBack(makeDefaultPreset());
    Preset* loud = makeDefaultPreset();
    loud->setName("Loud");
    loud->values()[2] = 1.0f;
    presets.pushBack(loud);
    return presets;
}

void TestClient::reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) {
    maxFrames_ = maxFrames;
    probe.resetRate = sampleRate;
    probe.resetMaxFrames = maxFrames;
    probe.resetInputs = numInputs;
    probe.resetOutputs = numOutputs;
    ++probe.resets;
}

void TestClient::processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                              int frames, TimeInfo info) {
    if (frames > maxFrames_) ++probe.chunksOverLimit;
    probe.framesProcessed += frames;
    probe.lastTime = info.timeInSamples;
    double dB = static_cast<LinearFloatParameter*>(param(2))->valueAtomic();
    float gain = static_cast<float>(std::pow(10.0, dB / 20));
    for (std::size_t c = 0; c < outputs.size(); ++c) {
        const float* in = inputs[std::min(c, inputs.size() - 1)];
        for (int i = 0; i < frames; ++i) outputs[c][i] = in[i] * gain;
    }
}

Client* makeTestClient() {
    return createClient<TestClient>();
}

}  // namespace vst3test
