#pragma once
// Plain single-precision entry points of the transform (SSE vectors underneath).
//
// Complex data is split: re and im are separate arrays, 16-byte aligned. A real signal of
// n = 2^log2n samples is handed to rfft already deinterleaved: re = even samples, im = odd
// samples (deinterleave does that in place on one array of n floats, re being its first half).

#include <cstdint>

#include "fftcore/fft_tables.h"

namespace fftcore {

// Forward complex transform of 2^m points in place; table from fft_table(m).
void fft(float* re, float* im, int m, const float* table);
// Unnormalised inverse (2^m times the signal) with the same table.
void ifft(float* re, float* im, int m, const float* table);

// Forward real transform; table from fft_table(log2n - 1), rtable from rfft_table(log2n).
// Result: re[k], im[k] = bin k for 1 <= k < n/2; re[0] = bin 0; im[0] = bin n/2.
void rfft(float* re, float* im, int log2n, const float* table, const float* rtable);
// Unnormalised inverse of rfft from that layout: n times the signal, even samples in re, odd
// samples in im.
void irfft(float* re, float* im, int log2n, const float* table, const float* rtable);

// In place: x[2k] to the first half, x[2k+1] to the second; itable from interleave_table(log2n).
void deinterleave(float* data, int log2n, const std::uint8_t* itable);

}  // namespace fftcore
