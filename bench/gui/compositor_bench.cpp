// Lighting the whole 1000 x 700 window in 48 tiles of 128 x 128 on a pool capped at two
// workers, as the editor does on its first frame; and each pass alone.

#include <benchmark/benchmark.h>

#include "compositor/scene.h"
#include "rigging/gui/boxlist.h"

using brindlewave::preview::PBRScene;
using rigging::PBRCompositor;

namespace {

PBRScene& panel() {
    static PBRScene* scene = [] {
        auto* s = new PBRScene(1000, 700, 2);
        brindlewave::preview::drawTestPanel(*s);
        s->regenerate();
        s->compositor().skyboxPass().setSkybox(brindlewave::preview::makeStudioSkybox(1000, 700));
        return s;
    }();
    return *scene;
}

void setAll(PBRCompositor& c, bool on) {
    for (int i = 0; i < PBRCompositor::kPassCount; ++i) c.getPass(i)->active = on;
}

void BM_CompositeFull(benchmark::State& state) {
    PBRScene& s = panel();
    setAll(s.compositor(), true);
    for (auto _ : state) {
        s.compositeTiled(128);
        benchmark::DoNotOptimize(s.output().data());
    }
    state.SetItemsProcessed(state.iterations() * 1000 * 700);
}
BENCHMARK(BM_CompositeFull)->Unit(benchmark::kMillisecond)->UseRealTime();

// The 200 ms idle refresh of the band row, (0,235)-(1000,611).
void BM_CompositeBandRow(benchmark::State& state) {
    PBRScene& s = panel();
    setAll(s.compositor(), true);
    geom::box2i row(0, 235, 1000, 611);
    rigging::Vec<geom::box2i> tiles;
    rigging::tileAreas(std::span<const geom::box2i>(&row, 1), 128, 128, tiles);
    for (auto _ : state) {
        s.composite(tiles.slice());
        benchmark::DoNotOptimize(s.output().data());
    }
}
BENCHMARK(BM_CompositeBandRow)->Unit(benchmark::kMillisecond)->UseRealTime();

// The 48 tiles one call each: a single area runs inline on the calling thread, so the CPU
// time is the work itself, which two workers share (a figure that stays meaningful on a busy
// machine).
void compositeTilesInline(PBRScene& s) {
    static rigging::Vec<geom::box2i> tiles;
    if (tiles.length() == 0) {
        geom::box2i all(0, 0, 1000, 700);
        rigging::tileAreas(std::span<const geom::box2i>(&all, 1), 128, 128, tiles);
    }
    for (const geom::box2i& t : tiles) s.composite(std::span<const geom::box2i>(&t, 1));
}

void BM_CompositeFullInline(benchmark::State& state) {
    PBRScene& s = panel();
    setAll(s.compositor(), true);
    for (auto _ : state) {
        compositeTilesInline(s);
        benchmark::DoNotOptimize(s.output().data());
    }
}
BENCHMARK(BM_CompositeFullInline)->Unit(benchmark::kMillisecond);

void BM_CompositePass(benchmark::State& state) {
    PBRScene& s = panel();
    // Normals from a full run stay in place, so each pass sees the real surface.
    setAll(s.compositor(), true);
    s.compositeTiled(128);
    setAll(s.compositor(), false);
    const int pass = static_cast<int>(state.range(0));
    s.compositor().getPass(pass)->active = true;
    static const char* names[] = {"normal",   "ambient", "shadow",   "directional",
                                  "specular", "skybox",  "emissive", "convert"};
    state.SetLabel(names[pass]);
    for (auto _ : state) {
        compositeTilesInline(s);
        benchmark::DoNotOptimize(s.output().data());
    }
    setAll(s.compositor(), true);
}
// Inline, like BM_CompositeFullInline: CPU time of one pass over the whole window.
BENCHMARK(BM_CompositePass)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
