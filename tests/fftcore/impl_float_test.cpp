// The transforms against direct double-precision DFTs, for every size up to 2^16 points and a
// few beyond (both the in-cache path, up to 2^13, and the recursive large path).

#include "fftcore/impl_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "aligned_floats.h"
#include "alloc_probe.h"
#include "fftcore/fftcore.h"
#include "reference_dft.h"

namespace {

using reference::Signal;
constexpr double kTolerance = 1e-5;

struct ComplexSetup {
    explicit ComplexSetup(int m)
        : n(std::size_t{1} << m), re(n), im(n), table(fftcore::table_size_bytes(m) / 4 + 1) {
        fftcore::fft_table(m, table.data());
    }
    void load(const Signal& x) {
        for (std::size_t j = 0; j < n; ++j) {
            re[j] = static_cast<float>(x[j].real());
            im[j] = static_cast<float>(x[j].imag());
        }
    }
    Signal result() {
        Signal out(n);
        for (std::size_t k = 0; k < n; ++k) out[k] = {re[k], im[k]};
        return out;
    }
    std::size_t n;
    AlignedFloats re, im, table;
};

Signal randomComplex(std::size_t n, unsigned seed) {
    std::vector<double> v = reference::randomValues(2 * n, seed);
    Signal x(n);
    for (std::size_t j = 0; j < n; ++j) x[j] = {v[2 * j], v[2 * j + 1]};
    return x;
}

// Rounds the signal to float first so that only the transform's own error is measured.
Signal asFloats(Signal x) {
    for (auto& v : x) v = {static_cast<float>(v.real()), static_cast<float>(v.imag())};
    return x;
}

class ComplexTransform : public ::testing::TestWithParam<int> {};

TEST_P(ComplexTransform, ForwardMatchesDft) {
    const int m = GetParam();
    ComplexSetup s(m);
    Signal x = asFloats(randomComplex(s.n, 100 + m));
    s.load(x);
    fftcore::fft(s.re.data(), s.im.data(), m, s.table.data());
    EXPECT_LT(reference::relativeError(s.result(), reference::dft(x, -1)), kTolerance);
}

TEST_P(ComplexTransform, InverseMatchesDft) {
    const int m = GetParam();
    ComplexSetup s(m);
    Signal spectrum = asFloats(randomComplex(s.n, 200 + m));
    s.load(spectrum);
    fftcore::ifft(s.re.data(), s.im.data(), m, s.table.data());
    EXPECT_LT(reference::relativeError(s.result(), reference::dft(spectrum, +1)), kTolerance);
}

INSTANTIATE_TEST_SUITE_P(EverySize, ComplexTransform, ::testing::Range(0, 17));

// Sizes whose recursion splits twice; checked on a sample of bins.
TEST(ComplexTransformLarge, SampledBinsMatchDft) {
    for (int m : {17, 18}) {
        ComplexSetup s(m);
        Signal x = asFloats(randomComplex(s.n, 300 + m));
        s.load(x);
        fftcore::fft(s.re.data(), s.im.data(), m, s.table.data());
        std::vector<std::size_t> bins;
        std::mt19937 rng(m);
        for (std::size_t k = 0; k < 64; ++k) bins.insert(bins.end(), {k, s.n - 1 - k, rng() % s.n});
        Signal got(bins.size());
        for (std::size_t b = 0; b < bins.size(); ++b) got[b] = {s.re[bins[b]], s.im[bins[b]]};
        EXPECT_LT(reference::relativeError(got, reference::dft(x, -1, bins)), kTolerance) << m;
    }
}

struct RealSetup {
    explicit RealSetup(int log2n) : n(std::size_t{1} << log2n), data(n) { rfft.initialize(n); }
    std::size_t n;
    AlignedFloats data;
    fftcore::Rfft rfft;
};

// Bin k of the split layout that rfft leaves.
std::complex<double> bin(AlignedFloats& d, std::size_t n, std::size_t k) {
    if (n == 1) return d[0];
    if (k == 0) return d[0];
    if (k == n / 2) return d[n / 2];
    return {d[k], d[n / 2 + k]};
}

class RealTransform : public ::testing::TestWithParam<int> {};

TEST_P(RealTransform, ForwardMatchesDft) {
    const int log2n = GetParam();
    RealSetup s(log2n);
    Signal x(s.n);
    std::vector<double> v = reference::randomValues(s.n, 400 + log2n);
    for (std::size_t j = 0; j < s.n; ++j) {
        s.data[j] = static_cast<float>(v[j]);
        x[j] = s.data[j];
    }
    s.rfft.forward(s.data.data());
    std::vector<std::size_t> bins;
    Signal got;
    for (std::size_t k = 0; k <= s.n / 2; ++k) {
        bins.push_back(k);
        got.push_back(bin(s.data, s.n, k));
    }
    EXPECT_LT(reference::relativeError(got, reference::dft(x, -1, bins)), kTolerance);
}

TEST_P(RealTransform, InverseMatchesDft) {
    const int log2n = GetParam();
    RealSetup s(log2n);
    const std::size_t half = s.n / 2;
    // A Hermitian spectrum: bins 0 and n/2 real, bin n-k the conjugate of bin k.
    Signal spectrum = asFloats(randomComplex(s.n, 500 + log2n));
    spectrum[0] = spectrum[0].real();
    if (s.n > 1) spectrum[half] = spectrum[half].real();
    for (std::size_t k = 1; k < half; ++k) spectrum[s.n - k] = std::conj(spectrum[k]);

    float* re = s.data.data();
    float* im = re + half;
    for (std::size_t k = 1; k < half; ++k) {
        re[k] = static_cast<float>(spectrum[k].real());
        im[k] = static_cast<float>(spectrum[k].imag());
    }
    re[0] = static_cast<float>(spectrum[0].real());
    if (s.n > 1) im[0] = static_cast<float>(spectrum[half].real());
    fftcore::irfft(re, im, log2n, s.rfft.table(), s.rfft.rtable());

    Signal got(s.n);
    for (std::size_t j = 0; j < s.n; ++j) got[j] = (j % 2 == 0) ? re[j / 2] : im[j / 2];
    EXPECT_LT(reference::relativeError(got, reference::dft(spectrum, +1)), kTolerance);
}

INSTANTIATE_TEST_SUITE_P(EverySize, RealTransform, ::testing::Range(0, 17));

TEST(RealTransformValues, ConstantAndAlternatingSignals) {
    RealSetup ones(3);
    for (std::size_t j = 0; j < 8; ++j) ones.data[j] = 1.0f;
    ones.rfft.forward(ones.data.data());
    EXPECT_FLOAT_EQ(ones.data[0], 8.0f);
    for (std::size_t j = 1; j < 8; ++j) EXPECT_NEAR(ones.data[j], 0.0f, 1e-6) << j;

    RealSetup alternating(4);
    for (std::size_t j = 0; j < 16; ++j) alternating.data[j] = j % 2 ? -1.0f : 1.0f;
    alternating.rfft.forward(alternating.data.data());
    EXPECT_FLOAT_EQ(alternating.data[8], 16.0f);  // the Nyquist value, in im[0]
    for (std::size_t j = 0; j < 16; ++j)
        if (j != 8) {
            EXPECT_NEAR(alternating.data[j], 0.0f, 1e-5) << j;
        }
}

TEST(RfftObject, ReinitialisedAcrossSizesStillMatchesDft) {
    fftcore::Rfft rfft;
    for (int log2n : {12, 4, 14, 3, 12}) {
        const std::size_t n = std::size_t{1} << log2n;
        rfft.initialize(n);
        ASSERT_EQ(rfft.log2n(), log2n);
        AlignedFloats data(n);
        Signal x(n);
        for (std::size_t j = 0; j < n; ++j) x[j] = data[j] = std::sin(0.37 * j * j);
        rfft.forward(data.data());
        std::vector<std::size_t> bins = {0, 1, n / 4, n / 2 - 1, n / 2};
        Signal got;
        for (std::size_t k : bins) got.push_back(bin(data, n, k));
        EXPECT_LT(reference::relativeError(got, reference::dft(x, -1, bins)), kTolerance) << n;
    }
}

TEST(TransformAllocation, TransformsUseNoHeap) {
    RealSetup s(16);  // recursive path with stack scratch
    for (std::size_t j = 0; j < s.n; ++j) s.data[j] = static_cast<float>(j % 7);
    ComplexSetup c(10);
    alloc_probe::Scope probe;
    s.rfft.forward(s.data.data());
    fftcore::fft(c.re.data(), c.im.data(), 10, c.table.data());
    EXPECT_EQ(probe.allocations(), 0u);
}

}  // namespace
