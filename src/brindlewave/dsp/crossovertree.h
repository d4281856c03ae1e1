#pragma once
// The crossover tree, described once: which sections each band runs, at which crossover and in
// which order. Every band meets every active crossover exactly once, as a low-pass, a high-pass
// or the all-pass with that crossover's phase, so the bands add back to an all-pass. The band
// objects build and run their sections from it (the plain kernel), and the vector kernel lays
// its lanes out by it.
//
// With crossovers f0 < f1 < f2, band b of n runs: the high-pass at f(b-1), on the signal the
// high-pass chain below it has produced (none for band 0); the low-pass at f(b) (none for the top
// band); then the all-passes at f(b+1) .. f(n-2), lowest first.

namespace brindlewave::crossovertree {

constexpr int kMaxBands = 4;
constexpr int kMaxCrossovers = kMaxBands - 1;

constexpr bool hasHighpass(int band) noexcept {
    return band != 0;
}
constexpr int highpassCrossover(int band) noexcept {
    return band - 1;
}

constexpr bool hasLowpass(int bands, int band) noexcept {
    return band != bands - 1;
}
constexpr int lowpassCrossover(int band) noexcept {
    return band;
}

constexpr int allpassCount(int bands, int band) noexcept {
    return bands - band - 2 > 0 ? bands - band - 2 : 0;
}
// Crossover of the band's all-pass j (0 = the first the band runs).
constexpr int allpassCrossover(int band, int j) noexcept {
    return band + 1 + j;
}
// Which of the band's all-passes sits at crossover x.
constexpr int allpassAt(int band, int x) noexcept {
    return x - band - 1;
}

// The tree as stages, each ready once the stages before it have run: the split at crossover x
// (the low-pass of band x and the high-pass of band x + 1, fed by the split below it), then, for
// x of 1 and up, the all-passes at x of the bands below x. A stage runs when x < bands - 1.
constexpr bool splitRuns(int bands, int x) noexcept {
    return x < bands - 1;
}
constexpr int allpassStageBands(int x) noexcept {
    return x;
}

static_assert(allpassCount(4, 0) == 2 && allpassCount(4, 1) == 1 && allpassCount(4, 2) == 0);
static_assert(allpassCrossover(0, allpassAt(0, 2)) == 2);
static_assert(highpassCrossover(1) == lowpassCrossover(0));

}  // namespace brindlewave::crossovertree
