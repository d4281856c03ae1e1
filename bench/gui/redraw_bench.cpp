// The redraw pipeline over the editor's real background (the snapshot tool's test tree), with
// the pool capped at two workers as the editor has it.

#include <benchmark/benchmark.h>

#include "rigging/gui/offscreen.h"
#include "snapshot/testtree.h"

using brindlewave::snapshot::TestTree;

namespace {

struct Editor {
    Editor() : tree(true, 2), driver(tree.gui()) {
        driver.open();
        driver.tick();
    }
    TestTree tree;
    rigging::OffscreenDriver driver;
};

Editor& editor() {
    static Editor* e = new Editor;
    return *e;
}

// Opening: the size notification, then the first draw with everything dirty (draw the
// background into the maps, regenerate their pyramids, light 48 tiles, copy, draw the raw
// elements, convert).
void BM_FirstFrame(benchmark::State& state) {
    Editor& e = editor();
    for (auto _ : state) {
        e.driver.open();
        e.driver.tick();
        benchmark::DoNotOptimize(e.driver.image().pixels);
    }
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The main panel's idle refresh of the band row, (0,265)-(1000,581) grown by the margin to
// (0,235)-(1000,611).
void BM_RowRefresh(benchmark::State& state) {
    Editor& e = editor();
    for (auto _ : state) {
        e.tree.gui().setDirty(geom::box2i(0, 265, 1000, 581), rigging::UILayer::allLayers);
        e.driver.tick();
        benchmark::DoNotOptimize(e.driver.image().pixels);
    }
}
BENCHMARK(BM_RowRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

// A knob turning: its raw box only, copied from the composited picture and converted.
void BM_RawKnobRefresh(benchmark::State& state) {
    Editor& e = editor();
    rigging::UIElement* knob = e.tree.elements()[0];
    for (auto _ : state) {
        knob->setDirtyWhole(rigging::UILayer::rawOnly);
        e.driver.tick();
        benchmark::DoNotOptimize(e.driver.image().pixels);
    }
}
BENCHMARK(BM_RawKnobRefresh)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A tick with nothing dirty: what the timer costs while nothing moves.
void BM_IdleTick(benchmark::State& state) {
    Editor& e = editor();
    for (auto _ : state) benchmark::DoNotOptimize(e.driver.tick());
}
BENCHMARK(BM_IdleTick)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
