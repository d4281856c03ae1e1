// Cost of drawing a knob label from a warm glyph cache: layout twice (measure, then place),
// cache look-ups and blending.

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "rigging/graphics/font.h"

namespace {

using rigging::RGBA;

std::vector<std::uint8_t> fontBytes() {
    std::ifstream in("/usr/share/fonts/truetype/lato/Lato-Bold.ttf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_TextWarm(benchmark::State& state) {
    std::vector<std::uint8_t> bytes = fontBytes();
    if (bytes.empty()) {
        state.SkipWithError("font file missing");
        return;
    }
    rigging::Font font(bytes);
    std::vector<RGBA> pixels(100 * 30, RGBA{0, 0, 0, 255});
    rigging::ImageRef<RGBA> target{100, 30, 400, pixels.data()};
    const auto h =
        state.range(0) ? rigging::HorizontalAlignment::center : rigging::HorizontalAlignment::left;
    const float x = state.range(0) ? 50.0f : 4.0f;
    rigging::fillText(target, font, "Crossover 1", 10, 0, RGBA{255, 255, 255, 255}, x, 20, h);
    for (auto _ : state) {
        rigging::fillText(target, font, "Crossover 1", 10, 0, RGBA{255, 255, 255, 255}, x, 20, h);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TextWarm)->Arg(0)->Arg(1)->ArgName("centred")->Unit(benchmark::kMicrosecond);

void BM_MeasureText(benchmark::State& state) {
    std::vector<std::uint8_t> bytes = fontBytes();
    if (bytes.empty()) {
        state.SkipWithError("font file missing");
        return;
    }
    rigging::Font font(bytes);
    for (auto _ : state) benchmark::DoNotOptimize(font.measureText("Crossover 1", 10, 0));
}
BENCHMARK(BM_MeasureText)->Unit(benchmark::kMicrosecond);

}  // namespace
