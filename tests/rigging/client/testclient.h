#pragma once
// A configurable Client subclass and fake host objects for the client tests.

#include <string>
#include <vector>

#include "rigging/client/boolparameter.h"
#include "rigging/client/client.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace testclient {

using namespace rigging;

struct Setup {
    int numParams = 4;  // 4: one of each type; otherwise the plug-in's mixed table
    int numPresets = 1;
    int chunkLimit = 512;
    std::vector<LegalIO> legalIOs = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
    bool hasGUI = true;
    bool makesGraphics = true;
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

// Four: bool (on), integer 0..3 (1), linear -60..0 dB (-10), log 0.001..2000 ms (22).
// Otherwise: linear crossovers and band rows of log/log/linear/log/linear, integers at 59 and
// 117 (default 3), bools from 67 on.
inline Vec<Parameter*> mixedParameters(int count) {
    static std::vector<std::string> names(200);
    Vec<Parameter*> ps;
    if (count == 4) {
        ps.pushBack(mallocNew<BoolParameter>(0, "On", true));
        ps.pushBack(mallocNew<IntegerParameter>(1, "Mode", "", 0, 3, 1));
        ps.pushBack(mallocNew<LinearFloatParameter>(2, "Threshold", "dB", -60.f, 0.f, -10.f));
        ps.pushBack(mallocNew<LogFloatParameter>(3, "Attack", "ms", 0.001, 2000.0, 22.0));
        return ps;
    }
    for (int i = 0; i < count; ++i) {
        const char* n = (names[i] = "P" + std::to_string(i)).c_str();
        int kind = i < 9 ? 2 : (i - 9) % 5;
        if (i < 67 && i != 59 && (kind == 2 || kind == 4))
            ps.pushBack(mallocNew<LinearFloatParameter>(i, n, "Hz", 20.f, 20000.f, 632.4555f));
        else if (i < 67 && i != 59)
            ps.pushBack(mallocNew<LogFloatParameter>(i, n, "ms", 0.001, 2000.0, 188.0));
        else if (i == 59 || i == 117)
            ps.pushBack(mallocNew<IntegerParameter>(i, n, "", 0, 4, 3));
        else
            ps.pushBack(mallocNew<BoolParameter>(i, n, i < 117));
    }
    return ps;
}

// Logs its build calls, resets and processing blocks.
class TestClient : public Client {
public:
    struct Block {
        int frames;
        std::int64_t time;
        const float* in0;
        float* out0;
    };
    Setup setup;
    std::vector<std::string> buildLog;
    std::vector<Block> blocks;
    std::vector<int> resetFrames;

    TestClient(BuildToken t, Setup s) : Client(t), setup(std::move(s)) {}

    PluginInfo buildPluginInfo() override {
        buildLog.push_back("info");
        PluginInfo info;
        info.vendorName = "Mossgrove Audio";
        info.pluginName = "Brindlewave";
        info.pluginUniqueID = FourCC("mgbw");
        info.publicVersion = {1, 1, 2};
        info.hasGUI = setup.hasGUI;
        return info;
    }
    Vec<LegalIO> buildLegalIO() override {
        buildLog.push_back("legalio");
        Vec<LegalIO> ios;
        for (const LegalIO& io : setup.legalIOs) ios.pushBack(io);
        return ios;
    }
    Vec<Parameter*> buildParameters() override {
        buildLog.push_back("parameters");
        return mixedParameters(setup.numParams);
    }
    Vec<Preset*> buildPresets() override {
        buildLog.push_back("presets");
        Vec<Preset*> presets;
        for (int i = 0; i < setup.numPresets; ++i) presets.pushBack(makeDefaultPreset());
        return presets;
    }
    int maxFramesInProcess() override {
        buildLog.push_back("maxframes");
        return setup.chunkLimit;
    }
    void onBuilt() override { buildLog.push_back("built"); }
    IGraphics* createGraphics() override {
        return setup.makesGraphics ? mallocNew<FakeGraphics>() : nullptr;
    }
    void reset(double, int maxFrames, int, int) override { resetFrames.push_back(maxFrames); }
    void processAudio(std::span<const float* const> in, std::span<float* const> out, int frames,
                      TimeInfo info) override {
        blocks.push_back({frames, info.timeInSamples, in[0], out[0]});
    }
};

inline TestClient* make(Setup s = {}) {
    return createClient<TestClient>(std::move(s));
}

}  // namespace testclient
