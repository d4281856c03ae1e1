#include "rigging/graphics/jpegidct.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "rigging/graphics/jpegblockalloc.h"

namespace rigging {
namespace {

// The defining formula, in double precision, level-shifted and rounded.
void referenceIdct(const std::int16_t* c, double* out) {
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            double sum = 0;
            for (int v = 0; v < 8; ++v)
                for (int u = 0; u < 8; ++u) {
                    double cu = u == 0 ? M_SQRT1_2 : 1, cv = v == 0 ? M_SQRT1_2 : 1;
                    sum += cu * cv * c[v * 8 + u] * std::cos((2 * x + 1) * u * M_PI / 16) *
                           std::cos((2 * y + 1) * v * M_PI / 16);
                }
            out[y * 8 + x] = sum / 4 + 128;
        }
}

// Largest sample difference from the formula over random blocks of the given kind.
template <typename Fill>
int worstDifference(Fill fill) {
    std::mt19937 rng(7);
    int worst = 0;
    for (int trial = 0; trial < 1000; ++trial) {
        std::int16_t c[64] = {};
        fill(c, rng, trial);
        std::uint8_t got[64];
        double want[64];
        jpegIdct(c, 64, got);
        referenceIdct(c, want);
        for (int i = 0; i < 64; ++i) {
            double clamped = std::fmin(255, std::fmax(0, want[i]));
            worst = std::max(worst, static_cast<int>(std::fabs(got[i] - clamped) + 0.5));
        }
    }
    return worst;
}

TEST(JpegIdct, FollowsTheDefiningFormula) {
    // Image-like blocks: a few low terms, or every term, within what 8-bit samples produce.
    EXPECT_LE(worstDifference([](std::int16_t* c, std::mt19937& rng, int trial) {
                  int terms = trial % 3 == 0 ? 64 : 1 + static_cast<int>(rng() % 12);
                  int range = trial % 5 == 0 ? 1023 : 200;
                  for (int i = 0; i < terms; ++i)
                      c[trial % 3 == 0 ? i : rng() % 64] = static_cast<std::int16_t>(
                          static_cast<int>(rng() % (2 * range + 1)) - range);
              }),
              1);
    // Any 16-bit terms, which only corrupt data holds: no sum may overflow (the sanitizer build
    // checks) or wrap. The 13-bit constants err by up to 2^-14 of each term, a few levels on
    // sums near 2^18 (7 measured); a wrapped sum would be off by most of the range.
    EXPECT_LE(
        worstDifference([](std::int16_t* c, std::mt19937& rng, int) {
            for (int i = 0; i < 64; ++i) {
                int pick = static_cast<int>(rng() % 4);
                c[i] = pick == 0 ? -32768 : pick == 1 ? 32767 : static_cast<std::int16_t>(rng());
            }
        }),
        16);
}

TEST(JpegIdct, DcOnlyShortcutEqualsTheFullTransform) {
    for (int dc = -32768; dc <= 32767; dc += (dc > -1100 && dc < 1100) ? 1 : 997) {
        std::int16_t c[64] = {};
        c[0] = static_cast<std::int16_t>(dc);
        std::uint8_t shortcut[64], full[64];
        jpegIdct(c, 1, shortcut);
        jpegIdct(c, 64, full);
        ASSERT_EQ(0, std::memcmp(shortcut, full, 64)) << "dc " << dc;
    }
}

TEST(JpegBlockAllocator, PacksSmallRequestsAndGivesLargeOnesTheirOwnBlock) {
    constexpr std::size_t rz = JpegBlockAllocator::kRedZone;  // 0 outside sanitizer builds
    JpegBlockAllocator a;
    auto* p = static_cast<unsigned char*>(a.allocate(0));
    auto* q = static_cast<unsigned char*>(a.allocate(5));
    auto* r = static_cast<unsigned char*>(a.allocate(3));
    EXPECT_EQ(std::size_t(q - p), 4 + rz);  // 0 counts as 4
    EXPECT_EQ(std::size_t(r - q), 8 + rz);  // 5 rounds up to 8
    EXPECT_EQ(a.blockCount(), 1u);
    // Larger than a block: a block of its own, of whole 2048-byte units, searched first.
    auto* big = static_cast<unsigned char*>(a.allocateZeroed(100000));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big[99999], 0);
    std::memset(big, 0xAB, 100000);
    EXPECT_EQ(a.blockCount(), 2u);
    EXPECT_EQ(static_cast<unsigned char*>(a.allocate(352 - 2 * rz)), big + 100000 + rz);
    // The new block is full; the older one still has room.
    EXPECT_EQ(std::size_t(static_cast<unsigned char*>(a.allocate(4)) - r), 4 + rz);
    EXPECT_EQ(a.blockCount(), 2u);
    a.allocate(JpegBlockAllocator::kMinBlockBytes - 20 - 5 * rz);
    EXPECT_EQ(a.blockCount(), 2u);
    a.allocate(1);
    EXPECT_EQ(a.blockCount(), 3u);
    EXPECT_EQ(a.allocate(static_cast<std::size_t>(-1) - 2), nullptr);
    a.releaseAll();
    EXPECT_EQ(a.blockCount(), 0u);
}

}  // namespace
}  // namespace rigging
