#include "rigging/client/boolparameter.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace rigging {

namespace {
const char* yesNo(bool on) noexcept {
    return on ? "yes" : "no";
}
}  // namespace

BoolParameter::BoolParameter(int index, const char* name, bool defaultValue) noexcept
    : Parameter(index, name, ""), value_(defaultValue), default_(defaultValue) {}

void BoolParameter::setNormalized(double normalized) noexcept {
    storeLocked(value_, clamp01(normalized) >= 0.5);
}

void BoolParameter::toStringN(char* buffer, std::size_t size) const noexcept {
    std::snprintf(buffer, size, "%s", yesNo(value()));
}

void BoolParameter::stringFromNormalizedValue(double normalized, char* buffer,
                                              std::size_t size) const noexcept {
    std::snprintf(buffer, size, "%s", yesNo(clamp01(normalized) >= 0.5));
}

bool BoolParameter::normalizedValueFromString(const char* text, double& normalized) const noexcept {
    normalized = std::numeric_limits<double>::quiet_NaN();
    if (text == nullptr) return false;
    if (std::strcmp(text, "yes") == 0) {
        normalized = 1.0;
        return true;
    }
    if (std::strcmp(text, "no") == 0) {
        normalized = 0.0;
        return true;
    }
    return false;
}

}  // namespace rigging
