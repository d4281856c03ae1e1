// Decoding an image of the editor's full size, 1000 x 700, per layout and process.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "jpegtestencoder.h"
#include "rigging/graphics/jpegload.h"

namespace {

using rigging::test::JpegEncodeOptions;

// Smooth shading with fine noise: typical steps of a photographic quality setting.
std::vector<std::uint8_t> makeFile(int components, int h, int v, bool progressive) {
    const int w = 1000, ht = 700;
    std::mt19937 rng(3);
    std::vector<std::uint8_t> px(std::size_t(w) * ht * components);
    for (int y = 0; y < ht; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < components; ++c)
                px[(std::size_t(y) * w + x) * components + c] =
                    static_cast<std::uint8_t>((x / 4 + y / 3 + 60 * c + rng() % 24) & 255);
    JpegEncodeOptions o;
    o.components = components;
    o.lumaH = h;
    o.lumaV = v;
    o.progressive = progressive;
    o.quantBase = 3;
    o.quantSlope = 1;
    return rigging::test::encodeJpeg(px, w, ht, o).bytes;
}

void decode(benchmark::State& state, int components, int h, int v, bool progressive) {
    const std::vector<std::uint8_t> file = makeFile(components, h, v, progressive);
    for (auto _ : state) {
        int w, ht, c;
        std::span<std::uint8_t> p =
            rigging::decompress_jpeg_image_from_memory({file.data(), file.size()}, &w, &ht, &c, 4);
        benchmark::DoNotOptimize(p.data());
        std::free(p.data());
    }
    state.counters["per_pixel"] =
        benchmark::Counter(double(state.iterations()) * 1000 * 700,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["file_bytes"] = double(file.size());
}

BENCHMARK_CAPTURE(decode, grey_sequential, 1, 1, 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, colour_444_sequential, 3, 1, 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, colour_420_sequential, 3, 2, 2, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, colour_420_progressive, 3, 2, 2, true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
