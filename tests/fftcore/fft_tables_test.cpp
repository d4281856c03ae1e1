// Table sizes and the contents of the small tables.

#include "fftcore/fft_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "aligned_floats.h"

namespace {

TEST(FftTables, SizesAndAlignmentRule) {
    EXPECT_EQ(fftcore::table_size_bytes(12), 33808u);  // (8 << 12) + (2^8 + 4) * 4
    EXPECT_EQ(fftcore::table_size_bytes(3), 32u);      // compact, no bit-reversal table
    EXPECT_EQ(fftcore::table_size_bytes(14), (8u << 13) + (64u + 4) * 4);  // table for 10 bits
    EXPECT_EQ(fftcore::table_size_bytes(0), 0u);
    EXPECT_EQ(fftcore::rtable_size_bytes(12), 8192u);
    EXPECT_EQ(fftcore::itable_size_bytes(12), 128u);

    EXPECT_EQ(fftcore::alignment(1u << 20), 4096u);
    EXPECT_EQ(fftcore::alignment(4096), 4096u);
    EXPECT_EQ(fftcore::alignment(1023), 2048u);
    EXPECT_EQ(fftcore::alignment(16), 64u);
    EXPECT_EQ(fftcore::alignment(2), 8u);
    EXPECT_EQ(fftcore::alignment(0), 8u);
}

TEST(FftTables, SmallTablesHoldTheirListedValues) {
    AlignedFloats list(8);  // 1, -i, exp(-i*pi/4), exp(-i*3pi/4)
    fftcore::fft_table(3, list.data());
    const double s = std::sqrt(0.5);
    const double want[] = {1, 0, 0, -1, s, -s, -s, -s};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(list[i], want[i], 1e-7) << i;

    std::vector<std::uint32_t> br(fftcore::br_table_size(7));
    fftcore::init_br_table(7, br.data());
    br.resize(8);  // the four padding entries are never written
    EXPECT_EQ(br, (std::vector<std::uint32_t>{28, 20, 8, 0, 24, 12, 16, 4}));

    std::vector<std::uint8_t> t7(4), t8(8);
    fftcore::interleave_table(7, t7.data());
    fftcore::interleave_table(8, t8.data());
    EXPECT_EQ(t7, (std::vector<std::uint8_t>{1, 1, 0, 1}));
    EXPECT_EQ(t8, (std::vector<std::uint8_t>{1, 1, 0, 1, 0, 0, 0, 1}));

    AlignedFloats rtable(8);  // the seed, exp(-i*pi/2), closes the list
    fftcore::rfft_table(3, rtable.data());
    EXPECT_NEAR(rtable[0], s, 1e-7);
    EXPECT_NEAR(rtable[1], -s, 1e-7);
    EXPECT_EQ(rtable[2], -4.371139e-08f);
    EXPECT_EQ(rtable[3], -1.0f);
}

}  // namespace
