#pragma once
// Frequency-response probes for filter tests: impulse responses and their magnitude at single
// frequencies, evaluated in double precision.

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace response_probe {

template <typename Step>
std::vector<float> impulseResponse(Step&& step, std::size_t length) {
    std::vector<float> h(length);
    for (std::size_t i = 0; i < length; ++i) h[i] = step(i == 0 ? 1.0f : 0.0f);
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

// Largest deviation from 0 dB at `count` log-spaced frequencies from 20 Hz to 20 kHz.
inline double worstDeviationDb(const std::vector<float>& h, double fs, int count) {
    double worst = 0.0;
    for (int i = 0; i < count; ++i) {
        const double f = 20.0 * std::pow(1000.0, i / double(count - 1));
        worst = std::max(worst, std::fabs(magnitudeDb(h, f, fs)));
    }
    return worst;
}

}  // namespace response_probe
