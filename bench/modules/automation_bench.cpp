// CPU cost per stereo frame of each plug-in module through its test host (48 kHz, 512-frame
// blocks, every parameter at its default), idle and while a second thread keeps setting every
// parameter, each to a value that changes every block: a little above or below where it
// started, so that discrete parameters keep their step while continuous ones move. The
// crossovers' moves redesign the band filters every block; a third case holds them still to
// show that cost apart. Prints the ratios automated / idle at the end.
//
//   module_automation_bench [VST2_MODULE.so [VST3_BUNDLE.vst3]] [benchmark flags]

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "brindlewave/paramids.h"
#include "host_instance.h"
#include "host_module.h"
#include "support/medianreporter.h"
#include "vst2host.h"

namespace {

constexpr int kBlock = 512;
constexpr float kRate = 48000.0f;
constexpr int kSignalBlocks = 64;  // pink-ish noise plus a tone per side, ~0.7 s
constexpr int kParams = brindlewave::param::kCount;
constexpr int kCrossovers = 9;  // parameters 0..8

std::string gVst2Module = BRINDLEWAVE_VST2_MODULE;
std::string gVst3Bundle = BRINDLEWAVE_VST3_BUNDLE;

enum class Load { idle, everything, crossoversHeld };

struct Signal {
    std::vector<float> l, r, outL, outR;
    Signal() : l(kBlock * kSignalBlocks), r(kBlock * kSignalBlocks), outL(kBlock), outR(kBlock) {
        std::mt19937 rng(7);
        std::normal_distribution<float> noise(0.0f, 0.1f);
        float lp = 0;
        for (std::size_t i = 0; i < l.size(); ++i) {
            lp = 0.9f * lp + noise(rng);
            l[i] = lp + 0.3f * static_cast<float>(std::sin(2 * M_PI * 220.0 * i / kRate));
            r[i] = lp + 0.3f * static_cast<float>(std::sin(2 * M_PI * 330.0 * i / kRate));
        }
    }
};

// The second thread. A round sets every parameter once; rounds take a fraction of a block, and
// consecutive rounds give every continuous parameter another value.
class Automation {
public:
    using Get = std::function<float(int)>;
    using Set = std::function<void(int, float)>;
    Automation(Load load, const Get& get, Set set) {
        std::vector<float> start(kParams);
        for (int i = 0; i < kParams; ++i) start[i] = get(i);
        thread_ = std::thread([this, load, start, set] {
            for (unsigned round = 0; !done_.load(std::memory_order_relaxed); ++round)
                for (int i = 0; i < kParams; ++i) {
                    const float step = 1e-4f * static_cast<float>(1 + (round + i) % 61);
                    const bool hold = load == Load::crossoversHeld && i < kCrossovers;
                    set(i, hold ? start[i] : start[i] < 0.5f ? start[i] + step : start[i] - step);
                }
        });
    }
    ~Automation() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Runs blocks through `process` while the load (if any) runs beside it.
void measure(benchmark::State& state, Load load, const std::function<void(int)>& process,
             const Automation::Get& get, const Automation::Set& set) {
    for (int b = 0; b < 2 * kSignalBlocks; ++b) process(b % kSignalBlocks);  // settle
    {
        std::optional<Automation> automation;
        if (load != Load::idle) automation.emplace(load, get, set);
        int block = 0;
        for (auto _ : state) {
            process(block);
            block = (block + 1) % kSignalBlocks;
        }
    }
    // The audio thread's own CPU time (the benchmark's default), not the automation thread's.
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void vst2(benchmark::State& state, Load load) {
    vst2host::Module module(gVst2Module);
    vst2host::Host host;
    if (!module.loaded() || !module.entry() || !host.open(module.entry())) {
        state.SkipWithError("cannot load the VST 2.4 module");
        return;
    }
    host.start(kRate, kBlock);
    host.setSpeakers(2, 2);
    Signal s;
    float* out[2] = {s.outL.data(), s.outR.data()};
    measure(
        state, load,
        [&](int block) {
            float* in[2] = {s.l.data() + block * kBlock, s.r.data() + block * kBlock};
            host.processReplacing(in, out, kBlock);
            benchmark::DoNotOptimize(s.outL.data());
        },
        [&](int i) { return host.getParameter(i); },
        [&](int i, float v) { host.setParameter(i, v); });
    host.close();
}

void vst3(benchmark::State& state, Load load) {
    using namespace vst3host;
    HostModule module;
    if (!module.load(gVst3Bundle)) {
        state.SkipWithError("cannot load the VST3 module");
        return;
    }
    IPluginFactory* factory = module.getFactory();
    PClassInfo info{};
    HostApplication app;
    {
        PluginInstance plugin;
        if (findClass(factory, "Audio Module Class", &info) < 0 ||
            !plugin.create(factory, info.cid) || !plugin.initialize(&app, nullptr)) {
            state.SkipWithError("cannot make a VST3 instance");
        } else {
            plugin.setArrangement(2, 2);
            plugin.setup(kRate, kBlock);
            plugin.start();
            Signal s;
            IEditController* c = plugin.controller;
            measure(
                state, load,
                [&](int block) {
                    plugin.process({s.l.data() + block * kBlock, s.r.data() + block * kBlock},
                                   {s.outL.data(), s.outR.data()}, kBlock);
                    benchmark::DoNotOptimize(s.outL.data());
                },
                [&](int i) {
                    return static_cast<float>(c->getParamNormalized(static_cast<ParamID>(i)));
                },
                [&](int i, float v) { c->setParamNormalized(static_cast<ParamID>(i), v); });
            plugin.teardown();
        }
    }
    factory->release();
}


}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args{argv[0]};
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            args.push_back(argv[i]);
        else
            (positional++ == 0 ? gVst2Module : gVst3Bundle) = argv[i];
    }
    const char* formats[] = {"vst2", "vst3"};
    const std::pair<const char*, Load> loads[] = {
        {"idle", Load::idle},
        {"automated", Load::everything},
        {"automated_crossovers_held", Load::crossoversHeld}};
    for (const char* f : formats)
        for (auto [name, load] : loads)
            benchmark::RegisterBenchmark((std::string(f) + "/" + name).c_str(),
                                         f[3] == '2' ? vst2 : vst3, load);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    benchsupport::MedianTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* f : formats) {
        const std::string idle = std::string(f) + "/idle";
        if (!reporter.seconds.count(idle)) continue;
        for (const char* load : {"automated", "automated_crossovers_held"}) {
            const std::string run = std::string(f) + "/" + load;
            if (reporter.seconds.count(run))
                std::printf("%s %s / idle: %.3f\n", f, load,
                            reporter.seconds[run] / reporter.seconds[idle]);
        }
    }
    return 0;
}
