#include "rigging/client/integerparameter.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace rigging {

IntegerParameter::IntegerParameter(int index, const char* name, const char* label, int min, int max,
                                   int defaultValue) noexcept
    : Parameter(index, name, label), min_(min), max_(max) {
    default_ = clampValue(defaultValue);
    value_.store(default_);
}

int IntegerParameter::clampValue(int v) const noexcept {
    if (v > max_) v = max_;
    if (v < min_) v = min_;
    return v;
}

int IntegerParameter::fromNormalized(double normalized) const noexcept {
    double range = static_cast<double>(max_) - static_cast<double>(min_);
    double v = roundHalfAway(range * clamp01(normalized) + static_cast<double>(min_));
    // Within [min, max] already unless the bounds are reversed; the clamp keeps the cast defined.
    if (v > max_) v = max_;
    if (v < min_) v = min_;
    return static_cast<int>(v);
}

double IntegerParameter::toNormalized(double value) const noexcept {
    double range = static_cast<double>(max_) - static_cast<double>(min_);
    return clamp01((value - static_cast<double>(min_)) / range);
}

void IntegerParameter::setNormalized(double normalized) noexcept {
    storeLocked(value_, fromNormalized(normalized));
}

void IntegerParameter::toStringN(char* buffer, std::size_t size) const noexcept {
    std::snprintf(buffer, size, "%d", value());
}

void IntegerParameter::stringFromNormalizedValue(double normalized, char* buffer,
                                                 std::size_t size) const noexcept {
    std::snprintf(buffer, size, "%d", fromNormalized(normalized));
}

bool IntegerParameter::normalizedValueFromString(const char* text,
                                                 double& normalized) const noexcept {
    normalized = std::numeric_limits<double>::quiet_NaN();
    char copy[64];
    if (!copyTextForScan(text, copy)) return false;
    // Reads like "%d" but saturates instead of overflowing; text after the number is ignored.
    char* end = nullptr;
    long long parsed = std::strtoll(copy, &end, 10);
    if (end == copy) return false;
    normalized = toNormalized(static_cast<double>(parsed));
    return true;
}

}  // namespace rigging
