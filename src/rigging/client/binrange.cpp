#include "rigging/client/binrange.h"

#include <bit>

namespace rigging {

namespace {

void appendBytes(Vec<std::uint8_t>& out, std::uint32_t bits, bool bigEndian) noexcept {
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) {
        int shift = bigEndian ? 24 - 8 * i : 8 * i;
        bytes[i] = static_cast<std::uint8_t>(bits >> shift);
    }
    out.pushBack(std::span<const std::uint8_t>(bytes, 4));
}

bool takeBytes(std::span<const std::uint8_t>& in, std::uint32_t& bits, bool bigEndian) noexcept {
    if (in.size() < 4) return false;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        int shift = bigEndian ? 24 - 8 * i : 8 * i;
        v |= static_cast<std::uint32_t>(in[i]) << shift;
    }
    bits = v;
    in = in.subspan(4);
    return true;
}

}  // namespace

void writeBE(Vec<std::uint8_t>& out, std::uint32_t value) noexcept {
    appendBytes(out, value, true);
}

void writeLE(Vec<std::uint8_t>& out, std::int32_t value) noexcept {
    appendBytes(out, static_cast<std::uint32_t>(value), false);
}

void writeLE(Vec<std::uint8_t>& out, float value) noexcept {
    appendBytes(out, std::bit_cast<std::uint32_t>(value), false);
}

bool popBE(std::span<const std::uint8_t>& in, std::uint32_t& value) noexcept {
    return takeBytes(in, value, true);
}

bool popLE(std::span<const std::uint8_t>& in, std::int32_t& value) noexcept {
    std::uint32_t bits;
    if (!takeBytes(in, bits, false)) return false;
    value = static_cast<std::int32_t>(bits);
    return true;
}

bool popLE(std::span<const std::uint8_t>& in, float& value) noexcept {
    std::uint32_t bits;
    if (!takeBytes(in, bits, false)) return false;
    value = std::bit_cast<float>(bits);
    return true;
}

}  // namespace rigging
