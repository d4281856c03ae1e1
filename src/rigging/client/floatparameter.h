#pragma once
// Floating-point parameters over [min, max] with a linear or a logarithmic normalized scale.

#include <atomic>

#include "rigging/client/parameter.h"

namespace rigging {

class FloatParameter : public Parameter {
public:
    double value() const noexcept { return readLocked(value_); }
    // Lock-free: the audio thread's accessor.
    double valueAtomic() const noexcept { return value_.load(std::memory_order_relaxed); }
    double defaultValue() const noexcept { return default_; }
    double minValue() const noexcept { return min_; }
    double maxValue() const noexcept { return max_; }

    // Editor setters; the value is clamped to [min, max] (NaN to min).
    void setFromGUI(double value) noexcept { storeFromGUI(value_, clampValue(value)); }
    void setFromGUINormalized(double normalized) noexcept {
        storeFromGUI(value_, clampValue(fromNormalized(normalized)));
    }

    // Whether the editor setter would send the host another value than the present one's:
    // a step below the host's precision sends nothing, else a value the host handed back
    // never compares equal to the one the editor computes again.
    bool hostSeesChange(double value) const noexcept {
        return forHost(toNormalized(clampValue(value))) != forHost(getNormalized());
    }
    bool hostSeesChangeNormalized(double normalized) const noexcept {
        return hostSeesChange(fromNormalized(normalized));
    }

    virtual double toNormalized(double value) const noexcept = 0;
    virtual double fromNormalized(double normalized) const noexcept = 0;

    double getNormalized() const noexcept override { return toNormalized(value()); }
    double getNormalizedDefault() const noexcept override { return toNormalized(default_); }
    // Stores fromNormalized of the clamped value, kept within [min, max].
    void setNormalized(double normalized) noexcept override;
    bool isDiscrete() const noexcept override { return false; }
    void toStringN(char* buffer, std::size_t size) const noexcept override;
    void stringFromNormalizedValue(double normalized, char* buffer,
                                   std::size_t size) const noexcept override;
    bool normalizedValueFromString(const char* text, double& normalized) const noexcept override;

protected:
    FloatParameter(int index, const char* name, const char* label, double min, double max,
                   double defaultValue) noexcept;

    // Clamp to [min, max]; NaN gives min.
    double clampValue(double v) const noexcept;

private:
    std::atomic<double> value_;
    double min_;
    double max_;
    double default_;
    char format_[6] = "%2.2f";
};

// value = (max - min) * n + min.
class LinearFloatParameter : public FloatParameter {
public:
    // The bounds and default are single precision by design; the default is not clamped.
    LinearFloatParameter(int index, const char* name, const char* label, float min, float max,
                         float defaultValue) noexcept;

    double toNormalized(double value) const noexcept override;
    double fromNormalized(double normalized) const noexcept override;
};

// value = min * exp(n * ln(max / min)); min and max must be positive.
class LogFloatParameter : public FloatParameter {
public:
    // The default is not clamped. Bounds that are not both positive end the process: the
    // scale has no meaning for them and they can only come from a wrong parameter table.
    LogFloatParameter(int index, const char* name, const char* label, double min, double max,
                      double defaultValue) noexcept;

    // Clamped to [0, 1]; a NaN stays NaN.
    double toNormalized(double value) const noexcept override;
    // Not clamped; computed in extended precision.
    double fromNormalized(double normalized) const noexcept override;
};

}  // namespace rigging
