#pragma once
// Twiddle, bit-reversal, real-pass and interleave tables of the transform, and their sizes.
// Every table is built once per size (outside the audio path) and only read by the transform.

#include <cstddef>
#include <cstdint>

namespace fftcore {

// Entries of the bit-reversal table for 2^k floats: 0 below k = 4, else 2^(k-4) + 4 (the last
// four are padding, never written or read).
int br_table_size(int k);

// Bytes of the twiddle part of the table for a complex transform of 2^m points.
std::size_t twiddle_bytes(int m);

// Bytes of the whole table for 2^m points: the twiddle part, then the bit-reversal table.
std::size_t table_size_bytes(int m);

// Fills the twiddle part for 2^m points (compact layout below m = 4 and from m = 14 on,
// in-cache layout in between).
void twiddle_table(int m, float* table);

// Tile offsets for the in-place bit reversal of 2^k floats (k >= 4): the tiles that reverse onto
// themselves, then the pairs that swap.
void init_br_table(int k, std::uint32_t* out);

// The whole table for a complex transform of 2^m points; m = 0 writes nothing.
void fft_table(int m, float* table);

// The bit-reversal table stored behind the twiddle part.
inline const std::uint32_t* br_table_of(const float* table, int m) {
    return reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const char*>(table) +
                                                  twiddle_bytes(m));
}

// Factors of the real transform's last pass for 2^log2n samples.
std::size_t rtable_size_bytes(int log2n);
void rfft_table(int log2n, float* table);

// One flag a chunk of 32 floats: the cycle leaders of the deinterleaving permutation.
std::size_t itable_size_bytes(int log2n);
void interleave_table(int log2n, std::uint8_t* table);

// Alignment in bytes that a work buffer of n floats should have.
std::size_t alignment(std::size_t n);

}  // namespace fftcore
