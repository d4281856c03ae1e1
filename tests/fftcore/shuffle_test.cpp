// Even/odd split of real input and the bit reversals, as permutations of indices.

#include "fftcore/shuffle.h"

#include <gtest/gtest.h>

#include <vector>

#include "aligned_floats.h"
#include "fftcore/fft_tables.h"
#include "fftcore/impl_float.h"
#include "fftcore/sse_float.h"

namespace {

using Reverse = fftcore::BitReverse<fftcore::SseFloat>;

std::size_t reverseBits(std::size_t x, int bits) {
    std::size_t r = 0;
    for (int b = 0; b < bits; ++b) r |= ((x >> b) & 1) << (bits - 1 - b);
    return r;
}

TEST(Deinterleave, EvenSamplesFirstThenOdd) {
    // Every form: the swap (4), the vector forms (8 to 64) and the chunk cycles (128 on).
    for (int log2n = 0; log2n <= 16; ++log2n) {
        const std::size_t n = std::size_t{1} << log2n;
        AlignedFloats data(n);
        std::vector<std::uint8_t> itable(fftcore::itable_size_bytes(log2n) + 1);
        fftcore::interleave_table(log2n, itable.data());
        for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<float>(i);
        fftcore::deinterleave(data.data(), log2n, itable.data());
        for (std::size_t i = 0; i < n; ++i) {
            float want =
                n == 1 ? 0.0f : static_cast<float>(i < n / 2 ? 2 * i : 2 * (i - n / 2) + 1);
            ASSERT_EQ(data[i], want) << "n " << n << " at " << i;
        }
    }
}

void expectReversed(AlignedFloats& data, int m) {
    for (std::size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(data[reverseBits(i, m)], static_cast<float>(i)) << "m " << m << " index " << i;
}

TEST(BitReversal, SmallFormReversesEveryIndex) {
    for (int m = 4; m <= 13; ++m) {
        AlignedFloats data(std::size_t{1} << m);
        std::vector<std::uint32_t> br(fftcore::br_table_size(m));
        fftcore::init_br_table(m, br.data());
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<float>(i);
        Reverse::bit_reverse_small(data.data(), m, br.data());
        expectReversed(data, m);
    }
}

TEST(BitReversal, TiledLargeFormReversesEveryIndex) {
    std::vector<std::uint32_t> br(fftcore::br_table_size(10));
    fftcore::init_br_table(10, br.data());
    for (int m = 14; m <= 18; ++m) {
        AlignedFloats data(std::size_t{1} << m);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<float>(i);
        Reverse::bit_reverse_large(data.data(), m, br.data());
        expectReversed(data, m);
    }
}

}  // namespace
