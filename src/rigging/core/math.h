#pragma once
#include <cstddef>

namespace rigging {

// (x + m - 1) AND NOT (m - 1); m is a power of two.
constexpr std::size_t nextMultipleOf(std::size_t x, std::size_t m) noexcept {
    return (x + m - 1) & ~(m - 1);
}

}  // namespace rigging
