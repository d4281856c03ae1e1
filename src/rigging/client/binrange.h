#pragma once
// Byte-order writers and readers of 4-byte fields, independent of the machine's own order.

#include <cstdint>
#include <span>

#include "rigging/core/vec.h"

namespace rigging {

void writeBE(Vec<std::uint8_t>& out, std::uint32_t value) noexcept;
void writeLE(Vec<std::uint8_t>& out, std::int32_t value) noexcept;
void writeLE(Vec<std::uint8_t>& out, float value) noexcept;

// Each takes 4 bytes from the front of `in` and advances it. With fewer than 4 bytes left it
// answers false and leaves `in` and `value` as they were: the input ended inside the field.
bool popBE(std::span<const std::uint8_t>& in, std::uint32_t& value) noexcept;
bool popLE(std::span<const std::uint8_t>& in, std::int32_t& value) noexcept;
bool popLE(std::span<const std::uint8_t>& in, float& value) noexcept;

}  // namespace rigging
