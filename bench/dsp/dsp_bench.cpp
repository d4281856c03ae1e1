// Cost per sample of the band path's units. Baseline: one second-order section, so every other
// figure also reads as a count of sections' worth of work.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "audiofx/filter/lowpass.h"
#include "audiofx/filter/statevariable.h"
#include "brindlewave/dsp/bandsplitter.h"
#include "brindlewave/dsp/compressor.h"
#include "brindlewave/dsp/upsampler.h"

namespace {

constexpr int block = 512;

std::vector<float> noiseBlock(float level) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> d(-level, level);
    std::vector<float> v(block);
    for (float& x : v) x = d(rng);
    return v;
}

void perSample(benchmark::State& state, int samplesPerIteration = block) {
    state.counters["per_sample"] =
        benchmark::Counter(double(state.iterations()) * samplesPerIteration,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A tuned filter over a block per iteration.
template <typename Filter>
void runFilter(benchmark::State& state, Filter& f, float frequency) {
    f.setSampleRate(48000.0f);
    f.setFrequency(frequency);
    auto in = noiseBlock(1.0f);
    std::vector<float> out(block);
    for (auto _ : state) {
        f.processBuffers(in.data(), out.data(), block);
        benchmark::DoNotOptimize(out.data());
    }
    perSample(state);
}

void BM_Baseline_SecondOrderSection(benchmark::State& state) {
    audiofx::LowpassO2 s;
    runFilter(state, s, 1000.0f);
}
BENCHMARK(BM_Baseline_SecondOrderSection);

// The same design as a state-variable section, the form the band splitter runs.
void BM_StateVariableSection(benchmark::State& state) {
    audiofx::StateVariableSection s(audiofx::SectionResponse::lowpass);
    runFilter(state, s, 1000.0f);
}
BENCHMARK(BM_StateVariableSection);

void BM_CrossoverSectionOrder16(benchmark::State& state) {
    audiofx::LinkwitzRileyStateVariable s(audiofx::SectionResponse::lowpass, 16);
    runFilter(state, s, 632.4555f);
}
BENCHMARK(BM_CrossoverSectionOrder16);

// Four bands at the default crossovers.
void tuneSplitter(brindlewave::BandSplitter& s, float rate) {
    const float xo[3] = {112.46826f, 632.4555f, 3556.5588f};
    s.setSampleRate(rate);
    s.updateCrossovers(xo, 4, rate);
}

void BM_SplitterFourBands(benchmark::State& state) {
    brindlewave::BandSplitter s;
    tuneSplitter(s, 48000.0f);
    auto in = noiseBlock(1.0f);
    for (auto _ : state) {
        float acc = 0;
        for (float x : in) {
            const float* v = s.split(x);
            acc += ((v[0] + v[1]) + v[2]) + v[3];
        }
        benchmark::DoNotOptimize(acc);
    }
    perSample(state);
}
BENCHMARK(BM_SplitterFourBands);

// Arg 0: signal below threshold (no reduction); arg 1: compressing all the time.
void BM_Compressor(benchmark::State& state) {
    brindlewave::BrindlewaveCompressor c;
    c.initialize(48000.0f, 22.0f, 188.0f, -10.0f, 4.0f, 1.0f);
    auto in = noiseBlock(state.range(0) ? 1.0f : 0.2f);
    std::vector<float> out(block);
    for (auto _ : state) {
        c.processBuffers(in.data(), out.data(), block);
        benchmark::DoNotOptimize(out.data());
    }
    perSample(state);
}
BENCHMARK(BM_Compressor)->Arg(0)->Arg(1);

// Four bands' compressors fed sample by sample in turn, as the engine runs them: their feedback
// chains overlap. Per sample of all four; arg as above.
void BM_CompressorFourBands(benchmark::State& state) {
    brindlewave::BrindlewaveCompressor c[4];
    for (auto& comp : c) comp.initialize(48000.0f, 22.0f, 188.0f, -10.0f, 4.0f, 1.0f);
    std::vector<float> in[4];
    for (int b = 0; b < 4; ++b) {
        in[b] = noiseBlock(state.range(0) ? 1.0f : 0.2f);
        std::rotate(in[b].begin(), in[b].begin() + 97 * b, in[b].end());
    }
    float acc = 0;
    for (auto _ : state) {
        for (int i = 0; i < block; ++i)
            acc += ((c[0].getNextSample(in[0][i]) + c[1].getNextSample(in[1][i])) +
                    c[2].getNextSample(in[2][i])) +
                   c[3].getNextSample(in[3][i]);
        benchmark::DoNotOptimize(acc);
    }
    perSample(state);
}
BENCHMARK(BM_CompressorFourBands)->Arg(0)->Arg(1);

// The same gain computer written with the extended-precision logarithm and the double power on
// every sample: what the exact fast paths save.
void BM_CompressorPlainFormula(benchmark::State& state) {
    auto in = noiseBlock(1.0f);
    std::vector<float> out(block);
    const float att = float(std::exp(-2.0 / 1056.0)), rel = float(std::exp(-2.0 / 9024.0));
    float env = 0;
    for (auto _ : state) {
        for (int i = 0; i < block; ++i) {
            const float L = float(20.0L * std::log10((long double)env));
            float r = (-10.0f - L) * 0.75f;
            if (r >= 0) r = 0;
            const float y = float(std::pow(10.0, double(r) / 20.0)) * in[i];
            const float d = std::fabs(y);
            env = (env - d) * (d > env ? att : rel) + d;
            out[i] = y;
        }
        benchmark::DoNotOptimize(out.data());
    }
    perSample(state);
}
BENCHMARK(BM_CompressorPlainFormula);

// Per host sample: upsample, then decimate, at factor F.
void BM_OversamplerRoundTrip(benchmark::State& state) {
    brindlewave::Upsampler u;
    u.initialize(8, block);
    u.setSampleRate(48000.0f);
    u.setFactor(int(state.range(0)));
    auto in = noiseBlock(1.0f);
    for (auto _ : state) {
        u.upsample(in.data(), block);
        u.decimate();
        benchmark::DoNotOptimize(u.decimatedBuffer());
    }
    perSample(state);
}
BENCHMARK(BM_OversamplerRoundTrip)->Arg(2)->Arg(4)->Arg(8);

}  // namespace

BENCHMARK_MAIN();
