#include "rigging/graphics/jpegblockalloc.h"

#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define JPEG_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define JPEG_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define JPEG_POISON(p, n) ((void)(p), (void)(n))
#define JPEG_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace rigging {

void* JpegBlockAllocator::allocate(std::size_t n) noexcept {
    if (n > static_cast<std::size_t>(-1) / 2) return nullptr;
    n = n == 0 ? 4 : (n + 3) & ~std::size_t{3};
    const std::size_t usable = n;
    n += kRedZone;
    for (Header* h = head_; h != nullptr; h = h->next) {
        if (h->capacity - h->used >= n) {
            unsigned char* p = spaceOf(h) + h->used;
            h->used += n;
            JPEG_UNPOISON(p, usable);
            return p;
        }
    }
    std::size_t capacity = (n + kBlockGranule - 1) & ~(kBlockGranule - 1);
    if (capacity < kMinBlockBytes) capacity = kMinBlockBytes;
    auto* h = static_cast<Header*>(std::malloc(sizeof(Header) + capacity));
    if (h == nullptr) return nullptr;
    h->next = head_;
    h->used = n;
    h->capacity = capacity;
    h->unused = 0;
    head_ = h;
    JPEG_POISON(spaceOf(h) + usable, capacity - usable);
    return spaceOf(h);
}

void* JpegBlockAllocator::allocateZeroed(std::size_t n) noexcept {
    void* p = allocate(n);
    if (p != nullptr) std::memset(p, 0, n);
    return p;
}

void JpegBlockAllocator::releaseAll() noexcept {
    while (head_ != nullptr) {
        Header* next = head_->next;
        JPEG_UNPOISON(spaceOf(head_), head_->capacity);
        std::free(head_);
        head_ = next;
    }
}

std::size_t JpegBlockAllocator::blockCount() const noexcept {
    std::size_t n = 0;
    for (const Header* h = head_; h != nullptr; h = h->next) ++n;
    return n;
}

}  // namespace rigging
