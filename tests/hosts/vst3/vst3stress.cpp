#include "vst3stress.h"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "host_instance.h"

namespace vst3host {

namespace {

// The audio thread's side: besides the block, up to three parameter queues.
void processWithChanges(PluginInstance& plugin, const StressOptions& o, ParameterChanges& changes,
                        stress::Block& b, stress::Report& r) {
    changes.clear();
    for (int k = static_cast<int>(b.rng() % 4); k > 0; --k) {
        std::uint32_t pick = static_cast<std::uint32_t>(b.rng() % 8);
        ParamID id = pick == 0   ? 998
                     : pick == 1 ? 999
                     : pick == 2 ? static_cast<ParamID>(b.rng())
                                 : static_cast<ParamID>(b.rng() % (o.numParams + 1));
        double v =
            b.rng() % 30 == 0 ? std::nan("") : std::uniform_real_distribution<>(-0.2, 1.2)(b.rng);
        changes.add(id, static_cast<int32>(b.rng() % (b.frames + 1)), v);
    }
    if (plugin.process(b.inputs, b.outputs, b.frames, &changes) != kResultOk) ++r.badResults;
}

std::vector<std::uint8_t> randomState(std::mt19937& rng, const std::vector<std::uint8_t>& valid) {
    std::vector<std::uint8_t> s;
    switch (rng() % 4) {
        case 0:  // noise of any length
            s.resize(rng() % 800);
            for (auto& b : s) b = static_cast<std::uint8_t>(rng());
            break;
        case 1:  // a real state cut anywhere
            s.assign(valid.begin(), valid.begin() + static_cast<long>(rng() % valid.size()));
            break;
        case 2: {  // a real state with random values, NaN and infinities among them
            s = valid;
            for (std::size_t at = 2 + 24; at + 4 <= s.size(); at += 4) {
                std::uint32_t bits = rng();
                if (rng() % 3 == 0) bits = 0x7FC00000u | (bits & 0x80000000u);
                std::memcpy(&s[at], &bits, 4);
            }
            s[1] = static_cast<std::uint8_t>(rng());
            break;
        }
        default:  // a real state with a few flipped bytes
            s = valid;
            for (int k = 0; k < 3; ++k) s[rng() % s.size()] = static_cast<std::uint8_t>(rng());
            break;
    }
    return s;
}

// One step of the UI thread: a parameter edit, now and then a rate change, and a state.
void uiStep(PluginInstance& plugin, const StressOptions& o, const std::vector<std::uint8_t>& valid,
            int n, std::mt19937& rng, stress::Report& r) {
    ParamID id = rng() % 5 == 0 ? 998 + rng() % 2 : static_cast<ParamID>(rng() % (o.numParams + 2));
    double v = std::uniform_real_distribution<>(0, 1)(rng);
    String128 text;
    plugin.controller->setParamNormalized(id, v);
    plugin.controller->getParamStringByValue(id, v, text);
    plugin.controller->getParamNormalized(id);
    if (n % 200 == 199) {
        // A host changing the rate (it should stop processing first; this one does not).
        double rates[] = {22050, 44100, 48000, 96000, 192000};
        if (plugin.setup(rates[rng() % 5], o.maxBlock) != kResultOk) ++r.badResults;
        plugin.processor->setProcessing(1);
    }
    tresult res = plugin.setState(randomState(rng, valid));
    if (res == kResultOk)
        ++r.statesAccepted;
    else if (res == kResultFalse)
        ++r.statesRefused;
    else
        ++r.badResults;
    if (n % 50 == 0) {
        std::vector<std::uint8_t> now;
        if (plugin.getState(now) != kResultOk || now.size() != valid.size()) ++r.badResults;
    }
}

}  // namespace

stress::Options StressOptions::harness() const {
    stress::Options h;
    h.blocks = blocks;
    h.maxFrames = 3 * maxBlock + 1;
    h.varyLayout = true;
    h.expectStates = true;
    h.seed = seed;
    return h;
}

stress::Report runStress(IPluginFactory* factory, const char* classId, const StressOptions& o) {
    stress::Report r;
    HostApplication app;
    RecordingComponentHandler handler;
    {
        PluginInstance plugin;
        if (!plugin.create(factory, classId) || !plugin.initialize(&app, &handler)) {
            r.teardownClean = false;
            return r;
        }
        plugin.setArrangement(2, 2);
        plugin.setup(44100, o.maxBlock);
        plugin.start();
        std::vector<std::uint8_t> valid;
        if (plugin.getState(valid) != kResultOk || valid.size() < 2) ++r.badResults;
        if (valid.empty()) valid.assign(2, 0);
        ParameterChanges changes;
        r += stress::run(o.harness(),
                         [&](stress::Block& b, stress::Report& br) {
                             processWithChanges(plugin, o, changes, b, br);
                         },
                         {{[&](int n, std::mt19937& rng, stress::Report& ur) {
                               uiStep(plugin, o, valid, n, rng, ur);
                           },
                           o.states}});
        r.teardownClean = plugin.teardown();
        r.fpViolations = plugin.fpViolations.load();
    }
    if (app.extraRefs() != 0 || handler.extraRefs() != 0) r.teardownClean = false;
    return r;
}

std::string stressFindings(const stress::Report& report, const StressOptions& options) {
    return stress::findings(report, options.harness());
}

}  // namespace vst3host
