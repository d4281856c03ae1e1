#include "stress.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "host_instance.h"

namespace vst3host {

namespace {

// The audio thread's side: random blocks, random layouts, parameter queues.
void audioLoop(PluginInstance& plugin, const StressOptions& o, std::atomic<bool>& uiDone,
               StressReport& r) {
    std::mt19937 rng(o.seed);
    const int maxFrames = 3 * o.maxBlock + 1;
    std::vector<std::vector<float>> in(4, std::vector<float>(maxFrames));
    std::vector<std::vector<float>> out(4, std::vector<float>(maxFrames));
    ParameterChanges changes;
    long phase = 0;
    for (int b = 0; b < o.blocks || !uiDone.load(); ++b) {
        int kind = static_cast<int>(rng() % 10);
        int frames = kind == 0 ? 0 : kind == 1 ? 1 : static_cast<int>(rng() % maxFrames);
        int ins = static_cast<int>(rng() % 5), outs = static_cast<int>(rng() % 5);
        if (rng() % 4 != 0) ins = outs = 2;  // mostly what was agreed
        std::vector<float*> inPtrs, outPtrs;
        for (int c = 0; c < ins; ++c) {
            for (int i = 0; i < frames; ++i)
                in[c][i] = 0.7f * static_cast<float>(std::sin(0.031 * (phase + i) + c)) *
                           (rng() % 50 == 0 ? 4.f : 1.f);
            inPtrs.push_back(rng() % 20 == 0 ? nullptr : in[c].data());
        }
        for (int c = 0; c < outs; ++c) {
            std::fill(out[c].begin(), out[c].begin() + frames, std::nanf(""));
            outPtrs.push_back(rng() % 20 == 0 ? nullptr : out[c].data());
        }
        changes.clear();
        for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
            std::uint32_t pick = static_cast<std::uint32_t>(rng() % 8);
            ParamID id = pick == 0   ? 998
                         : pick == 1 ? 999
                         : pick == 2 ? static_cast<ParamID>(rng())
                                     : static_cast<ParamID>(rng() % (o.numParams + 1));
            double v =
                rng() % 30 == 0 ? std::nan("") : std::uniform_real_distribution<>(-0.2, 1.2)(rng);
            changes.add(id, static_cast<int32>(rng() % (frames + 1)), v);
        }
        if (plugin.process(inPtrs, outPtrs, frames, &changes) != kResultOk) ++r.badResults;
        ++r.processCalls;
        for (int c = 0; c < outs; ++c) {
            if (!outPtrs[c]) continue;
            for (int i = 0; i < frames; ++i)
                if (!std::isfinite(out[c][i])) ++r.nonFinite;
            r.framesChecked += frames;
        }
        phase += frames;
    }
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

// The UI thread's side: parameter edits, presets, bypass, rate changes and states.
void uiLoop(PluginInstance& plugin, const StressOptions& o, StressReport& r) {
    std::mt19937 rng(o.seed * 7919u + 1);
    std::vector<std::uint8_t> valid;
    if (plugin.getState(valid) != kResultOk || valid.size() < 2) ++r.badResults;
    if (valid.empty()) valid.assign(2, 0);
    String128 text;
    for (int n = 0; n < o.states; ++n) {
        ParamID id =
            rng() % 5 == 0 ? 998 + rng() % 2 : static_cast<ParamID>(rng() % (o.numParams + 2));
        double v = std::uniform_real_distribution<>(0, 1)(rng);
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
}

}  // namespace

StressReport runStress(IPluginFactory* factory, const char* classId, const StressOptions& o) {
    StressReport r;
    HostApplication app;
    RecordingComponentHandler handler;
    {
        PluginInstance plugin;
        if (!plugin.create(factory, classId) || !plugin.initialize(&app, &handler)) return r;
        plugin.setArrangement(2, 2);
        plugin.setup(44100, o.maxBlock);
        plugin.start();
        StressReport audio;
        std::atomic<bool> uiDone{false};
        std::thread audioThread([&] { audioLoop(plugin, o, uiDone, audio); });
        uiLoop(plugin, o, r);
        uiDone = true;
        audioThread.join();
        r.processCalls = audio.processCalls;
        r.framesChecked = audio.framesChecked;
        r.nonFinite = audio.nonFinite;
        r.badResults += audio.badResults;
        r.teardownClean = plugin.teardown();
        r.fpViolations = plugin.fpViolations.load();
    }
    if (app.extraRefs() != 0 || handler.extraRefs() != 0) r.teardownClean = false;
    return r;
}

std::string stressFindings(const StressReport& r, const StressOptions& o) {
    std::string f;
    auto note = [&](bool bad, const std::string& what) {
        if (bad) f += what + "\n";
    };
    note(r.processCalls < o.blocks, "only " + std::to_string(r.processCalls) + " process calls");
    note(r.framesChecked == 0, "no output was checked");
    note(r.nonFinite != 0, std::to_string(r.nonFinite) + " non-finite output samples");
    note(r.badResults != 0, std::to_string(r.badResults) + " unexpected result codes");
    note(r.statesAccepted == 0, "no state was accepted");
    note(r.statesRefused == 0, "no state was refused");
    note(r.fpViolations != 0,
         "floating-point control changed by " + std::to_string(r.fpViolations) + " calls");
    note(!r.teardownClean, "references left after teardown");
    return f;
}

}  // namespace vst3host
