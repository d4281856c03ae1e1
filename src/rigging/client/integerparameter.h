#pragma once
// Integer parameter over [min, max], spread evenly over the normalized range.

#include <atomic>

#include "rigging/client/parameter.h"

namespace rigging {

class IntegerParameter : public Parameter {
public:
    // The default is clamped to [min, max].
    IntegerParameter(int index, const char* name, const char* label, int min, int max,
                     int defaultValue) noexcept;

    int value() const noexcept { return readLocked(value_); }
    // Lock-free: the audio thread's accessor.
    int valueAtomic() const noexcept { return value_.load(std::memory_order_relaxed); }
    int defaultValue() const noexcept { return default_; }
    int minValue() const noexcept { return min_; }
    int maxValue() const noexcept { return max_; }
    // The value is clamped to [min, max].
    void setFromGUI(int value) noexcept { storeFromGUI(value_, clampValue(value)); }

    // The value setNormalized(normalized) stores.
    int fromNormalized(double normalized) const noexcept;
    // clamp01((value - min) / (max - min)).
    double toNormalized(double value) const noexcept;

    double getNormalized() const noexcept override { return toNormalized(value()); }
    double getNormalizedDefault() const noexcept override { return toNormalized(default_); }
    void setNormalized(double normalized) noexcept override;
    bool isDiscrete() const noexcept override { return true; }
    void toStringN(char* buffer, std::size_t size) const noexcept override;
    void stringFromNormalizedValue(double normalized, char* buffer,
                                   std::size_t size) const noexcept override;
    bool normalizedValueFromString(const char* text, double& normalized) const noexcept override;

private:
    int clampValue(int v) const noexcept;

    std::atomic<int> value_;
    int min_;
    int max_;
    int default_;
};

}  // namespace rigging
