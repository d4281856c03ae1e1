// CPU cost per stereo frame of the Brindlewave VST 2.4 module against a third-party VST 2.4
// multiband compressor from Debian, both at their defaults (four bands), 48 kHz, 512-frame
// blocks, loaded through the same test host. Prints the ratio of the two at the end.
//
//   vst2_module_bench [BRINDLEWAVE.so] [THIRD_PARTY.so] [benchmark flags]

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/medianreporter.h"
#include "vst2host.h"

using namespace rigging::vst;

namespace {

std::string gOurs = BRINDLEWAVE_VST2_MODULE;
std::string gTheirs = "/usr/lib/vst/lsp-plugins/mb-compressor-stereo.so";

constexpr int kBlock = 512;
constexpr float kRate = 48000.0f;
constexpr int kSignalBlocks = 64;  // a varied signal: pink-ish noise plus a tone, ~0.7 s

void processModule(benchmark::State& state, const std::string& path) {
    vst2host::Module module(path);
    if (!module.loaded() || !module.entry()) {
        state.SkipWithError(("cannot load " + path).c_str());
        return;
    }
    vst2host::Host host;
    AEffect* e = host.open(module.entry());
    if (!e) {
        state.SkipWithError("no effect record");
        return;
    }
    host.start(kRate, kBlock);
    host.setSpeakers(2, 2);

    const int n = kBlock * kSignalBlocks;
    std::vector<float> l(n), r(n), ol(kBlock), orr(kBlock), extra(kBlock, 0.0f);
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 0.1f);
    float lp = 0;
    for (int i = 0; i < n; ++i) {
        lp = 0.9f * lp + noise(rng);
        l[i] = lp + 0.3f * std::sin(2 * M_PI * 220.0 * i / kRate);
        r[i] = lp + 0.3f * std::sin(2 * M_PI * 330.0 * i / kRate);
    }
    std::vector<float*> inputs(std::max(2, e->numInputs), extra.data());
    std::vector<float*> outputs(std::max(2, e->numOutputs), extra.data());
    int block = 0;
    auto run = [&] {
        inputs[0] = l.data() + block * kBlock;
        inputs[1] = r.data() + block * kBlock;
        outputs[0] = ol.data();
        outputs[1] = orr.data();
        host.processReplacing(inputs.data(), outputs.data(), kBlock);
        block = (block + 1) % kSignalBlocks;
    };
    for (int i = 0; i < 2 * kSignalBlocks; ++i) run();  // settle
    for (auto _ : state) {
        run();
        benchmark::DoNotOptimize(ol.data());
    }
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
    host.close();
}


}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args{argv[0]};
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-' && positional == 0) {
            gOurs = argv[i];
            ++positional;
        } else if (argv[i][0] != '-' && positional == 1) {
            gTheirs = argv[i];
            ++positional;
        } else {
            args.push_back(argv[i]);
        }
    }
    if (gOurs.empty() || !std::filesystem::exists(gOurs)) {
        std::printf("The Brindlewave VST 2.4 module was not built; nothing to compare.\n");
        return 0;
    }
    bool haveTheirs = std::filesystem::exists(gTheirs);
    benchmark::RegisterBenchmark("brindlewave_vst2", processModule, gOurs);
    if (haveTheirs)
        benchmark::RegisterBenchmark("third_party_mb_compressor", processModule, gTheirs);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    benchsupport::MedianTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ours = reporter.seconds.find("brindlewave_vst2");
    auto theirs = reporter.seconds.find("third_party_mb_compressor");
    if (ours != reporter.seconds.end() && theirs != reporter.seconds.end() && theirs->second > 0)
        std::printf("CPU per stereo frame, Brindlewave / third-party: %.3f\n",
                    ours->second / theirs->second);
    else if (!haveTheirs)
        std::printf("%s is not installed; no ratio.\n", gTheirs.c_str());
    return 0;
}
