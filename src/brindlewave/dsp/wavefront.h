#pragma once
// A cascade of K four-lane sections run over a whole block as a wavefront: at step t section k
// takes sample t - k, so the K section updates of one step are independent of each other and the
// processor overlaps them, instead of waiting on the chain of K sections that one sample passes
// through. Every section still sees its samples in order, so the results are those of running
// the cascade sample by sample. Sections start at parity 0 and end at parity n & 1; each
// records its output for the block's last sample.

#include "brindlewave/dsp/section4.h"

namespace brindlewave::lanes {

// One section step at a parity known only at run time (the pipeline's fill and drain).
inline __m128 stepAt(Section4& s, __m128 x, int parity, bool record) noexcept {
    const __m128 out = parity ? step<1>(s, x) : step<0>(s, x);
    if (record) s.y = out;
    return out;
}

namespace detail {

// Sections K-1 .. 1 of a full step at which sample t - k has parity P ^ (k & 1).
template <int P, int K, int k = K - 1>
inline void fullSteps(Section4* s, __m128* pipe, __m128& last) noexcept {
    if constexpr (k >= 1) {
        const __m128 y = step<(P ^ (k & 1))>(s[k], pipe[k]);
        if constexpr (k == K - 1)
            last = y;
        else
            pipe[k + 1] = y;
        fullSteps<P, K, k - 1>(s, pipe, last);
    }
}

}  // namespace detail

// in(j) gives the cascade's input for sample j; out(j, y) receives its output. n >= 1.
template <int K, class In, class Out>
inline void wavefront(Section4* s, int n, In in, Out out) noexcept {
    __m128 pipe[K + 1];
    auto partial = [&](int t) {
        for (int k = K - 1; k >= 0; --k) {
            const int j = t - k;
            if (j < 0 || j >= n) continue;
            const __m128 y = stepAt(s[k], k == 0 ? in(j) : pipe[k], j & 1, j == n - 1);
            if (k == K - 1)
                out(j, y);
            else
                pipe[k + 1] = y;
        }
    };
    int t = 0;
    for (; t < K - 1 && t < n + K - 1; ++t) partial(t);
    // Full steps while no section reaches the last sample.
    if (t <= n - 2 && (t & 1)) partial(t++);
    for (; t + 1 <= n - 2; t += 2) {
        __m128 y;
        detail::fullSteps<0, K>(s, pipe, y);
        pipe[1] = step<0>(s[0], in(t));
        out(t - K + 1, y);
        detail::fullSteps<1, K>(s, pipe, y);
        pipe[1] = step<1>(s[0], in(t + 1));
        out(t - K + 2, y);
    }
    for (; t < n + K - 1; ++t) partial(t);
}

}  // namespace brindlewave::lanes
