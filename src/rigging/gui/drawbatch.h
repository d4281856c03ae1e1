#pragma once
// Elements that do not overlap may draw at the same time; the draw lists are walked in runs of
// such elements, z-order kept between runs.

#include <cstddef>
#include <span>

namespace rigging {

class UIElement;

// The end (exclusive) of the run that starts at `start`: the following elements join it as
// long as each overlaps none of those already in it. At least one element when start is in
// the list.
std::size_t drawBatchEnd(std::span<UIElement* const> list, std::size_t start) noexcept;

}  // namespace rigging
