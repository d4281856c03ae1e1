#pragma once
// Frequency-response probes for filter tests: impulse responses and their magnitude, at single
// frequencies or over every bin of a transform, evaluated in double precision.

#include <algorithm>
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

// Largest deviation from 0 dB at `count` log-spaced frequencies from 20 Hz to 20 kHz.
inline double worstDeviationDb(const std::vector<float>& h, double fs, int count) {
    double worst = 0.0;
    for (int i = 0; i < count; ++i) {
        const double f = 20.0 * std::pow(1000.0, i / double(count - 1));
        worst = std::max(worst, std::fabs(magnitudeDb(h, f, fs)));
    }
    return worst;
}

// Magnitude in dB of the transform of h, zero-padded to a power of two, bin k at k x binHz.
struct Spectrum {
    std::vector<double> db;
    double binHz = 0;
};

namespace detail {

// In-place radix-2 transform of n complex values held as separate real and imaginary parts.
inline void transform(std::vector<double>& re, std::vector<double>& im) {
    const std::size_t n = re.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {  // bit reversal
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j |= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    std::vector<double> wr(n / 2), wi(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        wr[k] = std::cos(2.0 * std::numbers::pi * double(k) / double(n));
        wi[k] = -std::sin(2.0 * std::numbers::pi * double(k) / double(n));
    }
    for (std::size_t half = 1; half < n; half *= 2) {
        const std::size_t stride = n / (2 * half);
        for (std::size_t i = 0; i < n; i += 2 * half)
            for (std::size_t k = 0; k < half; ++k) {
                const std::size_t a = i + k, b = a + half;
                const double c = wr[k * stride], s = wi[k * stride];
                const double tr = re[b] * c - im[b] * s, ti = re[b] * s + im[b] * c;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
    }
}

}  // namespace detail

// Bins from 0 up to maxHz (or all of them), computed as one complex transform of half the
// length over the even and odd samples.
inline Spectrum spectrumOf(const std::vector<float>& h, double fs, double maxHz = -1.0) {
    std::size_t n = 2;
    while (n < h.size()) n *= 2;
    const std::size_t m = n / 2;
    std::vector<double> re(m, 0.0), im(m, 0.0);
    for (std::size_t i = 0; i < h.size(); ++i) (i & 1 ? im : re)[i / 2] = h[i];
    detail::transform(re, im);
    Spectrum s;
    s.binHz = fs / double(n);
    const std::size_t last =
        maxHz < 0.0 || maxHz >= fs / 2 ? m : std::min(m, std::size_t(maxHz / s.binHz) + 1);
    s.db.resize(last + 1);
    for (std::size_t k = 0; k <= last; ++k) {
        // Even and odd parts from Z[k] and conj(Z[m - k]), then X[k] = E + e^(-2 pi i k / n) O.
        const std::size_t q = k == 0 || k == m ? 0 : m - k;
        const double ar = re[k % m], ai = im[k % m], br = re[q], bi = -im[q];
        const double er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
        const double or_ = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
        const double angle = -2.0 * std::numbers::pi * double(k) / double(n);
        const double c = std::cos(angle), sn = std::sin(angle);
        const double xr = er + (or_ * c - oi * sn), xi = ei + (or_ * sn + oi * c);
        s.db[k] = 10.0 * std::log10(xr * xr + xi * xi);
    }
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
