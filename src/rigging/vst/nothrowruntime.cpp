// Part of every VST 2.4 module that carries its own static C++ runtime. The runtime's
// exception allocator comes along with the personality routine and reserves its emergency pool
// from a static constructor, which would run at load time; a module runs nothing before the
// host's first call. Nothing in the module throws, so these are never reached: should a throw
// happen anyway, the process ends as an escaping exception would end it.

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
