#pragma once
// Crossover sets for band-sum tests: the defaults and random sets over the whole parameter range,
// down to 20 Hz, out of order as drawn, some with equal neighbours or a crossover at the bottom.

#include <cmath>
#include <random>
#include <vector>

namespace brindlewave::testing {

inline const std::vector<float> kDefaultCrossovers = {112.46826f, 632.4555f, 3556.5588f};

// Set number `trial` from rng: three crossovers log-uniform in 20 Hz .. 20 kHz; in every third
// set one of them is 20 Hz, in every fourth the last two are equal.
inline std::vector<float> randomCrossovers(std::mt19937& rng, int trial) {
    std::uniform_real_distribution<float> octave(std::log2(20.0f), std::log2(20000.0f));
    std::vector<float> xo(3);
    for (float& f : xo) f = std::exp2(octave(rng));
    if (trial % 3 == 0) xo[std::size_t(trial / 3) % 3] = 20.0f;
    if (trial % 4 == 1) xo[2] = xo[1];
    return xo;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif

}  // namespace brindlewave::testing
