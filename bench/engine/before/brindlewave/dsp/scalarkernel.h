#pragma once
// The block's sample path written plainly, one unit call per sample: oversample, input gain,
// split, compress and meter each band, sum, decimate. The vector kernel must match it exactly;
// tests and benchmarks compare the two.

#include "before/brindlewave/dsp/engineunits.h"

namespace brindlewave_before {

// Processes `frames` frames of channels 0 .. settings.channels - 1 (inputs already finite) and
// leaves each channel's result in its upsampler's decimated buffer.
void processBlockScalar(EngineUnits& units, const BlockSettings& settings,
                        const float* const* inputs, int frames) noexcept;

}  // namespace brindlewave_before
