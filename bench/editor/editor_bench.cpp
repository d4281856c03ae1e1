// The editor's one-off costs (construction: decode every image, build the tree; the first
// frame: everything drawn, lit and graded) and the cost of a frame during a knob drag, on the
// pool of two workers the editor uses.

#include <benchmark/benchmark.h>

#include "brindlewave/gui.h"
#include "brindlewave/plugin.h"
#include "rigging/gui/offscreen.h"

namespace {

using brindlewave::BrindlewavePlugin;
using brindlewave::HalyardGUI;

void BM_EditorConstruct(benchmark::State& state) {
    auto* plugin = rigging::createClient<BrindlewavePlugin>();
    for (auto _ : state) {
        auto* editor = rigging::mallocNew<HalyardGUI>(plugin);
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
        auto* editor = rigging::mallocNew<HalyardGUI>(plugin);
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
    auto* editor = rigging::mallocNew<HalyardGUI>(plugin);
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
    auto* editor = rigging::mallocNew<HalyardGUI>(plugin);
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

}  // namespace

BENCHMARK_MAIN();
