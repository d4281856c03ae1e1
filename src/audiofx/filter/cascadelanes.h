#pragma once
// Block processing of sections in series, sample for sample identical to calling getNextSample
// on each in turn. Per sample, a cascade is one long chain (each section's output feeds the
// next), which leaves the processor waiting on latency. Here the sections are dealt out over the
// four lanes of SSE registers, P consecutive sections per lane, and section g works on sample
// t - g while the first takes sample t: every section of the cascade advances each step.

#include "audiofx/filter/biquad.h"

namespace audiofx {

// Runs the `count` sections in series over n samples (in and out may be the same buffer).
// Sections with a wet/dry mix run sample by sample.
void runSectionsOverBlock(BiQuad* const* sections, int count, const float* in, float* out,
                          int n) noexcept;

}  // namespace audiofx
