// The editor's one-off costs (construction: decode every image, build the tree; the first
// frame: everything drawn, lit and graded), the cost of a frame during a knob drag, of a
// playback frame with the engine's spectrum and levels arriving, of a frame while the engine
// hands over silence, and what an open editor costs while nothing plays, on the pool of two
// workers the editor uses.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "brindlewave/gui.h"
#include "brindlewave/plugin.h"
#include "displays/programme.h"
#include "rigging/gui/offscreen.h"

namespace {

using brindlewave::BrindlewavePlugin;
using brindlewave::HalyardGUI;
using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void BM_EditorConstruct(benchmark::State& state) {
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    for (auto _ : state) {
        auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
        benchmark::DoNotOptimize(editor);
        state.PauseTiming();
        rigging::destroyFree(editor);
        state.ResumeTiming();
    }
    rigging::destroyFree(plugin);
}
BENCHMARK(BM_EditorConstruct)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FirstFrame(benchmark::State& state) {
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    for (auto _ : state) {
        state.PauseTiming();
        auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
        auto* driver = new rigging::OffscreenDriver(*editor);
        state.ResumeTiming();
        driver->open();
        driver->tick();
        state.PauseTiming();
        delete driver;
        rigging::destroyFree(editor);
        state.ResumeTiming();
    }
    rigging::destroyFree(plugin);
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// One step of a drag on the global Attack knob and the tick that shows it: the raw knob, the
// information line's lit redraw, the grade.
void BM_KnobDragFrame(benchmark::State& state) {
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
    {
        rigging::OffscreenDriver driver(*editor);
        driver.open();
        driver.tick();
        driver.move(597, 607);
        driver.click(597, 607);
        int y = 607, step = -1;
        for (auto _ : state) {
            if (y <= 560 || y >= 640) step = -step;
            y += step;
            driver.move(597, y);
            driver.tick();
        }
        driver.release(597, y);
    }
    rigging::destroyFree(editor);
    rigging::destroyFree(plugin);
}
BENCHMARK(BM_KnobDragFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// A tick with nothing to redraw.
void BM_IdleTick(benchmark::State& state) {
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
    {
        rigging::OffscreenDriver driver(*editor);
        driver.open();
        driver.tick();
        driver.tick();
        for (auto _ : state) benchmark::DoNotOptimize(driver.tick());
    }
    rigging::destroyFree(editor);
    rigging::destroyFree(plugin);
}
BENCHMARK(BM_IdleTick)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A band added: the tick after the band count goes from 3 to 4 relays out the row and
// recomposites it. Going back to 3 between iterations is not timed.
void BM_BandCountChange(benchmark::State& state) {
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
    rigging::Parameter* bands = plugin->param(59);
    {
        rigging::OffscreenDriver driver(*editor);
        driver.open();
        driver.tick();
        for (auto _ : state) {
            state.PauseTiming();
            bands->setFromHost(0.5);
            driver.tick();
            driver.tick();
            state.ResumeTiming();
            bands->setFromHost(1.0);
            driver.tick();
        }
    }
    rigging::destroyFree(editor);
    rigging::destroyFree(plugin);
}
BENCHMARK(BM_BandCountChange)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ticks of a fresh editor at 60 Hz with the engine's blocks of each 60th of a second handed
// over first (untimed: that is the audio thread's work, `feedBlock(editor, block)`); the ticks
// after the warm-up are timed and reported as frame times, drawn frames and % of one core.
template <typename Feed>
void timeFrames(benchmark::State& state, int warmup, int count, Feed&& feedBlock) {
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    for (auto _ : state) {
        auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
        {
            rigging::OffscreenDriver driver(*editor);
            driver.open();
            driver.tick();
            double blocks = 0.0;
            int block = 0, drawn = 0;
            std::vector<double> frames;
            frames.reserve(static_cast<std::size_t>(count));
            for (int tick = 0; tick < warmup + count; ++tick) {
                blocks += brindlewave::displays::kBlocksPerSecond / 60.0;
                while (block < static_cast<int>(blocks)) feedBlock(*editor, block++);
                const auto t0 = Clock::now();
                const bool drew = driver.tick();
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                if (tick >= warmup) {
                    frames.push_back(ms);
                    drawn += drew ? 1 : 0;
                }
            }
            double total = 0.0;
            for (double ms : frames) total += ms;
            state.counters["drawnFrames"] = drawn;
            state.counters["p50_ms"] = percentile(frames, 0.5);
            state.counters["p99_ms"] = percentile(frames, 0.99);
            state.counters["max_ms"] = *std::max_element(frames.begin(), frames.end());
            state.counters["percentOfOneCore"] = 100.0 * total / (1000.0 * count / 60.0);
        }
        rigging::destroyFree(editor);
    }
    rigging::destroyFree(plugin);
}

// Playback at 48 kHz: ten seconds of frames after one of warming up.
void BM_PlaybackFrame(benchmark::State& state) {
    const brindlewave::displays::Programme programme;
    timeFrames(state, 60, 600,
               [&](HalyardGUI& editor, int block) { programme.feedBlock(editor, block); });
}
BENCHMARK(BM_PlaybackFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

// The host processing silence, as with the transport stopped: the engine hands over an empty
// spectrum and silent levels every block. Two seconds of silence let the displays settle.
void BM_SilenceFrame(benchmark::State& state) {
    rigging::Vec<brindlewave::SpectrumBin> spectrum(brindlewave::displays::kBins);
    for (int i = 0; i < brindlewave::displays::kBins; ++i) spectrum[i] = {};
    const float silent[brindlewave::displays::kBands] = {};
    timeFrames(state, 120, 600, [&](HalyardGUI& editor, int) {
        editor.updateFFTData(spectrum, brindlewave::displays::kFFTSize,
                             brindlewave::displays::kSampleRate);
        editor.updateMeters(silent, silent, brindlewave::displays::kSampleRate);
    });
}
BENCHMARK(BM_SilenceFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

// An open editor with no audio: ten seconds of 60 Hz ticks, as the process's CPU time over those
// ten seconds, in % of one core. The ticks run back to back, so the figure leaves out only the X
// transfer.
void BM_IdleCpu(benchmark::State& state) {
    constexpr int kTicks = 600;
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    for (auto _ : state) {
        auto* editor = rigging::mallocNew<HalyardGUI>(*plugin);
        {
            rigging::OffscreenDriver driver(*editor);
            driver.open();
            for (int i = 0; i < 60; ++i) driver.tick();
            int drawn = 0;
            const double cpu0 = processCpuSeconds();
            for (int i = 0; i < kTicks; ++i) drawn += driver.tick() ? 1 : 0;
            const double cpu = processCpuSeconds() - cpu0;
            state.counters["percentOfOneCore"] = 100.0 * cpu / (kTicks / 60.0);
            state.counters["drawnFrames"] = drawn;
        }
        rigging::destroyFree(editor);
    }
    rigging::destroyFree(plugin);
}
BENCHMARK(BM_IdleCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
