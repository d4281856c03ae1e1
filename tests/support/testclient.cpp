#include "testclient.h"

#include <algorithm>
#include <cmath>

namespace testsupport {

std::vector<ParamSpec> Setup::fourKinds() {
    return {
        {ParamSpec::boolean, "On", "", 0, 1, 1},
        {ParamSpec::integer, "Mode", "", 0, 3, 1},
        {ParamSpec::linear, "Threshold", "dB", -60.f, 0.f, -10.f},
        {ParamSpec::logarithmic, "Attack", "ms", 0.001, 2000.0, 22.0},
    };
}

std::vector<ParamSpec> Setup::pluginShaped() {
    std::vector<ParamSpec> ps;
    for (int i = 0; i < 139; ++i) {
        std::string n = "P" + std::to_string(i);
        const int kind = i < 9 ? 2 : (i - 9) % 5;
        if (i < 67 && i != 59 && (kind == 2 || kind == 4))
            ps.push_back({ParamSpec::linear, n, "Hz", 20.f, 20000.f, 632.4555f});
        else if (i < 67 && i != 59)
            ps.push_back({ParamSpec::logarithmic, n, "ms", 0.001, 2000.0, 188.0});
        else if (i == 59 || i == 117)
            ps.push_back({ParamSpec::integer, n, "", 0, 4, 3});
        else
            ps.push_back({ParamSpec::boolean, n, "", 0, 1, i < 117 ? 1.0 : 0.0});
    }
    return ps;
}

std::vector<PresetSpec> Setup::defaults(int n) {
    return std::vector<PresetSpec>(static_cast<std::size_t>(n), PresetSpec{"Default"});
}

TestClient::TestClient(BuildToken t, Setup s) : Client(t), setup(std::move(s)) {
    ++live;
    newest = this;
}

TestClient::~TestClient() {
    --live;
}

PluginInfo TestClient::buildPluginInfo() {
    buildLog.push_back("info");
    PluginInfo info;
    info.vendorName = setup.vendor;
    info.vendorUniqueID = setup.vendorID;
    info.pluginName = setup.name;
    info.pluginUniqueID = setup.pluginID;
    info.publicVersion = setup.version;
    info.category = setup.category;
    info.hasGUI = setup.hasGUI;
    info.receivesMIDI = setup.receivesMIDI;
    return info;
}

Vec<LegalIO> TestClient::buildLegalIO() {
    buildLog.push_back("legalio");
    Vec<LegalIO> ios;
    for (const LegalIO& io : setup.legalIOs) ios.pushBack(io);
    return ios;
}

Vec<Parameter*> TestClient::buildParameters() {
    buildLog.push_back("parameters");
    Vec<Parameter*> ps;
    for (const ParamSpec& p : setup.parameters) {
        const int i = static_cast<int>(ps.length());
        const char* n = p.name.c_str();  // the setup outlives the parameters
        Parameter* made = nullptr;
        switch (p.kind) {
            case ParamSpec::boolean:
                made = mallocNew<BoolParameter>(i, n, p.def != 0);
                break;
            case ParamSpec::integer:
                made =
                    mallocNew<IntegerParameter>(i, n, p.label, static_cast<int>(p.min),
                                                static_cast<int>(p.max), static_cast<int>(p.def));
                break;
            case ParamSpec::linear:
                made = mallocNew<LinearFloatParameter>(i, n, p.label, static_cast<float>(p.min),
                                                       static_cast<float>(p.max),
                                                       static_cast<float>(p.def));
                break;
            case ParamSpec::logarithmic:
                made = mallocNew<LogFloatParameter>(i, n, p.label, p.min, p.max, p.def);
                break;
        }
        ps.pushBack(p.automatable ? made : made->nonAutomatable());
    }
    return ps;
}

Vec<Preset*> TestClient::buildPresets() {
    buildLog.push_back("presets");
    Vec<Preset*> presets;
    for (const PresetSpec& spec : setup.presets) {
        Preset* p = makeDefaultPreset();
        p->setName(spec.name.c_str());
        for (auto [index, value] : spec.values)
            p->values()[static_cast<std::size_t>(index)] = value;
        presets.pushBack(p);
    }
    return presets;
}

int TestClient::maxFramesInProcess() {
    buildLog.push_back("maxframes");
    return setup.chunkLimit;
}

void TestClient::onBuilt() {
    buildLog.push_back("built");
}

IGraphics* TestClient::createGraphics() {
    return setup.makesGraphics ? mallocNew<FakeGraphics>() : nullptr;
}

int TestClient::latencySamples(double sampleRate) {
    return static_cast<int>(sampleRate * setup.latencyMs / 1000);
}

void TestClient::reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) {
    resets.push_back({sampleRate, maxFrames, numInputs, numOutputs});
    lastMaxFrames_ = maxFrames;
}

void TestClient::processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                              int frames, TimeInfo info) {
    if (frames > lastMaxFrames_) {
        ++overruns;
        ++overrunsEver;
    }
    processCalls.push_back(
        {frames, static_cast<int>(inputs.size()), static_cast<int>(outputs.size()), info,
         inputs.empty() ? nullptr : inputs[0], outputs.empty() ? nullptr : outputs[0]});
    midiAtLastProcess = midiQueue().size();
    float gain = setup.outputScale;
    if (setup.gainParam >= 0) {
        const double dB = static_cast<FloatParameter*>(param(setup.gainParam))->valueAtomic();
        gain *= static_cast<float>(std::pow(10.0, dB / 20));
    }
    for (std::size_t c = 0; c < outputs.size(); ++c) {
        if (inputs.empty()) {
            std::fill(outputs[c], outputs[c] + frames, 0.0f);
            continue;
        }
        const float* in = inputs[std::min(c, inputs.size() - 1)];
        for (int j = 0; j < frames; ++j) outputs[c][j] = in[j] * gain;
    }
}

long TestClient::framesProcessed() const {
    long n = 0;
    for (const ProcessCall& c : processCalls) n += c.frames;
    return n;
}

}  // namespace testsupport
