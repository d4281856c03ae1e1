#pragma once
// A cascade of K four-lane sections run over a whole block as a wavefront: at step t section k
// takes sample t - k, so the K section updates of one step are independent of each other and the
// processor overlaps them, instead of waiting on the chain of K sections that one sample passes
// through. Every section still sees its samples in order, so the results are those of running
// the cascade sample by sample. The band path's state-variable cascades run as a Wave; the
// anti-alias filters' direct-form sections, up and down at once, as a PairedWave.

#include <emmintrin.h>

#include "brindlewave/dsp/section4.h"
#include "brindlewave/dsp/statevariable4.h"

namespace brindlewave::lanes {

// One section step at a parity known only at run time (the pipeline's fill and drain).
BRINDLEWAVE_INLINE __m128 stepAt(Section4& s, __m128 x, int parity, bool record) noexcept {
    const __m128 out = parity ? step<1>(s, x) : step<0>(s, x);
    if (record) s.y = out;
    return out;
}

namespace detail {

// Sections K-1 .. 1 of a step in which every section is busy, each on the output its predecessor
// gave one step earlier: the walk along a cascade, in wavefront order. run.template at<k>(s, x)
// is one step of section k; section K-1's output goes to `last`.
template <int K, int k = K - 1, class Section, class Run>
BRINDLEWAVE_INLINE void fullSteps(Section* s, __m128* pipe, __m128& last, Run run) noexcept {
    if constexpr (k >= 1) {
        const __m128 y = run.template at<k>(s[k], pipe[k]);
        if constexpr (k == K - 1)
            last = y;
        else
            pipe[k + 1] = y;
        fullSteps<K, k - 1>(s, pipe, last, run);
    }
}

// A step of state-variable section k, the same for every k.
template <class Step>
struct UniformStep {
    template <int k>
    BRINDLEWAVE_INLINE __m128 at(StateVariable4& s, __m128 x) const noexcept {
        return Step::run(s, x);
    }
};

// A step of direct-form section k, whose sample has parity P ^ (k & 1).
template <int P>
struct ParityStep {
    template <int k>
    BRINDLEWAVE_INLINE __m128 at(Section4& s, __m128 x) const noexcept {
        return step<(P ^ (k & 1))>(s, x);
    }
};

}  // namespace detail

// One cascade's wavefront, advanced one step at a time so that several cascades (and other
// work) can share a loop: a stage that takes another's output runs a few steps behind it.
// Step::run(section, x) is one step of a section; in(j) gives the input of sample j; out(j, y)
// receives the output of sample j.
template <int K, class Step, class In, class Out>
class Wave {
public:
    Wave(StateVariable4* sections, int n, In in, Out out) noexcept
        : s_(sections), n_(n), in_(in), out_(out) {}

    // Steps tau = 0 .. steps() - 1 must each be taken once, in order; others do nothing.
    int steps() const noexcept { return n_ + K - 1; }

    BRINDLEWAVE_INLINE void advance(int tau) noexcept {
        if (tau >= K - 1 && tau < n_) {
            // Every section busy.
            __m128 y;
            detail::fullSteps<K>(s_, pipe_, y, detail::UniformStep<Step>());
            pipe_[1] = Step::run(s_[0], in_(tau));
            out_(tau - K + 1, y);
        } else if (tau >= 0 && tau < n_ + K - 1) {
            partial(tau);
        }
    }

private:
    // The sections that have a sample at step t: those with 0 <= t - k < n.
    BRINDLEWAVE_INLINE void partial(int t) noexcept {
        const int first = t < K - 1 ? t : K - 1;
        const int last = t - n_ + 1 > 0 ? t - n_ + 1 : 0;
        if (first == K - 1) out_(t - K + 1, Step::run(s_[K - 1], pipe_[K - 1]));
        for (int k = first == K - 1 ? K - 2 : first; k >= last && k >= 1; --k)
            pipe_[k + 1] = Step::run(s_[k], pipe_[k]);
        if (last == 0) pipe_[1] = Step::run(s_[0], in_(t));
    }

    StateVariable4* s_;
    int n_;
    In in_;
    Out out_;
    __m128 pipe_[K + 1];
};

template <int K, class Step, class In, class Out>
Wave<K, Step, In, Out> makeWave(StateVariable4* sections, int n, In in, Out out) noexcept {
    return Wave<K, Step, In, Out>(sections, n, in, out);
}

// Two cascades of the same shape in one wavefront: lanes 0 and 1 take their samples at step t,
// lanes 2 and 3 `lag` steps later (lag even, so both halves of a section step at the same sample
// parity). in(ja, jb) gives the input for sample ja of the first pair and jb of the second;
// out(ja, jb, y, first, second) receives the output where the flags say a pair produced one.
template <int K, class In, class Out>
class PairedWave {
public:
    PairedWave(Section4* sections, int n, int lag, In in, Out out) noexcept
        : s_(sections), n_(n), lag_(lag), in_(in), out_(out) {}

    int steps() const noexcept { return n_ + K - 1 + lag_; }

    template <int P>
    BRINDLEWAVE_INLINE void advance(int t) noexcept {
        if (t >= lag_ + K - 1 && t <= n_ - 2) {
            __m128 y;
            detail::fullSteps<K>(s_, pipe_, y, detail::ParityStep<P>());
            pipe_[1] = step<P>(s_[0], in_(t, t - lag_));
            out_(t - K + 1, t - K + 1 - lag_, y, true, true);
        } else if (t >= 0 && t < steps()) {
            partial(t);
        }
    }

private:
    int clampIndex(int j) const noexcept { return j < 0 ? 0 : j >= n_ ? n_ - 1 : j; }

    // A step in which some lanes have no sample: they keep their state untouched.
    void partial(int t) noexcept {
        for (int k = K - 1; k >= 0; --k) {
            const int ja = t - k, jb = t - k - lag_;
            const bool a = ja >= 0 && ja < n_, b = jb >= 0 && jb < n_;
            if (!a && !b) continue;
            const __m128 x = k == 0 ? in_(clampIndex(ja), clampIndex(jb)) : pipe_[k];
            const __m128 mask = laneMask(a, b);
            Section4& s = s_[k];
            const int p = (t - k) & 1;
            const __m128 old = s.w[1 - p];
            const __m128 y = p ? step<1>(s, x) : step<0>(s, x);
            s.w[1 - p] = _mm_or_ps(_mm_and_ps(mask, s.w[1 - p]), _mm_andnot_ps(mask, old));
            const __m128 record = laneMask(a && ja == n_ - 1, b && jb == n_ - 1);
            s.y = _mm_or_ps(_mm_and_ps(record, y), _mm_andnot_ps(record, s.y));
            if (k == K - 1)
                out_(ja, jb, y, a, b);
            else
                pipe_[k + 1] = y;
        }
    }

    static __m128 laneMask(bool first, bool second) noexcept {
        const int f = first ? -1 : 0, g = second ? -1 : 0;
        return _mm_castsi128_ps(_mm_setr_epi32(f, f, g, g));
    }

    Section4* s_;
    int n_;
    int lag_;
    In in_;
    Out out_;
    __m128 pipe_[K + 1];
};

template <int K, class In, class Out>
PairedWave<K, In, Out> makePairedWave(Section4* sections, int n, int lag, In in, Out out) noexcept {
    return PairedWave<K, In, Out>(sections, n, lag, in, out);
}

}  // namespace brindlewave::lanes
