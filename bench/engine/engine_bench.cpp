// Block processing cost of the compressor, stereo at 48 kHz in blocks of 512 frames, for 2, 3
// and 4 bands at oversampling 1, 2, 4 and 8: the vector kernel against the plain per-sample path
// measured in the same run. Every band compresses (thresholds -30 dB under noise at -6 dBFS),
// the gain computer's costliest case; the "below threshold" rows put every threshold at 0 dB,
// where no envelope reaches it. Prints ns per frame (the fastest of the repetitions asked for
// with --benchmark_repetitions), percent of one core and the ratio. The block-size rows run the
// vector kernel in blocks of 32 frames against 512: the per-frame ratio shows what a process call
// costs beyond its frames.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

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
constexpr int kShortBlock = 32;

// bands, factor, plain, quiet, block
std::map<std::tuple<int, int, bool, bool, int>, double> nsPerFrame;

void setValue(BrindlewaveClient& c, int index, double value) {
    auto* p = c.param(index);
    double n = value;
    if (auto* f = dynamic_cast<rigging::FloatParameter*>(p)) n = f->toNormalized(value);
    if (auto* i = dynamic_cast<rigging::IntegerParameter*>(p)) n = i->toNormalized(value);
    p->setFromHost(n);
}

void BM_Engine(benchmark::State& state) {
    const int bands = int(state.range(0));
    const int factor = int(state.range(1));
    const bool plain = state.range(2) != 0;
    const bool quiet = state.range(3) != 0;
    const int block = int(state.range(4));
    rigging::FPScope fp;  // the floating-point state every host entry runs under
    BrindlewaveClient* c = rigging::createClient<BrindlewaveClient>();
    c->setPlainProcessing(plain);
    setValue(*c, param::numberOfBands, bands);
    setValue(*c, param::oversampleFactor, std::log2(factor));
    for (int b = 0; b < 4; ++b) setValue(*c, param::threshold(b), quiet ? 0.0 : -30.0);
    const render::AudioBuffer in = render::makeNoise(2, kBlock * 16, kRate, -6.0, 3);
    std::vector<float> out0(block), out1(block);
    c->resetFromHost(kRate, block, 2, 2);
    int pos = 0;
    for (auto _ : state) {
        const float* ins[2] = {in.channels[0].data() + pos, in.channels[1].data() + pos};
        float* outs[2] = {out0.data(), out1.data()};
        c->processAudioFromHost(ins, outs, block, rigging::TimeInfo());
        benchmark::DoNotOptimize(out0.data());
        pos = (pos + block) % (kBlock * 16);
    }
    state.SetItemsProcessed(state.iterations() * block);
    rigging::destroyFree(c);
}

const std::vector<std::string> kArgNames = {"bands", "F", "plain", "quiet", "block"};

void registerAll() {
    for (int bands : {2, 3, 4})
        for (int factor : {1, 2, 4, 8})
            for (int plain : {1, 0}) {
                auto* b = benchmark::RegisterBenchmark("engine", BM_Engine);
                b->Args({bands, factor, plain, 0, kBlock})->ArgNames(kArgNames);
                b->Unit(benchmark::kMicrosecond);
            }
    for (int factor : {1, 8})
        for (int plain : {1, 0})
            benchmark::RegisterBenchmark("engine", BM_Engine)
                ->Args({4, factor, plain, 1, kBlock})
                ->ArgNames(kArgNames)
                ->Unit(benchmark::kMicrosecond);
    for (int bands : {2, 4})
        for (int factor : {1, 8})
            benchmark::RegisterBenchmark("engine", BM_Engine)
                ->Args({bands, factor, 0, 0, kShortBlock})
                ->ArgNames(kArgNames)
                ->Unit(benchmark::kMicrosecond);
}

class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            auto& args = r.run_name.args;
            int bands, factor, plain, quiet, block;
            if (std::sscanf(args.c_str(), "bands:%d/F:%d/plain:%d/quiet:%d/block:%d", &bands,
                            &factor, &plain, &quiet, &block) != 5)
                continue;
            const double ns = r.GetAdjustedCPUTime() * 1e3 / block;  // time unit is us
            // The fastest repetition: other load on the machine only ever adds time.
            auto [it, fresh] =
                nsPerFrame.try_emplace({bands, factor, plain != 0, quiet != 0, block}, ns);
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
    std::printf("\n%-22s %12s %9s %12s %9s %8s\n", "stereo, 48 kHz", "plain ns/fr", "plain %",
                "vector ns/fr", "vector %", "speed-up");
    for (auto& [key, ns] : nsPerFrame) {
        auto [bands, factor, plain, quiet, block] = key;
        if (plain || block != kBlock) continue;
        auto base = nsPerFrame.find({bands, factor, true, quiet, kBlock});
        if (base == nsPerFrame.end()) continue;
        char label[32];
        std::snprintf(label, sizeof label, "%d bands F=%d%s", bands, factor,
                      quiet ? " below thr." : "");
        std::printf("%-22s %12.1f %8.2f%% %12.1f %8.2f%% %7.2fx\n", label, base->second,
                    100.0 * base->second / frameNs, ns, 100.0 * ns / frameNs, base->second / ns);
    }
    std::printf("\n%-22s %12s %12s %8s\n", "vector, per frame", "512 ns/fr", "32 ns/fr",
                "32 / 512");
    for (auto& [key, ns] : nsPerFrame) {
        auto [bands, factor, plain, quiet, block] = key;
        if (block != kShortBlock) continue;
        auto base = nsPerFrame.find({bands, factor, plain, quiet, kBlock});
        if (base == nsPerFrame.end()) continue;
        char label[32];
        std::snprintf(label, sizeof label, "%d bands F=%d", bands, factor);
        std::printf("%-22s %12.1f %12.1f %7.2fx\n", label, base->second, ns, ns / base->second);
    }
    return 0;
}
