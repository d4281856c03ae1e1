#include "rigging/dsp/window.h"

#include <cmath>
#include <numbers>

namespace rigging {

namespace {

// Sum of coefficient k times cos(k*x), with x = 2*pi*n/N taken in extended precision.
template <int K>
double cosineSum(const double (&coeffs)[K], int n, int N) {
    const long double x = 2.0L * std::numbers::pi_v<long double> * n / N;
    long double sum = 0;
    for (int k = 0; k < K; ++k) sum += coeffs[k] * std::cos(k * x);
    return static_cast<double>(sum);
}

// Modified Bessel function of order 0: 1 + sum for k = 1..32 of ((z/2)^k / k!)^2.
double besselI0(double z) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k <= 32; ++k) {
        term *= (z / 2) / k;
        sum += term * term;
    }
    return sum;
}

double shape(const WindowDesc& desc, int n, int N) {
    switch (desc.type) {
        case WindowType::rectangular:
            return 1.0;
        case WindowType::triangle: {
            const double half = N * 0.5;
            return 1.0 - std::abs(n - half) / half;
        }
        case WindowType::hann:
            return cosineSum({0.5, -0.5}, n, N);
        case WindowType::hamming:
            return cosineSum({0.54, -0.46}, n, N);
        case WindowType::nuttall:
            return cosineSum({0.355768, -0.487396, 0.144232, -0.012604}, n, N);
        case WindowType::blackmanNuttall:
            return cosineSum({0.3635819, -0.4891775, 0.1365995, -0.0106411}, n, N);
        case WindowType::blackmanHarris:
            return cosineSum({0.35875, -0.48829, 0.14128, -0.01168}, n, N);
        case WindowType::flatTop:
            return cosineSum({1.0, -1.93, 1.29, -0.388, 0.028}, n, N);
        case WindowType::kaiser: {
            const double alpha = std::numbers::pi * desc.param;
            const double r = 2.0 * n / N - 1.0;
            return besselI0(alpha * std::sqrt(1.0 - r * r)) / besselI0(alpha);
        }
    }
    return 1.0;
}

}  // namespace

double evalWindow(const WindowDesc& desc, int n, int N) {
    switch (desc.alignment) {
        case WindowAlignment::symmetric:
            N = N - 1;
            break;
        case WindowAlignment::left:
            n = n != 0 ? n + 1 : N - 1;
            break;
        case WindowAlignment::right:
            break;
    }
    // A symmetric window of one point would divide by zero; that point is the whole window.
    if (N <= 0) return 1.0;
    return shape(desc, n, N);
}

}  // namespace rigging
