#include "rigging/client/preset.h"

#include "rigging/core/nogc.h"

namespace rigging {

Preset::Preset(const char* name, std::span<const float> values) noexcept
    : name_(stringDup(name)), values_(mallocDup(values)) {}

Preset::~Preset() {
    freeSlice(name_);
    freeSlice(values_);
}

void Preset::setName(const char* name) noexcept {
    std::span<char> copy = stringDup(name);  // before freeing: name may be our own text
    freeSlice(name_);
    name_ = copy;
}

void Preset::ensureValueCount(std::size_t n) noexcept {
    if (values_.size() >= n) return;
    std::span<float> grown = mallocSlice<float>(n);
    for (std::size_t i = 0; i < n; ++i) grown[i] = i < values_.size() ? values_[i] : 0.0f;
    freeSlice(values_);
    values_ = grown;
}

}  // namespace rigging
