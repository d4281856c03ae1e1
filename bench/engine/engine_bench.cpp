// Block processing cost of the compressor, stereo at 48 kHz in blocks of 512 frames, for 2, 3
// and 4 bands at oversampling 1, 2, 4 and 8: the vector kernel against the plain per-sample path
// and against the engine as it was before its crossovers became state-variable sections, all
// measured in the same run. Every band compresses (thresholds -30 dB under noise at -6 dBFS),
// the gain computer's costliest case; the "below threshold" rows put every threshold at 0 dB,
// where no envelope reaches it. Prints ns per frame (the fastest of the repetitions asked for
// with --benchmark_repetitions), percent of one core and the ratios.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

#include "before/brindlewave/client.h"
#include "brindlewave/client.h"
#include "brindlewave/paramids.h"
#include "render.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"
#include "rigging/core/fpcontrol.h"
#include "testsignal.h"

using namespace brindlewave;

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

// bands, factor, path (0 vector, 1 plain, 2 the engine before), quiet
std::map<std::tuple<int, int, int, bool>, double> nsPerFrame;

template <class Client>
void setValue(Client& c, int index, double value) {
    auto* p = c.param(index);
    double n = value;
    if (auto* f = dynamic_cast<rigging::FloatParameter*>(p)) n = f->toNormalized(value);
    if (auto* i = dynamic_cast<rigging::IntegerParameter*>(p)) n = i->toNormalized(value);
    p->setFromHost(n);
}

template <class Client>
void runEngine(benchmark::State& state, bool plain) {
    const int bands = int(state.range(0));
    const int factor = int(state.range(1));
    const bool quiet = state.range(3) != 0;
    rigging::FPScope fp;  // the floating-point state every host entry runs under
    Client* c = rigging::createClient<Client>();
    if constexpr (requires { c->setPlainProcessing(plain); }) c->setPlainProcessing(plain);
    setValue(*c, param::numberOfBands, bands);
    setValue(*c, param::oversampleFactor, std::log2(factor));
    for (int b = 0; b < 4; ++b) setValue(*c, param::threshold(b), quiet ? 0.0 : -30.0);
    const render::AudioBuffer in = render::makeNoise(2, kBlock * 16, kRate, -6.0, 3);
    std::vector<float> out0(kBlock), out1(kBlock);
    c->resetFromHost(kRate, kBlock, 2, 2);
    int pos = 0;
    for (auto _ : state) {
        const float* ins[2] = {in.channels[0].data() + pos, in.channels[1].data() + pos};
        float* outs[2] = {out0.data(), out1.data()};
        c->processAudioFromHost(ins, outs, kBlock, rigging::TimeInfo());
        benchmark::DoNotOptimize(out0.data());
        pos = (pos + kBlock) % (kBlock * 16);
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    rigging::destroyFree(c);
}

void BM_Engine(benchmark::State& state) {
    const int path = int(state.range(2));
    if (path == 2)
        runEngine<brindlewave_before::BrindlewaveClient>(state, false);
    else
        runEngine<BrindlewaveClient>(state, path == 1);
}

void registerAll() {
    auto add = [](int bands, int factor, int path, int quiet) {
        benchmark::RegisterBenchmark("engine", BM_Engine)
            ->Args({bands, factor, path, quiet})
            ->ArgNames({"bands", "F", "path", "quiet"})
            ->Unit(benchmark::kMicrosecond);
    };
    for (int bands : {2, 3, 4})
        for (int factor : {1, 2, 4, 8})
            for (int path : {1, 2, 0}) add(bands, factor, path, 0);
    for (int factor : {1, 8})
        for (int path : {1, 2, 0}) add(4, factor, path, 1);
}

class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            const double ns = r.GetAdjustedCPUTime() * 1e3 / kBlock;  // time unit is us
            auto& args = r.run_name.args;
            int bands, factor, path, quiet;
            if (std::sscanf(args.c_str(), "bands:%d/F:%d/path:%d/quiet:%d", &bands, &factor, &path,
                            &quiet) != 4)
                continue;
            // The fastest repetition: other load on the machine only ever adds time.
            auto [it, fresh] = nsPerFrame.try_emplace({bands, factor, path, quiet != 0}, ns);
            if (!fresh && ns < it->second) it->second = ns;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerAll();
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double frameNs = 1e9 / kRate;
    std::printf("\n%-22s %11s %12s %12s %9s %9s %10s\n", "stereo, 48 kHz", "plain ns/fr",
                "before ns/fr", "vector ns/fr", "vector %", "speed-up", "vs before");
    for (auto& [key, ns] : nsPerFrame) {
        auto [bands, factor, path, quiet] = key;
        if (path != 0) continue;
        auto plain = nsPerFrame.find({bands, factor, 1, quiet});
        auto before = nsPerFrame.find({bands, factor, 2, quiet});
        if (plain == nsPerFrame.end() || before == nsPerFrame.end()) continue;
        char label[32];
        std::snprintf(label, sizeof label, "%d bands F=%d%s", bands, factor,
                      quiet ? " below thr." : "");
        std::printf("%-22s %11.1f %12.1f %12.1f %8.2f%% %8.2fx %9.3fx\n", label, plain->second,
                    before->second, ns, 100.0 * ns / frameNs, plain->second / ns,
                    ns / before->second);
    }
    return 0;
}
