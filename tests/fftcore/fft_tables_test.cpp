// Table sizes, layouts and contents of the transform.

#include "fftcore/fft_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "aligned_floats.h"

namespace {

using fftcore::table_size_bytes;

AlignedFloats tableFor(int m) {
    AlignedFloats t(table_size_bytes(m) / 4 + 1);
    fftcore::fft_table(m, t.data());
    return t;
}

// rho(b): the bits of b reversed into a binary fraction (bit 0 worth 1/2).
double rho(std::size_t b) {
    double r = 0, w = 0.5;
    for (; b; b >>= 1, w /= 2)
        if (b & 1) r += w;
    return r;
}

std::complex<double> expMinusI(double theta) {
    return {std::cos(theta), -std::sin(theta)};
}

void expectEntry(const float* p, std::complex<double> want, double tol, const char* what,
                 std::size_t idx) {
    EXPECT_NEAR(p[0], want.real(), tol) << what << " " << idx;
    EXPECT_NEAR(p[1], want.imag(), tol) << what << " " << idx;
}

TEST(TableSizes, SizesAndAlignmentRule) {
    EXPECT_EQ(table_size_bytes(12), (8u << 12) + (256u + 4) * 4);  // 33808
    EXPECT_EQ(table_size_bytes(12), 33808u);
    EXPECT_EQ(table_size_bytes(3), 32u);  // compact, no bit-reversal table
    EXPECT_EQ(table_size_bytes(13), (8u << 13) + (512u + 4) * 4);
    EXPECT_EQ(table_size_bytes(14), (8u << 13) + (64u + 4) * 4);  // compact, table for 10 bits
    EXPECT_EQ(table_size_bytes(0), 0u);
    EXPECT_EQ(fftcore::rtable_size_bytes(12), 8192u);
    EXPECT_EQ(fftcore::itable_size_bytes(12), 128u);
    EXPECT_EQ(fftcore::br_table_size(3), 0);
    EXPECT_EQ(fftcore::br_table_size(4), 5);

    EXPECT_EQ(fftcore::alignment(4096), 4096u);
    EXPECT_EQ(fftcore::alignment(1u << 20), 4096u);
    EXPECT_EQ(fftcore::alignment(1023), 2048u);
    EXPECT_EQ(fftcore::alignment(16), 64u);
    EXPECT_EQ(fftcore::alignment(2), 8u);
    EXPECT_EQ(fftcore::alignment(1), 8u);
    EXPECT_EQ(fftcore::alignment(0), 8u);
}

TEST(CompactTable, SmallListIsBitReversedTwiddles) {
    AlignedFloats t = tableFor(3);
    const double s = std::sqrt(0.5);
    const std::complex<double> want[] = {{1, 0}, {0, -1}, {s, -s}, {-s, -s}};
    for (std::size_t b = 0; b < 4; ++b) expectEntry(&t[2 * b], want[b], 1e-7, "L", b);
}

TEST(CompactTable, LongListStaysAccurate) {
    const int m = 16;  // 2^15 entries built by fifteen doublings
    AlignedFloats t = tableFor(m);
    for (std::size_t b = 0; b < (std::size_t{1} << (m - 1)); ++b)
        expectEntry(&t[2 * b], expMinusI(std::numbers::pi * rho(b)), 2e-6, "L", b);
    const auto* br = fftcore::br_table_of(t.data(), m);
    EXPECT_EQ(br[0], 252u);  // the table for 10 bits follows: its first palindromic tile is 63
}

TEST(InCacheTable, StageListsTripletsAndVectorPairs) {
    const int m = 9;  // stages 0..6 on vectors: levels (0,1), (2,3), (4,5), plain stage 6
    const std::size_t n = std::size_t{1} << m;
    AlignedFloats t = tableFor(m);

    for (int i = 0; i < 6; ++i) EXPECT_EQ(t[2 + i], i % 2 ? 0.0f : 1.0f);  // unused level 0
    for (int level = 1; level <= 2; ++level) {
        const std::size_t first = std::size_t{1} << (2 * level);  // entry 4^level
        for (std::size_t g = 0; g < first; ++g) {
            const float* tr = &t[2 * (first + 3 * g)];
            expectEntry(tr, expMinusI(std::numbers::pi * rho(2 * g)), 1e-6, "t0", g);
            expectEntry(tr + 2, expMinusI(std::numbers::pi * rho(g)), 1e-6, "t1", g);
            EXPECT_EQ(tr[4], tr[0] * tr[2] - tr[1] * tr[3]) << g;  // t2 = t0*t1 in float
            EXPECT_EQ(tr[5], tr[1] * tr[2] + tr[0] * tr[3]) << g;
        }
    }
    for (std::size_t b = 0; b < 64; ++b)  // stage 6 keeps its plain list at entry 64
        expectEntry(&t[2 * (64 + b)], expMinusI(std::numbers::pi * rho(b)), 1e-6, "stage 6", b);

    // Stages m-2 and m-1: four real parts, then four imaginary parts, of exp(-i*pi*j/q).
    for (std::size_t q : {n / 4, n / 2}) {
        for (std::size_t j = 0; j < q; ++j) {
            const float* group = &t[2 * q + 8 * (j / 4)];
            std::complex<double> want = expMinusI(std::numbers::pi * j / q);
            EXPECT_NEAR(group[j % 4], want.real(), 1e-6) << q << " " << j;
            EXPECT_NEAR(group[4 + j % 4], want.imag(), 1e-6) << q << " " << j;
        }
    }
}

TEST(BitReversalTable, TilesThenPairs) {
    std::vector<std::uint32_t> br(fftcore::br_table_size(7));
    fftcore::init_br_table(7, br.data());
    EXPECT_EQ(std::vector<std::uint32_t>(br.begin(), br.begin() + 8),
              (std::vector<std::uint32_t>{28, 20, 8, 0, 24, 12, 16, 4}));

    std::vector<std::uint32_t> one(fftcore::br_table_size(4));
    fftcore::init_br_table(4, one.data());
    EXPECT_EQ(one[0], 0u);  // a single tile that maps onto itself
}

TEST(InterleaveTable, FlagsMarkCycleLeaders) {
    std::vector<std::uint8_t> t7(4), t8(8);
    fftcore::interleave_table(7, t7.data());
    fftcore::interleave_table(8, t8.data());
    EXPECT_EQ(t7, (std::vector<std::uint8_t>{1, 1, 0, 1}));
    EXPECT_EQ(t8, (std::vector<std::uint8_t>{1, 1, 0, 1, 0, 0, 0, 1}));
}

TEST(RealPassTable, FactorsForEverySizeLayout) {
    for (int log2n : {2, 3, 4, 12}) {
        const std::size_t n = std::size_t{1} << log2n, q = n / 4;
        AlignedFloats t(fftcore::rtable_size_bytes(log2n) / 4);
        fftcore::rfft_table(log2n, t.data());
        for (std::size_t k = 0; k < q; ++k) {
            // Plain pairs up to 8 samples, groups of four real then four imaginary parts above.
            std::size_t re = log2n >= 4 ? 8 * (k / 4) + k % 4 : 2 * k;
            std::size_t im = log2n >= 4 ? re + 4 : re + 1;
            std::complex<double> want = expMinusI(2 * std::numbers::pi * (k + 1) / n);
            EXPECT_NEAR(t[re], want.real(), 1e-6) << log2n << " " << k;
            EXPECT_NEAR(t[im], want.imag(), 1e-6) << log2n << " " << k;
            if (k == q - 1) {  // the seed, exactly
                EXPECT_EQ(t[re], -4.371139e-08f);
                EXPECT_EQ(t[im], -1.0f);
            }
        }
    }
}

}  // namespace
