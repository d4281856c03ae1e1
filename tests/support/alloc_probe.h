#pragma once
// Counts malloc-family calls made by code that the test links statically, while armed.
// Link the test with brindlewave_count_allocations() so the linker routes those calls here.
#include <atomic>
#include <cstddef>

namespace alloc_probe {

// Calls counted since the last arm(); only calls from the arming thread are counted.
void arm();
std::size_t disarm();
std::size_t count();

// RAII: counts allocations over a scope.
class Scope {
public:
    Scope() { arm(); }
    ~Scope() { disarm(); }
    std::size_t allocations() const { return count(); }
};

}  // namespace alloc_probe
