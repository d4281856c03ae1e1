#include "rigging/gui/drawbatch.h"

#include "rigging/gui/element.h"

namespace rigging {

std::size_t drawBatchEnd(std::span<UIElement* const> list, std::size_t start) noexcept {
    if (start >= list.size()) return list.size();
    std::size_t end = start + 1;
    for (; end < list.size(); ++end) {
        const geom::box2i& next = list[end]->position();
        for (std::size_t k = start; k < end; ++k)
            if (list[k]->position().intersects(next)) return end;
    }
    return end;
}

}  // namespace rigging
