#pragma once
// Reorderings around the transform: bit reversal of its output and the even/odd split of real
// input. V is the vector-operation type (SseFloat).

#include <cstddef>
#include <cstdint>

namespace fftcore {

template <class V>
struct BitReverse {
    using T = typename V::T;

    // In place, float index x goes to the m-bit reversal of x (m >= 4; br from init_br_table(m)).
    static void bit_reverse_small(float* data, int m, const std::uint32_t* br) {
        const int stride = 1 << (m - 2);
        const int total = 1 << (m - 4);
        const int palindromes = 1 << ((m - 3) / 2);
        int i = 0;
        for (; i < palindromes; ++i) V::bit_reverse(data + br[i], stride);
        for (; i < total; i += 2) V::bit_reverse_swap(data + br[i], data + br[i + 1], stride);
    }

    // Copies `rows` rows of `rowFloats` floats between two row strides (in floats).
    static void copy_rows(float* dst, std::size_t dstStride, const float* src,
                          std::size_t srcStride, int rows, int rowFloats) {
        for (int r = 0; r < rows; ++r) {
            const float* s = src + r * srcStride;
            float* d = dst + r * dstStride;
            for (int k = 0; k < rowFloats; k += V::vec_size) V::store(d + k, V::load(s + k));
        }
    }

    // Rows of 32 vectors.
    static void strided_copy(float* dst, std::size_t dstStride, const float* src,
                             std::size_t srcStride, int rows) {
        copy_rows(dst, dstStride, src, srcStride, rows, 32 * V::vec_size);
    }

    // In place for m > 13, br from init_br_table(10): tiles of 32 rows x 32 floats are reversed
    // through a scratch tile and exchanged with their mirror tile.
    static void bit_reverse_large(float* data, int m, const std::uint32_t* br) {
        alignas(64) float scratch[1024];
        const std::size_t rowStride = std::size_t{1} << (m - 5);
        const std::uint32_t tiles = 1u << (m - 10);
        std::uint32_t r = tiles - 1;  // bit reversal of i, stepped down along with i
        for (std::uint32_t i = tiles - 1;; --i) {
            if (r >= i) {
                float* tile = data + 32 * std::size_t{i};
                copy_rows(scratch, 32, tile, rowStride, 32, 32);
                bit_reverse_small(scratch, 10, br);
                if (r != i) {
                    exchange_rows(scratch, data + 32 * std::size_t{r}, rowStride);
                    bit_reverse_small(scratch, 10, br);
                }
                copy_rows(tile, rowStride, scratch, 32, 32, 32);
            }
            if (i == 0) break;
            std::uint32_t mask = tiles >> 1;
            while ((r & mask) == 0) {
                r |= mask;
                mask >>= 1;
            }
            r ^= mask;
        }
    }

private:
    static void exchange_rows(float* scratch, float* tile, std::size_t rowStride) {
        for (int row = 0; row < 32; ++row) {
            float* a = scratch + 32 * row;
            float* b = tile + row * rowStride;
            for (int k = 0; k < 32; k += V::vec_size) {
                T va = V::load(a + k), vb = V::load(b + k);
                V::store(a + k, vb);
                V::store(b + k, va);
            }
        }
    }
};

template <class V>
struct InterleaveImpl {
    using T = typename V::T;
    static constexpr int kChunkVectors = 8;  // a chunk is 32 floats

    // n = 2^log2n floats in place: even-indexed samples to the first half, odd to the second.
    static void deinterleave(float* data, int log2n, const std::uint8_t* itable) {
        if (log2n <= 1) return;
        if (log2n == 2) {
            float t = data[1];
            data[1] = data[2];
            data[2] = t;
        } else if (log2n <= 6) {
            deinterleave_short(data, std::size_t{1} << log2n);
        } else {
            interleave(data, log2n, itable);
        }
    }

    // Each block of 64 floats becomes its 32 even samples followed by its 32 odd samples.
    static void interleave_chunk_elements(float* data, std::size_t blocks) {
        for (std::size_t b = 0; b < blocks; ++b) {
            float* p = data + 64 * b;
            T even[kChunkVectors], odd[kChunkVectors];
            for (int i = 0; i < kChunkVectors; ++i)
                V::deinterleave(V::load(p + 8 * i), V::load(p + 8 * i + 4), even[i], odd[i]);
            for (int i = 0; i < kChunkVectors; ++i) {
                V::store(p + 4 * i, even[i]);
                V::store(p + 32 + 4 * i, odd[i]);
            }
        }
    }

    // The deinterleaving form for log2n >= 7: split every block, then move chunk v to v/2 (even
    // v) or half + (v-1)/2 (odd v) by following each cycle from its leader.
    static void interleave(float* data, int log2n, const std::uint8_t* itable) {
        const std::size_t n = std::size_t{1} << log2n;
        const std::size_t half = n / 64;  // chunks in each half
        interleave_chunk_elements(data, n / 64);
        for (std::size_t v = 1; v < half; ++v) {
            if (!itable[v]) continue;
            T held[kChunkVectors];
            load_chunk(data, v, held);
            std::size_t j = v;
            do {
                j = (j % 2 == 0) ? j / 2 : half + (j - 1) / 2;
                T found[kChunkVectors];
                load_chunk(data, j, found);
                store_chunk(data, j, held);
                for (int i = 0; i < kChunkVectors; ++i) held[i] = found[i];
            } while (j != v);
        }
    }

private:
    static void deinterleave_short(float* data, std::size_t n) {
        const std::size_t pairs = n / 8;  // at most 8
        T even[8], odd[8];
        for (std::size_t p = 0; p < pairs; ++p)
            V::deinterleave(V::load(data + 8 * p), V::load(data + 8 * p + 4), even[p], odd[p]);
        for (std::size_t p = 0; p < pairs; ++p) {
            V::store(data + 4 * p, even[p]);
            V::store(data + n / 2 + 4 * p, odd[p]);
        }
    }

    static void load_chunk(const float* data, std::size_t c, T* out) {
        for (int i = 0; i < kChunkVectors; ++i) out[i] = V::load(data + 32 * c + 4 * i);
    }
    static void store_chunk(float* data, std::size_t c, const T* in) {
        for (int i = 0; i < kChunkVectors; ++i) V::store(data + 32 * c + 4 * i, in[i]);
    }
};

}  // namespace fftcore
