// The even/odd split of real input in all its forms.

#include <gtest/gtest.h>

#include <vector>

#include "aligned_floats.h"
#include "fftcore/impl_float.h"

namespace {

TEST(Deinterleave, EvenSamplesFirstThenOdd) {
    // The swap (4 floats), the vector forms (8 to 64) and the chunk cycles (128 on).
    for (int log2n = 1; log2n <= 16; ++log2n) {
        const std::size_t n = std::size_t{1} << log2n;
        AlignedFloats data(n);
        std::vector<std::uint8_t> itable(fftcore::itable_size_bytes(log2n) + 1);
        fftcore::interleave_table(log2n, itable.data());
        for (std::size_t i = 0; i < n; ++i) data[i] = float(i);
        fftcore::deinterleave(data.data(), log2n, itable.data());
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(data[i], float(i < n / 2 ? 2 * i : 2 * (i - n / 2) + 1)) << n << " " << i;
    }
}

}  // namespace
