#include "testclient.h"

#include "rigging/client/boolparameter.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace vsttest {

using namespace rigging;

PluginInfo TestClient::buildPluginInfo() {
    PluginInfo info;
    info.vendorName = "Test Vendor With A Name Longer Than Thirty Two";
    info.vendorUniqueID = FourCC("TSTV");
    info.pluginName = "Test Plug-in Whose Name Exceeds 32 Bytes";
    info.pluginUniqueID = FourCC("tplg");
    info.publicVersion = {2, 3, 4};
    info.hasGUI = true;
    info.category = PluginCategory::dynamics;
    info.receivesMIDI = midi_;
    return info;
}

Vec<LegalIO> TestClient::buildLegalIO() {
    Vec<LegalIO> v;
    v.pushBack(LegalIO{1, 1});
    v.pushBack(LegalIO{1, 2});
    v.pushBack(LegalIO{2, 1});
    v.pushBack(LegalIO{2, 2});
    return v;
}

Vec<Parameter*> TestClient::buildParameters() {
    Vec<Parameter*> v;
    v.pushBack(mallocNew<LinearFloatParameter>(0, "Gain", "dB", -12.0f, 12.0f, 0.0f));
    v.pushBack(mallocNew<IntegerParameter>(1, "Mode", "", 0, 3, 1));
    v.pushBack(mallocNew<BoolParameter>(2, "Switch", false)->nonAutomatable());
    return v;
}

Vec<Preset*> TestClient::buildPresets() {
    Vec<Preset*> v;
    v.pushBack(makeDefaultPreset());
    const float bright[kNumParams] = {1.0f, 0.0f, 1.0f};
    v.pushBack(mallocNew<Preset>("Bright", std::span<const float>(bright)));
    v.pushBack(mallocNew<Preset>("", std::span<const float>(bright)));
    return v;
}

void TestClient::reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) {
    resets.push_back({sampleRate, maxFrames, numInputs, numOutputs});
    lastMaxFrames_ = maxFrames;
}

void TestClient::processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                              int frames, TimeInfo info) {
    if (frames > lastMaxFrames_) ++overruns;
    processCalls.push_back(
        {frames, static_cast<int>(inputs.size()), static_cast<int>(outputs.size()), info});
    midiAtLastProcess = midiQueue().size();
    for (std::size_t c = 0; c < outputs.size(); ++c)
        for (int j = 0; j < frames; ++j)
            outputs[c][j] = c < inputs.size() ? 0.5f * inputs[c][j] : 0.0f;
}

}  // namespace vsttest
