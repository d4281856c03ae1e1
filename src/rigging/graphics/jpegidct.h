#pragma once
// Inverse DCT of one 8 x 8 block of dequantised coefficients into level-shifted 8-bit samples.

#include <cstdint>

namespace rigging {

// coefficients: 64 values in row-major order, row = vertical frequency. maxZag: the number of
// leading zigzag positions that may be non-zero; 1 or less means only the DC term is present.
// out: 64 samples, row-major, each clamped to 0..255.
void jpegIdct(const std::int16_t* coefficients, int maxZag, std::uint8_t* out) noexcept;

}  // namespace rigging
