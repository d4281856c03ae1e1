#pragma once
// A named list of normalized parameter values, one per parameter in index order.

#include <cstddef>
#include <span>

namespace rigging {

class Preset {
public:
    // Copies both the name and the values.
    Preset(const char* name, std::span<const float> values) noexcept;
    Preset(const Preset&) = delete;
    Preset& operator=(const Preset&) = delete;
    ~Preset();

    const char* name() const noexcept { return name_.data(); }
    // Replaces the name with an owned copy of name.
    void setName(const char* name) noexcept;

    std::span<const float> values() const noexcept { return values_; }
    std::span<float> values() noexcept { return values_; }
    // Grows the value list to at least n entries; new entries are 0.
    void ensureValueCount(std::size_t n) noexcept;

private:
    std::span<char> name_;
    std::span<float> values_;
};

}  // namespace rigging
