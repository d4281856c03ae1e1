#pragma once
// Frequency-response probes for filter tests: impulse responses and their magnitude, at single
// frequencies or over every bin of a transform, evaluated in double precision.

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "fftcore/fftcore.h"

namespace response_probe {

template <typename Step>
std::vector<float> impulseResponse(Step&& step, std::size_t length) {
    std::vector<float> h(length);
    for (std::size_t i = 0; i < length; ++i) h[i] = step(i == 0 ? 1.0f : 0.0f);
    return h;
}

// The impulse response of step, taken in chunks until the absolute sum of a chunk falls below
// `quiet` (so that what is cut off changes no magnitude by more than about that much), at least
// two chunks and at most maxLength samples.
template <typename Step>
std::vector<float> impulseResponseUntilQuiet(Step&& step, std::size_t chunk, std::size_t maxLength,
                                             double quiet = 1e-5) {
    std::vector<float> h;
    h.reserve(4 * chunk);
    while (h.size() < maxLength) {
        double sum = 0;
        for (std::size_t i = 0; i < chunk; ++i) {
            const float y = step(h.empty() ? 1.0f : 0.0f);
            sum += std::fabs(double(y));
            h.push_back(y);
        }
        if (h.size() >= 2 * chunk && sum < quiet) break;
    }
    return h;
}

inline std::complex<double> transferAt(const std::vector<float>& h, double f, double fs) {
    const double w = 2.0 * std::numbers::pi * f / fs;
    const std::complex<double> rot(std::cos(w), -std::sin(w));
    std::complex<double> z(1.0, 0.0), sum(0.0, 0.0);
    for (std::size_t i = 0; i < h.size(); ++i) {
        sum += static_cast<double>(h[i]) * z;
        z *= rot;
        if ((i & 1023) == 1023) z /= std::abs(z);  // keep the rotation on the unit circle
    }
    return sum;
}

inline double magnitudeDb(const std::vector<float>& h, double f, double fs) {
    return 20.0 * std::log10(std::abs(transferAt(h, f, fs)));
}

// Magnitude in dB of the transform of h, zero-padded to a power of two, bin k at k x binHz.
struct Spectrum {
    std::vector<double> db;
    double binHz = 0;
};

inline Spectrum spectrumOf(const std::vector<float>& h, double fs) {
    std::size_t n = 2;
    while (n < h.size()) n *= 2;
    float* data = static_cast<float*>(fftcore::alignedRealloc(nullptr, n * sizeof(float), 16));
    std::copy(h.begin(), h.end(), data);
    std::fill(data + h.size(), data + n, 0.0f);
    fftcore::Rfft fft;
    fft.initialize(n);
    fft.forward(data);
    Spectrum s;
    s.binHz = fs / double(n);
    s.db.resize(n / 2 + 1);
    s.db[0] = 20.0 * std::log10(std::fabs(double(data[0])));
    s.db[n / 2] = 20.0 * std::log10(std::fabs(double(data[n / 2])));
    for (std::size_t k = 1; k < n / 2; ++k)
        s.db[k] = 20.0 * std::log10(std::hypot(double(data[k]), double(data[n / 2 + k])));
    fftcore::alignedFree(data, 16);
    return s;
}

// Largest deviation from 0 dB over the bins from lo to hi Hz.
inline double worstDeviationDb(const Spectrum& s, double lo, double hi) {
    double worst = 0.0;
    const std::size_t first = std::size_t(std::ceil(lo / s.binHz));
    const std::size_t last = std::min(s.db.size() - 1, std::size_t(hi / s.binHz));
    for (std::size_t k = first; k <= last; ++k) {
        const double d = std::fabs(s.db[k]);
        if (!(d <= worst)) worst = d;  // a NaN sticks
    }
    return worst;
}

}  // namespace response_probe
