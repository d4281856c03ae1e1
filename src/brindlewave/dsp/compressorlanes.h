#pragma once
// Up to four band compressors side by side in SSE lanes. Each compressor's feedback makes its
// samples one long chain of dependent steps; four chains in the lanes of one register cost little
// more than one.

#include "brindlewave/dsp/compressor.h"

namespace brindlewave {

// Runs compressors[b] over the n samples of buffers[b], in place, for b < count (at most 4):
// the same samples and final state as calling compressors[b]->getNextSample on each sample.
void compressBands(BrindlewaveCompressor* const* compressors, float* const* buffers, int count,
                   int n) noexcept;

}  // namespace brindlewave
