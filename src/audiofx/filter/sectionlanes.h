#pragma once
// Four independent chains of second-order sections run side by side in the four lanes of SSE
// registers, over blocks of interleaved samples (sample i of lane l at buf[4 i + l]). Within a
// group of four passes, pass p works on sample t - p while pass 0 takes sample t, so up to
// sixteen section recursions proceed at once. Every lane computes what its sections'
// getNextSample would, operation for operation; lanes without a section at some pass copy their
// input through (a zero may change its sign on the way, nothing else).

#include "audiofx/filter/biquad.h"

namespace audiofx {

class SectionLanes {
public:
    static constexpr int lanes = 4;
    static constexpr int maxDepth = 8;

    // Every lane back to a pure copy.
    void clear() noexcept;

    // Section `s` (default mix) runs at pass `pass` of `lane`.
    void assign(int lane, int pass, BiQuad* s) noexcept { sections[pass][lane] = s; }

    // Takes coefficients and state from the assigned sections. False when a section has a
    // wet/dry mix, which the lanes do not compute: run such sections sample by sample.
    bool load() noexcept;

    // Runs n interleaved samples through every pass, in place.
    void run(float* buf, int n) noexcept;

    // Gives the state back to the sections.
    void store() noexcept;

private:
    struct alignas(16) Pass {
        float b0[lanes], b1[lanes], b2[lanes], a1[lanes], a2[lanes];
        float w1[lanes], w2[lanes], y[lanes];
    };

    BiQuad* sections[maxDepth][lanes] = {};
    Pass passes[maxDepth];
    int depth = 0;
};

}  // namespace audiofx
