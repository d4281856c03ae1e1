// The transforms against direct double-precision DFTs, for every size up to 2^16 points (the
// in-cache path up to 2^13, the recursive path above) and, on sampled bins, beyond.

#include "fftcore/impl_float.h"

#include <gtest/gtest.h>

#include <random>

#include "aligned_floats.h"
#include "fftcore/fftcore.h"
#include "reference_dft.h"

namespace {

using reference::Signal;
constexpr double kTolerance = 1e-5;

// Random complex values that floats hold exactly, so only the transform's error is measured.
Signal randomSignal(std::size_t n, unsigned seed) {
    std::vector<double> v = reference::randomValues(2 * n, seed);
    Signal x(n);
    for (std::size_t j = 0; j < n; ++j) x[j] = {float(v[2 * j]), float(v[2 * j + 1])};
    return x;
}

// Transforms x (2^m points) in place with `transform`; returns the requested bins.
Signal runComplex(const Signal& x, int m, void (*transform)(float*, float*, int, const float*),
                  const std::vector<std::size_t>& bins) {
    const std::size_t n = x.size();
    AlignedFloats re(n), im(n), table(fftcore::table_size_bytes(m) / 4 + 1);
    fftcore::fft_table(m, table.data());
    for (std::size_t j = 0; j < n; ++j) re[j] = float(x[j].real()), im[j] = float(x[j].imag());
    transform(re.data(), im.data(), m, table.data());
    Signal out;
    for (std::size_t k : bins) out.emplace_back(re[k], im[k]);
    return out;
}

std::vector<std::size_t> allBins(std::size_t n) {
    std::vector<std::size_t> bins(n);
    for (std::size_t k = 0; k < n; ++k) bins[k] = k;
    return bins;
}

class ComplexTransform : public ::testing::TestWithParam<int> {};

TEST_P(ComplexTransform, ForwardAndInverseMatchDft) {
    const int m = GetParam();
    const std::size_t n = std::size_t{1} << m;
    Signal x = randomSignal(n, m);
    EXPECT_LT(
        reference::relativeError(runComplex(x, m, fftcore::fft, allBins(n)), reference::dft(x, -1)),
        kTolerance);
    EXPECT_LT(reference::relativeError(runComplex(x, m, fftcore::ifft, allBins(n)),
                                       reference::dft(x, +1)),
              kTolerance);
}

INSTANTIATE_TEST_SUITE_P(EverySize, ComplexTransform, ::testing::Range(0, 17));

TEST(ComplexTransformLarge, RecursingTwiceStillMatchesDftOnSampledBins) {
    for (int m : {17, 18}) {
        const std::size_t n = std::size_t{1} << m;
        std::vector<std::size_t> bins;
        std::mt19937 rng(m);
        for (std::size_t k = 0; k < 64; ++k) bins.insert(bins.end(), {k, n - 1 - k, rng() % n});
        Signal x = randomSignal(n, m);
        EXPECT_LT(reference::relativeError(runComplex(x, m, fftcore::fft, bins),
                                           reference::dft(x, -1, bins)),
                  kTolerance)
            << m;
    }
}

// Bin k of the layout rfft leaves in one array of n floats.
std::complex<double> realBin(AlignedFloats& d, std::size_t n, std::size_t k) {
    if (k == 0 || k == n / 2) return d[k == 0 ? 0 : n / 2];
    return {d[k], d[n / 2 + k]};
}

class RealTransform : public ::testing::TestWithParam<int> {};

TEST_P(RealTransform, ForwardMatchesDft) {
    const int log2n = GetParam();
    const std::size_t n = std::size_t{1} << log2n;
    fftcore::Rfft rfft;
    rfft.initialize(n);
    AlignedFloats data(n);
    Signal x = randomSignal(n, 40 + log2n), got;
    for (std::size_t j = 0; j < n; ++j) x[j] = data[j] = float(x[j].real());
    rfft.forward(data.data());
    std::vector<std::size_t> bins = allBins(n / 2 + 1);
    for (std::size_t k : bins) got.push_back(realBin(data, n, k));
    EXPECT_LT(reference::relativeError(got, reference::dft(x, -1, bins)), kTolerance);
}

TEST_P(RealTransform, InverseMatchesDft) {
    const int log2n = GetParam();
    const std::size_t n = std::size_t{1} << log2n, half = n / 2;
    fftcore::Rfft rfft;
    rfft.initialize(n);
    // A Hermitian spectrum: bins 0 and n/2 real, bin n-k the conjugate of bin k.
    Signal spectrum = randomSignal(n, 50 + log2n);
    spectrum[0] = spectrum[0].real();
    spectrum[half] = spectrum[half].real();
    for (std::size_t k = 1; k < half; ++k) spectrum[n - k] = std::conj(spectrum[k]);

    AlignedFloats data(n);
    float *re = data.data(), *im = re + half;
    for (std::size_t k = 1; k < half; ++k) re[k] = spectrum[k].real(), im[k] = spectrum[k].imag();
    re[0] = spectrum[0].real();
    if (n > 1) im[0] = spectrum[half].real();
    fftcore::irfft(re, im, log2n, rfft.table(), rfft.rtable());

    Signal got(n);
    for (std::size_t j = 0; j < n; ++j) got[j] = j % 2 ? im[j / 2] : re[j / 2];
    EXPECT_LT(reference::relativeError(got, reference::dft(spectrum, +1)), kTolerance);
}

INSTANTIATE_TEST_SUITE_P(EverySize, RealTransform, ::testing::Range(0, 17));

TEST(RealTransformValues, ConstantAndAlternatingSignals) {
    fftcore::Rfft rfft;
    AlignedFloats data(16);
    rfft.initialize(8);
    for (std::size_t j = 0; j < 8; ++j) data[j] = 1.0f;
    rfft.forward(data.data());
    EXPECT_FLOAT_EQ(data[0], 8.0f);
    for (std::size_t j = 1; j < 8; ++j) EXPECT_NEAR(data[j], 0.0f, 1e-6) << j;

    rfft.initialize(16);  // the same object, resized
    for (std::size_t j = 0; j < 16; ++j) data[j] = j % 2 ? -1.0f : 1.0f;
    rfft.forward(data.data());
    EXPECT_FLOAT_EQ(data[8], 16.0f);  // the Nyquist value, in im[0]
    for (std::size_t j = 0; j < 16; ++j) EXPECT_NEAR(data[j], j == 8 ? 16.0f : 0.0f, 1e-5) << j;
}

}  // namespace
