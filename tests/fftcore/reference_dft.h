#pragma once
// Direct double-precision discrete Fourier transforms to check the fast transform against.

#include <complex>
#include <cstddef>
#include <vector>

namespace reference {

using Signal = std::vector<std::complex<double>>;

// X[k] = sum over j of x[j] * exp(sign * 2*pi*i*j*k/n) for every k in `bins`.
Signal dft(const Signal& x, int sign, const std::vector<std::size_t>& bins);
// The same for all n bins.
Signal dft(const Signal& x, int sign);

// Largest |got - want| over largest |want|.
double relativeError(const Signal& got, const Signal& want);

// Uniform values in [-1, 1) from a fixed seed.
std::vector<double> randomValues(std::size_t n, unsigned seed);

}  // namespace reference
