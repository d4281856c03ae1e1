#include "rigging/core/vec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rigging/core/math.h"

namespace rigging {

namespace {

// size + alignment + 15, or the process ends when that wraps.
std::size_t requestFor(std::size_t size, std::size_t alignment) noexcept {
    std::size_t r;
    if (__builtin_add_overflow(size, alignment, &r) || __builtin_add_overflow(r, 15, &r))
        fatalOutOfMemory();
    return r;
}

void* makeAligned(std::size_t size, std::size_t alignment) noexcept {
    std::size_t request = requestFor(size, alignment);
    void* raw = std::malloc(request);
    if (raw == nullptr) fatalOutOfMemory();  // request is never 0 here
    auto addr = reinterpret_cast<std::uintptr_t>(raw);
    auto aligned = reinterpret_cast<std::size_t*>(nextMultipleOf(addr + 16, alignment));
    reinterpret_cast<void**>(aligned)[-1] = raw;
    aligned[-2] = size;
    return aligned;
}

void* resizeAligned(void* ptr, std::size_t size, std::size_t alignment, bool preserve) noexcept {
    if (alignment == 1) {
        void* p = std::realloc(ptr, size);
        if (p == nullptr && size != 0) fatalOutOfMemory();
        return p;
    }
    std::size_t request = requestFor(size, alignment);
    if (ptr == nullptr) return makeAligned(size, alignment);
    std::size_t recorded = alignedRecordedSize(ptr);
    // recorded < 4 * request, written so that it cannot wrap.
    if (request <= recorded && recorded / 4 < request) return ptr;
    void* fresh = makeAligned(size, alignment);
    if (preserve) std::memcpy(fresh, ptr, recorded < size ? recorded : size);
    std::free(alignedRawPointer(ptr));
    return fresh;
}

}  // namespace

void* alignedMalloc(std::size_t size, std::size_t alignment) noexcept {
    if (alignment == 1) {
        void* p = std::malloc(size);
        if (p == nullptr && size != 0) fatalOutOfMemory();
        return p;
    }
    return makeAligned(size, alignment);
}

void alignedFree(void* ptr, std::size_t alignment) noexcept {
    if (alignment == 1) {
        std::free(ptr);
        return;
    }
    if (ptr == nullptr) return;
    std::free(alignedRawPointer(ptr));
}

void* alignedRealloc(void* ptr, std::size_t size, std::size_t alignment) noexcept {
    return resizeAligned(ptr, size, alignment, true);
}

void* alignedReallocDiscard(void* ptr, std::size_t size, std::size_t alignment) noexcept {
    return resizeAligned(ptr, size, alignment, false);
}

}  // namespace rigging
