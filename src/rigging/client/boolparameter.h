#pragma once
// On/off parameter: normalized values from 0.5 up mean on.

#include <atomic>

#include "rigging/client/parameter.h"

namespace rigging {

class BoolParameter : public Parameter {
public:
    BoolParameter(int index, const char* name, bool defaultValue) noexcept;

    bool value() const noexcept { return readLocked(value_); }
    // Lock-free: the audio thread's accessor.
    bool valueAtomic() const noexcept { return value_.load(std::memory_order_relaxed); }
    bool defaultValue() const noexcept { return default_; }
    void setFromGUI(bool value) noexcept { storeFromGUI(value_, value); }

    double getNormalized() const noexcept override { return value() ? 1.0 : 0.0; }
    double getNormalizedDefault() const noexcept override { return default_ ? 1.0 : 0.0; }
    void setNormalized(double normalized) noexcept override;
    bool isDiscrete() const noexcept override { return true; }
    void toStringN(char* buffer, std::size_t size) const noexcept override;
    void stringFromNormalizedValue(double normalized, char* buffer,
                                   std::size_t size) const noexcept override;
    // Exactly "yes" or "no".
    bool normalizedValueFromString(const char* text, double& normalized) const noexcept override;

private:
    std::atomic<bool> value_;
    bool default_;
};

}  // namespace rigging
