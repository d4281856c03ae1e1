#include "rigging/client/floatparameter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "rigging/client/valuetext.h"
#include "rigging/core/fatal.h"

namespace rigging {

FloatParameter::FloatParameter(int index, const char* name, const char* label, double min,
                               double max, double defaultValue) noexcept
    : Parameter(index, name, label),
      value_(defaultValue),
      min_(min),
      max_(max),
      default_(defaultValue) {}

double FloatParameter::clampValue(double v) const noexcept {
    if (!(v > min_)) return min_;
    return v < max_ ? v : max_;
}

void FloatParameter::setNormalized(double normalized) noexcept {
    storeLocked(value_, clampValue(fromNormalized(clamp01(normalized))));
}

void FloatParameter::toStringN(char* buffer, std::size_t size) const noexcept {
    if (size == 0) return;
    std::snprintf(buffer, size, format_, value());
    dropNegativeZero(buffer);
}

void FloatParameter::stringFromNormalizedValue(double normalized, char* buffer,
                                               std::size_t size) const noexcept {
    if (size == 0) return;
    std::snprintf(buffer, size, format_, fromNormalized(normalized));
    dropNegativeZero(buffer);
}

bool FloatParameter::normalizedValueFromString(const char* text,
                                               double& normalized) const noexcept {
    normalized = std::numeric_limits<double>::quiet_NaN();
    char copy[64];
    if (!copyTextForScan(text, copy)) return false;
    // Reads like "%lf"; text after the number is ignored.
    char* end = nullptr;
    double parsed = std::strtod(copy, &end);
    if (end == copy || !std::isfinite(parsed)) return false;
    double result = toNormalized(parsed);
    if (!std::isfinite(result)) return false;
    normalized = result;
    return true;
}

LinearFloatParameter::LinearFloatParameter(int index, const char* name, const char* label,
                                           float min, float max, float defaultValue) noexcept
    : FloatParameter(index, name, label, min, max, defaultValue) {}

double LinearFloatParameter::toNormalized(double value) const noexcept {
    return clamp01((value - minValue()) / (maxValue() - minValue()));
}

double LinearFloatParameter::fromNormalized(double normalized) const noexcept {
    return clampValue((maxValue() - minValue()) * normalized + minValue());
}

LogFloatParameter::LogFloatParameter(int index, const char* name, const char* label, double min,
                                     double max, double defaultValue) noexcept
    : FloatParameter(index, name, label, min, max, defaultValue) {
    if (!(min > 0.0 && max > 0.0)) fatalTrap();
}

double LogFloatParameter::toNormalized(double value) const noexcept {
    double n = std::log(value / minValue()) / std::log(maxValue() / minValue());
    if (n < 0.0) return 0.0;
    if (n > 1.0) return 1.0;
    return n;
}

double LogFloatParameter::fromNormalized(double normalized) const noexcept {
    long double lo = minValue();
    long double hi = maxValue();
    return static_cast<double>(lo *
                               std::exp(static_cast<long double>(normalized) * std::log(hi / lo)));
}

}  // namespace rigging
