#include "brindlewave/gfx/resources.h"

namespace brindlewave::gfx {

namespace detail {
extern const Resource* const kResources[];
extern const std::size_t kResourceCount;
}  // namespace detail

std::span<const Resource* const> resources() {
    return {detail::kResources, detail::kResourceCount};
}

const Resource* findResource(std::string_view name) {
    for (const Resource* r : resources())
        if (r->name == name) return r;
    return nullptr;
}

}  // namespace brindlewave::gfx
