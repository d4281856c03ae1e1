#pragma once
// Block processing of sections in series, sample for sample identical to calling getNextSample
// on each in turn. Per sample, a chain of sections is one long dependency (each section's output
// feeds the next), which leaves the processor waiting on latency. Here section k works on
// sample t - k while section 0 takes sample t: the recursions of up to four sections run side by
// side, each on its own state.

#include "audiofx/filter/biquad.h"

namespace audiofx {

namespace skewed {

template <int D>
struct Lanes {
    float b0[D], b1[D], b2[D], a1[D], a2[D], w1[D], w2[D], r[D];

    template <typename Section>
    explicit Lanes(Section* s) noexcept {
        for (int k = 0; k < D; ++k) {
            b0[k] = s[k].b0;
            b1[k] = s[k].b1;
            b2[k] = s[k].b2;
            a1[k] = s[k].a1;
            a2[k] = s[k].a2;
            w1[k] = s[k].w1;
            w2[k] = s[k].w2;
            r[k] = s[k].y;
        }
    }

    template <typename Section>
    void storeTo(Section* s) const noexcept {
        for (int k = 0; k < D; ++k) {
            s[k].w0 = w1[k];
            s[k].w1 = w1[k];
            s[k].w2 = w2[k];
            s[k].y = r[k];
        }
    }

    // The recursion of BiQuad::getNextSample for the default mix.
    inline void step(int k, float x) noexcept {
        const float w = (x - a1[k] * w1[k]) - a2[k] * w2[k];
        r[k] = (b0[k] * w + b1[k] * w1[k]) + b2[k] * w2[k];
        w2[k] = w1[k];
        w1[k] = w;
    }

    // Iteration t: section k takes sample t - k when it exists. Sections run from the last to the
    // first, so section k reads section k-1's output of the previous iteration.
    template <bool Checked>
    inline void iterate(int t, const float* in, float* out, int n) noexcept {
        // Unrolled, so that the lanes' arrays live in registers.
#pragma GCC unroll 4
        for (int k = D - 1; k >= 0; --k) {
            const int s = t - k;
            if (Checked && (s < 0 || s >= n)) continue;
            step(k, k == 0 ? in[s] : r[k - 1]);
        }
        const int done = t - (D - 1);
        if (!Checked || (done >= 0 && done < n)) out[done] = r[D - 1];
    }
};

template <int D, typename Section>
void run(Section* sections, const float* in, float* out, int n) noexcept {
    Lanes<D> lanes(sections);
    int t = 0;
    for (; t < D - 1 && t < n + D - 1; ++t) lanes.template iterate<true>(t, in, out, n);
    for (; t < n; ++t) lanes.template iterate<false>(t, in, out, n);
    for (; t < n + D - 1; ++t) lanes.template iterate<true>(t, in, out, n);
    lanes.storeTo(sections);
}

}  // namespace skewed

// Runs `count` sections in series over n samples, in groups of up to four; in and out may be
// the same buffer. Sections with a wet/dry mix run sample by sample.
template <typename Section>
void runSectionsOverBlock(Section* sections, int count, const float* in, float* out,
                          int n) noexcept {
    if (n <= 0) return;
    if (count == 0) {
        if (out != in)
            for (int i = 0; i < n; ++i) out[i] = in[i];
        return;
    }
    for (int k = 0; k < count; ++k) {
        if (!sections[k].hasPlainMix()) {
            for (int i = 0; i < n; ++i) {
                float x = in[i];
                for (int j = 0; j < count; ++j) x = sections[j].getNextSample(x);
                out[i] = x;
            }
            return;
        }
    }
    const float* src = in;
    for (int first = 0; first < count; first += 4) {
        Section* s = sections + first;
        switch (count - first) {
            case 1:
                skewed::run<1>(s, src, out, n);
                break;
            case 2:
                skewed::run<2>(s, src, out, n);
                break;
            case 3:
                skewed::run<3>(s, src, out, n);
                break;
            default:
                skewed::run<4>(s, src, out, n);
                break;
        }
        src = out;
    }
}

}  // namespace audiofx
