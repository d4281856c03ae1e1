#include "audiofx/filter/butterworthq.h"

#include <cmath>
#include <numbers>

#include "rigging/core/nogc.h"

namespace audiofx {

float butterworthQ(int order, int i) noexcept {
    constexpr long double pi = std::numbers::pi_v<long double>;
    const long double angle = pi * static_cast<long double>(2 * i + 1) / (2.0L * order);
    return static_cast<float>(std::fabs(1.0L / (2.0L * std::cos(angle))));
}

std::span<float> calculateQValuesForButterworth(int order) noexcept {
    const int n = order >= 2 ? order / 2 : 0;
    std::span<float> q = rigging::mallocSlice<float>(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) q[i] = butterworthQ(order, i);
    return q;
}

}  // namespace audiofx
