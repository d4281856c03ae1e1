#include "reference_dft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <thread>

namespace reference {

Signal dft(const Signal& x, int sign, const std::vector<std::size_t>& bins) {
    const std::size_t n = x.size();
    // exp(sign*2*pi*i*j/n) for every j, so that each term is one table lookup at (j*k) mod n.
    Signal roots(n);
    for (std::size_t j = 0; j < n; ++j) {
        double a = 2.0 * std::numbers::pi * static_cast<double>(j) / static_cast<double>(n);
        roots[j] = {std::cos(a), sign * std::sin(a)};
    }
    Signal out(bins.size());
    // Each term's root comes from stepping the previous one of its chain, re-read from the table
    // every block so that the rounding of the steps cannot build up. Four chains keep the
    // multiplications independent of one another.
    constexpr std::size_t kChains = 4, kBlock = 256;
    auto work = [&](std::size_t first, std::size_t step) {
        for (std::size_t b = first; b < bins.size(); b += step) {
            const std::size_t k = n ? bins[b] % n : 0;
            const std::complex<double> r = roots[(kChains * k) % std::max<std::size_t>(n, 1)];
            double accRe[kChains] = {}, accIm[kChains] = {};
            for (std::size_t j0 = 0; j0 < n; j0 += kBlock) {
                double wr[kChains], wi[kChains];
                for (std::size_t c = 0; c < kChains; ++c) {
                    std::complex<double> w = roots[((j0 + c) * k) % n];
                    wr[c] = w.real();
                    wi[c] = w.imag();
                }
                for (std::size_t j = j0; j < std::min(j0 + kBlock, n); j += kChains) {
                    for (std::size_t c = 0; c < kChains && j + c < n; ++c) {
                        const double xr = x[j + c].real(), xi = x[j + c].imag();
                        accRe[c] += xr * wr[c] - xi * wi[c];
                        accIm[c] += xr * wi[c] + xi * wr[c];
                        const double t = wr[c] * r.real() - wi[c] * r.imag();
                        wi[c] = wr[c] * r.imag() + wi[c] * r.real();
                        wr[c] = t;
                    }
                }
            }
            out[b] = {accRe[0] + accRe[1] + accRe[2] + accRe[3],
                      accIm[0] + accIm[1] + accIm[2] + accIm[3]};
        }
    };
    std::size_t threads = n * bins.size() > (1u << 20) ? std::thread::hardware_concurrency() : 1;
    threads = std::max<std::size_t>(threads, 1);
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work, t, threads);
    work(0, threads);
    for (auto& th : pool) th.join();
    return out;
}

Signal dft(const Signal& x, int sign) {
    std::vector<std::size_t> bins(x.size());
    for (std::size_t k = 0; k < bins.size(); ++k) bins[k] = k;
    return dft(x, sign, bins);
}

double relativeError(const Signal& got, const Signal& want) {
    double err = 0, ref = 0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        err = std::max(err, std::abs(got[k] - want[k]));
        ref = std::max(ref, std::abs(want[k]));
    }
    return ref > 0 ? err / ref : err;
}

std::vector<double> randomValues(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(n);
    for (double& x : v) x = dist(rng);
    return v;
}

}  // namespace reference
