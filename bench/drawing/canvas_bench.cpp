// Cost of one spectrum redraw on the canvas: the filled 1000-point curve, its 2-pixel outline as
// 1000 separate quads, and the crossover handles, on a 1000 x 204 target.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "brindlewave/widgets/canvashelpers.h"
#include "geom/vector.h"
#include "rigging/canvas/canvas.h"

namespace {

using geom::vec2f;
using rigging::Canvas;
using rigging::RGBA;

constexpr int kW = 1000, kH = 204;

std::vector<vec2f> spectrumPoints() {
    std::vector<vec2f> pts;
    unsigned seed = 12345;
    for (int k = 0; k < 1000; ++k) {
        seed = seed * 1103515245u + 12345u;
        float noise = static_cast<float>((seed >> 16) & 1023) / 1023.0f - 0.5f;
        float level = 0.45f + 0.25f * std::sin(k / 37.0f) + 0.08f * std::sin(k / 5.3f) +
                      0.05f * noise - 0.3f * k / 1000.0f;
        float y = std::round((1.0f - level) * kH);
        pts.push_back(vec2f(static_cast<float>(k), std::fmin(std::fmax(y, 0.0f), kH - 1.0f)));
    }
    return pts;
}

void BM_SpectrumRedraw(benchmark::State& state) {
    std::vector<RGBA> pixels(static_cast<std::size_t>(kW) * kH, RGBA{14, 20, 24, 255});
    rigging::ImageRef<RGBA> target{kW, kH, kW * sizeof(RGBA), pixels.data()};
    const std::vector<vec2f> pts = spectrumPoints();
    Canvas fillCanvas, lineCanvas;
    fillCanvas.initialize(target);
    lineCanvas.initialize(target);
    fillCanvas.fillStyle(RGBA{103, 218, 108, 60});
    lineCanvas.fillStyle(RGBA{160, 240, 165, 230});
    for (auto _ : state) {
        fillCanvas.beginPath();
        fillCanvas.moveTo(0, kH);
        vec2f prev(0.0f, static_cast<float>(kH));
        for (const vec2f& p : pts) {
            fillCanvas.lineTo(p.x, p.y);
            brindlewave::fillLine(lineCanvas, prev, p, 2.0f);
            prev = p;
        }
        fillCanvas.lineTo(kW, kH);
        fillCanvas.fill();
        if (state.range(0) != 0) {
            lineCanvas.fillStyle(RGBA{255, 255, 255, 90});
            for (float x : {250.0f, 500.0f, 750.0f}) {
                lineCanvas.fillCircle(x, kH / 2, 12);
                lineCanvas.fillCircle(x, kH / 2, 8);
            }
            lineCanvas.fillStyle(RGBA{160, 240, 165, 230});
        }
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SpectrumRedraw)->Arg(0)->Arg(1)->ArgName("handles")->Unit(benchmark::kMicrosecond);

// The quads alone: 1000 small paths, each initialising and filling.
void BM_ThousandQuads(benchmark::State& state) {
    std::vector<RGBA> pixels(static_cast<std::size_t>(kW) * kH, RGBA{0, 0, 0, 255});
    rigging::ImageRef<RGBA> target{kW, kH, kW * sizeof(RGBA), pixels.data()};
    const std::vector<vec2f> pts = spectrumPoints();
    Canvas c;
    c.initialize(target);
    c.fillStyle(RGBA{255, 255, 255, 255});
    for (auto _ : state) {
        vec2f prev(0.0f, static_cast<float>(kH));
        for (const vec2f& p : pts) {
            brindlewave::fillLine(c, prev, p, 2.0f);
            prev = p;
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ThousandQuads)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
