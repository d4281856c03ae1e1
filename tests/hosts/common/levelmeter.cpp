#include "levelmeter.h"

#include <cmath>

namespace testhost {

namespace {
double dB(double v) {
    return v > 0 ? 20 * std::log10(v) : -INFINITY;
}
}  // namespace

void LevelMeter::add(const float* x, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i])) finite_ = false;
        const double a = std::fabs(x[i]);
        if (a > peak_) peak_ = a;
        sumSquares_ += a * a;
    }
    count_ += n;
}

Level LevelMeter::level() const {
    return {dB(peak_), dB(count_ ? std::sqrt(sumSquares_ / count_) : 0), finite_};
}

Level measure(const float* x, std::size_t n) {
    LevelMeter m;
    m.add(x, n);
    return m.level();
}

}  // namespace testhost
