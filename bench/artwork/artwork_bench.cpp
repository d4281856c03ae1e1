// Time to draw all of the editor's pictures (the build regenerates them on request; it should
// take well under 10 s).

#include <benchmark/benchmark.h>

#include "artwork.h"
#include "background.h"
#include "knob.h"
#include "skybox.h"
#include "text.h"

namespace {

const gfxgen::Font& font() {
    static const gfxgen::Font f(std::string(BRINDLEWAVE_GFX_DIR) + "/Lato-Bold.ttf");
    return f;
}

void allPictures(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(gfxgen::generateArtwork(font()));
}
BENCHMARK(allPictures)->Unit(benchmark::kMillisecond)->Iterations(3);

void background(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(gfxgen::makeBackground(font()));
}
BENCHMARK(background)->Unit(benchmark::kMillisecond)->Iterations(3);

void skybox(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(gfxgen::makeSkybox(1000, 700));
}
BENCHMARK(skybox)->Unit(benchmark::kMillisecond)->Iterations(3);

void knobFilmstrip(benchmark::State& state) {
    const gfxgen::RgbPlanes sky = gfxgen::makeSkybox(1000, 700);
    for (auto _ : state) benchmark::DoNotOptimize(gfxgen::makeKnobFilmstrip(45, 120, sky));
}
BENCHMARK(knobFilmstrip)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
