// The shared units: decibel conversions in their three precisions, the editor's level scale
// and rows, and its logarithmic frequency axis.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "brindlewave/decibels.h"
#include "brindlewave/editorlayout.h"
#include "brindlewave/scales.h"

namespace brindlewave {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Every `stride`-th positive float from 2^-20 to 2^20.
template <class F>
void forSomeFloats(std::uint32_t stride, F f) {
    for (std::uint32_t b = std::bit_cast<std::uint32_t>(0x1p-20f);
         b < std::bit_cast<std::uint32_t>(0x1p20f); b += stride)
        f(std::bit_cast<float>(b));
}

TEST(Decibels, ExactPointsAndEdgesInEveryPrecision) {
    EXPECT_EQ(decibelsOfExtended(1.0f), 0.0f);
    EXPECT_EQ(decibelsOfDouble(1.0), 0.0);
    EXPECT_EQ(decibelsOfSingle(1.0f), 0.0f);
    EXPECT_EQ(decibelsOfExtended(10.0f), 20.0f);
    EXPECT_EQ(decibelsOfDouble(10.0), 20.0);
    EXPECT_EQ(decibelsOfSingle(10.0f), 20.0f);
    EXPECT_EQ(gainOfDecibelsExtended(0.0), 1.0f);
    EXPECT_EQ(gainOfDecibelsDouble(0.0), 1.0);
    EXPECT_EQ(gainOfDecibelsSingle(0.0f), 1.0f);
    EXPECT_EQ(gainOfDecibelsExtended(-20.0), 0.1f);
    EXPECT_EQ(gainOfDecibelsSingle(-20.0f), 0.1f);

    // Silence is -inf dB and back; negative amplitudes have no level.
    EXPECT_EQ(decibelsOfExtended(0.0f), -kInf);
    EXPECT_EQ(decibelsOfDouble(0.0), -kInf);
    EXPECT_EQ(decibelsOfSingle(0.0f), -kInf);
    EXPECT_EQ(gainOfDecibelsExtended(-kInf), 0.0f);
    EXPECT_EQ(gainOfDecibelsDouble(-kInf), 0.0);
    EXPECT_EQ(gainOfDecibelsSingle(-kInf), 0.0f);
    EXPECT_TRUE(std::isnan(decibelsOfExtended(-1.0f)));
    EXPECT_TRUE(std::isnan(decibelsOfSingle(-1.0f)));
    EXPECT_TRUE(std::isnan(gainOfDecibelsReference(kNaN)));
}

// The precisions are one formula: they agree to within their rounding, and dB and gain are
// inverse. But single precision rounds differently often enough that the editor's pictures and
// the engine's samples could not share one precision without one of them changing.
TEST(Decibels, PrecisionsAgreeToTheirRoundingYetDiffer) {
    int levelsDiffer = 0, gainsDiffer = 0, checked = 0;
    forSomeFloats(2053, [&](float x) {
        ++checked;
        const float e = decibelsOfExtended(x);
        const float s = decibelsOfSingle(x);
        const double d = decibelsOfDouble(x);
        ASSERT_NEAR(s, e, 4e-6 * std::fmax(1.0f, std::fabs(e))) << x;
        ASSERT_NEAR(d, e, 1e-6 * std::fmax(1.0f, std::fabs(e))) << x;
        if (s != e) ++levelsDiffer;

        const float dB = e / 8.0f;  // -15 .. +15 dB
        const float g = gainOfDecibelsExtended(dB);
        ASSERT_NEAR(gainOfDecibelsSingle(dB), g, 4e-7 * g) << dB;
        ASSERT_NEAR(gainOfDecibelsDouble(dB), g, 2e-7 * g) << dB;
        if (gainOfDecibelsSingle(dB) != g) ++gainsDiffer;
        ASSERT_NEAR(decibelsOfDouble(gainOfDecibelsDouble(d)), d,
                    1e-9 * std::fmax(1.0, std::fabs(d)));
    });
    EXPECT_GT(checked, 150000);
    EXPECT_GT(levelsDiffer, checked / 1000);
    EXPECT_GT(gainsDiffer, checked / 1000);
}

TEST(LevelScale, LevelsRunFromMinusSixtyToPlusSixDecibels) {
    EXPECT_EQ(levelFromDecibels(-60.0f), 0.0f);
    EXPECT_EQ(levelFromDecibels(6.0f), 1.0f);
    EXPECT_EQ(levelFromDecibels(-200.0f), 0.0f);
    EXPECT_EQ(levelFromDecibels(40.0f), 1.0f);
    EXPECT_EQ(levelFromDecibels(-kInf), 0.0f);
    EXPECT_EQ(levelFromDecibels(kNaN), 0.0f);
    EXPECT_FLOAT_EQ(levelFromDecibels(0.0f), 60.0f / 66.0f);

    EXPECT_EQ(levelFromAmplitude(0.0f), 0.0f);
    EXPECT_EQ(levelFromAmplitude(0.001f), 0.0f);  // -60 dB, just
    EXPECT_EQ(levelFromAmplitude(-0.5f), 0.0f);
    EXPECT_EQ(levelFromAmplitude(kNaN), 0.0f);
    EXPECT_FLOAT_EQ(levelFromAmplitude(1.0f), 60.0f / 66.0f);
    EXPECT_EQ(levelFromAmplitude(2.0f), 1.0f);  // +6.02 dB

    // Thresholds are not clamped: a knee outside the scale stays outside.
    EXPECT_LT(levelFromThreshold(-70.0f), 0.0f);
    EXPECT_GT(levelFromThreshold(10.0f), 1.0f);
}

TEST(LevelScale, RowsAtTheEdgesOfADisplay) {
    constexpr int h = 265;
    EXPECT_EQ(rowForLevel(1.0f, h), 0);
    EXPECT_EQ(rowForLevel(1.5f, h), 0);
    EXPECT_EQ(rowForLevel(0.0f, h), h - 1);  // the bottom row, not below it
    EXPECT_EQ(rowForLevel(-1.0f, h), h - 1);
    EXPECT_EQ(rowForLevel(kNaN, h), h - 1);
    EXPECT_EQ(rowForLevel(0.5f, 1), 0);

    // The curve and the history are not clamped: their callers keep them on screen.
    EXPECT_EQ(curveRowForLevel(0.0f, 204), 204);
    EXPECT_EQ(curveRowForLevel(kNaN, 204), 204);
    EXPECT_EQ(curveRowForLevel(1.0f, 204), 0);
    EXPECT_EQ(historyRowForLevel(0.0f, 45), 45);
    EXPECT_EQ(historyRowForLevel(kNaN, 45), 45);
    EXPECT_EQ(historyRowForLevel(1.0f, 45), 0);

    EXPECT_EQ(levelSpan(0.0f, 100), 0);
    EXPECT_EQ(levelSpan(1.0f, 100), 100);
    EXPECT_EQ(levelSpan(0.999f, 100), 99);
}

// The artwork paints its scale lines with these functions at whole decibels: there each row
// must be the exact rational one, so single-precision rounding never moves a painted line
// off the row the display draws the same level on.
TEST(LevelScale, WholeDecibelsLandOnTheirExactRows) {
    for (int dB = 6; dB >= -60; --dB) {
        const float level = levelFromDecibels(static_cast<float>(dB));
        const int down = 6 - dB;  // the level is 1 - down / 66
        EXPECT_EQ(rowForLevel(level, 265), std::min(down * 265 / 66, 264)) << dB;
        EXPECT_EQ(historyRowForLevel(level, 45), (down * 45 + 65) / 66) << dB;
        EXPECT_EQ(curveRowForLevel(level, 204), (down * 204 * 2 + 66) / 132) << dB;
        EXPECT_EQ(levelSpan(levelFromThreshold(static_cast<float>(dB)), 100), (dB + 60) * 100 / 66)
            << dB;
    }
}

TEST(FrequencyAxis, DecadesSitAtThirdsOfTheAxis) {
    EXPECT_EQ(frequencyToX(20.0), 0);
    EXPECT_EQ(frequencyToX(200.0), 333);
    EXPECT_EQ(frequencyToX(2000.0), 667);
    EXPECT_EQ(frequencyToX(20000.0), 1000);
    // Below 20 Hz, 0 Hz (the spectrum's first bin) and NaN: the left edge; above 20 kHz the right.
    EXPECT_EQ(frequencyToX(10.0), 0);
    EXPECT_EQ(frequencyToX(0.0), 0);
    EXPECT_EQ(frequencyToX(std::nan("")), 0);
    EXPECT_EQ(frequencyToX(24000.0), 1000);
    EXPECT_EQ(exactFrequencyFraction(0.0), 0.0);
    EXPECT_EQ(exactFrequencyFraction(std::nan("")), 0.0);
    EXPECT_EQ(exactFrequencyFraction(1e6), 1.0);
}

// Where the artwork paints the spectrum's grid lines (the background picture holds them).
TEST(FrequencyAxis, GridLinesStandWhereTheBackgroundPaintsThem) {
    constexpr int columns[] = {59, 100, 133, 233, 333, 392, 466, 566, 667, 725, 799, 900};
    static_assert(std::size(columns) == std::size(layout::kFrequencyGrid));
    for (std::size_t i = 0; i < std::size(columns); ++i)
        EXPECT_EQ(frequencyToX(layout::kFrequencyGrid[i]), columns[i]) << layout::kFrequencyGrid[i];
}

TEST(FrequencyAxis, EveryColumnMapsToAFrequencyThatMapsBack) {
    for (int x = 0; x <= 1000; ++x) {
        const double f = xToFrequency(x);
        ASSERT_GE(f, 20.0);
        ASSERT_LE(f, 20000.0);
        ASSERT_EQ(frequencyToX(f), x) << f;
        // The spectrum's drag works in fractions of the axis: the same frequency to the last
        // bits, and the same place at both precisions.
        ASSERT_NEAR(frequencyOfFraction(x / 1000.0), f, 1e-12 * f) << x;
        ASSERT_NEAR(exactFrequencyFraction(f), x / 1000.0, 1e-12) << x;
        ASSERT_EQ(frequencyFraction(f), static_cast<float>(exactFrequencyFraction(f))) << x;
    }
    EXPECT_EQ(xToFrequency(-50.0), 20.0);
    EXPECT_EQ(xToFrequency(1300.0), 20000.0);
    EXPECT_EQ(xToFrequency(std::nan("")), 20.0);
    EXPECT_EQ(frequencyOfFraction(-0.1), 20.0);
    EXPECT_EQ(frequencyOfFraction(1.2), 20000.0);
}

}  // namespace
}  // namespace brindlewave
