// Linked into modules that carry their own static C++ runtime. The runtime's exception
// allocator would otherwise come along with the personality routine, and it reserves its
// emergency pool with malloc from a static constructor: code running at load time, which a
// plug-in module must not have. Nothing in the module throws, so these never run; should a
// throw happen anyway the process ends, as an escaping exception would end it.

#include <cstddef>
#include <cstdlib>

extern "C" {

void* __cxa_allocate_exception(std::size_t) noexcept {
    std::abort();
}

void __cxa_free_exception(void*) noexcept {
    std::abort();
}

void* __cxa_allocate_dependent_exception() noexcept {
    std::abort();
}

void __cxa_free_dependent_exception(void*) noexcept {
    std::abort();
}
}
