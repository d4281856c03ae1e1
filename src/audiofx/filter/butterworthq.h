#pragma once
// Quality factors of the second-order sections of a Butterworth filter.

#include <span>

namespace audiofx {

// order/2 values, the real pole of an odd order left out; freed with rigging::freeSlice.
std::span<float> calculateQValuesForButterworth(int order) noexcept;

// Value i of that list, without allocating.
float butterworthQ(int order, int i) noexcept;

}  // namespace audiofx
