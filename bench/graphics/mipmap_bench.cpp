// Regeneration of the editor's lighting pyramids over the whole 1000 x 700 window, on one
// core: the diffuse pyramid (level 1 premultiplied, levels 2-5 cubic) and the depth pyramid
// (levels 1-2 box, 3-4 cubic), as a redraw of everything does it.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "rigging/graphics/mipmap.h"

using namespace rigging;
using geom::box2i;
using Q = MipmapQuality;

namespace {

constexpr int kWidth = 1000, kHeight = 700;

struct Pyramids {
    Mipmap<RGBA> diffuse;
    Mipmap<L16> depth;

    Pyramids() {
        diffuse.size(5, kWidth, kHeight);
        depth.size(4, kWidth, kHeight);
        depth.level(0).size(kWidth, kHeight, 1, 1, 1, 2);  // as the editor keeps its depth map
        std::uint32_t s = 12345;
        auto next = [&] { return s = s * 1664525u + 1013904223u; };
        for (int y = 0; y < kHeight; ++y) {
            for (RGBA& p : diffuse.level(0).scanline(y)) {
                std::uint32_t r = next();
                p = RGBA{std::uint8_t(r), std::uint8_t(r >> 8), std::uint8_t(r >> 16),
                         std::uint8_t(r >> 24)};
            }
            for (L16& p : depth.level(0).scanline(y))
                p.l = static_cast<std::uint16_t>(next() >> 16);
        }
    }

    void regenerateDiffuse() {
        box2i r(0, 0, kWidth, kHeight);
        r = diffuse.generateNextLevel(Q::boxAlphaCovIntoPremul, r, 1);
        for (int l = 2; l <= 5; ++l) r = diffuse.generateNextLevel(Q::cubic, r, l);
    }
    void regenerateDepth() {
        box2i r(0, 0, kWidth, kHeight);
        for (int l = 1; l <= 4; ++l) r = depth.generateNextLevel(l < 3 ? Q::box : Q::cubic, r, l);
    }
};

void BM_DiffusePyramid(benchmark::State& state) {
    Pyramids p;
    for (auto _ : state) {
        p.regenerateDiffuse();
        benchmark::DoNotOptimize(p.diffuse.level(5).data());
    }
}
BENCHMARK(BM_DiffusePyramid)->Unit(benchmark::kMicrosecond);

void BM_DepthPyramid(benchmark::State& state) {
    Pyramids p;
    for (auto _ : state) {
        p.regenerateDepth();
        benchmark::DoNotOptimize(p.depth.level(4).data());
    }
}
BENCHMARK(BM_DepthPyramid)->Unit(benchmark::kMicrosecond);

// Target: at most 4 ms for both.
void BM_BothPyramids(benchmark::State& state) {
    Pyramids p;
    for (auto _ : state) {
        p.regenerateDiffuse();
        p.regenerateDepth();
        benchmark::DoNotOptimize(p.diffuse.level(5).data());
        benchmark::DoNotOptimize(p.depth.level(4).data());
    }
}
BENCHMARK(BM_BothPyramids)->Unit(benchmark::kMicrosecond);

// The same work by the per-pixel filters, for comparison.
void BM_BothPyramidsPerPixel(benchmark::State& state) {
    Pyramids p;
    for (auto _ : state) {
        box2i r(0, 0, kWidth, kHeight);
        r = Mipmap<RGBA>::impactOnNextLevel(Q::boxAlphaCovIntoPremul, r, kWidth, kHeight);
        generateLevelBoxAlphaCovIntoPremulRGBAScalar(p.diffuse.level(1), p.diffuse.level(0), r);
        for (int l = 2; l <= 5; ++l) {
            const auto& src = p.diffuse.level(l - 1);
            r = Mipmap<RGBA>::impactOnNextLevel(Q::cubic, r, src.width(), src.height());
            generateLevelCubicRGBAScalar(p.diffuse.level(l), src, r);
        }
        r = box2i(0, 0, kWidth, kHeight);
        for (int l = 1; l <= 4; ++l) {
            const auto& src = p.depth.level(l - 1);
            const Q q = l < 3 ? Q::box : Q::cubic;
            r = Mipmap<L16>::impactOnNextLevel(q, r, src.width(), src.height());
            if (q == Q::box)
                generateLevelBoxL16Scalar(p.depth.level(l), src, r);
            else
                generateLevelCubicL16Scalar(p.depth.level(l), src, r);
        }
        benchmark::DoNotOptimize(p.depth.level(4).data());
    }
}
BENCHMARK(BM_BothPyramidsPerPixel)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
