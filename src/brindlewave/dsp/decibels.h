#pragma once
// The compressor's per-sample decibel conversions, rounded exactly as their reference formulas
// round, at a fraction of the cost. Each computes the value in double precision with a known
// error bound and keeps it when every value within that bound rounds to the same float; the few
// results that lie next to a rounding boundary (and inputs outside the fast range) take the
// reference formula, so the output is identical to it.

#include <bit>
#include <cmath>
#include <cstdint>

namespace brindlewave {

// Reference: 20 log10(x) in extended precision, rounded to float.
inline float decibelsOfReference(float x) noexcept {
    return static_cast<float>(20.0L * std::log10(static_cast<long double>(x)));
}

// Reference: 10^(db / 20), the division and the power in double precision, rounded to float.
inline float gainOfDecibelsReference(float db) noexcept {
    return static_cast<float>(std::pow(10.0, static_cast<double>(db) / 20.0));
}

namespace decibels_detail {

constexpr long double ln2 = 0.693147180559945309417232121458176568L;

// ln(c) for c near 1, by the series of atanh((c - 1) / (c + 1)); compile time only.
constexpr long double lnNearOne(long double c) {
    const long double s = (c - 1) / (c + 1), s2 = s * s;
    long double term = s, sum = 0;
    for (int k = 1; k < 80; k += 2) {
        sum += term / k;
        term *= s2;
    }
    return 2 * sum;
}

constexpr long double expSeries(long double x) {
    long double term = 1, sum = 1;
    for (int k = 1; k < 40; ++k) {
        term *= x / k;
        sum += term;
    }
    return sum;
}

constexpr std::uint32_t logOffset = 0x3f350000u;  // about 0.7070: m in [0.7070, 1.4141)
constexpr int logBits = 7;

// Per interval of the mantissa m: c close to 1/m with at most 28 significant bits (so m x c is
// exact in double) and log2(1 / c). The two intervals beside 1 use c = 1, so that near 0 dB nothing
// cancels.
struct LogTable {
    double c[1 << logBits];
    double log2InvC[1 << logBits];
    constexpr LogTable() : c(), log2InvC() {
        for (int i = 0; i < (1 << logBits); ++i) {
            const std::uint32_t lo = logOffset + (std::uint32_t(i) << (23 - logBits));
            const std::uint32_t hi = lo + (1u << (23 - logBits));
            const long double centre = (long double)(std::bit_cast<float>(lo)) / 2 +
                                       (long double)(std::bit_cast<float>(hi)) / 2;
            long double inv = 1 / centre;
            if (std::bit_cast<float>(hi) <= 1.0f + 1.0f / 128 &&
                std::bit_cast<float>(lo) >= 1.0f - 1.0f / 128)
                inv = 1;
            const long double scaled = inv * (1 << 27);
            const long double rounded = (long double)(long long)(scaled + 0.5L) / (1 << 27);
            c[i] = (double)rounded;
            log2InvC[i] = (double)(-lnNearOne((long double)c[i]) / ln2);
        }
    }
};

constexpr int expBits = 5;

struct ExpTable {
    double pow2[1 << expBits];  // 2^(j / 32)
    constexpr ExpTable() : pow2() {
        for (int j = 0; j < (1 << expBits); ++j)
            pow2[j] = (double)expSeries(ln2 * j / (1 << expBits));
    }
};

inline constexpr LogTable logTable{};
inline constexpr ExpTable expTable{};

// True when every value in [v - tol, v + tol] rounds to the same float as v.
inline bool roundsSafely(double v, double tol) noexcept {
    return static_cast<float>(v - tol) == static_cast<float>(v + tol);
}

}  // namespace decibels_detail

inline float decibelsOf(float x) noexcept {
    using namespace decibels_detail;
    const std::uint32_t ix = std::bit_cast<std::uint32_t>(x);
    // Zero, subnormals, negatives, infinities and NaN: the reference.
    if (ix - 0x00800000u >= 0x7f800000u - 0x00800000u) return decibelsOfReference(x);
    const std::uint32_t tmp = ix - logOffset;
    const int e = static_cast<std::int32_t>(tmp) >> 23;
    const int i = static_cast<int>((tmp >> (23 - logBits)) & ((1u << logBits) - 1));
    const double m =
        static_cast<double>(std::bit_cast<float>(ix - (static_cast<std::uint32_t>(e) << 23)));
    const double r = m * logTable.c[i] - 1.0;  // exact; |r| < 2^-7
    // log2(1 + r), the series to r^7 (truncation below 2^-49 relative), evaluated as a tree
    // rather than one long chain: the compressor waits on this value every sample.
    constexpr double k = 1.4426950408889634;  // 1 / ln 2
    const double r2 = r * r, r4 = r2 * r2;
    const double q = ((1.0 - r * (1.0 / 2)) + r2 * (1.0 / 3 - r * (1.0 / 4))) +
                     r4 * ((1.0 / 5 - r * (1.0 / 6)) + r2 * (1.0 / 7));
    const double p = r * q;
    constexpr double dbPerOctave = 6.0205999132796239;  // 20 / log2(10)
    const double v = dbPerOctave * ((static_cast<double>(e) + logTable.log2InvC[i]) + k * p);
    // The error stays below 2^-45 |v|; the bound leaves a margin of eight.
    if (roundsSafely(v, std::fabs(v) * 0x1p-42)) return static_cast<float>(v);
    return decibelsOfReference(x);
}

inline float gainOfDecibels(float db) noexcept {
    using namespace decibels_detail;
    // The gain computer only asks for reductions; outside [-750, 0] (results that are not
    // normal floats) or for NaN: the reference.
    if (!(db <= 0.0f && db >= -750.0f)) return gainOfDecibelsReference(db);
    constexpr double octavesPerDb = 0.16609640474436813;      // log2(10) / 20
    const double y = static_cast<double>(db) * octavesPerDb;  // error below 2^-45 absolute
    const double shifter = 0x1.8p52 / (1 << expBits);
    const double shifted = y + shifter;  // y rounded to a multiple of 1/32, in the low bits
    const double rounded = shifted - shifter;
    const std::int64_t n =
        std::bit_cast<std::int64_t>(shifted) - std::bit_cast<std::int64_t>(shifter);
    const double f = y - rounded;  // exact, |f| <= 1/64
    const double t = f * 0.69314718055994531;
    const double t2 = t * t;
    const double p =
        (1.0 + t) + t2 * ((1.0 / 2 + t * (1.0 / 6)) + t2 * (1.0 / 24 + t * (1.0 / 120)));
    const int j = static_cast<int>(n & ((1 << expBits) - 1));
    const std::int64_t kexp = (n - j) / (1 << expBits);  // floor(n / 32), in [-125, 0]
    const double scale = std::bit_cast<double>(static_cast<std::uint64_t>(1023 + kexp) << 52);
    const double v = (expTable.pow2[j] * p) * scale;
    // The error stays below 2^-44 v; the bound leaves a margin of eight.
    if (roundsSafely(v, v * 0x1p-41)) return static_cast<float>(v);
    return gainOfDecibelsReference(db);
}

}  // namespace brindlewave
