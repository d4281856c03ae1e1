#pragma once
// The editor as the off-screen driver renders it with every parameter at its default: what a
// module's window must show once it has drawn, as 0xRRGGBB pixels.

#include <cstdint>
#include <vector>

namespace editorreference {

constexpr int kWidth = 1000, kHeight = 700;

// After opening and `ticks` timer ticks.
std::vector<std::uint32_t> renderDefaultEditor(int ticks = 2);

// Channels may differ by one where the inverse square root rounds differently.
constexpr int kTolerance = 1;

}  // namespace editorreference
